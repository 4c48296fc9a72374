#pragma once

#include <stop_token>

namespace platform {

// While it lives, a stop request on `stop` also cancels the blocking file call
// (an open, a read, an attribute query) that the thread which created it may
// be waiting in, where the system can: on Windows through CancelSynchronousIo,
// which network redirectors and most removable-media drivers honour; the call
// then fails with ERROR_OPERATION_ABORTED. A call that starts after the stop
// is not cancelled: callers look at the stop request before each call. On
// POSIX it does nothing, as a read of a regular file cannot be interrupted.
class CancelIoOnStop {
 public:
  explicit CancelIoOnStop(std::stop_token stop)
      : on_stop_(std::move(stop), Cancel{thread_.handle}) {}
  CancelIoOnStop(const CancelIoOnStop&) = delete;
  CancelIoOnStop& operator=(const CancelIoOnStop&) = delete;

 private:
  // A handle onto the thread that creates it, usable from any thread.
  struct ThreadHandle {
    ThreadHandle();
    ~ThreadHandle();
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;
    void* handle = nullptr;
  };
  struct Cancel {
    void* thread;
    void operator()() const noexcept;
  };
  ThreadHandle thread_;
  std::stop_callback<Cancel> on_stop_;  // after thread_: deregistered (a running
                                        // Cancel waited for) before it is closed
};

}  // namespace platform
