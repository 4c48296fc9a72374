// The open-file dialog as the Common Item Dialog (IFileOpenDialog): it returns
// full paths of any length and looks like every other Windows program's.

#include <windows.h>

#include <shobjidl.h>

#include <memory>
#include <system_error>
#include <vector>

#include "platform/com_apartment.h"
#include "platform/com_ptr.h"
#include "platform/common_dialog.h"

namespace platform {
namespace {

[[noreturn]] void ThrowHresult(HRESULT result, const char* what) {
  throw std::system_error(static_cast<int>(result), std::system_category(), what);
}

struct CoTaskMemFreer {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) {
    ThrowHresult(result, what);
  }
}

}  // namespace

std::wstring ShowPlatformOpenDialog(const OpenFileRequest& request) {
  const ComApartment apartment;
  if (FAILED(apartment.result())) {
    ThrowHresult(apartment.result(), "CoInitializeEx");
  }

  HRESULT created = S_OK;
  const auto dialog =
      CreateInstance<IFileOpenDialog>(CLSID_FileOpenDialog, IID_IFileOpenDialog, created);
  Check(created, "CoCreateInstance(FileOpenDialog)");

  FILEOPENDIALOGOPTIONS options = 0;
  Check(dialog->GetOptions(&options), "IFileOpenDialog::GetOptions");
  // Only items with a file-system path: the checksum reads the file by path.
  // Nothing joins the user's Recent items, which Windows does for the chosen
  // file unless told not to ("_FILEOPENDIALOGOPTIONS enumeration").
  Check(dialog->SetOptions(options | FOS_FORCEFILESYSTEM | FOS_DONTADDTORECENT),
        "IFileOpenDialog::SetOptions");

  std::vector<COMDLG_FILTERSPEC> types;
  for (const FileFilter& filter : request.filters) {
    types.push_back({filter.description.c_str(), filter.pattern.c_str()});
  }
  if (!types.empty()) {
    Check(dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data()),
          "IFileOpenDialog::SetFileTypes");
  }
  if (!request.file_name.empty()) {
    Check(dialog->SetFileName(request.file_name.c_str()), "IFileOpenDialog::SetFileName");
  }

  const HRESULT shown = dialog->Show(static_cast<HWND>(request.owner));
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
    return {};
  }
  Check(shown, "IFileOpenDialog::Show");

  IShellItem* raw_item = nullptr;
  Check(dialog->GetResult(&raw_item), "IFileOpenDialog::GetResult");
  const ComPtr<IShellItem> item(raw_item);

  wchar_t* raw_path = nullptr;
  Check(item->GetDisplayName(SIGDN_FILESYSPATH, &raw_path), "IShellItem::GetDisplayName");
  const std::unique_ptr<wchar_t, CoTaskMemFreer> path(raw_path);
  return path.get();
}

}  // namespace platform
