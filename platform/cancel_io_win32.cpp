#include <windows.h>

#include "platform/cancel_io.h"

namespace platform {

// GetCurrentThread is a pseudo handle that means "the caller" wherever it is
// used; the thread that requests the stop needs a real one. Without one (the
// system refused it) nothing is cancelled: the stop is still seen before the
// next call.
CancelIoOnStop::ThreadHandle::ThreadHandle() {
  HANDLE thread = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread,
                      THREAD_TERMINATE, FALSE, 0)) {
    handle = thread;
  }
}

CancelIoOnStop::ThreadHandle::~ThreadHandle() {
  if (handle) {
    CloseHandle(handle);
  }
}

void CancelIoOnStop::Cancel::operator()() const noexcept {
  if (thread) {
    CancelSynchronousIo(thread);  // fails harmlessly when nothing is pending
  }
}

}  // namespace platform
