#pragma once

// The main window's layout as data: the client area and the seven controls,
// in twips (1440 per inch, 15 per pixel at 96 DPI), listed in tab order, and
// the progress bar that appears during long work.

#include <windows.h>

#include <commctrl.h>

#include <array>

namespace ui {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 9045;
inline constexpr int kClientHeightTwips = 2310;

// The controls' window IDs. They start above IDOK and IDCANCEL, which the
// dialog manager sends for Enter and Escape: the window has neither a default
// nor a cancel button.
enum class Control : int {
  Label1 = 101,
  txtFile,
  pbSelectFile,
  Label2,
  TXTCRC,
  pbStart,
  pbExit,
  ProgressBar1,  // exists only while long work shows its progress
};

struct ControlLayout {
  Control id;
  const wchar_t* window_class;
  const wchar_t* caption;
  DWORD style;  // besides WS_CHILD | WS_VISIBLE
  DWORD ex_style;
  int left, top, width, height;  // twips inside the client area
};

inline constexpr DWORD kLabel = SS_LEFT;
inline constexpr DWORD kTextBox = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
inline constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;

// Windows are created in this order, which makes it the tab order.
inline constexpr std::array<ControlLayout, 7> kForm1Controls{{
    {Control::Label1, L"Static", L"ECU-MEM-Container", kLabel, 0, 75, 210, 1845, 360},
    {Control::txtFile, L"Edit", L"", kTextBox, WS_EX_CLIENTEDGE, 1950, 225, 6375, 360},
    {Control::pbSelectFile, L"Button", L"...", kButton, 0, 8400, 255, 405, 345},
    {Control::Label2, L"Static", L"Checksumme", kLabel, 0, 60, 660, 1845, 360},
    {Control::TXTCRC, L"Edit", L"", kTextBox | ES_READONLY, WS_EX_CLIENTEDGE, 1965, 675, 2010, 360},
    {Control::pbStart, L"Button", L"&Calculate", kButton, 0, 120, 1590, 1380, 405},
    {Control::pbExit, L"Button", L"&Exit", kButton, 0, 1680, 1590, 1380, 405},
}};

// In the free band right of Exit, level with the buttons, outside the tab order.
inline constexpr ControlLayout kProgressBar1{
    Control::ProgressBar1, PROGRESS_CLASSW, L"", 0, 0, 3240, 1680, 5565, 225};

// Twips to pixels at `dpi` dots per inch.
inline int TwipsToPixels(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}

}  // namespace ui
