// The CPUs of the affinity mask on POSIX systems.
#include "platform/cpus.h"

#include <sched.h>

int availableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count < 1 ? 1 : count;
}
