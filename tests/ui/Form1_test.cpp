// Form1 created in the test's own process and driven through window messages,
// the way the message loop and the controls drive it. Message boxes and the
// open-file dialog are replaced through the platform's seams.

#include "ui/Form1.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_apartment.h"
#include "platform/error.h"
#include "platform/path.h"
#include "tests/support/crc32_zeros.h"
#include "tests/support/message_recorder.h"
#include "tests/support/stalling_device.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/com_stand_ins.h"
#include "tests/ui/fake_open_dialog.h"
#include "ui/message_loop.h"

namespace {

using ui::Control;

constexpr LPARAM kAltDown = LPARAM{1} << 29;  // WM_SYSCHAR's context code

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)), L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()) + 1)));
  return text;
}

// Puts `text` on the clipboard as Unicode text, as copying in Explorer does.
void PutOnClipboard(HWND owner, const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  ASSERT_NE(memory, nullptr);
  std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

class Form1Test : public testing::Test {
 protected:
  void SetUp() override {
    current_ = this;
    hook_ = SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED,
                            GetModuleHandleW(nullptr), &OnLiveRegionChanged, GetCurrentProcessId(),
                            0, WINEVENT_INCONTEXT);
    ASSERT_TRUE(form_.Create(GetModuleHandleW(nullptr)));
    ShowWindow(form_.window(), SW_SHOW);
    SetForegroundWindow(form_.window());
    SetFocus(Item(Control::txtFile));
    Pump();
  }

  void TearDown() override {
    if (form_.window()) {
      DestroyWindow(form_.window());
    }
    Pump();
    UnhookWinEvent(hook_);
  }

  // What a screen reader hears of each live region change: the name its
  // control has by then, if the change is reported for its client area.
  static void CALLBACK OnLiveRegionChanged(HWINEVENTHOOK, DWORD, HWND control, LONG object,
                                           LONG child, DWORD, DWORD) {
    const bool client = object == OBJID_CLIENT && child == CHILDID_SELF;
    current_->heard_.push_back(client ? current_->annotations_.Name(control) : L"?");
  }

  HWND Form() const { return form_.window(); }
  HWND Item(Control id) const { return GetDlgItem(form_.window(), static_cast<int>(id)); }
  std::wstring Text(Control id) const { return TextOf(Item(id)); }
  void SetText(Control id, const std::wstring& text) {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Click(Control id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }

  // Handles every pending message; the exit code when one of them was WM_QUIT.
  static std::optional<int> Pump() {
    std::optional<int> quit;
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = static_cast<int>(message.wParam);
      } else {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    return quit;
  }

  // Handles messages until `done` holds, or at most 30 s. Returns done().
  static bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      Pump();
    }
    return done();
  }

  // No checksum running: Calculate takes clicks.
  bool Idle() const { return IsWindowEnabled(Item(Control::pbStart)); }
  HWND Bar() const { return Item(Control::ProgressBar1); }

  // Clicks Calculate and waits for the checksum of a small file, which is
  // done in milliseconds and so never shows the progress bar.
  void CalculateAndWait() {
    Click(Control::pbStart);
    ASSERT_TRUE(PumpUntil([this] { return Bar() || Idle(); }));
    EXPECT_EQ(Bar(), nullptr);
  }

  // A key message for the focused control, handed to the dialog manager as
  // the message loop does. True when the dialog manager took it.
  bool DialogKey(UINT message, WPARAM key, LPARAM lparam = 0) {
    MSG msg{};
    msg.hwnd = GetFocus() ? GetFocus() : Form();
    msg.message = message;
    msg.wParam = key;
    msg.lParam = lparam;
    return IsDialogMessageW(Form(), &msg);
  }

  std::wstring Write(const std::wstring& name, std::string_view content) {
    return platform::TextFromPath(dir_.Write(platform::PathFromText(name), content));
  }
  std::wstring Missing(const std::wstring& name) const {
    return platform::TextFromPath(dir_.path() / platform::PathFromText(name));
  }

  test_support::TempDir dir_;
  test_support::MessageRecorder messages_;
  test_support::FakeOpenDialog dialog_;
  const platform::ComApartment apartment_;
  test_support::TaskbarListStandIn taskbar_;
  test_support::AccPropServicesStandIn annotations_;
  inline static Form1Test* current_ = nullptr;
  HWINEVENTHOOK hook_ = nullptr;
  std::vector<std::wstring> heard_;  // each live region change, as OnLiveRegionChanged hears it
  ui::Form1 form_;
};

