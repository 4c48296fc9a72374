#pragma once

// Running one piece of work on several threads, for the ways of reading a file
// that use more than one, and the stop that their threads share.

#include <exception>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace crc {

// The stop of one way of reading a file: the caller's request, or the way of
// reading's own (a failure on one of its threads, or its rate watch ending
// it). Both are asked before every read, on every thread: nothing is
// forwarded from one to the other, so no thread reads on while a request
// waits to be passed on.
class SharedStop {
 public:
  explicit SharedStop(std::stop_token caller) : caller_(std::move(caller)) {}

  bool Requested() const { return own_.stop_requested() || caller_.stop_requested(); }
  bool CallerRequested() const { return caller_.stop_requested(); }
  void Request() { own_.request_stop(); }
  // The way of reading's own stop, for a rate watch to request.
  const std::stop_source& Own() const { return own_; }

 private:
  std::stop_token caller_;
  std::stop_source own_;
};

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
// thread of its own. The work of a thread that cannot be started (the system
// has none to give) runs on this thread after its own: it costs time, never
// the result. A failure requests `stop`, so that the other threads stop at
// their next read, and the first one is rethrown once every thread has
// ended; no thread outlives the call.
template <class Work>
void OnThreads(unsigned count, SharedStop& stop, const Work& work) {
  FirstFailure failure;
  const auto guarded = [&](unsigned i) {
    try {
      work(i);
    } catch (...) {
      failure.Record(std::current_exception());
      stop.Request();
    }
  };
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(count);
    unsigned started = 1;
    try {
      for (; started < count; ++started) helpers.emplace_back(guarded, started);
    } catch (...) {
      // std::system_error from the thread's constructor: the ones started go on.
    }
    guarded(0);
    for (unsigned i = started; i < count; ++i) guarded(i);
  }  // joins every helper
  failure.RethrowIfAny();
}

}  // namespace crc
