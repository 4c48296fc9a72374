#include "ui/checksum_job.h"

#include <atomic>
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
  Mod::Outcome outcome;            // written by the worker before `ended`
  std::atomic<bool> ended{false};  // released by the worker, acquired by Finish
};

void ChecksumJob::Start(std::wstring path, HWND window, UINT done_message) {
  Abandon();
  auto work = std::make_shared<Work>();
  work->number = ++last_number;
  ++live_workers;
  try {
    std::thread([work, path = std::move(path), window, done_message]() mutable {
      work->outcome = Mod::ComputeFileCRC(std::move(path), work->stop.get_token(), work->progress);
      work->ended.store(true, std::memory_order_release);
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

std::optional<Mod::Outcome> ChecksumJob::Finish(WPARAM number) {
  if (!work_ || work_->number != number || !work_->ended.load(std::memory_order_acquire)) {
    return std::nullopt;
  }
  const std::shared_ptr<Work> work = std::move(work_);
  return std::move(work->outcome);
}

const crc::FileProgress& ChecksumJob::progress() const { return work_->progress; }

int ChecksumJob::LiveWorkers() { return live_workers.load(); }

}  // namespace ui
