#include "platform/win32_path.h"

#include <windows.h>

namespace platform {
namespace {

// The object manager's name for the caller's DOS devices: Win32 passes a path
// that starts with it on unchanged, as it does with \\?\.
constexpr std::wstring_view kObjectManagerPrefix = L"\\??\\";

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view other) {
  return text.size() == other.size() && StartsWithIgnoringCase(text, other);
}

// The share names that reach another program instead of a file ("Pipe
// Names", "Mailslot Names"), on any server, the local one included.
bool IsPipeOrMailslotShare(std::wstring_view unc) {
  const std::size_t server_end = unc.find(L'\\');
  if (server_end == std::wstring_view::npos) {
    return false;
  }
  std::wstring_view share = unc.substr(server_end + 1);
  share = share.substr(0, share.find(L'\\'));
  return EqualsIgnoringCase(share, L"pipe") || EqualsIgnoringCase(share, L"mailslot");
}

// What follows \\.\, \\?\ or \??\ names a file only with a drive letter and
// a backslash, UNC\ (unless the share is a pipe's or a mailslot's) or
// Volume{GUID}\.
bool DevicePathNamesADevice(std::wstring_view rest) {
  if (rest.size() >= 3 && IsDriveLetter(rest[0]) && rest[1] == L':' && rest[2] == L'\\') {
    return false;
  }
  if (StartsWithIgnoringCase(rest, L"UNC\\")) {
    return IsPipeOrMailslotShare(rest.substr(4));
  }
  constexpr std::wstring_view kVolume = L"Volume{";
  constexpr std::size_t kGuidLength = 36;  // xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx
  constexpr std::size_t kClosing = kVolume.size() + kGuidLength;
  return !(StartsWithIgnoringCase(rest, kVolume) && rest.size() > kClosing + 1 &&
           rest[kClosing] == L'}' && rest[kClosing + 1] == L'\\');
}

}  // namespace

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
  if (text.rfind(L"\\\\?\\", 0) == 0 || text.rfind(L"\\\\.\\", 0) == 0 ||
      text.rfind(kObjectManagerPrefix, 0) == 0) {
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

// The device path forms that reach files ("File path formats on Windows
// systems"): \\.\C:\x, \\?\UNC\server\share\x and \\?\Volume{GUID}\x.
// Everything else there is refused before any call opens it: opening a pipe
// alone connects to the program that serves it, and so does a UNC path whose
// share is "pipe" or "mailslot", whichever form it takes. A path that starts
// with \??\ goes to the object manager as it is, unresolved, so it is judged
// as written: \??\PIPE\name is the pipe itself.
bool NamesADevice(const std::wstring& path) {
  if (path.starts_with(kObjectManagerPrefix)) {
    return DevicePathNamesADevice(std::wstring_view(path).substr(kObjectManagerPrefix.size()));
  }
  const std::wstring full = FullPathName(path);
  const std::wstring_view rest(full);
  if (!(rest.starts_with(L"\\\\.\\") || rest.starts_with(L"\\\\?\\"))) {
    return rest.starts_with(L"\\\\") && IsPipeOrMailslotShare(rest.substr(2));
  }
  return DevicePathNamesADevice(rest.substr(4));
}

}  // namespace platform
