#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace platform {

const int kErrorNotARegularFile = EOPNOTSUPP;
const int kErrorInvalidName = EINVAL;
const int kErrorOutOfMemory = ENOMEM;

bool MeansSharingViolation(const std::error_code&) { return false; }

std::wstring ErrorDescription(int code) {
  // strerror's text is ASCII in the C locale the tool runs in.
  const std::string text = std::strerror(code);
  return std::wstring(text.begin(), text.end());
}

std::error_code LastError() { return std::error_code(errno, std::system_category()); }

}  // namespace platform
