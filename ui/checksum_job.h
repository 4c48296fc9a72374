#pragma once

#include <windows.h>

#include <string>
#include <thread>

#include "crc/file_progress.h"
#include "service/Mod.h"

namespace ui {

// One file checksum computed on a worker thread, so that the window that
// starts it keeps answering. The worker touches no window: when it ends it
// posts a message to the window, and the window's thread takes the outcome
// with Finish. Only one checksum at a time; the destructor stops and joins.
class ChecksumJob {
 public:
  ChecksumJob() = default;
  ~ChecksumJob() = default;  // the worker's std::jthread requests the stop and joins
  ChecksumJob(const ChecksumJob&) = delete;
  ChecksumJob& operator=(const ChecksumJob&) = delete;

  // Starts Mod::ComputeFileCRC for `path`; once it has ended, `done_message`
  // is posted to `window`. Meant for when !running(): a running worker would
  // be stopped and waited for. Throws std::system_error when no thread can
  // be started.
  void Start(std::wstring path, HWND window, UINT done_message);

  // Started and not yet finished: true from Start until Finish, also when the
  // worker has already ended and its message is still on its way.
  bool running() const { return worker_.joinable(); }

  // Asks the worker to stop; it does so within about one read block and then
  // posts its message as usual, with a cancelled outcome.
  void Cancel() { worker_.request_stop(); }

  // Waits for the worker and returns what it came to. Call it when the posted
  // message arrives, or after Cancel to end the work at once.
  Mod::Outcome Finish();

  // How far the worker has come; read at any time.
  const crc::FileProgress& progress() const { return progress_; }

 private:
  crc::FileProgress progress_;
  Mod::Outcome outcome_;  // written by the worker, read after the join
  std::jthread worker_;   // last: joins before the members it uses go away
};

}  // namespace ui
