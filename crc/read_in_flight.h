#pragma once

// Reading a stretch of a file with several requests in flight, for storage
// where each request waits on a round trip rather than on a disk: a share
// behind a long link. Each thread has its own handle and its own block; the
// threads take the stretch's blocks in order (thread t first takes block t,
// then each takes the next one not yet taken), so the requests in flight are
// always neighbours and the server reads near in sequence. Each thread folds
// its blocks into a register of its own as if the other threads' blocks were
// zeros (combine.h's shift stands in for them), and the threads' registers
// are joined at the end: no block waits for another, and nothing crosses
// threads but the next block's number.

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "crc/file_progress.h"
#include "crc/fold_file.h"
#include "crc/kernel.h"
#include "platform/read_only_file.h"

namespace crc {

class ReadsInFlight {
 public:
  ReadsInFlight(platform::ReadOnlyFile& file, KernelFunction update, const ReadPlan& plan,
                std::stop_token stop, FileProgress& progress);

  // Opens the handles that `count` reads in flight need and does not have yet.
  // On a share each opening is a round trip, which a window timed for its
  // reads must not include.
  void Open(unsigned count);

  // Folds [from, to) into `reg`, the register after the bytes before `from`,
  // with `count` reads in flight, this thread among them (1: one pass on this
  // thread). std::nullopt when a stop was requested. A read that comes up
  // short (the file shrank) throws platform::FileChangedError(), a failed
  // read its error, once every thread has stopped. Block t of the stretch is
  // always read by lane t, whether by its own thread or, when that could not
  // start, by this one: the lanes that started read the whole stretch.
  std::optional<std::uint32_t> Fold(std::uint32_t reg, std::uint64_t from, std::uint64_t to,
                                    unsigned count);

 private:
  platform::ReadOnlyFile& file_;
  const KernelFunction update_;
  const ReadPlan& plan_;
  const std::stop_token stop_;
  FileProgress& progress_;
  // The other threads' handles, kept from one stretch to the next.
  std::vector<platform::ReadOnlyFile> others_;
  unsigned most_;
};

// Folds a large file on from `from` (`reg` the register there), whose first
// window in one pass came slowly, with reads in flight where they raise the
// rate. The one-stream rate is timed on the blocks that follow, in one pass;
// then a window is read with 2 reads in flight, then with 4 and so on up to
// plan.in_flight for as long as each step raises the rate clearly above the
// one before; the rest is read with the last count that did, in stretches
// that double, each timed, until one comes no faster than one stream. The
// windows are timed with plan.rate.now. Returns the register and the offset
// where one pass is to read on (`size` when reads in flight reached the end),
// every extra handle closed; std::nullopt when a stop was requested. Throws
// as ReadsInFlight::Fold.
std::optional<FoldedFile> FoldInFlight(platform::ReadOnlyFile& file, std::uint32_t reg,
                                       std::uint64_t from, std::uint64_t size,
                                       KernelFunction update, const ReadPlan& plan,
                                       std::stop_token stop, FileProgress& progress);

}  // namespace crc
