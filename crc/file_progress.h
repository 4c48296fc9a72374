#pragma once

#include <atomic>
#include <cstdint>

namespace crc {

// How far a file checksum has come, over every read of the file it makes. The
// threads that compute it update the counters; any thread may read them at
// any time, without locks. `done` only grows; `expected` is what all the reads
// come to as known when the last one began (the file's size at that open, for
// it and for each read still to follow), raised if the file grows while it is
// read, so done <= expected once the work has ended.
struct FileProgress {
  std::atomic<std::uint64_t> done{0};
  std::atomic<std::uint64_t> expected{0};
  // Whole reads of the file that follow the current one, set before it
  // begins: one where a second read must confirm the first.
  std::atomic<unsigned> reads_to_follow{0};

  // A read of the file, at `size` bytes now, begins: it and each read to
  // follow are expected to come to that size, after what is done already.
  // Over two reads of an unchanged file `expected` stays as the first one set
  // it, so that the work runs once from empty to full.
  void BeginRead(std::uint64_t size) {
    const std::uint64_t reads = 1 + reads_to_follow.load(std::memory_order_relaxed);
    expected.store(done.load(std::memory_order_relaxed) + reads * size, std::memory_order_relaxed);
  }

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
