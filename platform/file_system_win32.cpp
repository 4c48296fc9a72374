#include <windows.h>

#include <cwctype>
#include <string>

#include "platform/file_system.h"
#include "platform/win32_path.h"

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

}  // namespace

bool FileExists(std::wstring_view path) {
  // A path with an embedded NUL would be cut short by the API and name another file.
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) {
    return false;
  }
  const std::wstring text(path);
  const std::wstring name = Win32PathName(text);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
         !NamesADevice(text);
}

}  // namespace platform
