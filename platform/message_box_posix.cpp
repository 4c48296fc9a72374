#include <cstdio>

#include "platform/message_box.h"

namespace platform {

void SetMessageOwner(void*) {}

void ShowPlatformMessageBox(std::wstring_view prompt, std::wstring_view title) {
  std::fwprintf(stderr, L"%.*ls: %.*ls\n", static_cast<int>(title.size()), title.data(),
                static_cast<int>(prompt.size()), prompt.data());
}

}  // namespace platform
