#include "ui/Form1.h"

#include <commctrl.h>

#include <cstdint>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/error.h"
#include "platform/message_box.h"
#include "service/Mod.h"
#include "ui/path_box.h"
#include "ui/resource_ids.h"

namespace ui {
namespace {

constexpr wchar_t kWindowClass[] = L"Quillomat.Form1";
// A fixed-size tool window: caption, system menu with the close box, minimise.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_ACCEPTFILES;

// Posted by the checksum's worker thread when it has ended.
constexpr UINT kChecksumDone = WM_APP + 1;
// Long work shows its progress after kProgressDelayMs, then updates it a few
// times a second from the worker's counters.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressDelayMs = 500;
constexpr UINT kProgressIntervalMs = 200;

// What screen readers call the "..." button, whose caption says nothing.
constexpr wchar_t kSelectFileName[] = L"Browse for a container file";

HICON LoadProgramIcon(HINSTANCE instance, int metric_x, int metric_y) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUILLOMAT), IMAGE_ICON,
                                       GetSystemMetrics(metric_x), GetSystemMetrics(metric_y),
                                       LR_DEFAULTCOLOR));
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kWindowClass, &existing)) {
    return true;
  }
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
  window_class.hIconSm = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  return RegisterClassExW(&window_class) != 0;
}

// A failure the handlers do not expect (the dialog cannot be shown, memory
// runs out) is reported like the checksum service reports its own failures:
// number and description, titled with the program's name. The window stays.
void ReportFailure(const std::error_code& code) {
  platform::ShowMessage(platform::FailureText(code), Mod::kProgramTitle);
}

// Run as administrator, the window still takes files dropped from a normal
// Explorer: User Interface Privilege Isolation blocks these messages from
// lower integrity levels unless the window lets them in
// ("ChangeWindowMessageFilterEx function").
void AcceptDropsFromLowerIntegrity(HWND window) {
  constexpr UINT kCopyGlobalData = 0x0049;  // WM_COPYGLOBALDATA: drag and drop between processes
  for (const UINT message : {UINT{WM_DROPFILES}, UINT{WM_COPYDATA}, kCopyGlobalData}) {
    ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
  }
}

class DropOwner {
 public:
  explicit DropOwner(HDROP drop) : drop_(drop) {}
  ~DropOwner() { DragFinish(drop_); }
  DropOwner(const DropOwner&) = delete;
  DropOwner& operator=(const DropOwner&) = delete;

 private:
  HDROP drop_;
};

}  // namespace

Form1::Form1() = default;

Form1::~Form1() {
  if (window_) {
    DestroyWindow(window_);
  }
}

bool Form1::Create(HINSTANCE instance) {
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  if (!RegisterWindowClass(instance, &Form1::WindowProcedure)) {
    return false;
  }
  const std::wstring caption(Mod::kProgramTitle);
  // The size follows in WM_CREATE, once the window's DPI is known.
  return CreateWindowExW(kExStyle, kWindowClass, caption.c_str(), kStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK Form1::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    EnableNonClientScalingOnPerMonitorV1(window);
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    form->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return form->HandleMessage(message, wparam, lparam);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_GETDPISCALEDSIZE:
      return OnGetDpiScaledSize(static_cast<UINT>(wparam), *reinterpret_cast<SIZE*>(lparam));
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case kChecksumDone:
      OnChecksumDone(wparam);
      return 0;
    case WM_TIMER:
      if (wparam == kProgressTimer) {
        OnProgressTimer();
      }
      return 0;
    case WM_CLOSE:
      pbExit_Click();  // the close box does what Exit does
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      if (message != 0 && message == TaskbarProgress::ButtonCreatedMessage()) {
        taskbar_.Connect(window_);
        return 0;
      }
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

bool Form1::OnCreate() {
  const HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  for (const ControlLayout& control : kForm1Controls) {
    if (!CreateWindowExW(control.ex_style, control.window_class, control.caption,
                         WS_CHILD | WS_VISIBLE | control.style, 0, 0, 0, 0, window_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance,
                         nullptr)) {
      return false;
    }
  }
  UnquotePastedPaths(Item(Control::txtFile));
  accessibility_.Name(Item(Control::pbSelectFile), kSelectFileName);
  accessibility_.MakeLiveRegion(Item(Control::TXTCRC));
  dpi_ = WindowDpi(window_);
  LayOut();
  const SIZE size = WindowSize(dpi_);
  SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  focus_ = Item(Control::txtFile);
  TaskbarProgress::AcceptButtonCreated(window_);
  AcceptDropsFromLowerIntegrity(window_);
  platform::SetMessageOwner(window_);
  created_ = true;
  return true;
}

void Form1::OnCommand(int id, int notification) {
  if (id == static_cast<int>(Control::TXTCRC) && notification == EN_SETFOCUS) {
    OnChecksumFocused();
    return;
  }
  if (notification != BN_CLICKED) {
    return;
  }
  // While a checksum runs, nothing new starts; Esc (IDCANCEL) cancels it.
  if (job_.running() && id != static_cast<int>(Control::pbExit)) {
    if (id == IDCANCEL) {
      CancelWork();
    }
    return;
  }
  try {
    switch (static_cast<Control>(id)) {
      case Control::pbSelectFile:
        pbSelectFile_Click();
        break;
      case Control::pbStart:
        pbStart_Click();
        break;
      case Control::pbExit:
        pbExit_Click();
        break;
      default:
        break;  // IDOK and IDCANCEL from Enter and Escape: no default, no cancel button
    }
  } catch (const std::system_error& failure) {
    ReportFailure(failure.code());
  } catch (const std::bad_alloc&) {
    ReportFailure(std::error_code(platform::kErrorOutOfMemory, std::system_category()));
  }
}

// Keeps the focus on the control that had it when the user switched away.
void Form1::OnActivate(bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) {
      focus_ = focus;
    }
    return;
  }
  if (focus_ && IsWindow(focus_)) {
    SetFocus(focus_);
  }
}

