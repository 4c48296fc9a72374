#pragma once

// Windows only: a path in the form the file APIs accept at any length.

#include <string>
#include <string_view>

namespace platform {

// `path` itself when its full path is short enough for the classic APIs
// (MAX_PATH) or it is already in the \\?\, \\.\ or \??\ form; otherwise its full path in the
// extended-length form (\\?\C:\... or \\?\UNC\server\share\...), which has no
// MAX_PATH limit whatever the system's long-path setting says.
std::wstring Win32PathName(std::wstring_view path);

// The full path that Windows resolves `path` to, or the empty text.
std::wstring FullPathName(const std::wstring& path);

// True when `path` resolves into the device namespace as something other than
// a file: a reserved name (NUL, CON, COM1, ... in any folder), a pipe, a device,
// a volume itself or GLOBALROOT. The \\.\, \\?\ and \??\ forms name a file only
// when a drive letter and a backslash, UNC\ or Volume{GUID}\ follow, and a
// UNC path (\\server\..., \\?\UNC\server\...) never with the share "pipe"
// or "mailslot".
bool NamesADevice(const std::wstring& path);

}  // namespace platform
