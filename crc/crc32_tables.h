#pragma once

// CRC-32 (ISO-HDLC, the IEEE 802.3 CRC) treats a message as a polynomial over
// GF(2), one coefficient per bit, least significant bit first ("reflected").
// The CRC is the remainder of that polynomial, times x^32, modulo the generator
// P(x) = x^32 + x^26 + x^23 + x^22 + x^16 + x^12 + x^11 + x^10 + x^8 + x^7 +
// x^5 + x^4 + x^2 + x + 1, with the register preset to all ones and the result
// complemented. In the reflected bit order P is the constant 0xEDB88320.
//
// Division one bit at a time is eight shift-and-conditional-XOR steps per byte.
// The classic table folds those eight steps into one lookup: entry n is the
// remainder of the byte n. Slicing extends this: table k holds the remainder of
// byte n followed by k zero bytes, so the remainders of 16 bytes, each looked up
// in the table of its distance from the end of the block, XOR into the remainder
// of the whole block, and 16 independent lookups replace 16 dependent ones.
//
// Tables still look bytes up one load at a time. Carry-less multiplication
// (PCLMULQDQ, and VPCLMULQDQ on 256- and 512-bit registers) does the division
// in large steps instead, as described in "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ Instruction" (Intel). Only the remainder matters,
// so any part A(x) of the message may be replaced by anything congruent to it
// modulo P. A 128-bit lane of the message that stands D bits before a later
// lane contributes A(x) * x^D; split A into its high and low 64-bit halves,
// A = H * x^64 + L, and
//
//   A * x^D = H * x^(D+64) + L * x^D  ==  H * (x^(D+64) mod P) + L * (x^D mod P),
//
// two 64 x 32-bit carry-less products whose sum fits in 128 bits and lines up
// with the later lane, which it is simply XORed into ("folding"). Many lanes
// are folded side by side, each over the width of all of them, so that the
// multiplier's latency is hidden; at the end the lanes fold into one. The
// multipliers x^n mod P depend only on the polynomial and are derived at
// compile time (fold_constants.h; the exponents there are shifted by 32 to
// account for the reflected bit order and the CRC's factor x^32).
//
// The last lane, times x^32, is folded down to 64 bits and then reduced
// exactly with Barrett's method: for C(x) of degree below 64,
//
//   floor(C / P) = floor(floor(C / x^32) * floor(x^64 / P) / x^32),
//
// so two more carry-less products give the quotient q and C + q * P, whose
// low 32 bits are the CRC register, with no division at run time.
//
// All tables and constants are built at compile time; nothing is computed at
// run time.

#include <array>
#include <cstddef>
#include <cstdint>

namespace crc {

inline constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;

using ByteTable = std::array<std::uint32_t, 256>;

// The register after feeding one byte's worth of zero bits: eight steps of
// "shift right, XOR the polynomial in when a 1 falls out".
constexpr std::uint32_t ShiftByteOut(std::uint32_t value) {
  for (int bit = 0; bit < 8; ++bit) {
    value = (value >> 1) ^ ((value & 1u) ? kReflectedPolynomial : 0u);
  }
  return value;
}

template <std::size_t kSlices>
constexpr std::array<ByteTable, kSlices> MakeSlicingTables() {
  std::array<ByteTable, kSlices> tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    tables[0][n] = ShiftByteOut(n);
  }
  for (std::size_t k = 1; k < kSlices; ++k) {
    for (std::size_t n = 0; n < 256; ++n) {
      const std::uint32_t previous = tables[k - 1][n];
      tables[k][n] = (previous >> 8) ^ tables[0][previous & 0xFFu];
    }
  }
  return tables;
}

inline constexpr std::size_t kSlices = 16;
inline constexpr std::array<ByteTable, kSlices> kSlicingTables = MakeSlicingTables<kSlices>();

// The standard one-byte table.
inline constexpr const ByteTable& kByteTable = kSlicingTables[0];

static_assert(kByteTable[1] == 0x77073096u);
static_assert(kByteTable[128] == kReflectedPolynomial);
static_assert(kByteTable[255] == 0x2D02EF8Du);

}  // namespace crc
