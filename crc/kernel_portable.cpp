// Slicing-by-16. Preconditions: none (any length, any alignment); each byte
// is read exactly once.

#include <bit>
#include <cstring>

#include "crc/crc32_tables.h"
#include "crc/kernel.h"

namespace crc {
namespace {

std::uint32_t LoadLittleEndian32(const std::uint8_t* bytes) {
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  if constexpr (std::endian::native == std::endian::big) {
    value = ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) |
            (value >> 24);
  }
  return value;
}

// The remainder contributed by the four bytes of `word`, which stand `distance`
// to `distance + 3` bytes before the end of the 16-byte block.
inline std::uint32_t Slice4(std::uint32_t word, std::size_t distance) {
  const auto& t = kSlicingTables;
  return t[distance + 3][word & 0xFFu] ^ t[distance + 2][(word >> 8) & 0xFFu] ^
         t[distance + 1][(word >> 16) & 0xFFu] ^ t[distance][word >> 24];
}

}  // namespace

std::uint32_t UpdatePortable(std::uint32_t reg, const std::uint8_t* data,
                             std::size_t length) noexcept {
  while (length >= 16) {
    reg = Slice4(LoadLittleEndian32(data) ^ reg, 12) ^ Slice4(LoadLittleEndian32(data + 4), 8) ^
          Slice4(LoadLittleEndian32(data + 8), 4) ^ Slice4(LoadLittleEndian32(data + 12), 0);
    data += 16;
    length -= 16;
  }
  while (length-- != 0) {
    reg = (reg >> 8) ^ kByteTable[(reg ^ *data++) & 0xFFu];
  }
  return reg;
}

}  // namespace crc
