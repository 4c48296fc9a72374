#include "crc/fold_file.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "crc/combine.h"
#include "crc/on_threads.h"
#include "crc/read_in_flight.h"
#include "crc/read_rate.h"

namespace crc {
namespace {

// 512 KiB per read was the fastest of 128 KiB to 1 MiB: large enough that each
// read costs little per byte, small enough that the CRC finds the block still
// in the cache after the copy (docs/PERFORMANCE.md).
constexpr std::size_t kBlockSize = std::size_t{512} << 10;
// From 8 MiB on, two threads took half the time of one on a cached file; at
// 4 MiB they saved a fifth, about 0.1 ms (docs/PERFORMANCE.md).
constexpr std::uint64_t kParallelFrom = std::uint64_t{8} << 20;
constexpr unsigned kMostThreads = 8;
// A share behind a long link reached the link's capacity with 4 to 8 reads in
// flight in the model (docs/PERFORMANCE.md); a file-sharing client's credits
// allow that many, and Explorer's copies keep about as many.
constexpr unsigned kMostInFlight = 8;
// Ranges pay only where the data comes faster than one thread folds it, and
// only where nothing seeks between them. 1 GB/s is more than any SATA link
// carries (600 MB/s) and over three times what the fastest spinning disks
// deliver in sequence (7200 rpm disks about 150-285 MB/s, 10k and 15k rpm ones
// about 200-315 MB/s), while the page cache and NVMe storage deliver several
// GB/s. A window closes after 2 MiB, a fraction of the smallest file read in
// ranges, or after 10 ms, a few reads' time on a disk, so that a disk that
// seeks between the ranges is caught after little more than two windows.
constexpr RateRule kRangedRate{1e9, std::uint64_t{2} << 20, std::chrono::milliseconds(10)};

// Where one thread's folding ended: at the range's end, short of it because
// the file ended first, or on a stop request.
enum class RangeEnd { kComplete, kShort, kStopped };

struct Range {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::uint32_t reg = 0;
  RangeEnd outcome = RangeEnd::kStopped;
  std::uint64_t reached = 0;  // the offset after the last byte folded
};

// Folds [range.begin, range.end) into range.reg, or until `file` ends early
// or a stop is requested; a range stopped before goes on from where it
// reached. Raises progress.expected past the size at open when the file has
// grown, and tells `watch` (if any) of every block read.
void FoldRange(platform::ReadOnlyFile& file, Range& range, KernelFunction update,
               const ReadPlan& plan, std::stop_token stop, FileProgress& progress,
               RateWatch* watch = nullptr) {
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(plan.block_size);
  for (range.reached = std::max(range.reached, range.begin); range.reached < range.end;) {
    if (stop.stop_requested()) {
      range.outcome = RangeEnd::kStopped;
      return;
    }
    const auto wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(plan.block_size, range.end - range.reached));
    const std::size_t got = plan.read_at(file, range.reached, {block.get(), wanted});
    if (got == 0) {
      range.outcome = RangeEnd::kShort;
      return;
    }
    range.reg = update(range.reg, block.get(), got);
    range.reached += got;
    progress.Add(got);
    if (watch) watch->Note(got);
  }
  range.outcome = RangeEnd::kComplete;
}

// Folds from `folded.length` to wherever the file ends now, into `folded.reg`.
std::optional<FoldedFile> FoldToEnd(platform::ReadOnlyFile& file, FoldedFile folded,
                                    KernelFunction update, const ReadPlan& plan,
                                    std::stop_token stop, FileProgress& progress) {
  Range rest{folded.length, std::numeric_limits<std::uint64_t>::max(), folded.reg};
  FoldRange(file, rest, update, plan, stop, progress);
  if (rest.outcome == RangeEnd::kStopped) return std::nullopt;
  return FoldedFile{rest.reg, rest.reached};
}

// Folds `head` on from where it reached in one pass for as long as the data
// comes slowly, or (`watched` kFirstWindow) for one window. `head` ends
// kStopped, with no stop requested on `stop`, when the rest from its `reached`
// is to be read another way: the rate of the window that ended the pass when
// it came slowly, else 0 (the rest in ranges).
double FoldWhileSlow(platform::ReadOnlyFile& file, Range& head, KernelFunction update,
                     const ReadPlan& plan, std::stop_token stop, FileProgress& progress,
                     Watched watched) {
  if (plan.rate.fast_rate == 0) return 0;
  std::stop_source halt;
  const std::stop_callback forward(stop, [&halt] { halt.request_stop(); });
  RateWatch watch(plan.rate, watched, halt);
  FoldRange(file, head, update, plan, halt.get_token(), progress, &watch);
  return watch.Switched() ? 0 : watch.FirstRate();
}

// Splits [from, size) into up to `count` ranges of whole blocks, folds them on
// as many threads (this one among them) and joins their registers. When their
// data comes slowly, every thread stops and this one folds what each range has
// left, range after range. std::nullopt when a range came up short or a stop
// was requested.
std::optional<std::uint32_t> FoldRanges(platform::ReadOnlyFile& file, std::uint32_t reg,
                                        std::uint64_t from, std::uint64_t size,
                                        KernelFunction update, const ReadPlan& plan,
                                        std::stop_token stop, FileProgress& progress) {
  const std::uint64_t blocks = (size - from + plan.block_size - 1) / plan.block_size;
  const std::uint64_t blocks_per_range = (blocks + plan.threads - 1) / plan.threads;
  std::vector<Range> ranges;
  for (std::uint64_t begin = from; begin < size; begin += blocks_per_range * plan.block_size) {
    ranges.push_back({begin, std::min(size, begin + blocks_per_range * plan.block_size)});
  }
  ranges.front().reg = reg;

  // One stop for all: the caller's request, a failure, a short range, or data
  // that comes slowly.
  std::stop_source halt;
  const std::stop_callback forward(stop, [&halt] { halt.request_stop(); });
  RateWatch watch(plan.rate, Watched::kRanges, halt);
  // Each range after the first is read through a handle of its own.
  std::vector<platform::ReadOnlyFile> sources;
  for (std::size_t i = 1; i < ranges.size(); ++i) sources.push_back(file.Reopen());
  OnThreads(static_cast<unsigned>(ranges.size()), halt, [&](unsigned i) {
    FoldRange(i == 0 ? file : sources[i - 1], ranges[i], update, plan, halt.get_token(), progress,
              &watch);
    if (ranges[i].outcome != RangeEnd::kComplete) halt.request_stop();
  });
  if (watch.Switched()) {
    for (Range& range : ranges) {
      if (range.outcome == RangeEnd::kStopped) {
        FoldRange(file, range, update, plan, stop, progress);
      }
    }
  }
  for (std::size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].outcome != RangeEnd::kComplete) return std::nullopt;
    ranges.front().reg =
        Combine(ranges.front().reg, ranges[i].reg, ranges[i].end - ranges[i].begin);
  }
  if (ranges.front().outcome != RangeEnd::kComplete) return std::nullopt;
  return ranges.front().reg;
}

