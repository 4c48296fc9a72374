#include "ui/accessibility.h"

// initguid.h first: oleacc.h then defines the class, interface and property
// GUIDs here ("IAccPropServices::SetHwndPropStr method").
#include <initguid.h>
// after initguid.h, whose definitions it needs
#include <oleacc.h>

#include <algorithm>

namespace ui {
namespace {

// UI Automation's LiveSetting property, which Direct Annotation takes for a
// Win32 control from Windows 8 on, and its value Polite ("LiveSetting
// enumeration"); declared here since not every SDK's oleacc.h has them.
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kLiveSettingPolite = 1;
// Winuser.h has it only for Windows 8 and later targets.
constexpr DWORD kEventLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED

constexpr DWORD kClient = static_cast<DWORD>(OBJID_CLIENT);

bool Contains(const std::vector<HWND>& controls, HWND control) {
  return std::find(controls.begin(), controls.end(), control) != controls.end();
}

}  // namespace

// Out of line: the COM interfaces are complete only here.
Accessibility::Accessibility() = default;
Accessibility::~Accessibility() { Clear(); }

IAccPropServices* Accessibility::Services() {
  if (!services_tried_) {
    services_tried_ = true;
    apartment_.emplace();
    HRESULT created = S_OK;
    services_ = platform::CreateInstance<IAccPropServices>(CLSID_AccPropServices,
                                                           IID_IAccPropServices, created);
  }
  return services_.get();
}

// The name replaces what screen readers would take from the caption or the
// label ("Providing the Name Property").
bool Accessibility::Name(HWND control, const wchar_t* name) {
  IAccPropServices* services = Services();
  if (!services ||
      FAILED(services->SetHwndPropStr(control, kClient, CHILDID_SELF, PROPID_ACC_NAME, name))) {
    return false;
  }
  if (!Contains(named_, control)) named_.push_back(control);
  return true;
}

void Accessibility::Unname(HWND control) {
  const auto named = std::find(named_.begin(), named_.end(), control);
  if (services_ && named != named_.end()) {
    services_->ClearHwndProps(control, kClient, CHILDID_SELF, &PROPID_ACC_NAME, 1);
    named_.erase(named);
  }
}

bool Accessibility::MakeLiveRegion(HWND box) {
  IAccPropServices* services = Services();
  VARIANT polite{};
  polite.vt = VT_I4;
  polite.lVal = kLiveSettingPolite;
  if (!services ||
      FAILED(services->SetHwndProp(box, kClient, CHILDID_SELF, kLiveSettingProperty, polite))) {
    return false;
  }
  if (!Contains(live_, box)) live_.push_back(box);
  return true;
}

// A live region's change is announced by its accessible name: Narrator reads
// the name ("How to have important changes in your Win32 UI announced by
// Narrator"), and so does NVDA on EVENT_OBJECT_LIVEREGIONCHANGED. A text box's
// own name is its label, so the words go into the name first.
bool Accessibility::Announce(HWND box, const std::wstring& words) {
  if (!Contains(live_, box) || !Name(box, words.c_str())) {
    return false;
  }
  NotifyWinEvent(kEventLiveRegionChanged, box, OBJID_CLIENT, CHILDID_SELF);
  return true;
}

// "IAccPropServices::ClearHwndProps method": annotations are cleared before
// the control goes, each property only where it was set, since the call fails
// as a whole when one of the properties is not supported (LiveSetting before
// Windows 8). A control that is going anyway has nothing to gain from a
// failure, so the results are not looked at.
void Accessibility::Clear() {
  if (services_) {
    for (const HWND control : named_) {
      services_->ClearHwndProps(control, kClient, CHILDID_SELF, &PROPID_ACC_NAME, 1);
    }
    for (const HWND box : live_) {
      services_->ClearHwndProps(box, kClient, CHILDID_SELF, &kLiveSettingProperty, 1);
    }
  }
  named_.clear();
  live_.clear();
  services_.reset();
  services_tried_ = false;
  apartment_.reset();
}

}  // namespace ui
