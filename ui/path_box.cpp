#include "ui/path_box.h"

#include <commctrl.h>

#include <algorithm>
#include <new>
#include <string>

namespace ui {
namespace {

constexpr UINT_PTR kSubclassId = 1;

class OpenClipboardOwner {
 public:
  explicit OpenClipboardOwner(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardOwner() {
    if (open_) {
      CloseClipboard();
    }
  }
  OpenClipboardOwner(const OpenClipboardOwner&) = delete;
  OpenClipboardOwner& operator=(const OpenClipboardOwner&) = delete;
  bool open() const { return open_; }

 private:
  bool open_;
};

// The path inside the quoted text on the clipboard, or nothing when the
// clipboard holds other text, no text, or cannot be opened.
std::optional<std::wstring> QuotedPathOnClipboard(HWND window) {
  const OpenClipboardOwner clipboard(window);
  const HANDLE data = clipboard.open() ? GetClipboardData(CF_UNICODETEXT) : nullptr;
  const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  if (!text) {
    return std::nullopt;
  }
  // The text ends at its NUL, and never beyond the memory that holds it.
  const wchar_t* const end = std::find(text, text + GlobalSize(data) / sizeof(wchar_t), L'\0');
  const std::wstring_view pasted(text, static_cast<std::size_t>(end - text));
  std::optional<std::wstring> path;
  try {
    if (const std::optional<std::wstring_view> unquoted = UnquotedPath(pasted)) {
      path.emplace(*unquoted);
    }
  } catch (const std::bad_alloc&) {
    // The edit control's own paste follows.
  }
  GlobalUnlock(data);
  return path;
}

LRESULT CALLBACK PathBoxProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                  UINT_PTR id, DWORD_PTR) {
  // A read-only box (while a checksum runs) takes no paste, as before.
  if (message == WM_PASTE && !(GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY)) {
    if (const std::optional<std::wstring> path = QuotedPathOnClipboard(window)) {
      SendMessageW(window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(path->c_str()));
      return 0;
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &PathBoxProcedure, id);
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

std::optional<std::wstring_view> UnquotedPath(std::wstring_view pasted) {
  if (pasted.size() < 2 || pasted.front() != L'"' || pasted.back() != L'"') {
    return std::nullopt;
  }
  const std::wstring_view inside = pasted.substr(1, pasted.size() - 2);
  if (inside.find_first_of(L"\"\r\n") != std::wstring_view::npos) {
    return std::nullopt;
  }
  return inside;
}

void UnquotePastedPaths(HWND path_box) {
  SetWindowSubclass(path_box, &PathBoxProcedure, kSubclassId, 0);
}

}  // namespace ui
