#pragma once

#include <atomic>
#include <cstdint>

namespace crc {

// How far a file checksum has come. The threads that compute it update the
// counters; any thread may read them at any time, without locks. `done` only
// grows; `expected` is the file's size when it was opened, raised if the file
// grows while it is read, so done <= expected once the work has ended.
struct FileProgress {
  std::atomic<std::uint64_t> done{0};
  std::atomic<std::uint64_t> expected{0};

  // Counts `bytes` just folded, raising `expected` past the size at open when
  // the file has grown.
  void Add(std::uint64_t bytes) {
    const std::uint64_t now_done = done.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    if (now_done > expected.load(std::memory_order_relaxed)) {
      expected.store(now_done, std::memory_order_relaxed);
    }
  }
};

}  // namespace crc
