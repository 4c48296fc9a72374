#pragma once

// DPI-aware window metrics. Most per-monitor functions arrived with Windows 10
// (1607); Windows 8.1 has only the monitor's DPI. On Windows 7 these fall back
// to the system DPI, which is what it gives every window anyway.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace ui {

inline constexpr UINT kDefaultDpi = USER_DEFAULT_SCREEN_DPI;  // 96

// The DPI the window is shown at.
UINT WindowDpi(HWND window);

// Has the system scale the window's caption and borders with its DPI where the
// window must ask for it (per-monitor v1). Called at WM_NCCREATE.
void EnableNonClientScalingOnPerMonitorV1(HWND window);

// The outer size of a window with this style whose client area is `client`.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD ex_style, UINT dpi);

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The system's message font (the one dialogs use) at `dpi`.
UniqueFont CreateMessageFont(UINT dpi);

}  // namespace ui