// --- Look and layout ---------------------------------------------------------

using Form1Layout = Form1Test;

TEST_F(Form1Layout, CaptionsAndControlsInTabOrder) {
  EXPECT_EQ(TextOf(Form()), L"Quillomat");
  struct Expected {
    const wchar_t* window_class;
    const wchar_t* text;
  };
  const std::array<Expected, 7> expected{{
      {L"Static", L"ECU-MEM-Container"},
      {L"Edit", L""},
      {L"Button", L"..."},
      {L"Static", L"Checksumme"},
      {L"Edit", L""},
      {L"Button", L"&Calculate"},
      {L"Button", L"&Exit"},
  }};
  // Child windows in creation order, which is the order Tab follows.
  HWND child = GetWindow(Form(), GW_CHILD);
  for (const Expected& control : expected) {
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(CompareStringOrdinal(ClassOf(child).c_str(), -1, control.window_class, -1, TRUE),
              CSTR_EQUAL)
        << ClassOf(child);
    EXPECT_EQ(TextOf(child), control.text);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);
  // Screen readers hear what "..." is for.
  EXPECT_EQ(annotations_.Name(Item(Control::pbSelectFile)), L"Browse for a container file");
}

// Before Windows 8, with no live setting, "..." is named and unnamed too.
TEST_F(Form1Layout, AnnotationsGoWithTheWindowWhereNoLiveSetting) {
  DestroyWindow(Form());
  annotations_.live_setting_supported = false;
  ASSERT_TRUE(form_.Create(GetModuleHandleW(nullptr)));
  const HWND select_file = Item(Control::pbSelectFile);
  EXPECT_EQ(annotations_.Name(select_file), L"Browse for a container file");
  DestroyWindow(Form());
  EXPECT_EQ(annotations_.Name(select_file), L"");
}

// At 96 DPI a pixel is 15 twips.
TEST_F(Form1Layout, ClientAreaAndControlRectanglesAt96Dpi) {
  if (GetDpiForWindow(Form()) != 96) {
    GTEST_SKIP() << "the display is not at 96 DPI";
  }
  RECT client{};
  GetClientRect(Form(), &client);
  EXPECT_EQ(client.right, 603);   // 9045 twips
  EXPECT_EQ(client.bottom, 154);  // 2310 twips

  struct Expected {
    Control id;
    RECT rect;
  };
  const std::array<Expected, 7> expected{{
      {Control::Label1, {5, 14, 5 + 123, 14 + 24}},
      {Control::txtFile, {130, 15, 130 + 425, 15 + 24}},
      {Control::pbSelectFile, {560, 17, 560 + 27, 17 + 23}},
      {Control::Label2, {4, 44, 4 + 123, 44 + 24}},
      {Control::TXTCRC, {131, 45, 131 + 134, 45 + 24}},
      {Control::pbStart, {8, 106, 8 + 92, 106 + 27}},
      {Control::pbExit, {112, 106, 112 + 92, 106 + 27}},
  }};
  for (const Expected& control : expected) {
    RECT rect{};
    GetWindowRect(Item(control.id), &rect);
    MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_TRUE(EqualRect(&rect, &control.rect))
        << "control " << static_cast<int>(control.id) << " at " << rect.left << "," << rect.top
        << " " << rect.right - rect.left << "x" << rect.bottom - rect.top;
  }
}

