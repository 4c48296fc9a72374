#pragma once

// How fast a file's data arrives, judged window by window while it is read.
// Data that comes faster than any spinning disk delivers is read in ranges on
// every thread; slower data is read in one pass, because ranges would make a
// disk's head seek between them on every block, or with several reads in
// flight where a second one raises the rate (read_in_flight.h).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace crc {

// The time since some fixed start. Tests stand in a clock that their read
// seam advances, so that the data's rate is whatever the test says.
using ClockFunction = std::chrono::nanoseconds (*)();

std::chrono::nanoseconds SteadyNow();

// What counts as fast, and over what stretch it is judged: a window closes
// after `window_bytes` or after `window_time`, whichever comes first. A rate of
// 0 makes every window fast.
struct RateRule {
  double fast_rate = 0;  // bytes per second
  std::uint64_t window_bytes = 0;
  std::chrono::nanoseconds window_time{0};
  ClockFunction now = &SteadyNow;
};

// The way of reading that a watch looks after, and when it ends it.
enum class Watched {
  kOnePass,      // at the first fast window
  kFirstWindow,  // one pass, at its first window whatever its rate
  kRanges,       // at the second window in a row below half the fast rate
};

// Watches the reads of one way of reading, from every thread that takes part,
// and ends it (requests `halt`) when the data no longer suits it.
class RateWatch {
 public:
  RateWatch(const RateRule& rule, Watched watched, std::stop_source halt);

  // Counts `bytes` just read, and judges the window if it has closed.
  void Note(std::size_t bytes);

  // Whether the watch ended the reading for its data's rate (kFirstWindow:
  // for data that came fast). Ask once the threads have stopped.
  bool Switched() const { return switched_; }

 private:
  const RateRule& rule_;
  const Watched watched_;
  std::stop_source halt_;
  std::mutex mutex_;
  std::chrono::nanoseconds since_;
  std::uint64_t bytes_ = 0;
  int windows_against_ = 0;
  bool switched_ = false;
};

}  // namespace crc
