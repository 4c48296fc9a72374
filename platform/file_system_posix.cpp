#include <sys/stat.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace platform {

bool FileExists(std::wstring_view path) {
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) {
    return false;
  }
  const NativePath native = PathFromText(path);
  struct stat info {};
  if (::stat(native.c_str(), &info) == 0) {
    return S_ISREG(info.st_mode);
  }
  // Only these mean there is no such file; access denied or an I/O error
  // means the check could not be made.
  if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) {
    return false;
  }
  ThrowLastError("stat");
}

}  // namespace platform