TEST_F(Form1Layout, ControlsUseTheSystemMessageFont) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  for (HWND child = GetWindow(Form(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << TextOf(child) << " keeps the bold system font";
    LOGFONTW used{};
    ASSERT_NE(GetObjectW(font, sizeof used, &used), 0);
    EXPECT_STREQ(used.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(used.lfHeight, metrics.lfMessageFont.lfHeight);
    EXPECT_EQ(used.lfWeight, metrics.lfMessageFont.lfWeight);
  }
}

// Moving to a 200 % monitor doubles every control and the font. The window
// goes where the system suggests, at the size that fits its doubled client
// area, whatever size comes with the suggestion.
TEST_F(Form1Layout, RelaysOutWhenTheDpiChanges) {
  if (GetDpiForWindow(Form()) != 96) {
    GTEST_SKIP() << "the display is not at 96 DPI";
  }
  LOGFONTW before{};
  ASSERT_NE(
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(Control::txtFile), WM_GETFONT, 0, 0)),
                 sizeof before, &before),
      0);

  const RECT suggested{40, 30, 40 + 1300, 30 + 400};
  SendMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));

  RECT fits{0, 0, 2 * 603, 2 * 154};
  ASSERT_TRUE(AdjustWindowRectExForDpi(&fits, GetWindowLongW(Form(), GWL_STYLE), FALSE,
                                       GetWindowLongW(Form(), GWL_EXSTYLE), 192));
  OffsetRect(&fits, suggested.left - fits.left, suggested.top - fits.top);
  RECT window{};
  GetWindowRect(Form(), &window);
  EXPECT_TRUE(EqualRect(&window, &fits))
      << window.left << "," << window.top << " " << window.right - window.left << "x"
      << window.bottom - window.top;
  RECT exit{};
  GetWindowRect(Item(Control::pbExit), &exit);
  MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&exit), 2);
  const RECT doubled{224, 212, 224 + 184, 212 + 54};
  EXPECT_TRUE(EqualRect(&exit, &doubled))
      << exit.left << "," << exit.top << " " << exit.right - exit.left << "x"
      << exit.bottom - exit.top;
  LOGFONTW after{};
  ASSERT_NE(
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(Control::txtFile), WM_GETFONT, 0, 0)),
                 sizeof after, &after),
      0);
  EXPECT_EQ(after.lfHeight, 2 * before.lfHeight);
}

