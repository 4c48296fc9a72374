#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Paths as the user's text and back. Windows paths are UTF-16 text already;
// POSIX file names are bytes, taken as UTF-8 (independent of the C locale).
std::filesystem::path PathFromText(std::wstring_view text);
std::wstring TextFromPath(const std::filesystem::path& path);

}  // namespace platform
