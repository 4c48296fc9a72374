#pragma once

// Folding a whole file into a CRC register, on one thread or on several. A
// large file whose data comes fast is split into one contiguous range per
// thread; each thread reads its range at its own offsets into its own block
// and folds it from a register of 0, and the ranges' registers are joined in
// order (combine.h). One whose data comes slowly is read in one pass, or with
// several reads in flight where they raise the rate (read_in_flight.h).
// Nothing crosses threads but a byte counter, the rate watch (read_rate.h),
// the next block's number and the stop request until the end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>

#include "crc/file_progress.h"
#include "crc/kernel.h"
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
  // with 4 and so on while each step raises the rate (read_in_flight.h); the
  // rest is read with the last count that did, or in one pass as before.
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
// from its start: a range that comes up short (the file shrank meanwhile) makes
// the whole file be read again in one pass, and bytes past the size the file
// had at the start are read after the last range. std::nullopt when a stop is
// requested on `stop`. A failed read throws the first failure's error once
// every thread has stopped; no thread outlives the call.
std::optional<FoldedFile> FoldFile(platform::ReadOnlyFile& file, std::uint32_t reg,
                                   KernelFunction update, const ReadPlan& plan,
                                   std::stop_token stop, FileProgress& progress);

}  // namespace crc
