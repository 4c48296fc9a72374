// A file that another program grows and shrinks while it is being checked.
// Whatever the timing, the result must be the CRC of bytes that really were in
// the file, read in order: here, the CRC of some prefix of one fixed pattern.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <unordered_set>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/fold_file.h"
#include "tests/support/crc32_reference.h"
#include "tests/support/temp_dir.h"

namespace {

// For reads in flight as from a far share: a clock that moves 1 ms whenever
// it is read, so a window with more in flight, reading more, comes faster.
std::chrono::nanoseconds Tick() {
  static std::atomic<std::int64_t> ms{0};
  return std::chrono::milliseconds(++ms);
}

TEST(ChangingFile, ResultIsTheCrcOfAPrefixThatWasRead) {
  test_support::TempDir dir;
  const auto pattern = test_support::RandomBytes(3u << 20, 11);
  const auto path = dir.Write("moving.cnt", std::span(pattern).first(1u << 20));

  // The CRC of every prefix of the pattern, to recognise any legitimate result.
  std::unordered_set<std::uint32_t> prefix_crcs;
  std::uint32_t reg = 0xFFFFFFFFu;
  prefix_crcs.insert(0);
  for (const std::uint8_t byte : pattern) {
    reg = test_support::ReferenceUpdate(reg, std::span(&byte, 1));
    prefix_crcs.insert(~reg);
  }

  std::atomic<bool> stop{false};
  std::thread changer([&] {
    std::size_t round = 0;
    while (!stop.load()) {
      // Cut the file to nothing, then let it grow again to a varying length,
      // longer or shorter than before, with the pattern's own bytes. (A cut to
      // a middle length is left out: Linux may let a concurrent read see
      // zeros there for a moment, so "some prefix" would no longer be a sound
      // expectation.)
      const std::size_t grown = (1u << 20) + (round * 524287) % (2u << 20);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(pattern.data()), static_cast<std::streamsize>(grown));
      ++round;
    }
  });

  // Opening can fail while the other side recreates the file, and
  // CalculateFile reports the change it sees: failures, not checksums. Each
  // way of reading is tried on its own, so that one that always sees the
  // change (CalculateFile, on a slow machine) leaves the others their tries.
  std::vector<std::uint32_t> results;
  const auto attempt = [&results](const auto& checksum) {
    try {
      results.push_back(checksum());
    } catch (const std::system_error&) {
    }
  };
  for (int round = 0; round < 20; ++round) {
    attempt([&] { return clsCRC32().CalculateFile(path); });
    // The same file read in ranges on three threads, from the start and after
    // a first window: a range that comes up short must not leave a hole.
    for (const crc::ReadPlan& plan :
         {crc::ReadPlan{64u << 10, 0, 3},
          {64u << 10, 0, 3, &crc::ReadFileAt, {1, 256u << 10}},
          {64u << 10, 0, 3, &crc::ReadFileAt, {1e18, 256u << 10, {}, &Tick}, 8}}) {
      attempt([&] {
        auto file = platform::ReadOnlyFile::Open(path);
        crc::FileProgress progress;
        return ~crc::FoldFile(file, 0xFFFFFFFFu, crc::SelectedKernel().update, plan, {}, progress)
                    ->reg;
      });
    }
  }
  stop = true;
  changer.join();

#ifndef _WIN32
  // On Windows the writer and the reads keep each other out: every attempt may fail.
  EXPECT_FALSE(results.empty());
#endif
  for (const std::uint32_t result : results) {
    EXPECT_TRUE(prefix_crcs.count(result)) << std::hex << result << " is no prefix's CRC";
  }
}

}  // namespace
