#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One entry of a dialog's list of file types: the text the user reads and the
// pattern it stands for.
struct FileFilter {
  std::wstring description;
  std::wstring pattern;
  bool operator==(const FileFilter&) const = default;
};

// The entries of a filter text made of "description|pattern" pairs, for
// example "*.cnt|*.cnt" (one entry). A description without a pattern is dropped.
std::vector<FileFilter> ParseFilter(std::wstring_view filter);

// The modal open-file dialog, driven like a common-dialog control: set
// FileName and Filter, call ShowOpen, read FileName.
struct CommonDialog {
  // In: the name first offered. Out: the full path the user chose, or the
  // empty text when the dialog was cancelled.
  std::wstring FileName;
  // The file types offered, as ParseFilter reads them.
  std::wstring Filter;

  // Shows the dialog owned by `owner` (an HWND, or null) and returns when the
  // user confirms or cancels. Throws std::system_error when the dialog cannot
  // be shown at all.
  void ShowOpen(void* owner);
};

// What ShowOpen hands to the dialog.
struct OpenFileRequest {
  void* owner = nullptr;
  std::vector<FileFilter> filters;
  std::wstring file_name;
};

// Shows the dialog for a request and returns the chosen full path, or the
// empty text when cancelled. Tests install one instead of the platform's
// dialog; an empty chooser restores the dialog.
using OpenFileChooser = std::function<std::wstring(const OpenFileRequest& request)>;

// Installs `chooser` and returns the one it replaces.
OpenFileChooser ReplaceOpenFileChooser(OpenFileChooser chooser);

// The platform's own dialog, bypassing any chooser.
std::wstring ShowPlatformOpenDialog(const OpenFileRequest& request);

}  // namespace platform
