// Folding with PCLMULQDQ on 128-bit lanes (SSE4.1), for x86 and x86-64.
// Preconditions: none (any length, any alignment). Buffers shorter than one
// lane go to the slicing kernel. Tails shorter than a lane re-read up to 15
// bytes that were already folded (the last 16 bytes of the buffer), never a
// byte outside it.

#include "crc/kernel.h"
#include "crc/target.h"

#if QUILLOMAT_CRC_X86

#include "crc/fold_x86.h"

namespace crc {
namespace {

// Independent lanes in flight: enough to keep the multiplier busy while each
// product is still in its pipeline. 32-bit x86 has only eight vector registers.
#if QUILLOMAT_CRC_X86_64
constexpr int kLanes = 8;
#else
constexpr int kLanes = 4;
#endif
constexpr std::size_t kBlock = 16 * kLanes;
constexpr fold::LaneFold kFoldOverBlock = fold::FoldOver(8 * kBlock);
constexpr auto kFoldsToLast = fold::FoldsToLast<kLanes>(128);

}  // namespace

QUILLOMAT_TARGET_PCLMUL std::uint32_t UpdatePclmul(std::uint32_t reg, const std::uint8_t* data,
                                                   std::size_t length) noexcept {
  if (length < 16) return UpdatePortable(reg, data, length);
  const std::uint8_t* const end = data + length;
  __m128i lane = x86::FirstLane(reg, data);
  if (length >= 2 * kBlock) {
    __m128i lanes[kLanes];
    lanes[0] = lane;
    for (int i = 1; i < kLanes; ++i) lanes[i] = x86::Load128(data + 16 * i);
    data += kBlock;
    const __m128i fold_over_block = x86::Multipliers(kFoldOverBlock);
    while (end - data >= static_cast<std::ptrdiff_t>(kBlock)) {
      for (int i = 0; i < kLanes; ++i) {
        lanes[i] =
            _mm_xor_si128(x86::FoldLane(lanes[i], fold_over_block), x86::Load128(data + 16 * i));
      }
      data += kBlock;
    }
    // Every lane folds straight to the last one's position, all in parallel.
    lane = lanes[kLanes - 1];
    for (int i = 0; i < kLanes - 1; ++i) {
      lane = _mm_xor_si128(lane, x86::FoldLane(lanes[i], x86::Multipliers(kFoldsToLast[i])));
    }
  } else {
    data += 16;
  }
  return x86::FinishLane(lane, data, end);
}

}  // namespace crc

#endif
