#include "crc/fold_constants.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/crc32_reference.h"

namespace {

using crc::fold::Reflect;

// x^(8 * k) mod P, reflected, by running a register holding 1 (x^0, the top
// bit in the reflected order) through k zero bytes with the bitwise reference.
std::uint32_t ReferenceXPowModP(std::size_t zero_bytes) {
  const std::vector<std::uint8_t> zeros(zero_bytes, 0);
  return test_support::ReferenceUpdate(0x80000000u, zeros);
}

TEST(FoldConstants, XPowModPAgreesWithShiftingZerosThroughTheRegister) {
  for (const unsigned bytes : {0u, 1u, 4u, 8u, 12u, 20u, 60u, 68u, 128u, 520u}) {
    EXPECT_EQ(Reflect(crc::fold::XPowModP(8 * bytes), 32), ReferenceXPowModP(bytes))
        << "x^" << 8 * bytes;
  }
}

TEST(FoldConstants, MultipliersAreReflectedRemaindersShiftedByOne) {
  const crc::fold::LaneFold fold = crc::fold::FoldOver(4096);
  EXPECT_EQ(fold.for_low_half, std::uint64_t{ReferenceXPowModP((4096 + 32) / 8)} << 1);
  EXPECT_EQ(fold.for_high_half, std::uint64_t{ReferenceXPowModP((4096 - 32) / 8)} << 1);
}

struct Wide {
  std::uint64_t low;
  std::uint64_t high;
  bool operator==(const Wide&) const = default;
};

// Carry-less product of two polynomials of degree below 64 (normal order).
Wide CarrylessMultiply(std::uint64_t a, std::uint64_t b) {
  Wide product{0, 0};
  for (int bit = 0; bit < 64; ++bit) {
    if ((b >> bit) & 1u) {
      product.low ^= a << bit;
      product.high ^= bit == 0 ? 0 : a >> (64 - bit);
    }
  }
  return product;
}

TEST(FoldConstants, BarrettQuotientDividesXPow64) {
  // x^64 = floor(x^64 / P) * P + (x^64 mod P)
  const std::uint64_t quotient = Reflect(crc::fold::kXPow64DivP, 33);
  Wide rebuilt = CarrylessMultiply(quotient, crc::fold::kPolynomial);
  rebuilt.low ^= crc::fold::XPowModP(64);
  EXPECT_EQ(rebuilt, (Wide{0, 1}));
  EXPECT_EQ(Reflect(crc::fold::kP, 33), crc::fold::kPolynomial);
}

}  // namespace
