// Quillomat.exe as a user meets it: started as a separate process, found by
// its window, driven through messages from outside, and its resources read
// from the file.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/path.h"
#include "scripts/remote/remote_window.h"
#include "tests/support/stalling_device.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 20s;  // Wine starts a program in well under that

// Quillomat.exe, found from this test program's own folder.
std::filesystem::path ProgramPath() {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return (std::filesystem::path(self).parent_path() / QUILLOMAT_EXE_FROM_TESTS).lexically_normal();
}

using remote::Children;
using remote::ClassOf;
using remote::SetTextOf;
using remote::TextOf;

HWND WaitFor(const std::function<HWND()>& found) { return remote::WaitFor(kPatience, found); }

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

// Quillomat.exe running in its own process; ended when the test ends, one
// way or the other.
class QuillomatProcess {
 public:
  QuillomatProcess() {
    std::wstring command_line = L"\"" + ProgramPath().wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_);
  }
  ~QuillomatProcess() {
    if (!started_) {
      return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  QuillomatProcess(const QuillomatProcess&) = delete;
  QuillomatProcess& operator=(const QuillomatProcess&) = delete;

  bool started() const { return started_; }
  HANDLE handle() const { return process_.hProcess; }

  // The process's first visible top-level window of `window_class`, or null.
  HWND FindWindowOfClass(const std::wstring& window_class) const {
    return remote::FindTopLevelWindow([&](HWND window) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      return owner == process_.dwProcessId && ClassOf(window) == window_class;
    });
  }

  HWND WaitForMainWindow() const {
    return WaitFor([this] { return FindWindowOfClass(L"Quillomat.Form1"); });
  }

  // The exit code once the process has ended, or STILL_ACTIVE.
  DWORD WaitForExit(std::chrono::milliseconds patience = kPatience) const {
    WaitForSingleObject(process_.hProcess, static_cast<DWORD>(patience / 1ms));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// The main window's controls, in z-order (the tab order).
struct Controls {
  explicit Controls(HWND form) : all(Children(form)) {}
  HWND txtFile() const { return all.at(1); }
  HWND pbSelectFile() const { return all.at(2); }
  HWND TXTCRC() const { return all.at(4); }
  HWND pbStart() const { return all.at(5); }
  HWND pbExit() const { return all.at(6); }
  std::vector<HWND> all;
};

// Starts the real program and waits for its main window; each test ends it.
class QuillomatProgram : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.started()) << "cannot start " << ProgramPath().string();
    form_ = program_.WaitForMainWindow();
    ASSERT_NE(form_, nullptr) << "no window within " << kPatience.count() << " s";
  }

  QuillomatProcess program_;
  HWND form_ = nullptr;
};

// The error mode, read by a thread started inside the program: no system boxes.
TEST_F(QuillomatProgram, ShowsItsWindowWithTheSevenControlsAndNoErrorBoxes) {
  const auto get_error_mode = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetErrorMode")));
  const HANDLE thread =
      CreateRemoteThread(program_.handle(), nullptr, 0, get_error_mode, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr) << GetLastError();
  DWORD mode = 0;
  WaitForSingleObject(thread, 5000);
  GetExitCodeThread(thread, &mode);
  CloseHandle(thread);
  constexpr DWORD kWithoutBoxes = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  EXPECT_EQ(mode & kWithoutBoxes, kWithoutBoxes) << mode;

  wchar_t caption[64] = {};
  GetWindowTextW(form_, caption, 64);
  EXPECT_STREQ(caption, L"Quillomat");

  const std::vector<HWND> children = Children(form_);
  const std::vector<std::wstring> texts{L"ECU-MEM-Container", L"",     L"...", L"Checksumme", L"",
                                        L"&Calculate",        L"&Exit"};
  ASSERT_EQ(children.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(TextOf(children[i]), texts[i]) << "control " << i;
    EXPECT_TRUE(IsWindowVisible(children[i])) << "control " << i;
  }

  PostMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(program_.WaitForExit(), 0u);
}

// The real message box: its text, its title, its single OK button, and its
// owner, the main window.
TEST_F(QuillomatProgram, MissingFileShowsTheRealMessageBox) {
  const Controls controls(form_);

  const test_support::TempDir dir;
  const std::wstring missing = platform::TextFromPath(dir.path() / "missing.cnt");
  SetTextOf(controls.txtFile(), missing);
  // Posted, not sent: the click returns only once the box is closed.
  PostMessageW(controls.pbStart(), BM_CLICK, 0, 0);

  const HWND box = WaitFor([&] { return program_.FindWindowOfClass(L"#32770"); });
  ASSERT_NE(box, nullptr) << "no message box within " << kPatience.count() << " s";
  wchar_t title[64] = {};
  GetWindowTextW(box, title, 64);
  EXPECT_STREQ(title, L"Quillomat");
  EXPECT_EQ(GetWindow(box, GW_OWNER), form_);
  EXPECT_FALSE(IsWindowEnabled(form_)) << "the box is modal to the window";

  std::vector<std::wstring> texts;
  std::vector<HWND> buttons;
  for (const HWND child : Children(box)) {
    texts.push_back(TextOf(child));
    if (CompareStringOrdinal(ClassOf(child).c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL &&
        IsWindowVisible(child)) {
      buttons.push_back(child);
    }
  }
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"File not found : " + missing), texts.end());
  ASSERT_EQ(buttons.size(), 1u) << "a single OK button";
  EXPECT_EQ(GetDlgCtrlID(buttons[0]), IDOK);

  PostMessageW(buttons[0], BM_CLICK, 0, 0);
  EXPECT_NE(WaitFor([&] { return IsWindow(box) ? nullptr : form_; }), nullptr)
      << "the box stays after OK";
  EXPECT_EQ(TextOf(controls.TXTCRC()), L"");

  PostMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(program_.WaitForExit(), 0u);
}

