// How many processors this process may run on.
#pragma once

// The CPUs in this process's affinity mask where the system keeps one (Linux, Windows: so
// that taskset and container limits count), else the processors the standard library
// reports; at least 1.
int availableCpus();
