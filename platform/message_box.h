#pragma once

#include <functional>
#include <string_view>

namespace platform {

// Shows a modal message with a single OK button and returns when it is closed.
// On Windows this is MessageBoxW with style MB_OK, owned by the window set
// through SetMessageOwner; elsewhere the message goes to standard error.
void ShowMessage(std::wstring_view prompt, std::wstring_view title);

// The window that owns message boxes (an HWND), or null for none.
void SetMessageOwner(void* window);

// Where messages go instead of the platform's box. Tests install one to record
// what would have been shown; an empty sink restores the box.
using MessageSink = std::function<void(std::wstring_view prompt, std::wstring_view title)>;

// Installs `sink` and returns the one it replaces.
MessageSink ReplaceMessageSink(MessageSink sink);

// The platform's own box, bypassing any sink.
void ShowPlatformMessageBox(std::wstring_view prompt, std::wstring_view title);

}  // namespace platform
