#pragma once

// An independent CRC-32 to check the engine against: one bit at a time, no
// tables, straight from the definition.

#include <cstdint>
#include <span>

namespace test_support {

inline std::uint32_t ReferenceUpdate(std::uint32_t reg, std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    reg ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
      reg = (reg & 1u) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
    }
  }
  return reg;
}

// The complete CRC-32: preset to all ones, complemented at the end.
inline std::uint32_t ReferenceCrc32(std::span<const std::uint8_t> bytes) {
  return ~ReferenceUpdate(0xFFFFFFFFu, bytes);
}

}  // namespace test_support
