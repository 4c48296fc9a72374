#pragma once

// The multipliers of the carry-less-multiply kernels, derived here from the
// generator polynomial at compile time (the method is in crc32_tables.h).
//
// Inside a 128-bit lane loaded from memory, bit j (bit j % 8 of byte j / 8) is
// the coefficient of x^(127 - j): the reflected order, so the low 64-bit half
// holds the higher-degree half of the lane. A multiplier for x^n is stored as
// the reflected remainder x^n mod P shifted left by one bit: multiplying a
// 64-bit half of a lane by it (PCLMULQDQ) yields a 128-bit lane whose value is
// that half times x^n, re-aligned to the lane's frame up to a factor of x^-32
// for the low half and x^32 for the high half. Folding a lane forward over
// `bits` bits therefore uses x^(bits + 32) for its low half and x^(bits - 32)
// for its high half.

#include <array>
#include <cstdint>

namespace crc::fold {

// P(x) with its x^32 term, in the normal order (bit i is the coefficient of x^i).
inline constexpr std::uint64_t kPolynomial = 0x104C11DB7u;

// Bit i of the result is bit (width - 1 - i) of `value`.
constexpr std::uint64_t Reflect(std::uint64_t value, unsigned width) {
  std::uint64_t reflected = 0;
  for (unsigned bit = 0; bit < width; ++bit) {
    reflected |= ((value >> bit) & 1u) << (width - 1 - bit);
  }
  return reflected;
}

// x^n mod P in the normal order: multiply by x n times, reducing as we go.
constexpr std::uint32_t XPowModP(unsigned n) {
  std::uint64_t remainder = 1;
  for (unsigned i = 0; i < n; ++i) {
    remainder <<= 1;
    if (remainder & (std::uint64_t{1} << 32)) remainder ^= kPolynomial;
  }
  return static_cast<std::uint32_t>(remainder);
}

// floor(x^64 / P) in the normal order: a polynomial of degree 32 (33 bits).
constexpr std::uint64_t XPow64DivP() {
  std::uint64_t quotient = 0;
  // The dividend x^64 needs 65 bits: keep its top coefficient implicit and
  // reduce it first, then carry on with the 64-bit remainder.
  std::uint64_t remainder = kPolynomial << 31 << 1;  // x^64 - P * x^32
  quotient |= std::uint64_t{1} << 32;
  for (int degree = 63; degree >= 32; --degree) {
    if ((remainder >> degree) & 1u) {
      remainder ^= kPolynomial << (degree - 32);
      quotient |= std::uint64_t{1} << (degree - 32);
    }
  }
  return quotient;
}

// The multiplier for x^n in the form described above.
constexpr std::uint64_t XPowModPMultiplier(unsigned n) { return Reflect(XPowModP(n), 32) << 1; }

// The pair of multipliers that folds a lane forward over `bits` bits.
struct LaneFold {
  std::uint64_t for_low_half;   // x^(bits + 32)
  std::uint64_t for_high_half;  // x^(bits - 32)
};

constexpr LaneFold FoldOver(unsigned bits) {
  return {XPowModPMultiplier(bits + 32), XPowModPMultiplier(bits - 32)};
}

inline constexpr LaneFold kFoldOver128 = FoldOver(128);

// Multipliers that bring `lanes` consecutive lanes (of `lane_bits` each, oldest
// first) to the position of the last one: entry i folds over the distance
// from lane i to the last lane; the last entry is zero.
template <int kLanes>
constexpr std::array<LaneFold, kLanes> FoldsToLast(unsigned lane_bits) {
  std::array<LaneFold, kLanes> folds{};
  for (int i = 0; i + 1 < kLanes; ++i) {
    folds[i] = FoldOver(lane_bits * static_cast<unsigned>(kLanes - 1 - i));
  }
  return folds;
}

// Multipliers that take each of `kLanes` consecutive lanes (oldest first),
// the last of which ends where the message ends, straight to the 96-bit value
// the final reduction starts from: the lane `d` bits before the last uses
// x^(d + 96) for its low half and x^(d + 32) for its high half.
template <int kLanes>
constexpr std::array<LaneFold, kLanes> FoldsToFinalBits96() {
  std::array<LaneFold, kLanes> folds{};
  for (int i = 0; i < kLanes; ++i) {
    const auto distance = 128u * static_cast<unsigned>(kLanes - 1 - i);
    folds[i] = {XPowModPMultiplier(distance + 96), XPowModPMultiplier(distance + 32)};
  }
  return folds;
}

// The final reduction: 128 lane bits to 96 (x^96), 96 to 64 (x^64), then Barrett.
inline constexpr std::uint64_t kXPow96ModP = XPowModPMultiplier(96);
inline constexpr std::uint64_t kXPow64ModP = XPowModPMultiplier(64);
// Barrett reduction's quotient estimate floor(x^64 / P) and the divisor P, both
// reflected over 33 bits.
inline constexpr std::uint64_t kXPow64DivP = Reflect(XPow64DivP(), 33);
inline constexpr std::uint64_t kP = Reflect(kPolynomial, 33);

// Published constants of the CRC-32 folding literature (for example the gzip
// CRC of the Linux kernel's PCLMULQDQ code) agree with the derivation.
static_assert(FoldOver(512).for_low_half == 0x154442BD4u);   // x^544 mod P
static_assert(FoldOver(512).for_high_half == 0x1C6E41596u);  // x^480 mod P
static_assert(FoldOver(128).for_low_half == 0x1751997D0u);   // x^160 mod P
static_assert(FoldOver(128).for_high_half == 0x0CCAA009Eu);  // x^96 mod P
static_assert(kXPow64ModP == 0x163CD6124u);
static_assert(kXPow64DivP == 0x1F7011641u);
static_assert(kP == 0x1DB710641u);
static_assert(XPowModP(32) == (kPolynomial & 0xFFFFFFFFu));

}  // namespace crc::fold
