#include "ui/accessibility.h"

// initguid.h first: oleacc.h then defines the class, interface and property
// GUIDs here ("IAccPropServices::SetHwndPropStr method").
#include <initguid.h>
// after initguid.h, whose definitions it needs
#include <oleacc.h>
#include <uiautomationcore.h>

#include "platform/module_function.h"

namespace ui {
namespace {

// UI Automation's functions, declared here since not every SDK's headers have
// the newest, UiaRaiseNotificationEvent (Windows 10 version 1709 and later).
// Its NotificationKind and NotificationProcessing are int-sized enumerations.
typedef HRESULT(WINAPI HostProviderFromHwnd)(HWND, IRawElementProviderSimple**);
typedef BOOL(WINAPI ClientsAreListening)();
typedef HRESULT(WINAPI RaiseNotificationEvent)(IRawElementProviderSimple*, int kind, int processing,
                                               BSTR display_string, BSTR activity_id);
constexpr int kNotificationKindActionCompleted = 2;
constexpr int kNotificationProcessingImportantMostRecent = 1;

class UniqueBstr {
 public:
  explicit UniqueBstr(const wchar_t* text) : text_(SysAllocString(text)) {}
  ~UniqueBstr() { SysFreeString(text_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

}  // namespace

// The name replaces what screen readers would take from the caption
// ("Providing the Name Property"); the annotation is cleared before the
// control goes ("IAccPropServices::ClearHwndProps method").
void AccessibleNames::Name(HWND control, const wchar_t* name) {
  Clear();
  apartment_.emplace();
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  services_ = services;
  if (SUCCEEDED(services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                          PROPID_ACC_NAME, name))) {
    named_ = control;
  }
}

void AccessibleNames::Clear() {
  if (services_) {
    if (named_) {
      services_->ClearHwndProps(named_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                &PROPID_ACC_NAME, 1);
      named_ = nullptr;
    }
    services_->Release();
    services_ = nullptr;
  }
  apartment_.reset();
}

// "UiaRaiseNotificationEvent function": raised on the control's own provider,
// the one the system makes for any window, and only while a screen reader
// (or another client of UI Automation) listens.
void Announce(HWND control, const std::wstring& text) {
  // uiautomationcore.dll comes from System32 only. A Windows 7 that does not
  // know LOAD_LIBRARY_SEARCH_SYSTEM32 fails the load: no announcement there.
  static const HMODULE module =
      LoadLibraryExW(L"uiautomationcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  static const auto raise =
      platform::ModuleFunction<RaiseNotificationEvent>(module, "UiaRaiseNotificationEvent");
  static const auto host_provider =
      platform::ModuleFunction<HostProviderFromHwnd>(module, "UiaHostProviderFromHwnd");
  static const auto listening =
      platform::ModuleFunction<ClientsAreListening>(module, "UiaClientsAreListening");
  if (!raise || !host_provider || !listening || !listening()) {
    return;
  }
  IRawElementProviderSimple* provider = nullptr;
  if (FAILED(host_provider(control, &provider)) || !provider) {
    return;
  }
  const UniqueBstr display(text.c_str());
  const UniqueBstr activity(L"Quillomat.Checksum");
  if (display.get() && activity.get()) {
    raise(provider, kNotificationKindActionCompleted, kNotificationProcessingImportantMostRecent,
          display.get(), activity.get());
  }
  provider->Release();
}

}  // namespace ui