// Alt+E, posted to the focused control as the keyboard delivers it, goes
// through the program's own message loop and ends it.
TEST_F(QuillomatProgram, AltEEndsTheProgram) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &gui);
  const HWND target = gui.hwndFocus ? gui.hwndFocus : form_;
  PostMessageW(target, WM_SYSCHAR, L'e', LPARAM{1} << 29);
  EXPECT_EQ(program_.WaitForExit(), 0u);
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The first visible descendant of `parent` of `window_class` that passes `accept`.
HWND FindDescendant(
    HWND parent, const wchar_t* window_class,
    const std::function<bool(HWND)>& accept = [](HWND) { return true; }) {
  for (const HWND window : Descendants(parent)) {
    if (IsWindowVisible(window) &&
        CompareStringOrdinal(ClassOf(window).c_str(), -1, window_class, -1, TRUE) == CSTR_EQUAL &&
        accept(window)) {
      return window;
    }
  }
  return nullptr;
}

// The real open-file dialog, owned by the window and offering the one "*.cnt"
// type: Cancel keeps the path box, and a file confirmed in it lands there as
// its full path, without a checksum.
TEST_F(QuillomatProgram, SelectFileShowsTheRealOpenDialog) {
  const Controls controls(form_);
  const test_support::TempDir dir;
  const std::wstring path = platform::TextFromPath(dir.Write("ecu.cnt", "123456789"));
  const std::wstring before = L"C:\\before.cnt";
  SetTextOf(controls.txtFile(), before);

  const auto open_dialog = [&] {
    PostMessageW(controls.pbSelectFile(), BM_CLICK, 0, 0);
    return WaitFor([&] { return program_.FindWindowOfClass(L"#32770"); });
  };
  const auto closed = [&](HWND dialog) {
    return WaitFor([&] { return IsWindow(dialog) ? nullptr : form_; }) != nullptr;
  };

  const HWND cancelled = open_dialog();
  ASSERT_NE(cancelled, nullptr) << "no dialog within " << kPatience.count() << " s";
  EXPECT_EQ(GetWindow(cancelled, GW_OWNER), form_);
  const HWND types =
      FindDescendant(cancelled, L"ComboBox", [](HWND combo) { return TextOf(combo) == L"*.cnt"; });
  ASSERT_NE(types, nullptr) << "no file type \"*.cnt\"";
  DWORD_PTR type_count = 0;
  SendMessageTimeoutW(types, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &type_count);
  EXPECT_EQ(type_count, 1u);
  PostMessageW(GetDlgItem(cancelled, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(closed(cancelled));
  EXPECT_EQ(TextOf(controls.txtFile()), before);

  const HWND confirmed = open_dialog();
  ASSERT_NE(confirmed, nullptr);
  const HWND file_name = FindDescendant(confirmed, L"Edit");
  ASSERT_NE(file_name, nullptr);
  SetTextOf(file_name, path);
  PostMessageW(GetDlgItem(confirmed, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(closed(confirmed));
  EXPECT_EQ(WaitFor([&] { return TextOf(controls.txtFile()) == path ? form_ : nullptr; }), form_)
      << "path box holds " << std::filesystem::path(TextOf(controls.txtFile())).string();
  EXPECT_EQ(TextOf(controls.TXTCRC()), L"");

  PostMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(program_.WaitForExit(), 0u);
}

// Writes a 24-bit bottom-up BMP of the screen area `rect`. Returns the number
// of distinct colours in it.
std::size_t SaveScreenArea(const RECT& rect, const std::filesystem::path& file) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, previous);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::vector<unsigned char> pixels(stride * static_cast<std::size_t>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(pixels.data()),
            static_cast<std::streamsize>(pixels.size()));

  std::set<unsigned long> colours;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &pixels[static_cast<std::size_t>(y) * stride + 3u * x];
      colours.insert(p[0] | (p[1] << 8) | (static_cast<unsigned long>(p[2]) << 16));
    }
  }
  return colours.size();
}

// Leaves a picture of the window in the build tree (tests/ui/`name`) for a
// person to look at. False when the picture is blank.
bool SavePicture(HWND form, const char* name) {
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  std::this_thread::sleep_for(500ms);  // let the program paint and X catch up
  RECT rect{};
  GetWindowRect(form, &rect);
  const std::filesystem::path file = std::filesystem::absolute(name);
  const std::size_t colours = SaveScreenArea(rect, file);
  std::cout << "screenshot: " << file.string() << " (" << rect.right - rect.left << "x"
            << rect.bottom - rect.top << ")\n";
  return colours > 4;
}

