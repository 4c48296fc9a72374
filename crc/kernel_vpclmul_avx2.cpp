// Folding with VPCLMULQDQ on 256-bit registers (two 128-bit lanes each), for
// x86-64 with AVX2. Preconditions: none (any length, any alignment). Below one
// register's width the 128-bit lane steps take over, and below one lane the
// slicing kernel; the last partial lane re-reads up to 15 already-folded bytes
// inside the buffer, never a byte outside it.

#include "crc/kernel.h"
#include "crc/target.h"

#if QUILLOMAT_CRC_X86_64

#include "crc/fold_x86.h"

namespace crc {
namespace {

// Registers in flight: issuing the eight multiplies of one step takes longer
// than one fold takes to complete, so four chains keep the multiplier busy;
// more would only add folds to the final combination.
constexpr int kRegisters = 4;
constexpr std::size_t kRegisterBytes = 32;
constexpr std::size_t kBlock = kRegisterBytes * kRegisters;
constexpr fold::LaneFold kFoldOverBlock = fold::FoldOver(8 * kBlock);
constexpr fold::LaneFold kFoldOverRegister = fold::FoldOver(8 * kRegisterBytes);
constexpr auto kRegisterFoldsToLast = fold::FoldsToLast<kRegisters>(8 * kRegisterBytes);
constexpr auto kLaneFoldsToBits96 = fold::FoldsToFinalBits96<2>();

QUILLOMAT_TARGET_VPCLMUL_AVX2 inline __m256i Broadcast(const fold::LaneFold& multipliers) {
  return _mm256_broadcastsi128_si256(x86::Multipliers(multipliers));
}

QUILLOMAT_TARGET_VPCLMUL_AVX2 inline __m256i Load256(const std::uint8_t* bytes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

// Each lane of `folded` carried forward by `multipliers`.
QUILLOMAT_TARGET_VPCLMUL_AVX2 inline __m256i Fold(__m256i folded, __m256i multipliers) {
  return _mm256_xor_si256(_mm256_clmulepi64_epi128(folded, multipliers, 0x00),
                          _mm256_clmulepi64_epi128(folded, multipliers, 0x11));
}

// The two lanes of `value` folded into one lane at the position of the last.
QUILLOMAT_TARGET_VPCLMUL_AVX2 inline __m128i CollapseLanes(__m256i value) {
  return _mm_xor_si128(
      x86::FoldLane(_mm256_castsi256_si128(value), x86::Multipliers(fold::kFoldOver128)),
      _mm256_extracti128_si256(value, 1));
}

// The CRC register for a value whose last lane ends where the message ends:
// both lanes fold straight into the final reduction's 96 bits.
QUILLOMAT_TARGET_VPCLMUL_AVX2 inline std::uint32_t ReduceRegister(__m256i value) {
  const auto& f = kLaneFoldsToBits96;
  const __m256i multipliers = _mm256_set_epi64x(
      static_cast<long long>(f[1].for_high_half), static_cast<long long>(f[1].for_low_half),
      static_cast<long long>(f[0].for_high_half), static_cast<long long>(f[0].for_low_half));
  const __m256i folded = Fold(value, multipliers);
  return x86::ReduceBits96(
      _mm_xor_si128(_mm256_castsi256_si128(folded), _mm256_extracti128_si256(folded, 1)));
}

}  // namespace

QUILLOMAT_TARGET_VPCLMUL_AVX2 std::uint32_t UpdateVpclmulAvx2(std::uint32_t reg,
                                                              const std::uint8_t* data,
                                                              std::size_t length) noexcept {
  if (length < 16) return UpdatePortable(reg, data, length);
  const std::uint8_t* const end = data + length;
  if (length < kRegisterBytes) return x86::FinishLane(x86::FirstLane(reg, data), data + 16, end);

  __m256i value = _mm256_xor_si256(
      Load256(data), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(reg))));
  if (length >= 2 * kBlock) {
    __m256i registers[kRegisters];
    registers[0] = value;
    for (int i = 1; i < kRegisters; ++i) registers[i] = Load256(data + kRegisterBytes * i);
    data += kBlock;
    const __m256i fold_over_block = Broadcast(kFoldOverBlock);
    while (end - data >= static_cast<std::ptrdiff_t>(kBlock)) {
      for (int i = 0; i < kRegisters; ++i) {
        registers[i] = _mm256_xor_si256(Fold(registers[i], fold_over_block),
                                        Load256(data + kRegisterBytes * i));
      }
      data += kBlock;
    }
    value = registers[kRegisters - 1];
    for (int i = 0; i < kRegisters - 1; ++i) {
      value = _mm256_xor_si256(value, Fold(registers[i], Broadcast(kRegisterFoldsToLast[i])));
    }
  } else {
    data += kRegisterBytes;
  }
  const __m256i fold_over_register = Broadcast(kFoldOverRegister);
  while (end - data >= static_cast<std::ptrdiff_t>(kRegisterBytes)) {
    value = _mm256_xor_si256(Fold(value, fold_over_register), Load256(data));
    data += kRegisterBytes;
  }
  if (data == end) return ReduceRegister(value);
  return x86::FinishLane(CollapseLanes(value), data, end);
}

}  // namespace crc

#endif
