#include "scripts/remote/remote_window.h"

#include <thread>

namespace remote {
namespace {

using namespace std::chrono_literals;

constexpr UINT kAnswerTimeoutMs = 5000;

struct WindowSearch {
  const std::function<bool(HWND)>* accept;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  if (IsWindowVisible(window) && (*search->accept)(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND WaitFor(std::chrono::milliseconds patience, const std::function<HWND()>& found) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (const HWND window = found()) {
      return window;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      return nullptr;
    }
    std::this_thread::sleep_for(50ms);
  }
}

HWND FindTopLevelWindow(const std::function<bool(HWND)>& accept) {
  WindowSearch search{&accept, nullptr};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                           &length)) {
    return L"<no answer>";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied);
  text.resize(copied);
  return text;
}

bool SetTextOf(HWND window, const std::wstring& text) {
  DWORD_PTR result = FALSE;
  return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) &&
         result == TRUE;
}

}  // namespace remote
