#include "tests/support/peak_memory.h"

#ifdef _WIN32
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace test_support {

std::uint64_t PeakMemoryBytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    return 0;
  }
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // Linux reports KiB
#endif
}

}  // namespace test_support
