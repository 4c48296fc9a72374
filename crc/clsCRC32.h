#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>

#include "crc/crc32_tables.h"
#include "crc/file_progress.h"
#include "platform/path.h"

// CRC-32 (ISO-HDLC, the IEEE 802.3 CRC: check value 0xCBF43926 for the ASCII
// bytes "123456789") over byte arrays and whole files.
class clsCRC32 {
 public:
  // A new object is ready to use: its register is already initialised.
  clsCRC32() { InitCRC(); }

  // Feeds `ByteArray` into the running CRC and returns the CRC-32 of every byte
  // fed since the object was created or last reset by CalculateFile. Successive
  // calls continue one CRC; an empty array changes nothing.
  std::uint32_t AddBytes(std::span<const std::uint8_t> ByteArray);

  // The CRC-32 of the file's whole contents, read from start to end, followed by
  // `sAppend` (one byte per character in the ANSI code page) when `sAppend` is
  // not blank. Every call starts a fresh CRC. An empty file gives 0 and its
  // `sAppend` is not processed. Throws std::system_error when the file cannot be
  // opened or read, so that a failure is never mistaken for a checksum, and
  // platform::FileChangedError() when the file changed while it was read.
  std::uint32_t CalculateFile(const platform::NativePath& Filename, std::wstring_view sAppend = {});

  // The same checksum as the call above, for long work on another thread: it
  // keeps `progress` up to date, and a stop request on `stop` ends it within
  // about one read block, every helper thread joined, with std::nullopt (a
  // cancelled call is neither a checksum nor a failure).
  std::optional<std::uint32_t> CalculateFile(const platform::NativePath& Filename,
                                             std::wstring_view sAppend, std::stop_token stop,
                                             crc::FileProgress& progress);

 private:
  // Resets the register to all ones. The table needs no work: it is a constant.
  void InitCRC() { lCRC32 = 0xFFFFFFFFu; }

  std::uint32_t lCRC32 = 0xFFFFFFFFu;
  static constexpr const std::array<std::uint32_t, 256>& lTable = crc::kByteTable;
};
