#include "ui/checksum_job.h"

#include <utility>

namespace ui {

void ChecksumJob::Start(std::wstring path, HWND window, UINT done_message) {
  worker_ = std::jthread();  // a previous worker, if any, stops and is joined first
  progress_.done.store(0);
  progress_.expected.store(0);
  outcome_ = {};
  worker_ = std::jthread(
      [this, path = std::move(path), window, done_message](std::stop_token stop) mutable {
        outcome_ = Mod::ComputeFileCRC(std::move(path), stop, progress_);
        // Posted, never sent: the window's thread may be waiting in Finish.
        PostMessageW(window, done_message, 0, 0);
      });
}

Mod::Outcome ChecksumJob::Finish() {
  if (!worker_.joinable()) {
    return {};
  }
  worker_.join();  // orders the worker's writes to outcome_ before the read below
  return std::move(outcome_);
}

}  // namespace ui
