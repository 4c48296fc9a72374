// calculate_in_window.exe PATH: works Quillomat's window from outside, as a
// user would. Waits for the window (class "Quillomat.Form1", caption
// "Quillomat"), puts PATH into the path box, presses Calculate and waits for
// what that comes to. Prints one line for each step on standard output, in
// UTF-8:
//   window "Quillomat" found
//   checksum: <the checksum box's text>     or
//   message: <the text of the message box that the program showed>
// Exits with 0 once it found the window and pressed Calculate, 1 when no
// window came or it did not answer, 2 for a wrong command line. scripts/run
// uses it to show the window at work.

#include <windows.h>

#include <chrono>
#include <string>

#include "scripts/remote/remote_window.h"
#include "ui/form1_layout.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kWindowClass[] = L"Quillomat.Form1";
constexpr wchar_t kCaption[] = L"Quillomat";
// Starting Wine, and the 32-bit program under qemu-i386, takes a while.
constexpr auto kWindowPatience = 120s;
constexpr auto kResultPatience = 120s;

// One line on `out`: on a console as text, elsewhere (a pipe, a file, or the
// terminal behind Wine) as UTF-8.
void Print(HANDLE out, const std::wstring& text) {
  const std::wstring line = text + L"\n";
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size,
                      nullptr, nullptr);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Print(const std::wstring& text) { Print(GetStdHandle(STD_OUTPUT_HANDLE), text); }

void PrintError(const std::wstring& text) {
  Print(GetStdHandle(STD_ERROR_HANDLE), L"calculate_in_window: " + text);
}

HWND Control(HWND form, ui::Control id) { return GetDlgItem(form, static_cast<int>(id)); }

// The message box that `form` owns, if one is shown.
HWND MessageBoxOf(HWND form) {
  return remote::FindTopLevelWindow([form](HWND window) {
    return GetWindow(window, GW_OWNER) == form && remote::ClassOf(window) == L"#32770";
  });
}

// The box's message: its first static control with text (the icon has none).
std::wstring MessageOf(HWND box) {
  for (const HWND child : remote::Children(box)) {
    if (CompareStringOrdinal(remote::ClassOf(child).c_str(), -1, L"Static", -1, TRUE) ==
        CSTR_EQUAL) {
      if (std::wstring text = remote::TextOf(child); !text.empty()) {
        return text;
      }
    }
  }
  return L"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 || argv[1][0] == L'\0') {
    PrintError(L"usage: calculate_in_window.exe PATH");
    return 2;
  }
  const std::wstring path = argv[1];

  const HWND form = remote::WaitFor(kWindowPatience, [] {
    return remote::FindTopLevelWindow([](HWND window) {
      return remote::ClassOf(window) == kWindowClass && remote::TextOf(window) == kCaption;
    });
  });
  if (!form) {
    PrintError(L"no window \"Quillomat\" within " + std::to_wstring(kWindowPatience.count()) +
               L" s");
    return 1;
  }
  Print(L"window \"Quillomat\" found");

  // Sent, not posted: once the click returns, the checksum box has been
  // emptied, so any text in it is the new result.
  const HWND checksum_box = Control(form, ui::Control::TXTCRC);
  if (!remote::SetTextOf(Control(form, ui::Control::txtFile), path) ||
      !SendMessageTimeoutW(Control(form, ui::Control::pbStart), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                           5000, nullptr)) {
    PrintError(L"the window does not answer");
    return 1;
  }
  std::wstring result;
  remote::WaitFor(kResultPatience, [&]() -> HWND {
    if (std::wstring text = remote::TextOf(checksum_box); !text.empty()) {
      result = L"checksum: " + text;
      return checksum_box;
    }
    if (const HWND box = MessageBoxOf(form)) {
      result = L"message: " + MessageOf(box);
      return box;
    }
    return nullptr;
  });
  if (result.empty()) {
    PrintError(L"no checksum and no message within " + std::to_wstring(kResultPatience.count()) +
               L" s");
  } else {
    Print(result);
  }
  return 0;
}
