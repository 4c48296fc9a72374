#include "ui/dpi.h"

namespace ui {
namespace {

// A user32 function that older Windows versions lack, or null.
template <class Function>
Function* User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
  // Through the generic function type, which GCC accepts for any function cast.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
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
  const UINT dpi = get_dpi_for_window ? get_dpi_for_window(window) : 0;
  return dpi != 0 ? dpi : SystemDpi();
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