// Folds [0, size) of a large file: in one pass while its data comes slowly
// and more reads in flight do not raise the rate, with as many in flight as
// do, and in ranges once it comes fast. std::nullopt when a stop was
// requested or a read off the one pass came up short.
std::optional<FoldedFile> FoldLarge(platform::ReadOnlyFile& file, std::uint32_t reg,
                                    std::uint64_t size, KernelFunction update, const ReadPlan& plan,
                                    std::stop_token stop, FileProgress& progress) {
  Range head{0, size, reg};
  const bool may_probe = plan.in_flight > 1;
  const double slow_rate = FoldWhileSlow(file, head, update, plan, stop, progress,
                                         may_probe ? Watched::kFirstWindow : Watched::kOnePass);
  if (head.outcome == RangeEnd::kStopped && !stop.stop_requested() && may_probe && slow_rate > 0) {
    ReadsInFlight reads(file, update, plan, stop, progress);
    const auto start = FindReadsInFlight(reads, head.reg, head.reached, size, slow_rate, plan);
    if (!start) return std::nullopt;
    if (start->count > 1) {
      const auto rest = reads.Fold(start->reg, start->reached, size, start->count);
      if (!rest) return std::nullopt;
      return FoldedFile{*rest, size};
    }
    head.reg = start->reg;
    head.reached = start->reached;
    FoldWhileSlow(file, head, update, plan, stop, progress, Watched::kOnePass);
  }
  if (head.outcome != RangeEnd::kStopped) return FoldedFile{head.reg, head.reached};
  if (stop.stop_requested()) return std::nullopt;
  const auto ranges_reg =
      FoldRanges(file, head.reg, head.reached, size, update, plan, stop, progress);
  if (!ranges_reg) return std::nullopt;
  return FoldedFile{*ranges_reg, size};
}

}  // namespace

std::size_t ReadFileAt(platform::ReadOnlyFile& file, std::uint64_t offset,
                       std::span<std::uint8_t> buffer) {
  return file.ReadAt(offset, buffer);
}

ReadPlan DefaultReadPlan() {
  ReadPlan plan{kBlockSize, kParallelFrom,
                std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads)};
  plan.rate = kRangedRate;
  plan.in_flight = kMostInFlight;
  return plan;
}

std::optional<FoldedFile> FoldFile(platform::ReadOnlyFile& file, std::uint32_t reg,
                                   KernelFunction update, const ReadPlan& plan,
                                   std::stop_token stop, FileProgress& progress) {
  const std::uint64_t size = file.Size();
  progress.BeginRead(size);
  if (std::max(plan.threads, plan.in_flight) > 1 && size >= plan.parallel_from &&
      size > plan.block_size) {
    if (const auto folded = FoldLarge(file, reg, size, update, plan, stop, progress)) {
      return FoldToEnd(file, *folded, update, plan, stop, progress);
    }
    if (stop.stop_requested()) return std::nullopt;
    // A range or a read in flight came up short: the file shrank under the
    // read. Read it again from the start in one pass, counting the bytes
    // again as new work.
    progress.BeginRead(file.Size());
  }
  return FoldToEnd(file, {reg, 0}, update, plan, stop, progress);
}

}  // namespace crc
