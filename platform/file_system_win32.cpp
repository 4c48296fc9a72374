#include <windows.h>

#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/win32_path.h"
#include "platform/wow64_redirection.h"

namespace platform {
namespace {

// The attributes of what the reparse point `name` leads to, or nothing when
// that cannot be opened. An open without FILE_FLAG_OPEN_REPARSE_POINT follows
// the link, and one with no access and FILE_FLAG_BACKUP_SEMANTICS opens a
// folder as well as a file without reading either.
std::optional<DWORD> TargetAttributes(const std::wstring& name) {
  const HANDLE target =
      CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (target == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const BOOL read = GetFileInformationByHandle(target, &information);
  CloseHandle(target);
  return read ? std::optional<DWORD>(information.dwFileAttributes) : std::nullopt;
}

}  // namespace

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
  std::optional<DWORD> target;
  {
    const Wow64RedirectionOff redirection_off;
    attributes = GetFileAttributesW(name.c_str());
    error = GetLastError();
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      target = TargetAttributes(name);
    }
  }
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (MeansNoSuchFile(std::error_code(static_cast<int>(error), std::system_category()))) {
      return false;
    }
    ThrowError(static_cast<int>(error), "GetFileAttributesW");
  }
  return AttributesNameAFile(attributes, target);
}

// GetFileAttributesW answers for a link itself ("Symbolic Link Effects on File
// Systems Functions"), so a file link to a folder looks like a file; what it
// leads to decides. A link that leads nowhere is left to the checksum's own
// open, which says why it fails.
bool AttributesNameAFile(unsigned long attributes, std::optional<unsigned long> target) {
  if (target) {
    attributes = *target;
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
