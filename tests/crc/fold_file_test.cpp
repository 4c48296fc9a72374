// Whole files folded in ranges on several threads must give exactly what one
// sequential pass gives, stop promptly when asked, and report a failed read.
// Small blocks and a threshold of 0 put many range and block boundaries into
// files of a few KiB.

#include "crc/fold_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

#include "crc/clsCRC32.h"
#include "tests/support/crc32_reference.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::ReferenceUpdate;

constexpr std::size_t kBlock = 4096;

std::optional<crc::FoldedFile> Fold(const std::filesystem::path& path, const crc::ReadPlan& plan,
                                    std::stop_token stop = {},
                                    crc::KernelFunction update = crc::SelectedKernel().update) {
  auto file = platform::ReadOnlyFile::Open(path);
  crc::FileProgress progress;
  auto folded = crc::FoldFile(file, 0xFFFFFFFFu, update, plan, stop, progress);
  if (folded) {
    EXPECT_EQ(progress.done, folded->length);
    EXPECT_EQ(progress.expected, folded->length);
  }
  return folded;
}

TEST(FoldFile, RangesMatchOnePassAroundEveryBoundary) {
  test_support::TempDir dir;
  const auto data = test_support::RandomBytes(16 * kBlock + 1, 8);
  for (const unsigned threads : {2u, 3u, 8u}) {
    for (const std::size_t blocks : {1u, 2u, 3u, 5u, 8u, 9u, 16u}) {
      for (const std::ptrdiff_t delta : {-1, 0, 1}) {
        const std::size_t size = blocks * kBlock + delta;
        const std::span<const std::uint8_t> bytes(data.data(), size);
        const auto path = dir.Write("ranges.cnt", bytes);
        const auto ranged = Fold(path, {kBlock, 0, threads});
        const auto single = Fold(path, {kBlock, 0, 1});
        ASSERT_TRUE(ranged && single);
        const std::uint32_t expected = ReferenceUpdate(0xFFFFFFFFu, bytes);
        EXPECT_EQ(ranged->reg, expected) << threads << " threads, " << size << " bytes";
        EXPECT_EQ(single->reg, expected) << size << " bytes";
        EXPECT_EQ(ranged->length, size);
      }
    }
  }
}

// A device that delivers 4 GB/s up to `slow_from` and 100 MB/s from there, on
// a clock that its reads advance, counting the reads made off the test's thread.
std::atomic<std::int64_t> model_ns{0};
std::uint64_t slow_from = 0;
std::thread::id test_thread;
std::atomic<int> reads_elsewhere{0}, slow_reads_elsewhere{0};

std::size_t ModelRead(platform::ReadOnlyFile& file, std::uint64_t offset,
                      std::span<std::uint8_t> buffer) {
  const std::size_t got = file.ReadAt(offset, buffer);
  model_ns += static_cast<std::int64_t>(offset < slow_from ? got / 4 : got * 10);
  const bool elsewhere = std::this_thread::get_id() != test_thread;
  reads_elsewhere += elsewhere;
  slow_reads_elsewhere += elsewhere && offset >= slow_from;
  return got;
}

// The way of reading follows the rate, on either side of the first window.
TEST(FoldFile, RangesOnlyWhileTheDataComesFast) {
  test_support::TempDir dir;
  const auto data = test_support::RandomBytes(64 * kBlock + 1, 13);
  const crc::RateRule rule{1e9, 4 * kBlock, std::chrono::microseconds(10),
                           [] { return std::chrono::nanoseconds(model_ns.load()); }};
  test_thread = std::this_thread::get_id();
  for (const std::size_t size : {data.size() - 2, data.size()}) {
    const std::span<const std::uint8_t> bytes(data.data(), size);
    const auto path = dir.Write("model.cnt", bytes);
    for (const std::uint64_t fast_blocks : {0u, 3u, 4u, 5u, 64u}) {
      SCOPED_TRACE(testing::Message() << size << " bytes, " << fast_blocks << " blocks fast");
      slow_from = fast_blocks * kBlock;
      reads_elsewhere = slow_reads_elsewhere = 0;
      const auto folded = Fold(path, {kBlock, 0, 2, &ModelRead, rule});
      ASSERT_TRUE(folded);
      EXPECT_EQ(folded->reg, ReferenceUpdate(0xFFFFFFFFu, bytes));
      EXPECT_TRUE(fast_blocks >= 4 || reads_elsewhere == 0);  // one pass throughout
      EXPECT_TRUE(fast_blocks < 64 || reads_elsewhere > 0);   // ranges after the first window
      EXPECT_LE(slow_reads_elsewhere, 2);  // the ranges end at the second slow window
    }
  }
}

// Through the public call, on a file just past the size from which it reads
// in ranges, with and without text appended.
TEST(FoldFile, CalculateFileAboveTheThresholdWithAppendedText) {
  test_support::TempDir dir;
  const auto data = test_support::RandomBytes((std::size_t{8} << 20) + 3, 9);
  const auto path = dir.Write("large.cnt", data);
  const std::uint32_t reg = ReferenceUpdate(0xFFFFFFFFu, data);
  EXPECT_EQ(clsCRC32().CalculateFile(path), ~reg);
  EXPECT_EQ(clsCRC32().CalculateFile(path, L" 5"),
            ~ReferenceUpdate(reg, test_support::Bytes(" 5")));
}

// A kernel that asks for a stop at its tenth call, as a progress observer
// would, and counts the calls made while it runs and in all.
std::stop_source observer_stop;
std::atomic<int> kernel_calls{0};
std::atomic<int> kernels_running{0};

std::uint32_t StopAtTenthCall(std::uint32_t reg, const std::uint8_t* data,
                              std::size_t length) noexcept {
  ++kernels_running;
  if (++kernel_calls == 10) observer_stop.request_stop();
  reg = crc::SelectedKernel().update(reg, data, length);
  --kernels_running;
  return reg;
}

TEST(FoldFile, StopEndsEveryThreadWithinABlock) {
  test_support::TempDir dir;
  const auto path = dir.Write("stop.cnt", test_support::RandomBytes(256 * kBlock, 10));
  for (const unsigned threads : {1u, 4u}) {
    observer_stop = {};
    kernel_calls = 0;
    EXPECT_FALSE(Fold(path, {kBlock, 0, threads}, observer_stop.get_token(), &StopAtTenthCall));
    // Every thread is joined, and none folded more than the block it had read.
    EXPECT_EQ(kernels_running, 0);
    EXPECT_LE(kernel_calls, 10 + static_cast<int>(threads)) << threads << " threads";
  }
}

// A read that fails in the middle of the third of four ranges.
std::size_t FailInBlock40(platform::ReadOnlyFile& file, std::uint64_t offset,
                          std::span<std::uint8_t> buffer) {
  if (offset == 40 * kBlock) throw std::system_error(EIO, std::system_category(), "read");
  return file.ReadAt(offset, buffer);
}

TEST(FoldFile, FailedReadInOneRangeIsTheError) {
  test_support::TempDir dir;
  const auto path = dir.Write("failing.cnt", test_support::RandomBytes(64 * kBlock, 12));
  for (const unsigned threads : {1u, 4u}) {
    try {
      Fold(path, {kBlock, 0, threads, &FailInBlock40});
      ADD_FAILURE() << "a failed read gave a checksum";
    } catch (const std::system_error& failure) {
      EXPECT_EQ(failure.code().value(), EIO);
    }
  }
}

}  // namespace
