#include "platform/error.h"

#include <windows.h>

#include <memory>

namespace platform {

const int kErrorNotARegularFile = ERROR_NOT_SUPPORTED;
const int kErrorInvalidName = ERROR_INVALID_NAME;
const int kErrorOutOfMemory = ERROR_NOT_ENOUGH_MEMORY;

namespace {

struct LocalFreeDeleter {
  void operator()(wchar_t* text) const { LocalFree(text); }
};

}  // namespace

bool MeansSharingViolation(const std::error_code& error) {
  return error == std::error_code(ERROR_SHARING_VIOLATION, std::system_category());
}

std::wstring ErrorDescription(int code) {
  wchar_t* raw = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalFreeDeleter> owner(raw);
  if (length == 0) {
    return L"Unknown error";
  }
  std::wstring text(raw, length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
    text.pop_back();
  }
  return text;
}

std::error_code LastError() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

}  // namespace platform
