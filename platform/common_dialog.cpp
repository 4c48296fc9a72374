#include "platform/common_dialog.h"

#include <utility>

namespace platform {
namespace {

OpenFileChooser& CurrentChooser() {
  static OpenFileChooser chooser;
  return chooser;
}

}  // namespace

std::vector<FileFilter> ParseFilter(std::wstring_view filter) {
  std::vector<std::wstring> parts;
  if (!filter.empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t bar = filter.find(L'|', start);
      parts.emplace_back(filter.substr(start, bar - start));
      if (bar == std::wstring_view::npos) {
        break;
      }
      start = bar + 1;
    }
  }
  std::vector<FileFilter> entries;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    entries.push_back({std::move(parts[i]), std::move(parts[i + 1])});
  }
  return entries;
}

OpenFileChooser ReplaceOpenFileChooser(OpenFileChooser chooser) {
  return std::exchange(CurrentChooser(), std::move(chooser));
}

void CommonDialog::ShowOpen(void* owner) {
  const OpenFileRequest request{owner, ParseFilter(Filter), FileName};
  const OpenFileChooser& chooser = CurrentChooser();
  FileName = chooser ? chooser(request) : ShowPlatformOpenDialog(request);
}

}  // namespace platform
