#include "crc/read_in_flight.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <utility>

#include "crc/combine.h"
#include "crc/on_threads.h"

namespace crc {
namespace {

// A second read in flight must raise the rate by this much for one stream to
// be left: a seeking disk or a full link gives no more (or less), a round trip
// that the reads overlap gives nearly twice as much.
constexpr double kFirstGain = 1.6;
// Each further doubling is kept while it still gains this much; past the
// link's capacity it gains nothing, and more reads in flight only hold more
// memory and more of the server. On the modelled share 8 in flight gained
// 1.10-1.32 x over 4 and read the file 7 % faster (docs/PERFORMANCE.md).
constexpr double kStepGain = 1.1;
// The one-stream rate is timed on one block, as many as each read of the
// first window with 2 in flight reads.
constexpr std::uint64_t kOneStreamBlocks = 1;
// The rest is read in stretches of 16 blocks per read in flight at first
// (64 MiB with 8 in flight), each twice the one before up to 64 blocks per
// read in flight, every one timed. A stretch's last reads finish with fewer
// in flight, which costs about half a block's time per stretch: 3 % of the
// first one, less of each after it.
constexpr std::uint64_t kFirstStretchBlocks = 16;
constexpr std::uint64_t kLongestStretchBlocks = 64;

}  // namespace

ReadsInFlight::ReadsInFlight(platform::ReadOnlyFile& file, KernelFunction update,
                             const ReadPlan& plan, std::stop_token stop, FileProgress& progress)
    : file_(file),
      update_(update),
      plan_(plan),
      stop_(std::move(stop)),
      progress_(progress),
      most_(std::max(plan.in_flight, 1u)) {}

void ReadsInFlight::Open(unsigned count) {
  while (others_.size() + 1 < std::min(count, most_)) others_.push_back(file_.Reopen());
}

std::optional<std::uint32_t> ReadsInFlight::Fold(std::uint32_t reg, std::uint64_t from,
                                                 std::uint64_t to, unsigned count) {
  count = std::clamp(count, 1u, most_);
  Open(count);
  const std::uint64_t blocks = (to - from + plan_.block_size - 1) / plan_.block_size;
  std::atomic<std::uint64_t> next_block{count};
  // Each lane's register stands for its blocks with zeros between them, up
  // to its `reached`.
  std::vector<Range> lanes(count, Range{from, from, 0, RangeEnd::kComplete, from});
  SharedStop halt(stop_);
  OnThreads(count, halt, [&](unsigned lane_index) {
    platform::ReadOnlyFile& source = lane_index == 0 ? file_ : others_[lane_index - 1];
    Range& lane = lanes[lane_index];
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(plan_.block_size);
    for (std::uint64_t index = lane_index; index < blocks;
         index = next_block.fetch_add(1, std::memory_order_relaxed)) {
      lane.begin = from + index * plan_.block_size;
      lane.end = std::min(to, lane.begin + plan_.block_size);
      lane.reg = ShiftOverZeros(lane.reg, lane.begin - lane.reached);
      FoldRange(source, lane, block.get(), update_, plan_, halt, progress_);
      if (lane.outcome == RangeEnd::kShort) ThrowFileShrank();
      if (lane.outcome == RangeEnd::kStopped) return;
    }
  });
  if (halt.Requested()) return std::nullopt;
  reg = ShiftOverZeros(reg, to - from);
  for (const Range& lane : lanes) reg ^= ShiftOverZeros(lane.reg, to - lane.reached);
  return reg;
}

std::optional<FoldedFile> FoldInFlight(platform::ReadOnlyFile& file, std::uint32_t reg,
                                       std::uint64_t from, std::uint64_t size,
                                       KernelFunction update, const ReadPlan& plan,
                                       std::stop_token stop, FileProgress& progress) {
  ReadsInFlight reads(file, update, plan, stop, progress);
  FoldedFile at{reg, from};
  // Reads on `blocks` with `count` in flight; the rate, 0 once at the end.
  const auto window = [&](std::uint64_t blocks, unsigned count) -> std::optional<double> {
    const std::uint64_t to = std::min(size, at.length + blocks * plan.block_size);
    reads.Open(count);
    const std::chrono::nanoseconds began = plan.rate.now();
    const auto folded = reads.Fold(at.reg, at.length, to, count);
    if (!folded) return std::nullopt;
    const double bytes = static_cast<double>(to - at.length);
    at = {*folded, to};
    if (to == size) return 0.0;
    const double seconds = std::chrono::duration<double>(plan.rate.now() - began).count();
    return seconds > 0 ? bytes / seconds : std::numeric_limits<double>::infinity();
  };
  // Timed on blocks after the first window, as the windows with more in
  // flight will be: both read on where the data already flows, past the
  // device's first-access costs (a disk's seek to the file, a server's cold
  // first read).
  const auto one_stream = window(kOneStreamBlocks, 1);
  if (!one_stream) return std::nullopt;
  unsigned count = 1;
  double rate = *one_stream;
  for (unsigned more = 2; more <= plan.in_flight && at.length < size; more *= 2) {
    // The first step, which a disk pays for in seeks, reads one block for each
    // read in flight; later ones, taken only where reads in flight gained,
    // two, so that the window measures the reads overlapping rather than the
    // moment they all start together.
    const auto more_rate = window(count == 1 ? more : 2 * more, more);
    if (!more_rate) return std::nullopt;
    if (*more_rate < (count == 1 ? kFirstGain : kStepGain) * rate) break;
    count = more;
    rate = *more_rate;
  }
  if (count == 1) return at;
  for (std::uint64_t blocks = kFirstStretchBlocks * count; at.length < size;) {
    // A rest shorter than this stretch and the next is read as one: a
    // stretch's last reads finish with fewer in flight.
    const std::uint64_t next = std::min(2 * blocks, kLongestStretchBlocks * count);
    const std::uint64_t rest = (size - at.length + plan.block_size - 1) / plan.block_size;
    const auto stretch_rate = window(rest < blocks + next ? rest : blocks, count);
    if (!stretch_rate) return std::nullopt;
    if (*stretch_rate <= *one_stream) break;
    blocks = next;
  }
  return at;
}

}  // namespace crc
