#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "crc/file_progress.h"
#include "service/Mod.h"

namespace ui {

// One file checksum computed on a worker thread, so that the window that
// starts it keeps answering. The worker touches no window: when it ends it
// posts a message to the window, and the window's thread takes the outcome
// with Finish.
//
// The window never has to wait for a worker. A device that stops answering
// can hold a worker in one call for as long as it likes, so a worker that is
// no longer wanted is abandoned: asked to stop and left to end by itself. It
// owns everything it still uses (its path, counters and outcome here; its
// file handles, read blocks and helper threads in the calls it is in), so
// nothing is freed under it, whichever of the window, this object and the
// program goes first; when its call returns it frees all that and ends. Its
// message carries its number, so a late one is recognised and dropped.
class ChecksumJob {
 public:
  ChecksumJob() = default;
  ~ChecksumJob() { Abandon(); }
  ChecksumJob(const ChecksumJob&) = delete;
  ChecksumJob& operator=(const ChecksumJob&) = delete;

  // Starts Mod::ComputeFileCRC for `path`; once it has ended, `done_message`
  // is posted to `window` with the worker's number as its WPARAM. A worker
  // still running is abandoned first. Throws std::system_error when no thread
  // can be started.
  void Start(std::wstring path, HWND window, UINT done_message);

  // Started and neither finished nor abandoned: true from Start until Finish
  // or Abandon, also when the worker has ended and its message is on its way.
  bool running() const { return work_ != nullptr; }

  // Asks the worker to stop and stops waiting for it: running() is false at
  // once. A worker that is reading stops within about one read block; one held
  // by a device ends when the device answers (or fails) the call it is in.
  // The program may end meanwhile: the worker holds nothing that needs it.
  void Abandon();

  // What the worker came to, when `done_message` arrives with `number`; or
  // std::nullopt when the message came from a worker already abandoned.
  std::optional<Mod::Outcome> Finish(WPARAM number);

  // How far the worker has come; read at any time while running().
  const crc::FileProgress& progress() const;

  // Workers in this process whose threads have not yet ended, abandoned ones
  // included.
  static int LiveWorkers();

 private:
  struct Work;
  std::shared_ptr<Work> work_;  // shared with the worker thread
};

}  // namespace ui
