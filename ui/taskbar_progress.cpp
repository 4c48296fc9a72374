#include "ui/taskbar_progress.h"

#include <shobjidl.h>

namespace ui {

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
  ITaskbarList3* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&list)))) {
    return;
  }
  if (FAILED(list->HrInit())) {
    list->Release();
    return;
  }
  list_ = list;
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
  if (list_) {
    list_->Release();
    list_ = nullptr;
  }
  window_ = nullptr;
  apartment_.reset();
}

}  // namespace ui
