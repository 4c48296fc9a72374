#pragma once

// Stand-ins for the shell's taskbar list and the accessibility annotation
// service, for the window created in the test's own process: registered for
// their classes on the test's thread, they are what CoCreateInstance gives the
// window, and they keep what it asks for. (Wine's own take the calls and keep
// nothing.) They live on the test's stack, so they count no references.

#include <windows.h>

#include <oleacc.h>
#include <shobjidl.h>

#include <map>
#include <string>

namespace test_support {

// One object of `Interface` that is also its own class factory, registered
// for its class on this thread while it lives.
template <class Interface>
class StandIn : public Interface, public IClassFactory {
 public:
  StandIn(REFCLSID class_id, REFIID id) : id_(id) {
    CoRegisterClassObject(class_id, static_cast<IClassFactory*>(this), CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~StandIn() { CoRevokeClassObject(cookie_); }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  STDMETHODIMP QueryInterface(REFIID id, void** out) override {
    *out = nullptr;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, id_)) *out = static_cast<Interface*>(this);
    if (IsEqualIID(id, IID_IClassFactory)) *out = static_cast<IClassFactory*>(this);
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID id, void** out) override {
    return outer ? CLASS_E_NOAGGREGATION : QueryInterface(id, out);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  const IID id_;
  DWORD cookie_ = 0;
};

// The progress on the taskbar button, as the window last set it. A value set
// while the button shows none turns it to normal progress, as Windows does
// ("ITaskbarList3::SetProgressValue method").
class TaskbarListStandIn : public StandIn<ITaskbarList3> {
 public:
  TaskbarListStandIn() : StandIn(CLSID_TaskbarList, IID_ITaskbarList3) {}
  bool ShowsProgress() const { return state_ != TBPF_NOPROGRESS; }

  STDMETHODIMP SetProgressValue(HWND, ULONGLONG, ULONGLONG) override {
    if (state_ == TBPF_NOPROGRESS) state_ = TBPF_NORMAL;
    return S_OK;
  }
  STDMETHODIMP SetProgressState(HWND, TBPFLAG state) override {
    state_ = state;
    return S_OK;
  }
  STDMETHODIMP HrInit() override { return S_OK; }
  // clang-format off
  STDMETHODIMP AddTab(HWND) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteTab(HWND) override { return E_NOTIMPL; }
  STDMETHODIMP ActivateTab(HWND) override { return E_NOTIMPL; }
  STDMETHODIMP SetActiveAlt(HWND) override { return E_NOTIMPL; }
  STDMETHODIMP MarkFullscreenWindow(HWND, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP RegisterTab(HWND, HWND) override { return E_NOTIMPL; }
  STDMETHODIMP UnregisterTab(HWND) override { return E_NOTIMPL; }
  STDMETHODIMP SetTabOrder(HWND, HWND) override { return E_NOTIMPL; }
  STDMETHODIMP SetTabActive(HWND, HWND, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
  STDMETHODIMP ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
  STDMETHODIMP ThumbBarSetImageList(HWND, HIMAGELIST) override { return E_NOTIMPL; }
  STDMETHODIMP SetOverlayIcon(HWND, HICON, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP SetThumbnailTooltip(HWND, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP SetThumbnailClip(HWND, RECT*) override { return E_NOTIMPL; }
  // clang-format on

 private:
  TBPFLAG state_ = TBPF_NOPROGRESS;
};

// The annotations on the window's controls: each control's name, and its
// live setting (0 for none), set on their client areas only. Before Windows 8
// (without `live_setting_supported`) every call that names it fails.
class AccPropServicesStandIn : public StandIn<IAccPropServices> {
 public:
  AccPropServicesStandIn() : StandIn(CLSID_AccPropServices, IID_IAccPropServices) {}
  bool live_setting_supported = true;
  std::wstring Name(HWND control) const {
    const auto found = names_.find(control);
    return found == names_.end() ? std::wstring() : found->second;
  }
  LONG LiveSetting(HWND control) const {
    const auto found = live_settings_.find(control);
    return found == live_settings_.end() ? 0 : found->second;
  }

  STDMETHODIMP SetHwndPropStr(HWND control, DWORD object, DWORD child, MSAAPROPID property,
                              LPCWSTR text) override {
    if (!Client(object, child) || !IsEqualGUID(property, PROPID_ACC_NAME)) return E_INVALIDARG;
    names_[control] = text;
    return S_OK;
  }
  STDMETHODIMP SetHwndProp(HWND control, DWORD object, DWORD child, MSAAPROPID property,
                           VARIANT value) override {
    if (!Client(object, child) || !LiveSetting(property) || value.vt != VT_I4) return E_INVALIDARG;
    live_settings_[control] = value.lVal;
    return S_OK;
  }
  STDMETHODIMP ClearHwndProps(HWND control, DWORD, DWORD, const MSAAPROPID* properties,
                              int count) override {
    for (int i = 0; i < count; ++i) {
      if (!IsEqualGUID(properties[i], PROPID_ACC_NAME) && !LiveSetting(properties[i]))
        return E_INVALIDARG;
    }
    for (int i = 0; i < count; ++i) {
      if (IsEqualGUID(properties[i], PROPID_ACC_NAME)) {
        names_.erase(control);
      } else {
        live_settings_.erase(control);
      }
    }
    return S_OK;
  }
  // clang-format off
  STDMETHODIMP SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  STDMETHODIMP SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override { return E_NOTIMPL; }
  STDMETHODIMP ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  STDMETHODIMP SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override { return E_NOTIMPL; }
  STDMETHODIMP ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  STDMETHODIMP SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override { return E_NOTIMPL; }
  STDMETHODIMP ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  STDMETHODIMP ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override { return E_NOTIMPL; }
  // clang-format on

 private:
  static bool Client(DWORD object, DWORD child) { return object == DWORD(OBJID_CLIENT) && !child; }
  // UI Automation's LiveSetting property, the only one the window sets so.
  bool LiveSetting(const GUID& property) const {
    constexpr GUID kLiveSetting = {
        0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
    return live_setting_supported && IsEqualGUID(property, kLiveSetting);
  }

  std::map<HWND, std::wstring> names_;
  std::map<HWND, LONG> live_settings_;
};

}  // namespace test_support
