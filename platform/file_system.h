#pragma once

#include <optional>
#include <string_view>
#include <system_error>

namespace platform {

// True only when `path`, exactly as given (no trimming), names an existing
// regular file: false for directories, devices, pipes and missing paths. A
// check that could not be made (access denied, a share that dropped its
// connection) is no answer either way: it throws std::system_error with the
// operating system's error code.
bool FileExists(std::wstring_view path);

// True when `error`, from looking up or opening a path, says that there is no
// such file or no such folder on its way. False for every answer that says
// only that the look could not be made (access denied, a server that cannot
// be reached, a device that is not ready).
bool MeansNoSuchFile(const std::error_code& error);

#ifdef _WIN32
// Whether a path whose attributes are `attributes` names a file: not a folder,
// not a device. For a reparse point (a link), `target` holds the attributes
// of what it leads to, where that could be opened.
bool AttributesNameAFile(unsigned long attributes, std::optional<unsigned long> target);
#endif

}  // namespace platform
