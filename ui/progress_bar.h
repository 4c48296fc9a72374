#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

// The bar that shows how far long work has come. Its window exists only while
// it is shown, so an idle window has just its seven controls.
class ProgressBar {
 public:
  // The bar's range: 0..kSteps, whatever the number of bytes.
  static constexpr int kSteps = 1 << 16;

  bool shown() const { return bar_ != nullptr; }

  // Creates the bar, empty, in its place on `parent` at `dpi`. False when the
  // window cannot be created; then the work just goes on without it.
  bool Show(HWND parent, UINT dpi);

  // Places the bar for a new DPI, if it is shown.
  void LayOut(UINT dpi) const;

  // Moves the bar to `done` of `expected` bytes, but never back (the file may
  // grow while it is read). Returns the position, 0..kSteps.
  int Advance(std::uint64_t done, std::uint64_t expected);

  // Destroys the bar.
  void Hide();

 private:
  HWND bar_ = nullptr;
  int position_ = 0;
};

}  // namespace ui
