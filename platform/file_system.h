#pragma once

#include <string_view>

namespace platform {

// True only when `path`, exactly as given (no trimming), names an existing
// regular file: false for directories, devices, pipes and missing paths. A
// check that could not be made (access denied, a share that dropped its
// connection) is no answer either way: it throws std::system_error with the
// operating system's error code.
bool FileExists(std::wstring_view path);

}  // namespace platform
