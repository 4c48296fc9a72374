#include "platform/path.h"

namespace platform {

NativePath PathFromText(std::wstring_view text) { return NativePath(text); }

std::wstring TextFromPath(const NativePath& path) { return path; }

}  // namespace platform
