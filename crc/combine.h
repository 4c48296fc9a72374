#pragma once

// Joining the CRC registers of consecutive byte ranges. Feeding a range of n
// bytes into a register r is linear over GF(2): it gives r * x^(8n) mod P (r
// pushed through n zero bytes) plus what the same range gives from a register
// of 0. So ranges can be folded independently, the first from the preset and
// the others from 0, and joined in order at the end with one multiplication
// each. x^(8n) mod P comes from a table of x^(2^k) mod P, one multiplication
// per set bit of n, so any length up to 2^64 bytes costs at most 64 of them.

#include <array>
#include <cstdint>

#include "crc/crc32_tables.h"

namespace crc {

// a * b mod P, both in the reflected bit order (bit 31 holds x^0).
constexpr std::uint32_t MultiplyModP(std::uint32_t a, std::uint32_t b) {
  std::uint32_t product = 0;
  for (std::uint32_t bit = 0x80000000u; bit != 0; bit >>= 1) {
    if (a & bit) product ^= b;
    b = (b >> 1) ^ ((b & 1u) ? kReflectedPolynomial : 0u);  // b *= x
  }
  return product;
}

// Entry k is x^(2^(k + 3)) mod P: x^(8 * 2^k), the shift over 2^k bytes.
inline constexpr std::array<std::uint32_t, 64> kXPowBytesModP = [] {
  std::array<std::uint32_t, 64> powers{};
  std::uint32_t power = 0x40000000u;  // x^1
  for (int squarings = 0; squarings < 3; ++squarings) power = MultiplyModP(power, power);
  for (std::uint32_t& entry : powers) {
    entry = power;
    power = MultiplyModP(power, power);
  }
  return powers;
}();

// The register `reg` after `bytes` zero bytes: reg * x^(8 * bytes) mod P.
constexpr std::uint32_t ShiftOverZeros(std::uint32_t reg, std::uint64_t bytes) {
  for (int k = 0; bytes != 0; ++k, bytes >>= 1) {
    if (bytes & 1u) reg = MultiplyModP(reg, kXPowBytesModP[k]);
  }
  return reg;
}

// The register after `reg` and then a range of `length` bytes that, fed from
// a register of 0, gives `range_reg`.
constexpr std::uint32_t Combine(std::uint32_t reg, std::uint32_t range_reg, std::uint64_t length) {
  return ShiftOverZeros(reg, length) ^ range_reg;
}

static_assert(kXPowBytesModP[0] == 0x00800000u);                        // x^8
static_assert(ShiftOverZeros(0x80000000u, 4) == kReflectedPolynomial);  // x^32 mod P

// "1234" from the preset joined with "56789" from 0 gives the check value.
constexpr std::uint32_t FeedBytewise(std::uint32_t reg, const char* text) {
  for (; *text; ++text)
    reg = (reg >> 8) ^ kByteTable[(reg ^ static_cast<std::uint8_t>(*text)) & 0xFFu];
  return reg;
}
static_assert(~Combine(FeedBytewise(0xFFFFFFFFu, "1234"), FeedBytewise(0, "56789"), 5) ==
              0xCBF43926u);

}  // namespace crc
