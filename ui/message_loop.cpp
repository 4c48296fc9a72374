#include "ui/message_loop.h"

namespace ui {

int RunMessageLoop(HWND form) {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      return static_cast<int>(message.wParam);
    }
    if (got == -1) {
      return 1;
    }
    if (IsWindow(form) && IsDialogMessageW(form, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace ui
