#include "platform/path.h"

namespace platform {

std::filesystem::path PathFromText(std::wstring_view text) { return std::filesystem::path(text); }

std::wstring TextFromPath(const std::filesystem::path& path) { return path.native(); }

}  // namespace platform
