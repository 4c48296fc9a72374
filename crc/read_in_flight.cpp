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
// memory and more of the server.
constexpr double kStepGain = 1.2;

// One thread's part of a stretch: its blocks folded as if the others' were
// zeros, up to `end`, the offset after its last byte.
struct Lane {
  std::uint32_t reg = 0;
  std::uint64_t end = 0;
};

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
  std::vector<Lane> lanes(count, Lane{0, from});
  // One stop for all: the caller's request, a failure or a short read.
  std::stop_source halt;
  const std::stop_callback forward(stop_, [&halt] { halt.request_stop(); });
  OnThreads(count, halt, [&](unsigned lane_index) {
    platform::ReadOnlyFile& source = lane_index == 0 ? file_ : others_[lane_index - 1];
    Lane& lane = lanes[lane_index];
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(plan_.block_size);
    for (std::uint64_t index = lane_index; index < blocks;
         index = next_block.fetch_add(1, std::memory_order_relaxed)) {
      // The caller's stop is asked too: forwarding it to `halt` runs on the
      // thread that requests it, and may come only after more blocks here.
      if (halt.stop_requested() || stop_.stop_requested()) {
        halt.request_stop();
        return;
      }
      const std::uint64_t begin = from + index * plan_.block_size;
      const std::uint64_t end = std::min(to, begin + plan_.block_size);
      for (std::uint64_t at = begin; at < end;) {
        const std::size_t got =
            plan_.read_at(source, at, {block.get(), static_cast<std::size_t>(end - at)});
        if (got == 0) {
          halt.request_stop();
          return;
        }
        lane.reg = update_(ShiftOverZeros(lane.reg, at - lane.end), block.get(), got);
        lane.end = at += got;
        progress_.Add(got);
      }
    }
  });
  if (halt.stop_requested()) return std::nullopt;
  reg = ShiftOverZeros(reg, to - from);
  for (const Lane& lane : lanes) reg ^= ShiftOverZeros(lane.reg, to - lane.end);
  return reg;
}

std::optional<InFlightStart> FindReadsInFlight(ReadsInFlight& reads, std::uint32_t reg,
                                               std::uint64_t from, std::uint64_t size,
                                               double one_stream_rate, const ReadPlan& plan) {
  InFlightStart start{reg, from, 1};
  double rate = one_stream_rate;
  for (unsigned count = 2; count <= plan.in_flight && start.reached < size; count *= 2) {
    // The first step, which a disk pays for in seeks, reads one block for each
    // read in flight; later ones, taken only where reads in flight gained,
    // two, so that the window measures the reads overlapping rather than the
    // moment they all start together.
    const std::uint64_t blocks = start.count == 1 ? count : 2 * count;
    const std::uint64_t to = std::min(size, start.reached + blocks * plan.block_size);
    reads.Open(count);
    const std::chrono::nanoseconds began = plan.rate.now();
    const auto folded = reads.Fold(start.reg, start.reached, to, count);
    if (!folded) return std::nullopt;
    const double seconds = std::chrono::duration<double>(plan.rate.now() - began).count();
    const double bytes = static_cast<double>(to - start.reached);
    start.reg = *folded;
    start.reached = to;
    if (bytes < (start.count == 1 ? kFirstGain : kStepGain) * rate * seconds) break;
    start.count = count;
    rate = seconds > 0 ? bytes / seconds : std::numeric_limits<double>::infinity();
  }
  return start;
}

}  // namespace crc