// The window goes where the system suggests, at its own size for the new DPI.
// Only per-monitor v2 asks for that size first ("WM_GETDPISCALEDSIZE message");
// per-monitor v1 suggests the old size scaled, caption and all, which leaves
// an empty strip below the buttons or cuts them off.
void Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  LayOut();
  const SIZE size = WindowSize(dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The caption and borders do not scale in proportion to the DPI, so the
// window, not the system, says how large it must be for its client area.
bool Form1::OnGetDpiScaledSize(UINT dpi, SIZE& size) const {
  size = WindowSize(dpi);
  return true;
}

// A file dropped from Explorer goes into the path box as if picked in the
// dialog; with several files, the first one. Ignored while a checksum runs.
void Form1::OnDropFiles(HDROP drop) {
  const DropOwner owner(drop);
  if (job_.running()) {
    return;
  }
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length == 0) {
    return;
  }
  std::wstring path(length, L'\0');
  if (DragQueryFileW(drop, 0, path.data(), length + 1) == length) {
    SetText(Control::txtFile, path);
  }
}

// The checksum has ended: its text goes into the checksum box and its message,
// if any, is shown from here, the window's thread. A worker cancelled earlier
// may still report; what it came to is dropped.
void Form1::OnChecksumDone(WPARAM number) {
  const std::optional<Mod::Outcome> outcome = job_.Finish(number);
  if (!outcome) {
    return;
  }
  EndWork();
  ShowChecksum(outcome->text);
  if (!outcome->message.empty()) {
    platform::ShowMessage(outcome->message, Mod::kProgramTitle);
  }
}

// The first tick, once the work has lasted kProgressDelayMs, shows the bar.
void Form1::OnProgressTimer() {
  if (!job_.running()) {
    KillTimer(window_, kProgressTimer);
    return;
  }
  if (!progress_bar_.shown() && progress_bar_.Show(window_, dpi_)) {
    SetTimer(window_, kProgressTimer, kProgressIntervalMs, nullptr);
  }
  const crc::FileProgress& progress = job_.progress();
  const std::uint64_t done = progress.done.load();  // first: `expected` can only have grown since
  taskbar_.Show(progress_bar_.Advance(done, progress.expected.load()), ProgressBar::kSteps);
}

// The program ends with its window. A window that failed to come up posts no
// WM_QUIT, which would close the message box that reports the failure.
void Form1::OnDestroy() {
  StopWork();
  taskbar_.Disconnect();
  accessibility_.Clear();
  platform::SetMessageOwner(nullptr);
  if (created_) {
    PostQuitMessage(0);
  }
}

void Form1::pbSelectFile_Click() {
  CD.FileName.clear();
  CD.Filter = L"*.cnt|*.cnt";
  CD.ShowOpen(window_);
  if (!Mod::IsBlank(CD.FileName)) {
    SetText(Control::txtFile, CD.FileName);
  }
}

