#include "platform/cpus.h"

#include <windows.h>

#include <bit>

int availableCpus() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
  const int count = std::popcount(static_cast<unsigned long long>(process));
  return count < 1 ? 1 : count;
}
