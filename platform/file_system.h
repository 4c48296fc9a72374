#pragma once

#include <string_view>

namespace platform {

// True only when `path`, exactly as given (no trimming), names an existing
// regular file: false for directories, devices, pipes and missing paths.
bool FileExists(std::wstring_view path);

}  // namespace platform
