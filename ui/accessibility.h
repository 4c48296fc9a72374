#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/com_apartment.h"

struct IAccPropServices;

namespace ui {

// Names that screen readers use in place of a control's caption, where the
// caption says too little (a button showing "..."). Given through Direct
// Annotation: the system's own accessible object for the control keeps
// everything else. Used from the window's thread only.
class AccessibleNames {
 public:
  AccessibleNames() = default;
  ~AccessibleNames() { Clear(); }
  AccessibleNames(const AccessibleNames&) = delete;
  AccessibleNames& operator=(const AccessibleNames&) = delete;

  // Gives `control` the accessible name `name`. Nothing changes on screen;
  // where the system offers no annotation service, nothing changes at all.
  void Name(HWND control, const wchar_t* name);

  // Takes every name off again; call before the controls are destroyed.
  void Clear();

 private:
  IAccPropServices* services_ = nullptr;
  HWND named_ = nullptr;                             // the one control named so far
  std::optional<platform::ComApartment> apartment_;  // from Name to Clear
};

// Has screen readers say `text` about `control` without moving the keyboard
// focus (a result that arrives in a box the user is not in). Windows 10
// version 1709 and later; elsewhere it does nothing.
void Announce(HWND control, const std::wstring& text);

}  // namespace ui
