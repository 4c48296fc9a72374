#include "crc/read_rate.h"

#include <utility>

namespace crc {

std::chrono::nanoseconds SteadyNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

RateWatch::RateWatch(const RateRule& rule, Watched watched, std::stop_source halt)
    : rule_(rule), watched_(watched), halt_(std::move(halt)), since_(rule.now()) {}

void RateWatch::Note(std::size_t bytes) {
  const std::lock_guard lock(mutex_);
  bytes_ += bytes;
  const std::chrono::nanoseconds now = rule_.now();
  if (bytes_ < rule_.window_bytes && now - since_ < rule_.window_time) return;
  const double seconds = std::chrono::duration<double>(now - since_).count();
  // Ranges end only below half the rate that started them, so that storage
  // delivering about that rate (a virtual disk's cold reads) does not switch
  // back and forth; a disk seeking between ranges falls far below either. And
  // they need two slow windows in a row: a window that a pause of this whole
  // process spans looks slow, and the window after it shows the true rate.
  const bool ranged = watched_ == Watched::kRanges;
  const double rate = ranged ? rule_.fast_rate / 2 : rule_.fast_rate;
  const bool fast = static_cast<double>(bytes_) >= rate * seconds;
  windows_against_ = fast == ranged ? 0 : windows_against_ + 1;
  if (windows_against_ >= (ranged ? 2 : 1)) switched_ = true;
  if (switched_ || watched_ == Watched::kFirstWindow) halt_.request_stop();
  bytes_ = 0;
  since_ = now;
}

}  // namespace crc
