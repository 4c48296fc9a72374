#pragma once

// Folding on 128-bit lanes with PCLMULQDQ and SSE4.1: the steps every x86
// kernel shares. A lane holds 16 message bytes as loaded from memory; its value
// is always congruent, modulo P, to the whole message read so far, scaled to
// the lane's position. Include only from x86 kernel files.

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "crc/fold_constants.h"
#include "crc/target.h"

namespace crc::x86 {

// A multiplier pair in one register: the low half's multiplier in the low 64
// bits. Pass compile-time constants (fold::FoldOver is too slow to run).
QUILLOMAT_TARGET_PCLMUL inline __m128i Multipliers(const fold::LaneFold& multipliers) {
  return _mm_set_epi64x(static_cast<long long>(multipliers.for_high_half),
                        static_cast<long long>(multipliers.for_low_half));
}

// A 64-bit constant in the low half, zero above (also on 32-bit x86).
QUILLOMAT_TARGET_PCLMUL inline __m128i LowHalf(std::uint64_t value) {
  return _mm_set_epi64x(0, static_cast<long long>(value));
}

QUILLOMAT_TARGET_PCLMUL inline __m128i Load128(const std::uint8_t* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// `lane` carried forward over the distance that `multipliers` encodes.
QUILLOMAT_TARGET_PCLMUL inline __m128i FoldLane(__m128i lane, __m128i multipliers) {
  return _mm_xor_si128(_mm_clmulepi64_si128(lane, multipliers, 0x00),
                       _mm_clmulepi64_si128(lane, multipliers, 0x11));
}

// The first lane of a message: its first 16 bytes with the running register
// XORed into the first four, which continues the CRC the register stands for.
QUILLOMAT_TARGET_PCLMUL inline __m128i FirstLane(std::uint32_t reg, const std::uint8_t* bytes) {
  return _mm_xor_si128(Load128(bytes), _mm_cvtsi32_si128(static_cast<int>(reg)));
}

// Extends `lane`, which ends at `end - count`, over the last `count` bytes
// (1 to 15) of a buffer that has at least 16 bytes before `end`. The lane's
// first `count` bytes move out into a lane of their own one lane-width
// earlier, which is folded back in; the rest shift down to make room for the
// new bytes, taken from the buffer's last 16 bytes so that nothing past `end`
// is read.
QUILLOMAT_TARGET_PCLMUL inline __m128i FoldTail(__m128i lane, const std::uint8_t* end,
                                                std::size_t count) {
  // Byte k is k - 16 for 16 <= k < 32, else 0x80 (PSHUFB: produce a zero).
  alignas(16) static constexpr std::uint8_t kShifts[48] = {
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0,    1,    2,    3,    4,    5,    6,    7,
      8,    9,    10,   11,   12,   13,   14,   15,   0x80, 0x80, 0x80, 0x80,
      0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
  const __m128i move_up = Load128(kShifts + count);           // byte i <- byte i + count - 16
  const __m128i move_down = Load128(kShifts + 16 + count);    // byte i <- byte i + count
  const __m128i moved_out = _mm_shuffle_epi8(lane, move_up);  // the first `count` bytes
  const __m128i kept = _mm_shuffle_epi8(lane, move_down);
  // move_up's top bit is set exactly where `kept` has bytes.
  const __m128i merged = _mm_blendv_epi8(Load128(end - 16), kept, move_up);
  return _mm_xor_si128(merged, FoldLane(moved_out, Multipliers(fold::kFoldOver128)));
}

// The CRC register from a value of at most 96 bits (bits 0 to 95, in the
// reflected order) that is congruent to the message times x^32.
QUILLOMAT_TARGET_PCLMUL inline std::uint32_t ReduceBits96(__m128i bits96) {
  const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
  const __m128i fold64 = LowHalf(fold::kXPow64ModP);
  const __m128i barrett =
      _mm_set_epi64x(static_cast<long long>(fold::kP), static_cast<long long>(fold::kXPow64DivP));
  // 96 bits to 64: the top 32 times x^64 mod P, plus the other 64.
  const __m128i bits64 = _mm_xor_si128(
      _mm_clmulepi64_si128(_mm_and_si128(bits96, low32), fold64, 0x00), _mm_srli_si128(bits96, 4));
  // Barrett: quotient = floor(floor(C / x^32) * floor(x^64 / P) / x^32),
  // remainder = C - quotient * P, both exact over GF(2).
  const __m128i estimate = _mm_clmulepi64_si128(_mm_and_si128(bits64, low32), barrett, 0x00);
  const __m128i product = _mm_clmulepi64_si128(_mm_and_si128(estimate, low32), barrett, 0x10);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(bits64, product), 1));
}

// The CRC register for a lane that ends where the message ends: the lane's
// polynomial times x^32, modulo P.
QUILLOMAT_TARGET_PCLMUL inline std::uint32_t ReduceLane(__m128i lane) {
  // 128 bits to 96: the high-degree half times x^96 mod P, plus the low half.
  const __m128i fold96 = LowHalf(fold::kXPow96ModP);
  return ReduceBits96(
      _mm_xor_si128(_mm_clmulepi64_si128(lane, fold96, 0x00), _mm_srli_si128(lane, 8)));
}

// Finishes a message: `lane` ends at `data`; the rest of the message runs to
// `end`. Folds in whole lanes, then the tail, and reduces.
QUILLOMAT_TARGET_PCLMUL inline std::uint32_t FinishLane(__m128i lane, const std::uint8_t* data,
                                                        const std::uint8_t* end) {
  const __m128i fold_by_one = Multipliers(fold::kFoldOver128);
  while (end - data >= 16) {
    lane = _mm_xor_si128(FoldLane(lane, fold_by_one), Load128(data));
    data += 16;
  }
  if (data != end) {
    lane = FoldTail(lane, end, static_cast<std::size_t>(end - data));
  }
  return ReduceLane(lane);
}

}  // namespace crc::x86
