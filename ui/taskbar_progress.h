#pragma once

#include <windows.h>

#include <optional>

#include "platform/com_apartment.h"
#include "platform/com_ptr.h"

struct ITaskbarList3;

namespace ui {

// Long work's progress on the window's taskbar button too, where the shell
// offers ITaskbarList3 (Windows 7 and later). Without it every call does
// nothing. Used from the window's thread only.
class TaskbarProgress {
 public:
  TaskbarProgress();
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // The message the shell sends a window once its taskbar button exists
  // (again after Explorer restarts), or 0 where it has none.
  static UINT ButtonCreatedMessage();

  // Lets the shell's message through to `window` even when the program runs
  // elevated, where the system would otherwise filter it out.
  static void AcceptButtonCreated(HWND window);

  // Call when ButtonCreatedMessage arrives: takes the shell's taskbar list.
  void Connect(HWND window);

  // Shows `position` out of `steps` on the button.
  void Show(int position, int steps);

  // Takes the progress off the button.
  void Clear();

  // Releases the taskbar list; call before the window goes.
  void Disconnect();

 private:
  std::optional<platform::ComApartment> apartment_;  // from Connect to Disconnect
  platform::ComPtr<ITaskbarList3> list_;
  HWND window_ = nullptr;
};

}  // namespace ui
