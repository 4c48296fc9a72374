#pragma once

// Finding and working the windows of another process, through messages that
// the system carries across processes (as under Wine). Used by the program's
// tests and by calculate_in_window.exe.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace remote {

// Polls `found` every 50 ms until it gives a window or `patience` has passed
// (then null).
HWND WaitFor(std::chrono::milliseconds patience, const std::function<HWND()>& found);

// The first visible top-level window, topmost first, that passes `accept`, or null.
HWND FindTopLevelWindow(const std::function<bool(HWND)>& accept);

std::vector<HWND> Children(HWND parent);

std::wstring ClassOf(HWND window);

// A window's text through WM_GETTEXT, and setting it through WM_SETTEXT. Neither
// waits long on a program that hangs: reading then gives "<no answer>", and
// setting gives false.
std::wstring TextOf(HWND window);
bool SetTextOf(HWND window, const std::wstring& text);

}  // namespace remote
