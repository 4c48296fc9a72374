#pragma once

// Running one piece of work on several threads, for the ways of reading a file
// that use more than one.

#include <exception>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace crc {

// The first failure of any of the threads reading one file, kept until every
// thread has stopped.
class FirstFailure {
 public:
  void Record(std::exception_ptr failure) {
    const std::lock_guard lock(mutex_);
    if (!failure_) failure_ = std::move(failure);
  }
  void RethrowIfAny() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  std::mutex mutex_;
  std::exception_ptr failure_;
};

// Runs work(i) for every i below `count`: 0 on this thread, each other on a
// thread of its own. A failure requests `halt`, so that the other threads stop
// at their next block, and the first one is rethrown once every thread has
// ended; no thread outlives the call, also when one cannot be started.
template <class Work>
void OnThreads(unsigned count, std::stop_source& halt, const Work& work) {
  FirstFailure failure;
  const auto guarded = [&](unsigned i) {
    try {
      work(i);
    } catch (...) {
      failure.Record(std::current_exception());
      halt.request_stop();
    }
  };
  {
    std::vector<std::jthread> helpers;
    try {
      for (unsigned i = 1; i < count; ++i) helpers.emplace_back(guarded, i);
    } catch (...) {
      halt.request_stop();
      throw;  // the helpers started so far are joined on the way out
    }
    guarded(0);
  }  // joins every helper
  failure.RethrowIfAny();
}

}  // namespace crc
