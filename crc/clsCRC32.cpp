#include "crc/clsCRC32.h"

#include "crc/kernel.h"

std::uint32_t clsCRC32::AddBytes(std::span<const std::uint8_t> ByteArray) {
  if (!ByteArray.empty()) {
    lCRC32 = crc::SelectedKernel().update(lCRC32, ByteArray.data(), ByteArray.size());
  }
  return ~lCRC32;
}
