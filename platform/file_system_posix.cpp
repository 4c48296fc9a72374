#include <sys/stat.h>

#include "platform/file_system.h"
#include "platform/path.h"

namespace platform {

bool FileExists(std::wstring_view path) {
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) {
    return false;
  }
  const NativePath native = PathFromText(path);
  struct stat info {};
  return ::stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace platform
