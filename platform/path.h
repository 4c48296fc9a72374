#pragma once

#include <string>
#include <string_view>

namespace platform {

// A file's path as the operating system takes it: UTF-16 text on Windows, bytes
// on POSIX. It is std::filesystem::path's native string type, so a
// std::filesystem::path converts to it implicitly; the program itself does not
// use std::filesystem::path, whose code pulls in the C++ locale machinery and
// would make up most of Quillomat.exe.
#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// Paths as the user's text and back. Windows paths are UTF-16 text already;
// POSIX file names are bytes, taken as UTF-8 (independent of the C locale).
NativePath PathFromText(std::wstring_view text);
std::wstring TextFromPath(const NativePath& path);

}  // namespace platform
