#include "ui/dpi.h"

#include <shellscalingapi.h>

#include "platform/module_function.h"

namespace ui {
namespace {

template <class Function>
Function* User32Function(const char* name) {
  return platform::ModuleFunction<Function>(GetModuleHandleW(L"user32.dll"), name);
}

// Windows 8.1's per-monitor DPI, for systems without GetDpiForWindow, or 0.
// shcore.dll comes from System32 only. Windows 7 has none (and may not know
// LOAD_LIBRARY_SEARCH_SYSTEM32): there the load fails and this gives 0.
UINT MonitorDpi(HWND window) {
  static const auto get_dpi_for_monitor = platform::ModuleFunction<decltype(GetDpiForMonitor)>(
      LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
  const HMONITOR monitor =
      get_dpi_for_monitor ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  if (!monitor || FAILED(get_dpi_for_monitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y))) {
    return 0;
  }
  return dpi_y;
}

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) {
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

UINT WindowDpi(HWND window) {
  static const auto get_dpi_for_window =
      User32Function<decltype(GetDpiForWindow)>("GetDpiForWindow");
  UINT dpi = get_dpi_for_window ? get_dpi_for_window(window) : 0;
  if (dpi == 0) {
    dpi = MonitorDpi(window);
  }
  return dpi != 0 ? dpi : SystemDpi();
}

// Per-monitor v1 (Windows 10 1607) scales the caption and borders only of the
// windows that ask at WM_NCCREATE; per-monitor v2 scales every window's itself
// ("EnableNonClientDpiScaling function"). Older systems never scale them.
void EnableNonClientScalingOnPerMonitorV1(HWND window) {
  static const auto enable =
      User32Function<decltype(EnableNonClientDpiScaling)>("EnableNonClientDpiScaling");
  static const auto context_of =
      User32Function<decltype(GetWindowDpiAwarenessContext)>("GetWindowDpiAwarenessContext");
  static const auto equal =
      User32Function<decltype(AreDpiAwarenessContextsEqual)>("AreDpiAwarenessContextsEqual");
  if (enable && context_of && equal &&
      equal(context_of(window), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {
    enable(window);
  }
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD ex_style, UINT dpi) {
  static const auto adjust_for_dpi =
      User32Function<decltype(AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client.cx, client.cy};
  if (!(adjust_for_dpi && adjust_for_dpi(&rect, style, FALSE, ex_style, dpi))) {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

UniqueFont CreateMessageFont(UINT dpi) {
  static const auto parameters_for_dpi =
      User32Function<decltype(SystemParametersInfoForDpi)>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!(parameters_for_dpi &&
        parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))) {
    // The system-DPI metrics, scaled to the window's DPI.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      return UniqueFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    }
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(SystemDpi()));
  }
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

}  // namespace ui
