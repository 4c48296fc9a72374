#include "ui/checksum_job.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

namespace ui {
namespace {

std::atomic<int> live_workers{0};
// Numbers are unique in the process, so that a window made after another one
// (and perhaps given the same handle) never takes the older one's message.
std::atomic<WPARAM> last_number{0};

}  // namespace

// What the window's thread and the worker share; it lives as long as either
// holds it.
struct ChecksumJob::Work {
  WPARAM number = 0;
  std::stop_source stop;
  crc::FileProgress progress;
  std::mutex mutex;
  std::condition_variable ended_signal;
  bool ended = false;    // guarded by mutex
  Mod::Outcome outcome;  // written by the worker before `ended`
};

void ChecksumJob::Start(std::wstring path, HWND window, UINT done_message) {
  Abandon();
  auto work = std::make_shared<Work>();
  work->number = ++last_number;
  ++live_workers;
  try {
    std::thread([work, path = std::move(path), window, done_message]() mutable {
      Mod::Outcome outcome =
          Mod::ComputeFileCRC(std::move(path), work->stop.get_token(), work->progress);
      {
        const std::lock_guard lock(work->mutex);
        work->outcome = std::move(outcome);
        work->ended = true;
      }
      work->ended_signal.notify_all();
      // Posted, never sent: the window's thread never waits for this one.
      // A window that has gone meanwhile makes this fail, harmlessly.
      PostMessageW(window, done_message, work->number, 0);
      work.reset();  // the last owner, once the window's thread has let go
      --live_workers;
    }).detach();
  } catch (...) {
    --live_workers;
    throw;
  }
  work_ = std::move(work);
}

void ChecksumJob::Abandon() {
  if (work_) {
    work_->stop.request_stop();
    work_.reset();
  }
}

void ChecksumJob::Stop(std::chrono::milliseconds patience) {
  if (work_) {
    work_->stop.request_stop();
    std::unique_lock lock(work_->mutex);
    work_->ended_signal.wait_for(lock, patience, [this] { return work_->ended; });
  }
  work_.reset();
}

std::optional<Mod::Outcome> ChecksumJob::Finish(WPARAM number) {
  if (!work_ || work_->number != number) {
    return std::nullopt;
  }
  const std::shared_ptr<Work> work = std::move(work_);
  const std::lock_guard lock(work->mutex);  // orders the worker's writes before the read
  return std::move(work->outcome);
}

const crc::FileProgress& ChecksumJob::progress() const { return work_->progress; }

int ChecksumJob::LiveWorkers() { return live_workers.load(); }

}  // namespace ui
