#include <windows.h>

#include <cwctype>
#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/win32_path.h"
#include "platform/wow64_redirection.h"

namespace platform {
namespace {

// Reserved names such as NUL, CON or COM1 (in any folder, with any extension)
// and explicit \\.\ names resolve into the device namespace. \\.\C:\... is the
// one form there that still names an ordinary file.
bool NamesADevice(const std::wstring& path) {
  const std::wstring full = FullPathName(path);
  if (full.rfind(L"\\\\.\\", 0) != 0) {
    return false;
  }
  return !(full.size() >= 7 && std::iswalpha(full[4]) && full[5] == L':' && full[6] == L'\\');
}

// The answers that mean there is no such file, as against a check that could
// not be made: access denied, a logon failure, a sharing violation or a lost
// connection on a share say nothing about whether the file is there.
bool MeansNoSuchFile(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool FileExists(std::wstring_view path) {
  // A path with an embedded NUL would be cut short by the API and name another file.
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) {
    return false;
  }
  const std::wstring text(path);
  if (NamesADevice(text)) {
    return false;
  }
  const std::wstring name = Win32PathName(text);
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  DWORD error = ERROR_SUCCESS;
  {
    const Wow64RedirectionOff redirection_off;
    attributes = GetFileAttributesW(name.c_str());
    error = GetLastError();
  }
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (MeansNoSuchFile(error)) {
      return false;
    }
    ThrowError(static_cast<int>(error), "GetFileAttributesW");
  }
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace platform