// Pictures of the window for a person to look at: after a checksum
// (Quillomat-window.bmp), and during one that takes many seconds, once 1/32 is
// done (Quillomat-progress.bmp). Meanwhile the window answers (the bar's
// position comes from its thread), and the close box ends the program at once.
TEST_F(QuillomatProgram, PicturesAfterACalculationAndDuringLongWork) {
  const Controls controls(form_);
  const test_support::TempDir dir;
  const auto calculate = [&](const std::filesystem::path& file) {
    const std::wstring path = platform::TextFromPath(file);
    SetTextOf(controls.txtFile(), path);
    PostMessageW(controls.pbStart(), BM_CLICK, 0, 0);
  };
  calculate(dir.Write("ecu.cnt", "123456789"));
  ASSERT_NE(WaitFor([&] { return TextOf(controls.TXTCRC()) == L"CBF43926" ? form_ : nullptr; }),
            nullptr);
  EXPECT_TRUE(SavePicture(form_, "Quillomat-window.bmp")) << "the picture is blank";

  calculate(dir.WriteZeros("zeros.cnt", 32ull << 30));
  ASSERT_NE(WaitFor([&] {
              const HWND bar = FindDescendant(form_, L"msctls_progress32");
              DWORD_PTR position = 0;
              SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position);
              return position >= (1u << 16) / 32 ? bar : nullptr;
            }),
            nullptr);
  EXPECT_TRUE(SavePicture(form_, "Quillomat-progress.bmp")) << "the picture is blank";

  PostMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(program_.WaitForExit(), 0u);
}

// While a device that stops answering holds the checksum's read, or its
// lookup of the file, Exit and the close box still end the program at once.
TEST_F(QuillomatProgram, EndsAtOnceWhileADeviceHoldsTheWork) {
  const auto device = test_support::StallingDevice::Find();
  if (!device) {
    GTEST_SKIP() << "no stalling device: this machine cannot mount a FUSE file system";
  }
  struct Case {
    const wchar_t* file;
    UINT message;  // to the window, or BM_CLICK to Exit
  };
  for (const Case& stuck :
       {Case{L"reads-stall.cnt", BM_CLICK}, Case{L"lookup-stalls.cnt", WM_CLOSE}}) {
    QuillomatProcess program;
    const HWND form = program.WaitForMainWindow();
    ASSERT_NE(form, nullptr);
    const Controls controls(form);
    const std::wstring path = device->Path(stuck.file);
    SetTextOf(controls.txtFile(), path);
    PostMessageW(controls.pbStart(), BM_CLICK, 0, 0);
    ASSERT_NE(WaitFor([&] { return FindDescendant(form, L"msctls_progress32"); }), nullptr);
    PostMessageW(stuck.message == BM_CLICK ? controls.pbExit() : form, stuck.message, 0, 0);
    EXPECT_EQ(program.WaitForExit(5s), 0u) << "the device still holds " << stuck.file;
  }
  PostMessageW(form_, WM_CLOSE, 0, 0);
}

// --- Resources -----------------------------------------------------------------

std::wstring VersionString(const std::vector<char>& record, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040704B0\\") + name;
  if (!VerQueryValueW(record.data(), query.c_str(), &value, &length) || length == 0) {
    return L"<missing>";
  }
  return static_cast<const wchar_t*>(value);
}

TEST(QuillomatResources, VersionRecordIsGermanUnicode200Build1) {
  const std::wstring program = ProgramPath().wstring();
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> record(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, record.data()));

  struct Translation {
    WORD language, code_page;
  };
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, sizeof(Translation));
  EXPECT_EQ(static_cast<Translation*>(value)->language, 0x0407);
  EXPECT_EQ(static_cast<Translation*>(value)->code_page, 1200);

  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 2));  // 2.0
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));  // .0.1
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 2));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));

  EXPECT_EQ(VersionString(record, L"FileVersion"), L"2.00.0001");
  EXPECT_EQ(VersionString(record, L"ProductVersion"), L"2.00.0001");
  EXPECT_EQ(VersionString(record, L"FileDescription"), L"Version 2.0.1 01.10.2004");
  EXPECT_EQ(VersionString(record, L"ProductName"), L"Quillomat");
  EXPECT_EQ(VersionString(record, L"InternalName"), L"Quillomat");
  EXPECT_EQ(VersionString(record, L"OriginalFilename"), L"Quillomat.exe");
}

TEST(QuillomatResources, ManifestAndIcon) {
  const HMODULE image = LoadLibraryExW(ProgramPath().wstring().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  const HRSRC manifest_resource = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(manifest_resource, nullptr);
  const std::string manifest(
      static_cast<const char*>(LockResource(LoadResource(image, manifest_resource))),
      SizeofResource(image, manifest_resource));
  for (const char* part :
       {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "PerMonitorV2", "true/pm",
        "level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
  FreeLibrary(image);
}

}  // namespace