TEST_F(Form1Layout, NoDefaultButtonAndTheWindowAcceptsDroppedFiles) {
  for (const Control id : {Control::pbSelectFile, Control::pbStart, Control::pbExit}) {
    EXPECT_EQ(GetWindowLongW(Item(id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  }
  EXPECT_NE(HIWORD(SendMessageW(Form(), DM_GETDEFID, 0, 0)), DC_HASDEFID);
  EXPECT_TRUE(GetWindowLongW(Form(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

// --- Text boxes and keyboard -------------------------------------------------

using Form1Keyboard = Form1Test;

// Pasted text replaces the selection as it is, except a path in quotes, as
// Explorer's "Copy as path" gives it, which goes in without them. Both undo.
TEST_F(Form1Keyboard, PathBoxTakesTypedAndPastedText) {
  for (const wchar_t c : std::wstring(L"C:\\a")) {
    SendMessageW(Item(Control::txtFile), WM_CHAR, c, 1);
  }
  EXPECT_EQ(Text(Control::txtFile), L"C:\\a");

  const std::array<std::pair<const wchar_t*, const wchar_t*>, 8> cases{{
      {L"\\b.cnt", L"\\b.cnt"},
      {L"\"C:\\ECU\\file \u00e4.cnt\"", L"C:\\ECU\\file \u00e4.cnt"},
      {L"\"\"", L""},
      {L"\"", L"\""},
      {L"\"a\" \"b\"", L"\"a\" \"b\""},
      {L"\"C:\\a.cnt", L"\"C:\\a.cnt"},
      {L"C:\\a.cnt\"", L"C:\\a.cnt\""},
      {L"\"C:\\a.cnt\r\nC:\\b.cnt\"", L"\"C:\\a.cnt"},  // a one-line box keeps the first line
  }};
  const HWND box = Item(Control::txtFile);
  for (const auto& [pasted, inserted] : cases) {
    SetText(Control::txtFile, L"[old]");
    SendMessageW(box, EM_SETSEL, 1, 4);
    PutOnClipboard(Form(), pasted);
    SendMessageW(box, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(Control::txtFile), L"[" + std::wstring(inserted) + L"]") << pasted;
    SendMessageW(box, EM_UNDO, 0, 0);
    EXPECT_EQ(Text(Control::txtFile), L"[old]") << pasted;
  }
}

TEST_F(Form1Keyboard, ChecksumBoxIsReadOnlyButCanBeCopied) {
  SetText(Control::txtFile, Write(L"check.cnt", "123456789"));
  CalculateAndWait();
  ASSERT_EQ(Text(Control::TXTCRC), L"CBF43926");

  SendMessageW(Item(Control::TXTCRC), WM_CHAR, L'x', 1);
  SendMessageW(Item(Control::TXTCRC), WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(Control::TXTCRC), L"CBF43926");
  EXPECT_TRUE(GetWindowLongW(Item(Control::TXTCRC), GWL_STYLE) & WS_TABSTOP);

  SendMessageW(Item(Control::TXTCRC), EM_SETSEL, 0, -1);
  SendMessageW(Item(Control::TXTCRC), WM_COPY, 0, 0);
  ASSERT_TRUE(OpenClipboard(Form()));
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) {
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(copied, L"CBF43926");
}

TEST_F(Form1Keyboard, TabAndShiftTabFollowTheTableOrder) {
  const std::array<Control, 5> tab_stops{Control::txtFile, Control::pbSelectFile, Control::TXTCRC,
                                         Control::pbStart, Control::pbExit};
  SetFocus(Item(Control::txtFile));
  for (std::size_t i = 1; i <= tab_stops.size(); ++i) {
    EXPECT_TRUE(DialogKey(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(GetFocus(), Item(tab_stops[i % tab_stops.size()])) << "after Tab " << i;
  }

  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  for (std::size_t i = 1; i <= tab_stops.size(); ++i) {
    EXPECT_TRUE(DialogKey(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(GetFocus(), Item(tab_stops[(2 * tab_stops.size() - i) % tab_stops.size()]))
        << "after Shift+Tab " << i;
  }
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

TEST_F(Form1Keyboard, AltCCalculatesAndAltEEnds) {
  SetText(Control::txtFile, Write(L"check.cnt", "123456789"));
  SetFocus(Item(Control::txtFile));
  EXPECT_TRUE(DialogKey(WM_SYSCHAR, L'c', kAltDown));
  ASSERT_TRUE(PumpUntil([this] { return Idle(); }));
  EXPECT_EQ(Text(Control::TXTCRC), L"CBF43926");
  EXPECT_TRUE(IsWindow(Form()));

  const HWND window = Form();
  EXPECT_TRUE(DialogKey(WM_SYSCHAR, L'e', kAltDown));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Pump(), std::optional<int>(0));
}

// No default button and no cancel button: Enter and Escape in the path box
// neither calculate nor close the window.
TEST_F(Form1Keyboard, EnterAndEscapeDoNothing) {
  SetText(Control::txtFile, Write(L"check.cnt", "123456789"));
  SetFocus(Item(Control::txtFile));
  DialogKey(WM_KEYDOWN, VK_RETURN);
  DialogKey(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Pump(), std::nullopt);
  EXPECT_TRUE(IsWindow(Form()));
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  EXPECT_TRUE(messages_.messages().empty());
}

// --- Calculate ---------------------------------------------------------------

using Calculate = Form1Test;

TEST_F(Calculate, BlankPathDoesNothing) {
  SetText(Control::TXTCRC, L"1234ABCD");
  for (const wchar_t* blank : {L"", L" ", L"     "}) {
    SetText(Control::txtFile, blank);
    CalculateAndWait();
    EXPECT_EQ(Text(Control::TXTCRC), L"1234ABCD") << "path \"" << blank << "\"";
  }
  EXPECT_TRUE(messages_.messages().empty());
}

// Each time it is also read out to screen readers, once, by the checksum
// box, a polite live region, with its label.
TEST_F(Calculate, ShowsTheChecksumTheSameEachTime) {
  SetText(Control::txtFile, Write(L"check.cnt", "123456789"));
  CalculateAndWait();
  EXPECT_EQ(Text(Control::TXTCRC), L"CBF43926");
  CalculateAndWait();
  EXPECT_EQ(Text(Control::TXTCRC), L"CBF43926");
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_EQ(annotations_.LiveSetting(Item(Control::TXTCRC)), 1);  // Polite
  EXPECT_EQ(heard_, std::vector<std::wstring>(2, L"Checksumme CBF43926"));
  // Tabbed to, the box is its label and its text: the checksum is heard once.
  SetFocus(Item(Control::TXTCRC));
  EXPECT_EQ(annotations_.Name(Item(Control::TXTCRC)), L"");
}

TEST_F(Calculate, MissingFileShowsNotFoundAndClearsTheChecksum) {
  SetText(Control::txtFile, Write(L"check.cnt", "123456789"));
  CalculateAndWait();
  ASSERT_EQ(Text(Control::TXTCRC), L"CBF43926");

  const std::wstring missing = Missing(L"missing.cnt");
  SetText(Control::txtFile, missing);
  CalculateAndWait();
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  // Nothing is read out for a box cleared, which is named by its label again.
  EXPECT_EQ(heard_.size(), 1u);
  EXPECT_EQ(annotations_.Name(Item(Control::TXTCRC)), L"");
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].prompt, L"File not found : " + missing);
  EXPECT_EQ(messages_.messages()[0].title, L"Quillomat");
  EXPECT_EQ(Text(Control::txtFile), missing);
}

// Only spaces count as blank, and the path goes to the service as typed.
TEST_F(Calculate, PathIsNotTrimmed) {
  Write(L"x.cnt", "123456789");
  const std::wstring spaced = L" " + Missing(L"x.cnt");
  SetText(Control::txtFile, spaced);
  CalculateAndWait();
  SetText(Control::txtFile, L"\t");
  CalculateAndWait();
  ASSERT_EQ(messages_.messages().size(), 2u);
  EXPECT_EQ(messages_.messages()[0].prompt, L"File not found : " + spaced);
  EXPECT_EQ(messages_.messages()[1].prompt, L"File not found : \t");
  EXPECT_EQ(Text(Control::TXTCRC), L"");
}

// --- The "..." button and the open-file dialog ---------------------------------

using SelectFile = Form1Test;

TEST_F(SelectFile, PickedPathGoesIntoThePathBoxAndNothingIsComputed) {
  const std::wstring path = Write(L"picked.cnt", "123456789");
  dialog_.Choose(path);
  Click(Control::pbSelectFile);

  EXPECT_EQ(Text(Control::txtFile), path);
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  EXPECT_TRUE(messages_.messages().empty());
  ASSERT_EQ(dialog_.requests().size(), 1u);
  const platform::OpenFileRequest& request = dialog_.requests()[0];
  EXPECT_EQ(request.owner, Form());
  EXPECT_EQ(request.file_name, L"");
  EXPECT_EQ(request.filters, (std::vector<platform::FileFilter>{{L"*.cnt", L"*.cnt"}}));
}

TEST_F(SelectFile, CancelKeepsThePathBox) {
  SetText(Control::txtFile, L"C:\\before.cnt");
  dialog_.Cancel();
  Click(Control::pbSelectFile);
  EXPECT_EQ(Text(Control::txtFile), L"C:\\before.cnt");

  dialog_.Choose(L"   ");
  Click(Control::pbSelectFile);
  EXPECT_EQ(Text(Control::txtFile), L"C:\\before.cnt");
}

// Every click starts the dialog with an empty file name, so a cancel never
// brings back the previous pick.
TEST_F(SelectFile, EachClickStartsWithAnEmptyFileName) {
  dialog_.Choose(L"C:\\first.cnt");
  Click(Control::pbSelectFile);
  dialog_.Cancel();
  Click(Control::pbSelectFile);
  ASSERT_EQ(dialog_.requests().size(), 2u);
  EXPECT_EQ(dialog_.requests()[1].file_name, L"");
  EXPECT_EQ(Text(Control::txtFile), L"C:\\first.cnt");
}

// A dialog that cannot be shown is reported, and the window carries on.
TEST_F(SelectFile, DialogFailureIsReportedAndTheWindowStays) {
  SetText(Control::txtFile, L"C:\\before.cnt");
  dialog_.Fail(ERROR_ACCESS_DENIED);
  Click(Control::pbSelectFile);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].prompt.rfind(L"5 ", 0), 0u) << messages_.messages()[0].prompt;
  EXPECT_GT(messages_.messages()[0].prompt.size(), 2u);
  EXPECT_EQ(messages_.messages()[0].title, L"Quillomat");
  EXPECT_TRUE(IsWindow(Form()));
  EXPECT_EQ(Text(Control::txtFile), L"C:\\before.cnt");
}

// --- Drag and drop -----------------------------------------------------------

// A drop handle as Explorer hands it over: DROPFILES followed by the wide
// paths, each NUL-terminated, and one more NUL.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  std::size_t characters = 1;
  for (const std::wstring& path : paths) {
    characters += path.size() + 1;
  }
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(header + 1);
  for (const std::wstring& path : paths) {
    out = std::copy(path.begin(), path.end(), out) + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

using DropFiles = Form1Test;

TEST_F(DropFiles, FirstDroppedPathGoesIntoThePathBoxAndNothingIsComputed) {
  SetText(Control::txtFile, L"C:\\before.cnt");
  const std::wstring first = Write(L"dropped \u00e4.cnt", "123456789");
  const std::wstring second = Write(L"second.cnt", "abc");
  SendMessageW(Form(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first, second})), 0);
  EXPECT_EQ(Text(Control::txtFile), first);
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  EXPECT_TRUE(messages_.messages().empty());
}

// --- Long work -----------------------------------------------------------------

// Progress, nothing else starts, Esc cancels; then the whole checksum of a
// file that takes a while; Alt+E ends at once.
TEST_F(Calculate, LongWorkStaysInTheUsersHands) {
  const std::wstring small = Write(L"check.cnt", "123456789");
  const std::wstring endless =
      platform::TextFromPath(dir_.WriteZeros("endless.cnt", (std::uint64_t{1} << 40) + 12345));
  SetText(Control::txtFile, endless);
  SetText(Control::TXTCRC, L"1234ABCD");
  // As if the shell had made a taskbar button: the progress goes there too.
  SendMessageW(Form(), RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
  SetFocus(Item(Control::pbStart));
  Click(Control::pbStart);
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  EXPECT_FALSE(Idle());
  EXPECT_EQ(GetFocus(), Item(Control::txtFile));

  // Neither typing, pasting, "...", a dropped file, Enter nor a second Calculate
  // changes anything; a second Calculate on this small file would end at once.
  SetText(Control::txtFile, small);
  SendMessageW(Item(Control::txtFile), WM_CHAR, L'x', 1);
  PutOnClipboard(Form(), L"\"" + Missing(L"x.cnt") + L"\"");
  SendMessageW(Item(Control::txtFile), WM_PASTE, 0, 0);
  Click(Control::pbSelectFile);
  SendMessageW(Form(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({Missing(L"x.cnt")})), 0);
  DialogKey(WM_KEYDOWN, VK_RETURN);
  SendMessageW(Form(), WM_COMMAND, static_cast<WPARAM>(Control::pbStart),
               reinterpret_cast<LPARAM>(Item(Control::pbStart)));
  EXPECT_EQ(Text(Control::txtFile), small);
  EXPECT_TRUE(dialog_.requests().empty());

  std::vector<int> positions;  // each new one the bar shows
  ASSERT_TRUE(PumpUntil([&] {
    const int position = Bar() ? static_cast<int>(SendMessageW(Bar(), PBM_GETPOS, 0, 0)) : -1;
    if (position >= 0 && (positions.empty() || position != positions.back())) {
      positions.push_back(position);
    }
    return positions.size() >= 3;
  }));
  EXPECT_TRUE(taskbar_.ShowsProgress());
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_LT(positions.back(), ui::ProgressBar::kSteps / 2) << "1 TiB is far from read";

  DialogKey(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([this] { return Idle(); }));
  EXPECT_EQ(Bar(), nullptr);
  EXPECT_FALSE(taskbar_.ShowsProgress());
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  EXPECT_EQ(GetFocus(), Item(Control::pbStart));

  // Afterwards as before: a file that takes a while gets its whole checksum,
  // also while a program that may write, rename or delete it holds it open,
  // sharing only reading: it is read twice.
  const std::uint64_t size = (std::uint64_t{1} << 30) + 777;
  const auto zeros = dir_.WriteZeros("zeros.cnt", size);
  const HANDLE editor = CreateFileW(zeros.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  SetText(Control::txtFile, platform::TextFromPath(zeros));
  Click(Control::pbStart);
  ASSERT_TRUE(PumpUntil([this] { return Idle(); }));
  CloseHandle(editor);
  wchar_t expected[9] = {};
  std::swprintf(expected, 9, L"%X", ~test_support::AdvanceOverZeros(0xFFFFFFFFu, size));
  EXPECT_EQ(Text(Control::TXTCRC), expected);
  EXPECT_FALSE(taskbar_.ShowsProgress());
  EXPECT_TRUE(messages_.messages().empty()) << "not even on cancel";

  // Alt+E ends the program at once: the worker stops at its next block.
  SetText(Control::txtFile, endless);
  Click(Control::pbStart);
  const HWND window = Form();
  EXPECT_TRUE(DialogKey(WM_SYSCHAR, L'e', kAltDown));
  EXPECT_FALSE(IsWindow(window));
}

// A device that stops answering holds a read, then a lookup: Esc gives the
// window back at once each time, another file computes meanwhile, and what the
// abandoned workers come to once the device answers never shows.
TEST_F(Calculate, ADeviceThatStopsAnsweringNeverHoldsTheWindow) {
  const auto device = test_support::StallingDevice::Find();
  if (!device) {
    GTEST_SKIP() << "no stalling device: this machine cannot mount a FUSE file system";
  }
  const int workers = ui::ChecksumJob::LiveWorkers();
  for (const wchar_t* stuck : {L"reads-stall.cnt", L"lookup-stalls.cnt"}) {
    SetText(Control::txtFile, device->Path(stuck));
    SetFocus(Item(Control::pbStart));
    Click(Control::pbStart);
    ASSERT_TRUE(PumpUntil([this] { return Bar() != nullptr; })) << stuck;

    DialogKey(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(Idle()) << stuck;
    EXPECT_EQ(Bar(), nullptr);
    EXPECT_EQ(GetWindowLongW(Item(Control::txtFile), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(GetFocus(), Item(Control::pbStart));
    SetText(Control::txtFile, Write(L"check.cnt", "123456789"));
    CalculateAndWait();
    EXPECT_EQ(Text(Control::TXTCRC), L"CBF43926") << stuck;
  }
  EXPECT_EQ(ui::ChecksumJob::LiveWorkers(), workers + 2) << "both still held by the device";

  // Once the device answers, the abandoned workers end and report; their
  // reports are dropped, and work started since goes on. Cancelled, it stops
  // within a block.
  SetText(Control::txtFile,
          platform::TextFromPath(dir_.WriteZeros("endless.cnt", std::uint64_t{1} << 40)));
  Click(Control::pbStart);
  device->Release();
  ASSERT_TRUE(PumpUntil([&] { return ui::ChecksumJob::LiveWorkers() == workers + 1; }));
  Pump();
  EXPECT_FALSE(Idle());
  DialogKey(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return ui::ChecksumJob::LiveWorkers() == workers; }));
  Pump();
  EXPECT_EQ(Text(Control::TXTCRC), L"");
  EXPECT_TRUE(messages_.messages().empty());
}

// Nothing is left open, whatever a checksum comes to: on Windows an open handle
// keeps the file in use (its folder cannot be removed). A lookup that is
// refused is reported as what it is, a file gone by the open as missing, and
// a file written while it is read (by a program no share mode stops) gives no
// checksum.
TEST_F(Calculate, EveryKindOfChecksumLeavesNoHandleOpen) {
  const auto device = test_support::StallingDevice::Find();
  const std::wstring denied = device ? device->Path(L"lookup-denied.cnt") : L"";
  const std::wstring gone = device ? device->Path(L"open-missing.cnt") : L"";
  const std::wstring written = device ? device->Path(L"written.cnt") : L"";
  const std::wstring endless =
      platform::TextFromPath(dir_.WriteZeros("endless.cnt", std::uint64_t{1} << 40));
  const std::vector<std::wstring> ending = {
      Write(L"check.cnt", "123456789"),
      platform::TextFromPath(dir_.WriteZeros("large.cnt", 48u << 20)),  // read in ranges
      Missing(L"missing.cnt"),
      denied,
      gone,
      written};
  const int workers = ui::ChecksumJob::LiveWorkers();
  const auto checksums = [&] {
    for (const std::wstring& path : ending) {
      if (path.empty()) continue;
      SetText(Control::txtFile, path);
      Click(Control::pbStart);
      ASSERT_TRUE(PumpUntil([this] { return Idle(); })) << testing::PrintToString(path);
    }
    SetText(Control::txtFile, endless);
    Click(Control::pbStart);
    ASSERT_TRUE(PumpUntil([this] { return Bar() != nullptr; }));
    DialogKey(WM_KEYDOWN, VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return ui::ChecksumJob::LiveWorkers() == workers; }));
  };
  checksums();  // the first round also makes what lives as long as the process
  ASSERT_EQ(messages_.messages().size(), device ? 4u : 1u);
  EXPECT_EQ(messages_.messages()[0].prompt, L"File not found : " + Missing(L"missing.cnt"));
  if (device) {
    EXPECT_EQ(messages_.messages()[1].prompt, platform::FailureText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(messages_.messages()[2].prompt, L"File not found : " + gone);
    EXPECT_EQ(messages_.messages()[3].prompt, platform::FailureText(platform::FileChangedError()));
  }
  // Where the system counts handles (Wine does not), the count is back where
  // it was; everywhere, every file can be deleted and its folder removed.
  DWORD before = 0, after = 0;
  GetProcessHandleCount(GetCurrentProcess(), &before);
  for (int round = 0; round < 8; ++round) {
    checksums();
  }
  GetProcessHandleCount(GetCurrentProcess(), &after);
  EXPECT_LE(after, before);
  for (const std::wstring& path : {ending[0], ending[1], endless}) {
    EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
  }
  EXPECT_TRUE(RemoveDirectoryW(dir_.path().c_str())) << GetLastError();
}

// --- Ending the program --------------------------------------------------------

using Exit = Form1Test;

TEST_F(Exit, ExitButtonDestroysTheWindowAndEndsTheLoop) {
  const HWND window = Form();
  Click(Control::pbExit);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Form(), nullptr);
  EXPECT_EQ(Pump(), std::optional<int>(0));
}

TEST_F(Exit, CloseBoxDoesWhatExitDoes) {
  const HWND window = Form();
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Pump(), std::optional<int>(0));
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// The program's own loop: Alt+E, posted as the keyboard would, reaches the
// dialog manager and ends the loop with exit code 0.
TEST_F(Exit, MessageLoopEndsOnAltE) {
  const HWND window = Form();
  SetFocus(Item(Control::txtFile));
  PostMessageW(Item(Control::txtFile), WM_SYSCHAR, L'e', kAltDown);
  const UINT_PTR timer = SetTimer(nullptr, 0, 10'000, &GiveUp);  // never wait forever
  EXPECT_EQ(ui::RunMessageLoop(window), 0);
  KillTimer(nullptr, timer);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
