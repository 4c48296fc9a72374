#pragma once

#include <windows.h>
// after windows.h, which it builds on
#include <shellapi.h>

#include <string>

#include "platform/common_dialog.h"
#include "ui/accessibility.h"
#include "ui/checksum_job.h"
#include "ui/dpi.h"
#include "ui/form1_layout.h"
#include "ui/progress_bar.h"
#include "ui/taskbar_progress.h"

namespace ui {

// The program's only window: a path box with a "..." button that fills it from
// the open-file dialog, a checksum box, Calculate and Exit. Destroying it (Exit,
// the close box, Alt+E) posts WM_QUIT, which ends the program.
//
// Calculate computes on a worker thread (ChecksumJob) while the window keeps
// answering. Meanwhile nothing else can start, Esc cancels, and work that
// lasts shows a progress bar right of Exit and on the taskbar button. Neither
// Esc nor Exit waits for a worker held by a device that stopped answering.
class Form1 {
 public:
  Form1();
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Creates the window and its controls, hidden, sized for the DPI of the
  // monitor it lands on. False (with GetLastError set) when that fails.
  bool Create(HINSTANCE instance);

  // The top-level window, or null before Create and after it is destroyed.
  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  bool OnCreate();
  void OnCommand(int id, int notification);
  void OnActivate(bool active);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  bool OnGetDpiScaledSize(UINT dpi, SIZE& size) const;
  void OnDropFiles(HDROP drop);
  void OnChecksumDone(WPARAM number);
  void OnChecksumFocused();
  void OnProgressTimer();
  void OnDestroy();

  void pbSelectFile_Click();
  void pbStart_Click();
  void pbExit_Click();

  // Long work: the window while a checksum runs, and after.
  void BeginWork();
  void EndWork();
  void CancelWork();
  void StopWork();
  void EnableInput(bool enable);

  // Places the controls and sets their font for dpi_.
  void LayOut();
  SIZE WindowSize(UINT dpi) const;

  // Puts `text` into the checksum box; screen readers hear a checksum, not
  // the box being cleared.
  void ShowChecksum(const std::wstring& text);

  HWND Item(Control id) const;
  std::wstring Text(Control id) const;
  void SetText(Control id, const std::wstring& text);

  HWND window_ = nullptr;
  UINT dpi_ = kDefaultDpi;
  UniqueFont font_;
  HWND focus_ = nullptr;             // the control to give the focus back to on activation
  HWND focus_after_work_ = nullptr;  // a button that lost the focus to the work
  bool created_ = false;             // WM_CREATE finished: the window and its controls exist
  platform::CommonDialog CD;
  ProgressBar progress_bar_;
  TaskbarProgress taskbar_;
  Accessibility accessibility_;
  ChecksumJob job_;
};

}  // namespace ui
