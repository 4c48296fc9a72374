#include <windows.h>

#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/win32_path.h"
#include "platform/wow64_redirection.h"

namespace platform {

bool FileExists(std::wstring_view path) {
  // A path with an embedded NUL would be cut short by the API and name another file.
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) {
    return false;
  }
  const std::wstring text(path);
  // Decided before any call that takes the path: even a look-up of a pipe or
  // a device may open it.
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
    if (MeansNoSuchFile(std::error_code(static_cast<int>(error), std::system_category()))) {
      return false;
    }
    ThrowError(static_cast<int>(error), "GetFileAttributesW");
  }
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// A share whose server cannot be reached (ERROR_BAD_NETPATH, also when it is
// off, asleep or behind a firewall, or the VPN is down) or that does not offer
// the share (ERROR_BAD_NET_NAME) says nothing about the file; nor do access
// denied, a logon failure, a sharing violation or a device that is not ready.
bool MeansNoSuchFile(const std::error_code& error) {
  if (error.category() != std::system_category()) {
    return false;
  }
  switch (error.value()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return true;
    default:
      return false;
  }
}

}  // namespace platform
