#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/com_apartment.h"
#include "platform/com_ptr.h"

struct IAccPropServices;

namespace ui {

// What screen readers learn of the window's controls beyond what the system
// tells them itself: names where a caption says too little (a button showing
// "..."), and a box whose new text they read out wherever the focus is. Given
// through Direct Annotation, so the system's own accessible object for each
// control keeps everything else. Where the system offers no annotation service
// (or not the live setting, before Windows 8), the calls change nothing and
// say so. Used from the window's thread only.
class Accessibility {
 public:
  Accessibility();
  ~Accessibility();
  Accessibility(const Accessibility&) = delete;
  Accessibility& operator=(const Accessibility&) = delete;

  // Gives `control` the accessible name `name`, in place of its caption or
  // of the label before it. Nothing changes on screen.
  bool Name(HWND control, const wchar_t* name);

  // Takes the name given to `control` off again: its caption or label is its
  // name once more.
  void Unname(HWND control);

  // Makes `box` a polite live region: screen readers read out its name when
  // it announces a change, after what they are saying.
  bool MakeLiveRegion(HWND box);

  // Has screen readers say `words` about the live region `box`, without moving
  // the focus: they become its name, and it reports that it changed. False
  // (and nothing said) where `box` could not be made a live region. The words
  // stay its name until Unname.
  bool Announce(HWND box, const std::wstring& words);

  // Takes every annotation off; call before the controls are destroyed.
  void Clear();

 private:
  IAccPropServices* Services();

  std::optional<platform::ComApartment> apartment_;  // from the first call to Clear
  platform::ComPtr<IAccPropServices> services_;
  bool services_tried_ = false;
  std::vector<HWND> named_;  // the controls whose name is annotated now
  std::vector<HWND> live_;   // the live regions
};

}  // namespace ui
