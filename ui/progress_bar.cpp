#include "ui/progress_bar.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/form1_layout.h"

namespace ui {
namespace {

// done / expected in steps of 1/kSteps, for any 64-bit sizes: both are
// halved until the product below fits in 64 bits.
int StepsDone(std::uint64_t done, std::uint64_t expected) {
  if (expected == 0) {
    return 0;
  }
  if (done >= expected) {
    return ProgressBar::kSteps;
  }
  while (expected >= (std::uint64_t{1} << 47)) {
    done >>= 1;
    expected >>= 1;
  }
  return static_cast<int>(done * ProgressBar::kSteps / expected);
}

}  // namespace

bool ProgressBar::Show(HWND parent, UINT dpi) {
  if (bar_) {
    return true;
  }
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  bar_ = CreateWindowExW(kProgressBar1.ex_style, kProgressBar1.window_class, kProgressBar1.caption,
                         WS_CHILD | kProgressBar1.style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBar1.id)), instance,
                         nullptr);
  if (!bar_) {
    return false;
  }
  position_ = 0;
  SendMessageW(bar_, PBM_SETRANGE32, 0, kSteps);
  LayOut(dpi);
  ShowWindow(bar_, SW_SHOWNA);
  return true;
}

void ProgressBar::LayOut(UINT dpi) const {
  if (bar_) {
    SetWindowPos(bar_, nullptr, TwipsToPixels(kProgressBar1.left, dpi),
                 TwipsToPixels(kProgressBar1.top, dpi), TwipsToPixels(kProgressBar1.width, dpi),
                 TwipsToPixels(kProgressBar1.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int ProgressBar::Advance(std::uint64_t done, std::uint64_t expected) {
  const int position = std::max(position_, StepsDone(done, expected));
  if (bar_ && position != position_) {
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  position_ = position;
  return position_;
}

void ProgressBar::Hide() {
  if (bar_) {
    DestroyWindow(bar_);
    bar_ = nullptr;
  }
  position_ = 0;
}

}  // namespace ui
