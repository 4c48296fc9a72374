#include <windows.h>

#include <string>

#include "platform/message_box.h"

namespace platform {
namespace {

HWND& Owner() {
  static HWND owner = nullptr;
  return owner;
}

}  // namespace

void SetMessageOwner(void* window) { Owner() = static_cast<HWND>(window); }

void ShowPlatformMessageBox(std::wstring_view prompt, std::wstring_view title) {
  const std::wstring prompt_text(prompt);
  const std::wstring title_text(title);
  MessageBoxW(Owner(), prompt_text.c_str(), title_text.c_str(), MB_OK);
}

}  // namespace platform
