#include "crc/fold_file.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "crc/combine.h"
#include "crc/on_threads.h"
#include "crc/read_in_flight.h"
#include "crc/read_rate.h"
#include "platform/error.h"

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

std::unique_ptr<std::uint8_t[]> NewBlock(const ReadPlan& plan) {
  return std::make_unique_for_overwrite<std::uint8_t[]>(plan.block_size);
}

// Folds from `folded.length` to wherever the file ends now, into `folded.reg`.
std::optional<FoldedFile> FoldToEnd(platform::ReadOnlyFile& file, FoldedFile folded,
                                    KernelFunction update, const ReadPlan& plan,
                                    std::stop_token stop, FileProgress& progress) {
  Range rest{folded.length, std::numeric_limits<std::uint64_t>::max(), folded.reg};
  FoldRange(file, rest, NewBlock(plan).get(), update, plan, SharedStop(stop), progress);
  if (rest.outcome == RangeEnd::kStopped) return std::nullopt;
  return FoldedFile{rest.reg, rest.reached};
}

// Folds `head` on from where it reached in one pass for as long as the data
// comes slowly, or (`watched` kFirstWindow) for one window. True when the
// pass ended on a slow window, with no stop requested on `stop`: the rest from
// its `reached` is then to be read another way. `head` ends kStopped with no
// stop requested too when the data came fast (the rest in ranges).
bool FoldWhileSlow(platform::ReadOnlyFile& file, Range& head, KernelFunction update,
                   const ReadPlan& plan, std::stop_token stop, FileProgress& progress,
                   Watched watched) {
  if (plan.rate.fast_rate == 0) return false;
  SharedStop halt(stop);
  RateWatch watch(plan.rate, watched, halt.Own());
  FoldRange(file, head, NewBlock(plan).get(), update, plan, halt, progress, &watch);
  return head.outcome == RangeEnd::kStopped && !halt.CallerRequested() && !watch.Switched();
}

// Splits [from, size) into up to `count` ranges of whole blocks, folds them on
// as many threads (this one among them) and joins their registers. When their
// data comes slowly, every thread stops and this one folds what each range has
// left, range after range. std::nullopt when a stop was requested.
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
  SharedStop halt(stop);
  RateWatch watch(plan.rate, Watched::kRanges, halt.Own());
  // Each range after the first is read through a handle of its own.
  std::vector<platform::ReadOnlyFile> sources;
  for (std::size_t i = 1; i < ranges.size(); ++i) sources.push_back(file.Reopen());
  OnThreads(static_cast<unsigned>(ranges.size()), halt, [&](unsigned i) {
    FoldRange(i == 0 ? file : sources[i - 1], ranges[i], NewBlock(plan).get(), update, plan, halt,
              progress, &watch);
    if (ranges[i].outcome == RangeEnd::kShort) ThrowFileShrank();
  });
  const SharedStop caller(stop);
  const auto block = NewBlock(plan);
  for (Range& range : ranges) {
    FoldRange(file, range, block.get(), update, plan, caller, progress);
    if (range.outcome == RangeEnd::kShort) ThrowFileShrank();
    if (range.outcome == RangeEnd::kStopped) return std::nullopt;
  }
  for (std::size_t i = 1; i < ranges.size(); ++i) {
    ranges.front().reg =
        Combine(ranges.front().reg, ranges[i].reg, ranges[i].end - ranges[i].begin);
  }
  return ranges.front().reg;
}

// Folds [0, size) of a large file: in one pass while its data comes slowly
// and more reads in flight do not raise the rate, with as many in flight as
// do, and in ranges once it comes fast. std::nullopt when a stop was
// requested.
std::optional<FoldedFile> FoldLarge(platform::ReadOnlyFile& file, std::uint32_t reg,
                                    std::uint64_t size, KernelFunction update, const ReadPlan& plan,
                                    std::stop_token stop, FileProgress& progress) {
  Range head{0, size, reg};
  const bool may_probe = plan.in_flight > 1;
  if (FoldWhileSlow(file, head, update, plan, stop, progress,
                    may_probe ? Watched::kFirstWindow : Watched::kOnePass) &&
      may_probe) {
    const auto rest =
        FoldInFlight(file, head.reg, head.reached, size, update, plan, stop, progress);
    if (!rest || rest->length == size) return rest;
    head.reg = rest->reg;
    head.reached = rest->length;
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

void FoldRange(platform::ReadOnlyFile& file, Range& range, std::uint8_t* block,
               KernelFunction update, const ReadPlan& plan, const SharedStop& stop,
               FileProgress& progress, RateWatch* watch) {
  for (range.reached = std::max(range.reached, range.begin); range.reached < range.end;) {
    if (stop.Requested()) {
      range.outcome = RangeEnd::kStopped;
      return;
    }
    const auto wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(plan.block_size, range.end - range.reached));
    const std::size_t got = plan.read_at(file, range.reached, {block, wanted});
    if (got == 0) {
      range.outcome = RangeEnd::kShort;
      return;
    }
    range.reg = update(range.reg, block, got);
    range.reached += got;
    progress.Add(got);
    if (watch) watch->Note(got);
  }
  range.outcome = RangeEnd::kComplete;
}

void ThrowFileShrank() { throw std::system_error(platform::FileChangedError(), "ReadFile"); }

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
    const auto folded = FoldLarge(file, reg, size, update, plan, stop, progress);
    if (!folded) return std::nullopt;
    return FoldToEnd(file, *folded, update, plan, stop, progress);
  }
  return FoldToEnd(file, {reg, 0}, update, plan, stop, progress);
}

}  // namespace crc
