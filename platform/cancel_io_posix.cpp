#include "platform/cancel_io.h"

namespace platform {

CancelIoOnStop::ThreadHandle::ThreadHandle() = default;
CancelIoOnStop::ThreadHandle::~ThreadHandle() = default;
void CancelIoOnStop::Cancel::operator()() const noexcept {}

}  // namespace platform
