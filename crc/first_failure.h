#pragma once

#include <exception>
#include <mutex>
#include <utility>

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

}  // namespace crc
