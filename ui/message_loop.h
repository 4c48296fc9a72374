#pragma once

#include <windows.h>

namespace ui {

// The program's message loop. Messages for `form` and its controls go through
// the dialog manager first, which gives Tab, Shift+Tab and the access keys.
// Returns WM_QUIT's exit code.
int RunMessageLoop(HWND form);

}  // namespace ui
