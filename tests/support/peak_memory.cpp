#include "tests/support/peak_memory.h"

#include <algorithm>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>
#else
#include <unistd.h>

#include <fstream>
#endif

namespace test_support {
namespace {

std::uint64_t ResidentBytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
#else
  std::uint64_t pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

std::uint64_t PeakMemoryGrowth(const std::function<void()>& work) {
  const std::uint64_t before = ResidentBytes();
  std::uint64_t highest = before;  // the sampler's alone until it is joined
  {
    std::jthread sampler([&](std::stop_token stop) {
      while (!stop.stop_requested()) {
        highest = std::max(highest, ResidentBytes());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    work();
  }
  return std::max(highest, ResidentBytes()) - before;
}

}  // namespace test_support
