#pragma once

// The path box (txtFile) takes a path copied with Explorer's "Copy as path",
// which puts it on the clipboard in double quotes, without those quotes.

#include <windows.h>

#include <optional>
#include <string_view>

namespace ui {

// The text between the quotes when `pasted` is one line wrapped in exactly one
// pair of double quotes, with no other quote inside; otherwise nothing. A
// Windows path never contains a double quote, so these two are never its own.
std::optional<std::wstring_view> UnquotedPath(std::wstring_view pasted);

// Makes the edit control `path_box` paste such text without its quotes (as an
// undoable replacement of the selection); it pastes all else as before.
void UnquotePastedPaths(HWND path_box);

}  // namespace ui
