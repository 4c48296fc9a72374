#include "platform/win32_path.h"

#include <windows.h>

namespace platform {

std::wstring FullPathName(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) {
      return {};
    }
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // too small: `length` includes the terminating NUL
  }
}

std::wstring Win32PathName(std::wstring_view path) {
  // Leave room for the 8.3 name the classic APIs may append (MAX_PATH - 12).
  constexpr std::size_t kClassicLimit = MAX_PATH - 12;
  std::wstring text(path);
  if (text.rfind(L"\\\\?\\", 0) == 0 || text.rfind(L"\\\\.\\", 0) == 0) {
    return text;
  }
  // The limit applies to the full path: a short relative path (or one with
  // "..") from a deep current folder can be too long.
  const std::wstring full = FullPathName(text);
  if (full.empty() || (text.size() < kClassicLimit && full.size() < kClassicLimit)) {
    return text;
  }
  if (full.rfind(L"\\\\", 0) == 0) {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return L"\\\\?\\" + full;
}

}  // namespace platform
