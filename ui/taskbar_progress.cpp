#include "ui/taskbar_progress.h"

#include <shobjidl.h>

#include <utility>

namespace ui {

// Out of line: the COM interfaces are complete only here.
TaskbarProgress::TaskbarProgress() = default;
TaskbarProgress::~TaskbarProgress() { Disconnect(); }

UINT TaskbarProgress::ButtonCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
  return message;
}

void TaskbarProgress::AcceptButtonCreated(HWND window) {
  if (const UINT message = ButtonCreatedMessage()) {
    ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
  }
}

void TaskbarProgress::Connect(HWND window) {
  Disconnect();
  // The taskbar list lives in a single-threaded apartment; a thread already in
  // the multithreaded one (RPC_E_CHANGED_MODE) can use it all the same.
  apartment_.emplace();
  HRESULT created = S_OK;
  auto list =
      platform::CreateInstance<ITaskbarList3>(CLSID_TaskbarList, IID_ITaskbarList3, created);
  if (!list || FAILED(list->HrInit())) {
    return;
  }
  list_ = std::move(list);
  window_ = window;
}

void TaskbarProgress::Show(int position, int steps) {
  if (list_) {
    list_->SetProgressValue(window_, static_cast<ULONGLONG>(position),
                            static_cast<ULONGLONG>(steps));
  }
}

void TaskbarProgress::Clear() {
  if (list_) {
    list_->SetProgressState(window_, TBPF_NOPROGRESS);
  }
}

void TaskbarProgress::Disconnect() {
  list_.reset();
  window_ = nullptr;
  apartment_.reset();
}

}  // namespace ui
