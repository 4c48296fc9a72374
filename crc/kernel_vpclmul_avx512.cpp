// Folding with VPCLMULQDQ on 512-bit registers (four 128-bit lanes each), for
// x86-64 with AVX-512 F and VL. Preconditions: none (any length, any
// alignment). Below one register's width the 128-bit lane steps take over,
// and below one lane the slicing kernel; the last partial lane re-reads up to
// 15 already-folded bytes inside the buffer, never a byte outside it.

// GCC 12 warns inside its own AVX-512 intrinsics, which start some results
// from deliberately undefined vectors (GCC bug 105593). The warning must be
// off where those headers are read, before any include.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "crc/kernel.h"
#include "crc/target.h"

#if QUILLOMAT_CRC_X86_64

#include "crc/fold_x86.h"

namespace crc {
namespace {

// Registers in flight. Each fold is two multiplies and one three-way XOR
// (VPTERNLOGD). Issuing the eight multiplies of one step takes longer than one
// fold takes to complete, so four chains keep the multiplier busy; more would
// only add folds to the final combination.
constexpr int kRegisters = 4;
constexpr std::size_t kRegisterBytes = 64;
constexpr std::size_t kBlock = kRegisterBytes * kRegisters;
constexpr fold::LaneFold kFoldOverBlock = fold::FoldOver(8 * kBlock);
constexpr fold::LaneFold kFoldOverRegister = fold::FoldOver(8 * kRegisterBytes);
constexpr auto kRegisterFoldsToLast = fold::FoldsToLast<kRegisters>(8 * kRegisterBytes);
constexpr auto kLaneFoldsToLast = fold::FoldsToLast<4>(128);
constexpr auto kLaneFoldsToBits96 = fold::FoldsToFinalBits96<4>();

// VPTERNLOGD's truth table for a ^ b ^ c.
constexpr int kXor3 = 0x96;

QUILLOMAT_TARGET_VPCLMUL_AVX512 inline __m512i Broadcast(const fold::LaneFold& multipliers) {
  return _mm512_broadcast_i32x4(x86::Multipliers(multipliers));
}

QUILLOMAT_TARGET_VPCLMUL_AVX512 inline __m512i Load512(const std::uint8_t* bytes) {
  return _mm512_loadu_si512(bytes);
}

// Each lane of `folded` carried forward by `multipliers`, XORed with `addend`.
QUILLOMAT_TARGET_VPCLMUL_AVX512 inline __m512i FoldAndAdd(__m512i folded, __m512i multipliers,
                                                          __m512i addend) {
  return _mm512_ternarylogic_epi32(_mm512_clmulepi64_epi128(folded, multipliers, 0x00),
                                   _mm512_clmulepi64_epi128(folded, multipliers, 0x11), addend,
                                   kXor3);
}

QUILLOMAT_TARGET_VPCLMUL_AVX512 inline __m512i PerLane(const std::array<fold::LaneFold, 4>& f) {
  return _mm512_set_epi64(
      static_cast<long long>(f[3].for_high_half), static_cast<long long>(f[3].for_low_half),
      static_cast<long long>(f[2].for_high_half), static_cast<long long>(f[2].for_low_half),
      static_cast<long long>(f[1].for_high_half), static_cast<long long>(f[1].for_low_half),
      static_cast<long long>(f[0].for_high_half), static_cast<long long>(f[0].for_low_half));
}

QUILLOMAT_TARGET_VPCLMUL_AVX512 inline __m128i XorLanes(__m512i folded) {
  const __m256i halves =
      _mm256_xor_si256(_mm512_extracti64x4_epi64(folded, 0), _mm512_extracti64x4_epi64(folded, 1));
  return _mm_xor_si128(_mm256_castsi256_si128(halves), _mm256_extracti128_si256(halves, 1));
}

// The four lanes of `value` folded into one lane at the position of the last.
QUILLOMAT_TARGET_VPCLMUL_AVX512 inline __m128i CollapseLanes(__m512i value) {
  // The last lane's multipliers are zero: it joins unchanged through the XOR.
  const __m512i multipliers = PerLane(kLaneFoldsToLast);
  return XorLanes(FoldAndAdd(value, multipliers, _mm512_maskz_mov_epi64(0xC0, value)));
}

// The CRC register for a value whose last lane ends where the message ends:
// every lane folds straight into the final reduction's 96 bits.
QUILLOMAT_TARGET_VPCLMUL_AVX512 inline std::uint32_t ReduceRegister(__m512i value) {
  const __m512i multipliers = PerLane(kLaneFoldsToBits96);
  return x86::ReduceBits96(
      XorLanes(_mm512_xor_si512(_mm512_clmulepi64_epi128(value, multipliers, 0x00),
                                _mm512_clmulepi64_epi128(value, multipliers, 0x11))));
}

}  // namespace

QUILLOMAT_TARGET_VPCLMUL_AVX512 std::uint32_t UpdateVpclmulAvx512(std::uint32_t reg,
                                                                  const std::uint8_t* data,
                                                                  std::size_t length) noexcept {
  if (length < 16) return UpdatePortable(reg, data, length);
  const std::uint8_t* const end = data + length;
  if (length < kRegisterBytes) return x86::FinishLane(x86::FirstLane(reg, data), data + 16, end);

  __m512i value = _mm512_xor_si512(
      Load512(data), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(reg))));
  if (length >= 2 * kBlock) {
    __m512i registers[kRegisters];
    registers[0] = value;
    for (int i = 1; i < kRegisters; ++i) registers[i] = Load512(data + kRegisterBytes * i);
    data += kBlock;
    const __m512i fold_over_block = Broadcast(kFoldOverBlock);
    while (end - data >= static_cast<std::ptrdiff_t>(kBlock)) {
      for (int i = 0; i < kRegisters; ++i) {
        registers[i] =
            FoldAndAdd(registers[i], fold_over_block, Load512(data + kRegisterBytes * i));
      }
      data += kBlock;
    }
    value = registers[kRegisters - 1];
    for (int i = 0; i < kRegisters - 1; ++i) {
      value = FoldAndAdd(registers[i], Broadcast(kRegisterFoldsToLast[i]), value);
    }
  } else {
    data += kRegisterBytes;
  }
  const __m512i fold_over_register = Broadcast(kFoldOverRegister);
  while (end - data >= static_cast<std::ptrdiff_t>(kRegisterBytes)) {
    value = FoldAndAdd(value, fold_over_register, Load512(data));
    data += kRegisterBytes;
  }
  if (data == end) return ReduceRegister(value);
  return x86::FinishLane(CollapseLanes(value), data, end);
}

}  // namespace crc

#endif
