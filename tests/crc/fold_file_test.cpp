// Whole files folded in ranges on several threads must give exactly what one
// sequential pass gives, stop promptly when asked, and report a failed read.
// Small blocks and a threshold of 0 put many range and block boundaries into
// files of a few KiB.

#include "crc/fold_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include "crc/clsCRC32.h"
#include "crc/fold_unchanged.h"
#include "platform/error.h"
#include "tests/support/crc32_reference.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::ReferenceUpdate;

constexpr std::size_t kBlock = 4096;

// Thread creation fails once, when this count, taken down by each, reaches 0.
std::atomic<int> threads_until_failure{-1};
#ifdef __GLIBC__
}  // namespace
#include <dlfcn.h>
#include <pthread.h>
#ifdef QUILLOMAT_WRAPPED_PTHREAD_CREATE  // a static program, linked with --wrap
extern "C" int __real_pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
extern "C" int __wrap_pthread_create(pthread_t* t, const pthread_attr_t* a, void* (*f)(void*),
                                     void* p) {
  return threads_until_failure.fetch_sub(1) == 0 ? EAGAIN : __real_pthread_create(t, a, f, p);
}
#else  // put before the C library's
extern "C" int pthread_create(pthread_t* t, const pthread_attr_t* a, void* (*f)(void*), void* p) {
  static const auto create =
      reinterpret_cast<decltype(&pthread_create)>(dlsym(RTLD_NEXT, __func__));
  return threads_until_failure.fetch_sub(1) == 0 ? EAGAIN : create(t, a, f, p);
}
#endif
namespace {
#endif

std::optional<crc::FoldedFile> Fold(const std::filesystem::path& path, const crc::ReadPlan& plan,
                                    std::stop_token stop = {},
                                    crc::KernelFunction update = crc::SelectedKernel().update) {
  auto file = platform::ReadOnlyFile::Open(path);
  crc::FileProgress progress;
  auto folded = crc::FoldFile(file, 0xFFFFFFFFu, update, plan, stop, progress);
  if (folded && folded->length == file.Size()) {  // else read again, counted again
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

// Storage on a clock that its reads advance, at 4 GB/s up to `slow_from` and
// from there as `Storage` says. Each read waits a latency of its own, then
// holds one link (and a disk, that seeks when the reading thread changes) for
// its bytes; the reads between two looks at the clock overlap their latencies
// across the threads that made them. The file ends at `file_end` for the
// reads (it shrank). It counts the reads made off the test's thread, and the
// threads that read since the clock was last read.
struct Storage {
  std::int64_t latency_ns;
  double link_ns_per_byte;
  std::int64_t seek_ns;
  std::uint64_t crawls_from = ~std::uint64_t{0};  // from here the link carries 20 MB/s
};
constexpr Storage kLocalDisk{0, 10, 0};  // 100 MB/s
std::mutex model_mutex;
Storage storage = kLocalDisk;
std::int64_t model_ns = 0, waits_ns = 0, link_ns = 0;
std::set<std::thread::id> readers;
std::thread::id last_reader;
std::uint64_t slow_from = 0, file_end = ~std::uint64_t{0};
std::thread::id test_thread;
int reads_elsewhere = 0, slow_reads_elsewhere = 0;

std::size_t ModelRead(platform::ReadOnlyFile& file, std::uint64_t offset,
                      std::span<std::uint8_t> buffer) {
  const std::size_t got =
      offset < file_end
          ? file.ReadAt(offset, buffer.first(static_cast<std::size_t>(
                                    std::min<std::uint64_t>(buffer.size(), file_end - offset))))
          : 0;
  const std::lock_guard lock(model_mutex);
  const bool slow = offset >= slow_from;
  const double per_byte = offset >= storage.crawls_from ? 50 : storage.link_ns_per_byte;
  const auto reader = std::this_thread::get_id();
  const std::int64_t busy =
      static_cast<std::int64_t>(static_cast<double>(got) * (slow ? per_byte : 0.25) +
                                (slow && reader != last_reader ? storage.seek_ns : 0));
  link_ns += busy;
  waits_ns += busy + (slow ? storage.latency_ns : 0);
  last_reader = reader;
  readers.insert(reader);
  reads_elsewhere += reader != test_thread;
  slow_reads_elsewhere += reader != test_thread && slow;
  return got;
}

std::chrono::nanoseconds ModelNow() {
  const std::lock_guard lock(model_mutex);
  model_ns += std::max(link_ns, waits_ns / std::max<std::int64_t>(1, std::ssize(readers)));
  link_ns = waits_ns = 0;
  readers.clear();
  return std::chrono::nanoseconds(model_ns);
}
constexpr crc::RateRule kFar{1e9, 4 * kBlock, std::chrono::microseconds(10), &ModelNow};

// The way of reading follows the rate, on either side of the first window;
// where the data comes slowly, reads in flight follow what a second one does.
TEST(FoldFile, RangesOnlyWhileTheDataComesFast) {
  test_support::TempDir dir;
  const auto data = test_support::RandomBytes(1024 * kBlock + 1, 13);
  test_thread = std::this_thread::get_id();
  const auto fold = [&](const std::filesystem::path& path, Storage slow, std::uint64_t fast_blocks,
                        unsigned in_flight, std::uint64_t ends_at = ~std::uint64_t{0}) {
    storage = slow;
    slow_from = fast_blocks * kBlock;
    file_end = ends_at;
    reads_elsewhere = slow_reads_elsewhere = 0;
    last_reader = {};  // the disk's head elsewhere
    return Fold(path, {kBlock, 0, 2, &ModelRead, kFar, in_flight});
  };
  for (const std::size_t size : {data.size() - 2, data.size()}) {
    const std::span<const std::uint8_t> bytes(data.data(), size);
    const auto path = dir.Write("model.cnt", bytes);
    for (const std::uint64_t fast_blocks : {0u, 3u, 4u, 5u, 1024u}) {
      SCOPED_TRACE(testing::Message() << size << " bytes, " << fast_blocks << " blocks fast");
      const auto folded = fold(path, kLocalDisk, fast_blocks, 1);
      ASSERT_TRUE(folded);
      EXPECT_EQ(folded->reg, ReferenceUpdate(0xFFFFFFFFu, bytes));
      EXPECT_TRUE(fast_blocks >= 4 || reads_elsewhere == 0);   // one pass throughout
      EXPECT_TRUE(fast_blocks < 1024 || reads_elsewhere > 0);  // ranges after the first window
      EXPECT_LE(slow_reads_elsewhere, 2);  // the ranges end at the second slow window
    }
    // Round trips of 100 us a read; a link of 1 GB/s or 100 MB/s; one disk.
    const struct {
      const char* name;
      Storage slow;
      std::uint64_t fast_blocks;
      std::size_t in_flight_at_end;  // threads reading after the last window
      std::size_t ends_at;           // bytes the reads find: less when it shrank
    } storages[] = {{"far share", {100'000, 1, 0}, 0, 8, size},
                    {"far share, shrunk after the windows", {100'000, 1, 0}, 0, 0, 40 * kBlock + 5},
                    {"far share, then a crawling link", {100'000, 1, 0, 32 * kBlock}, 0, 1, size},
                    {"far share, link full at 4", {100'000, 10, 0}, 0, 4, size},
                    {"far share, one disk", {100'000, 10, 500'000}, 0, 1, size},
                    {"link-bound", {4'000, 25, 0}, 0, 1, size},
                    {"local disk", {0, 10, 500'000}, 0, 1, size},
                    {"cached", kLocalDisk, 1025, 1, size},
                    {"cached, shrunk", kLocalDisk, 1025, 0, 40 * kBlock + 5}};
    for (const auto& [name, slow, fast_blocks, in_flight_at_end, ends_at] : storages) {
      SCOPED_TRACE(testing::Message() << size << " bytes, " << name);
      threads_until_failure = name == storages[0].name ? 3 : -1;  // the far share's fourth
      if (ends_at < size) {  // a short read is the change it is, with no second pass
        EXPECT_THROW(fold(path, slow, fast_blocks, 8, ends_at), std::system_error);
        continue;
      }
      const auto folded = fold(path, slow, fast_blocks, 8, ends_at);
      ASSERT_TRUE(folded);
      EXPECT_EQ(folded->reg, ReferenceUpdate(0xFFFFFFFFu, bytes.first(ends_at)));
      EXPECT_EQ(folded->length, ends_at);
      // Reads in flight, or one thread, after the last window (unless it shrank).
      EXPECT_TRUE(ends_at < size || readers.size() == in_flight_at_end) << readers.size();
      EXPECT_TRUE(fast_blocks < 1024 || reads_elsewhere > 0);  // ranges, not reads in flight
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
  // The last plan stops with 2 reads in flight on a far share.
  storage = {100'000, 1, 0};
  slow_from = 0;
  file_end = ~std::uint64_t{0};
  for (const crc::ReadPlan& plan :
       {crc::ReadPlan{kBlock, 0, 1}, {kBlock, 0, 4}, {kBlock, 0, 1, &ModelRead, kFar, 2}}) {
    observer_stop = {};
    kernel_calls = 0;
    EXPECT_FALSE(Fold(path, plan, observer_stop.get_token(), &StopAtTenthCall));
    // Every thread is joined, and none folded more than the block it had read.
    const unsigned threads = std::max(plan.threads, plan.in_flight);
    EXPECT_EQ(kernels_running, 0);
    EXPECT_LE(kernel_calls, 10 + static_cast<int>(threads)) << threads << " threads";
  }
}

// A file read twice whose second read finds one byte other (at `flip_at`) or
// ends early (at `ends_at`), its size and time unmoved.
std::uint64_t flip_at, ends_at, one_read;
const crc::FileProgress* twice_progress;

std::size_t SecondReadDiffers(platform::ReadOnlyFile& file, std::uint64_t offset,
                              std::span<std::uint8_t> buffer) {
  const bool second = twice_progress->done >= one_read;
  EXPECT_GE(twice_progress->expected, 2 * one_read) << "the progress counts both reads";
  const std::uint64_t end = std::clamp(second ? ends_at : one_read, offset, offset + buffer.size());
  const std::size_t got = file.ReadAt(offset, buffer.first(static_cast<std::size_t>(end - offset)));
  if (second && flip_at - offset < got) buffer[flip_at - offset] ^= 1;
  return got;
}

// Two reads give the checksum only where they agree; a stop ends either read.
TEST(FoldFile, TwoReadsGiveTheChecksumOnlyWhereTheyAgree) {
  test_support::TempDir dir;
  const auto data = test_support::RandomBytes(8 * kBlock + 3, 14);  // 9 blocks a read
  const auto path = dir.Write("twice.cnt", data);
  one_read = data.size();
  const std::uint64_t none = ~std::uint64_t{0};
  // {flip_at, ends_at}; the last case stops at the tenth block, in the second read.
  const std::pair<std::uint64_t, std::uint64_t> cases[] = {
      {none, none},         {0, none},          {one_read - 1, none},
      {none, one_read - 1}, {none, 4 * kBlock}, {none, none}};
  for (const unsigned threads : {1u, 3u}) {
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(testing::Message() << threads << " threads, case " << i);
      std::tie(flip_at, ends_at) = cases[i];
      std::tie(observer_stop, kernel_calls) = std::tuple(std::stop_source(), 0);
      const bool stops = i + 1 == std::size(cases);
      auto file = platform::ReadOnlyFile::Open(path);
      crc::FileProgress progress;
      twice_progress = &progress;
      try {
        const auto folded = crc::FoldUnchanged(
            file, 0xFFFFFFFFu, stops ? &StopAtTenthCall : crc::SelectedKernel().update,
            {kBlock, 0, threads, &SecondReadDiffers}, crc::Reads::kTwiceAgreeing,
            observer_stop.get_token(), progress);
        EXPECT_EQ(folded.has_value(), i == 0);
        EXPECT_TRUE(!folded ||
                    (folded->reg == ReferenceUpdate(0xFFFFFFFFu, data) &&
                     progress.done == 2 * one_read && progress.expected == 2 * one_read));
      } catch (const std::system_error& failure) {
        EXPECT_TRUE(i > 0 && !stops);
        EXPECT_EQ(failure.code(), platform::FileChangedError());
      }
    }
  }
}

// A read that fails in the third of four ranges, or among reads in flight.
std::size_t FailInBlock40(platform::ReadOnlyFile& file, std::uint64_t offset,
                          std::span<std::uint8_t> buffer) {
  if (offset == 40 * kBlock) throw std::system_error(EIO, std::system_category(), "read");
  return ModelRead(file, offset, buffer);
}

TEST(FoldFile, FailedReadInOneRangeIsTheError) {
  test_support::TempDir dir;
  const auto path = dir.Write("failing.cnt", test_support::RandomBytes(64 * kBlock, 12));
  storage = {100'000, 1, 0};
  slow_from = 0;
  file_end = ~std::uint64_t{0};
  for (const crc::ReadPlan& plan : {crc::ReadPlan{kBlock, 0, 1, &FailInBlock40},
                                    {kBlock, 0, 4, &FailInBlock40},
                                    {kBlock, 0, 1, &FailInBlock40, kFar, 8}}) {
    try {
      Fold(path, plan);
      ADD_FAILURE() << "a failed read gave a checksum";
    } catch (const std::system_error& failure) {
      EXPECT_EQ(failure.code().value(), EIO);
    }
  }
}

}  // namespace
