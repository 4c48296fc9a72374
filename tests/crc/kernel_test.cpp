#include "crc/kernel.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/support/crc32_reference.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::Bytes;
using test_support::ReferenceUpdate;

class KernelTest : public testing::TestWithParam<crc::Kernel> {
 protected:
  std::uint32_t Update(std::uint32_t reg, std::span<const std::uint8_t> bytes) const {
    return GetParam().update(reg, bytes.data(), bytes.size());
  }
};

TEST_P(KernelTest, KnownAnswers) {
  EXPECT_EQ(~Update(0xFFFFFFFFu, Bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(~Update(0xFFFFFFFFu, Bytes("abc")), 0x352441C2u);
  EXPECT_EQ(~Update(0xFFFFFFFFu, Bytes("The quick brown fox jumps over the lazy dog")),
            0x414FA339u);
  const std::vector<std::uint8_t> zeros(32, 0);
  EXPECT_EQ(~Update(0xFFFFFFFFu, zeros), 0x190A55ADu);
  const std::vector<std::uint8_t> ones(32, 0xFF);
  EXPECT_EQ(~Update(0xFFFFFFFFu, ones), 0xFF6CAB0Bu);
}

TEST_P(KernelTest, ZeroLengthLeavesTheRegisterAlone) {
  const std::uint8_t byte = 0x5A;
  EXPECT_EQ(GetParam().update(0x12345678u, &byte, 0), 0x12345678u);
  EXPECT_EQ(GetParam().update(0xFFFFFFFFu, nullptr, 0), 0xFFFFFFFFu);
}

// Every length up to 4096 at offsets 0..63, from a random starting register,
// against the bitwise definition.
TEST_P(KernelTest, MatchesReferenceForEveryLengthAndAlignment) {
  constexpr std::uint32_t kSeed = 20261208;
  SCOPED_TRACE(testing::Message() << "seed " << kSeed);
  const auto data = test_support::RandomBytes(4096 + 64, kSeed);
  std::mt19937 generator(kSeed);
  for (std::size_t length = 0; length <= 4096; ++length) {
    const std::size_t offset = length < 512 ? length % 64 : generator() % 64;
    const std::uint32_t reg = generator();
    const std::span<const std::uint8_t> slice(data.data() + offset, length);
    ASSERT_EQ(Update(reg, slice), ReferenceUpdate(reg, slice))
        << "length " << length << ", offset " << offset;
  }
}

TEST_P(KernelTest, SplitAnywhereGivesTheSameRegister) {
  const auto data = test_support::RandomBytes(300, 7);
  const std::uint32_t whole = Update(0xFFFFFFFFu, data);
  const std::span<const std::uint8_t> all(data);
  for (std::size_t split = 0; split <= data.size(); ++split) {
    const std::uint32_t first = Update(0xFFFFFFFFu, all.first(split));
    ASSERT_EQ(Update(first, all.subspan(split)), whole) << "split at " << split;
  }
}

INSTANTIATE_TEST_SUITE_P(Supported, KernelTest, testing::ValuesIn(crc::SupportedKernels()),
                         [](const testing::TestParamInfo<crc::Kernel>& param_info) {
                           return std::string(param_info.param.name);
                         });

}  // namespace