// Starts the checksum and returns; OnChecksumDone shows what it came to.
void Form1::pbStart_Click() {
  std::wstring path = Text(Control::txtFile);
  if (Mod::IsBlank(path)) {
    return;
  }
  ShowChecksum(L"");
  job_.Start(std::move(path), window_, kChecksumDone);
  BeginWork();
}

// The window goes at once (OnDestroy abandons running work): it never waits
// for a whole file, nor for a device that stopped answering.
void Form1::pbExit_Click() { DestroyWindow(window_); }

// While the checksum runs, the path box is read-only (its text can still be
// selected and copied) and "..." and Calculate are disabled. A disabled button
// cannot keep the keyboard focus: the path box holds it until the work ends.
void Form1::BeginWork() {
  const auto disabled = [this](HWND control) {
    return control && (control == Item(Control::pbSelectFile) || control == Item(Control::pbStart));
  };
  const HWND path_box = Item(Control::txtFile);
  if (const HWND focus = GetFocus(); disabled(focus)) {
    focus_after_work_ = focus;
    SetFocus(path_box);
  } else if (disabled(focus_)) {  // the window is inactive
    focus_after_work_ = focus_;
    focus_ = path_box;
  }
  EnableInput(false);
  SetTimer(window_, kProgressTimer, kProgressDelayMs, nullptr);
}

void Form1::EndWork() {
  KillTimer(window_, kProgressTimer);
  progress_bar_.Hide();
  taskbar_.Clear();
  EnableInput(true);
  const HWND path_box = Item(Control::txtFile);
  if (focus_after_work_ && GetFocus() == path_box) {
    SetFocus(focus_after_work_);
  } else if (focus_after_work_ && focus_ == path_box) {
    focus_ = focus_after_work_;
  }
  focus_after_work_ = nullptr;
}

// Esc: the window is idle again at once, whether or not the worker has
// stopped yet (a device that stopped answering may hold it for long).
void Form1::CancelWork() {
  job_.Abandon();
  EndWork();
}

// Ends running work for a window that goes away; what it came to is dropped.
void Form1::StopWork() {
  job_.Abandon();
  KillTimer(window_, kProgressTimer);
  progress_bar_.Hide();
}

void Form1::EnableInput(bool enable) {
  SendMessageW(Item(Control::txtFile), EM_SETREADONLY, !enable, 0);
  EnableWindow(Item(Control::pbSelectFile), enable);
  EnableWindow(Item(Control::pbStart), enable);
}

void Form1::LayOut() {
  UniqueFont font = CreateMessageFont(dpi_);
  for (const ControlLayout& control : kForm1Controls) {
    const HWND item = Item(control.id);
    SetWindowPos(item, nullptr, TwipsToPixels(control.left, dpi_), TwipsToPixels(control.top, dpi_),
                 TwipsToPixels(control.width, dpi_), TwipsToPixels(control.height, dpi_),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  progress_bar_.LayOut(dpi_);
  font_ = std::move(font);  // the old font goes only once no control uses it
}

SIZE Form1::WindowSize(UINT dpi) const {
  const SIZE client{TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
  return WindowSizeForClient(client, kStyle, kExStyle, dpi);
}

// A checksum is read out to screen reader users where they are, with its
// label ("Checksumme 1E858688"): the focus stays put. The announcement is the
// box's name until the box gets the focus (OnChecksumFocused).
void Form1::ShowChecksum(const std::wstring& text) {
  const HWND box = Item(Control::TXTCRC);
  SetText(Control::TXTCRC, text);
  if (text.empty()) {
    accessibility_.Unname(box);
  } else {
    accessibility_.Announce(box, Text(Control::Label2) + L" " + text);
  }
}

// The box got the focus ("EN_SETFOCUS notification code"). A screen reader
// reads a focused box by its name and then its text: with the announcement
// still its name, the checksum would be heard twice. The name is the label
// again before the screen reader asks for it, which it does on the focus
// event, through this thread, once this message has been handled.
void Form1::OnChecksumFocused() { accessibility_.Unname(Item(Control::TXTCRC)); }

HWND Form1::Item(Control id) const { return GetDlgItem(window_, static_cast<int>(id)); }

std::wstring Form1::Text(Control id) const {
  const HWND item = Item(id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)), L'\0');
  const int copied = GetWindowTextW(item, text.data(), static_cast<int>(text.size()) + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

void Form1::SetText(Control id, const std::wstring& text) {
  SetWindowTextW(Item(id), text.c_str());
}

}  // namespace ui
