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
  const std::error_code error = LastError();
  if (MeansNoSuchFile(error)) {
    return false;
  }
  throw std::system_error(error, "stat");
}

// Access denied or an I/O error means the check could not be made.
bool MeansNoSuchFile(const std::error_code& error) {
  if (error.category() != std::system_category()) {
    return false;
  }
  const int code = error.value();
  return code == ENOENT || code == ENOTDIR || code == ENAMETOOLONG;
}

}  // namespace platform
