#pragma once

// The CRC register after a run of zero bytes, computed in closed form: feeding
// one zero bit multiplies the register, as a polynomial, by x modulo P, so n
// zero bytes multiply it by x^(8n) mod P. Independent of the engine's tables
// and kernels, and fast for any n.

#include <cstdint>

namespace test_support {

// a * b mod P, in the reflected bit order (bit 31 holds x^0).
inline std::uint32_t MultiplyModP(std::uint32_t a, std::uint32_t b) {
  std::uint32_t product = 0;
  for (std::uint32_t bit = 0x80000000u; bit != 0; bit >>= 1) {
    if (a & bit) {
      product ^= b;
    }
    b = (b & 1u) ? (b >> 1) ^ 0xEDB88320u : b >> 1;  // b *= x
  }
  return product;
}

inline std::uint32_t AdvanceOverZeros(std::uint32_t reg, std::uint64_t zero_bytes) {
  std::uint32_t power = 0x80000000u;   // x^0
  std::uint32_t square = 0x40000000u;  // x^1, then x^2, x^4, ...
  for (std::uint64_t bits = zero_bytes * 8; bits != 0; bits >>= 1) {
    if (bits & 1u) {
      power = MultiplyModP(power, square);
    }
    square = MultiplyModP(square, square);
  }
  return MultiplyModP(reg, power);
}

}  // namespace test_support
