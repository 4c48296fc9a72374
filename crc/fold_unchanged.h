#pragma once

// Folding a whole file into a CRC only where the bytes folded were the file's
// at one moment. Blocks are read at different moments, ranges even out of
// order: across a write they would join into the checksum of a file that never
// was. A write that share modes let through is seen in the file's size and
// last-write time, compared before the first read and after the last, where
// the file's system updates them while it is written. A file that another
// program holds open for writing, so that only a comparison can vouch for its
// bytes, is read twice. Two reads that give the same size and the same CRC
// saw one version, the file as it was between them: each byte was read by the
// first before the first ended and by the second after the second began, so a
// byte that held another value at any moment in between makes them differ,
// unless it was written back as it was before the second read came to it (a
// write that the stamp shows, where it moves). CRC-32 sees every change within
// 32 consecutive bits, and misses others about once in 2^32.

#include <cstdint>
#include <optional>
#include <stop_token>

#include "crc/file_progress.h"
#include "crc/fold_file.h"
#include "crc/kernel.h"
#include "platform/read_only_file.h"

namespace crc {

enum class Reads {
  kOnce,           // no other program can write the file while it is open here
  kTwiceAgreeing,  // one may: a second read must agree with the first
};

// FoldFile over the whole of `file`, `reads` times, with `progress` running
// once from empty to full over all of them. Throws std::system_error with
// platform::FileChangedError() when the file's size or last-write time moved,
// or two reads differ in length or CRC. std::nullopt when a stop is requested
// on `stop` during any read.
std::optional<FoldedFile> FoldUnchanged(platform::ReadOnlyFile& file, std::uint32_t reg,
                                        KernelFunction update, const ReadPlan& plan, Reads reads,
                                        std::stop_token stop, FileProgress& progress);

}  // namespace crc
