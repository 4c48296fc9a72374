// Differential fuzzing of the CRC engine: every kernel the CPU supports, fed in
// pieces whose sizes the input chooses, and clsCRC32::AddBytes, must agree with
// the bit-at-a-time definition.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "crc/clsCRC32.h"
#include "crc/kernel.h"
#include "tests/support/crc32_reference.h"

namespace {

[[noreturn]] void Mismatch() { std::abort(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  // The first two bytes choose the piece sizes; the rest is the message.
  const std::size_t piece_seed = data[0] | (std::size_t{data[1]} << 8);
  const std::span<const std::uint8_t> message(data + 2, size - 2);
  const std::uint32_t expected = test_support::ReferenceCrc32(message);

  for (const crc::Kernel& kernel : crc::SupportedKernels()) {
    std::uint32_t reg = 0xFFFFFFFFu;
    std::size_t offset = 0;
    std::size_t step = piece_seed;
    while (offset < message.size()) {
      step = step * 1103515245u + 12345u;
      const std::size_t piece = std::min(message.size() - offset, (step >> 8) % 1500);
      reg = kernel.update(reg, message.data() + offset, piece);
      offset += piece;
    }
    if (~reg != expected) {
      Mismatch();
    }
  }

  clsCRC32 whole;
  if (whole.AddBytes(message) != expected) {
    Mismatch();
  }
  const std::size_t split = message.empty() ? 0 : piece_seed % message.size();
  clsCRC32 halves;
  halves.AddBytes(message.first(split));
  if (halves.AddBytes(message.subspan(split)) != expected) {
    Mismatch();
  }
  return 0;
}
