#pragma once

// Folding a whole file into a CRC register, on one thread or on several. A
// large file whose data comes fast is split into one contiguous range per
// thread; each thread reads its range at its own offsets into its own block
// and folds it from a register of 0, and the ranges' registers are joined in
// order (combine.h). One whose data comes slowly is read in one pass, or with
// several reads in flight where they raise the rate (read_in_flight.h).
// Nothing crosses threads but a byte counter, the rate watch (read_rate.h),
// the next block's number and the stop (on_threads.h) until the end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>

#include "crc/file_progress.h"
#include "crc/kernel.h"
#include "crc/on_threads.h"
#include "crc/read_rate.h"
#include "platform/read_only_file.h"

namespace crc {

// Reads at an offset as ReadOnlyFile::ReadAt does; tests stand in failures.
using ReadAtFunction = std::size_t (*)(platform::ReadOnlyFile& file, std::uint64_t offset,
                                       std::span<std::uint8_t> buffer);

std::size_t ReadFileAt(platform::ReadOnlyFile& file, std::uint64_t offset,
                       std::span<std::uint8_t> buffer);

struct ReadPlan {
  std::size_t block_size;       // bytes per read, and per thread in memory
  std::uint64_t parallel_from;  // files at least this large are read in ranges
  unsigned threads;             // ranges of a large file, one thread each
  ReadAtFunction read_at = &ReadFileAt;
  // A large file is read in one pass until a window of it comes fast; the
  // rest is then read in ranges, and what the ranges have left is read in one
  // pass once their data comes slowly. The default rule's rate of 0 means
  // ranges from the start and to the end.
  RateRule rate{};
  // The most reads in flight, one thread each, for a large file whose first
  // window came slowly: from there a window is read with 2 in flight, and
  // with 4 and so on while each step raises the rate over one stream
  // (read_in_flight.h); the rest is read with the last count that did while
  // it stays above, else in one pass as before.
  unsigned in_flight = 1;
};

// The measured block size, threshold and rate rule, one thread per hardware
// thread (at most 8) for ranges, and up to 8 reads in flight whatever the
// number of hardware threads: reads waiting on a round trip take no processor.
ReadPlan DefaultReadPlan();

struct FoldedFile {
  std::uint32_t reg;     // the register after the whole file
  std::uint64_t length;  // the bytes folded
};

// Folds `file`, from its start to its end as found while reading, into `reg`
// with `update`. The result is always the CRC of bytes the file held, in order
// from its start: bytes past the size the file had at the start are read
// after the last range, and a range or a read in flight that comes up short
// (the file shrank meanwhile) throws platform::FileChangedError(), with no
// second pass. std::nullopt when a stop is requested on `stop`. A failed read
// throws the first failure's error once every thread has stopped; no thread
// outlives the call.
std::optional<FoldedFile> FoldFile(platform::ReadOnlyFile& file, std::uint32_t reg,
                                   KernelFunction update, const ReadPlan& plan,
                                   std::stop_token stop, FileProgress& progress);

// The parts that every way of reading shares.

// Where the folding of a range ended: at the range's end, short of it because
// the file ended first, or on a stop request.
enum class RangeEnd { kComplete, kShort, kStopped };

struct Range {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::uint32_t reg = 0;
  RangeEnd outcome = RangeEnd::kStopped;
  std::uint64_t reached = 0;  // the offset after the last byte folded
};

// Folds [range.begin, range.end) into range.reg, reading into `block`
// (plan.block_size bytes), until `file` ends early or `stop` is requested
// (asked before every read); a range stopped before goes on from where it
// reached. Raises progress.expected past the size at open when the file has
// grown, and tells `watch` (if any) of every read.
void FoldRange(platform::ReadOnlyFile& file, Range& range, std::uint8_t* block,
               KernelFunction update, const ReadPlan& plan, const SharedStop& stop,
               FileProgress& progress, RateWatch* watch = nullptr);

// For a range that came up short where the file's size at the start said
// there was more: the file shrank under the read, so what was read is not
// one file's bytes. Throws platform::FileChangedError().
[[noreturn]] void ThrowFileShrank();

}  // namespace crc
