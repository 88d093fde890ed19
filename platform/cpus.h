// How many processors this process may run on.
#pragma once

// The CPUs in this process's affinity mask (so that taskset and container limits count),
// at least 1.
int availableCpus();
