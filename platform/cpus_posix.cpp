// The CPUs this process may use on POSIX systems: the affinity mask where Linux keeps
// one, else what the standard library reports.
#include "platform/cpus.h"

#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

int availableCpus() {
#ifdef __linux__
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    return count < 1 ? 1 : count;
  }
#endif
  const unsigned count = std::thread::hardware_concurrency();  // 0 where it cannot tell
  return count < 1 ? 1 : static_cast<int>(count);
}
