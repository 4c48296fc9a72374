#include "crc/kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <vector>

#include "tests/support/crc32_reference.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/temp_dir.h"

namespace crc {

// Test names and messages show a kernel by its name.
void PrintTo(const Kernel& kernel, std::ostream* out) { *out << kernel.name; }

}  // namespace crc

namespace {

using test_support::Bytes;
using test_support::ReferenceUpdate;

// Runs over every compiled kernel; those the CPU cannot execute are skipped.
class KernelTest : public testing::TestWithParam<crc::Kernel> {
 protected:
  void SetUp() override {
    if (!GetParam().runs_on(crc::DetectCpuFeatures())) {
      GTEST_SKIP() << "this CPU cannot run " << GetParam().name;
    }
  }

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
  // A register of zero over zeros stays zero, whatever the length.
  const std::vector<std::uint8_t> many_zeros(5000, 0);
  EXPECT_EQ(Update(0, many_zeros), 0u);
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

// Lengths that run the main loops many times and leave every kind of
// remainder: whole registers, whole lanes and a partial lane.
TEST_P(KernelTest, MatchesReferenceOnLongBuffers) {
  constexpr std::uint32_t kSeed = 77;
  SCOPED_TRACE(testing::Message() << "seed " << kSeed);
  const auto data = test_support::RandomBytes((1 << 20) + 64, kSeed);
  std::mt19937 generator(kSeed);
  for (const std::size_t length :
       {std::size_t{8191}, std::size_t{8192}, std::size_t{8193}, std::size_t{65536 + 512 + 64 + 15},
        std::size_t{100000}, std::size_t{1} << 20}) {
    const std::size_t offset = generator() % 64;
    const std::uint32_t reg = generator();
    const std::span<const std::uint8_t> slice(data.data() + offset, length);
    EXPECT_EQ(Update(reg, slice), ReferenceUpdate(reg, slice))
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

// A buffer flush against an inaccessible page on either side: a kernel that
// reads a byte too many, or one too early, faults.
TEST_P(KernelTest, ReadsNothingOutsideTheBuffer) {
  std::vector<std::size_t> lengths;
  for (std::size_t length = 0; length <= 300; ++length) lengths.push_back(length);
  for (const std::size_t length : {1023, 1024, 1025, 2047, 2049, 4095, 4096, 4097, 20000}) {
    lengths.push_back(length);
  }
  const test_support::GuardedBuffer guarded(20000);
  const auto source = test_support::RandomBytes(20000, 3);
  for (const std::size_t length : lengths) {
    const std::span<const std::uint8_t> bytes(source.data(), length);
    const std::uint32_t expected = ReferenceUpdate(0xFFFFFFFFu, bytes);
    for (const auto placed : {guarded.EndingAtGuard(length), guarded.StartingAtGuard(length)}) {
      std::copy(bytes.begin(), bytes.end(), placed.begin());
      ASSERT_EQ(Update(0xFFFFFFFFu, placed), expected) << "length " << length;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Compiled, KernelTest, testing::ValuesIn(crc::CompiledKernels()),
                         [](const testing::TestParamInfo<crc::Kernel>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST(CompiledKernels, EndWithOneThatRunsAnywhere) {
  const auto kernels = crc::CompiledKernels();
  ASSERT_FALSE(kernels.empty());
  EXPECT_EQ(kernels.back().name, "portable");
  EXPECT_TRUE(kernels.back().runs_on(crc::CpuFeatures{}));
}

crc::CpuFeatures EveryFeature() {
  return {.sse41 = true,
          .pclmulqdq = true,
          .avx = true,
          .avx2 = true,
          .avx512f = true,
          .avx512vl = true,
          .vpclmulqdq = true,
          .os_saves_ymm = true,
          .os_saves_zmm = true};
}

std::string_view Choice(const crc::CpuFeatures& features) {
  return crc::SelectKernel(features).name;
}

TEST(SelectKernel, ChoosesPortableWithoutCarryLessMultiply) {
  EXPECT_EQ(Choice({}), "portable");
  crc::CpuFeatures features = EveryFeature();
  features.pclmulqdq = false;  // the wide kernels finish with 128-bit PCLMULQDQ steps
  EXPECT_EQ(Choice(features), "portable");
  features = EveryFeature();
  features.sse41 = false;
  EXPECT_EQ(Choice(features), "portable");
}

#if QUILLOMAT_CRC_X86
TEST(SelectKernel, ChoosesPclmulForSse41AndPclmulqdq) {
  EXPECT_EQ(Choice({.sse41 = true, .pclmulqdq = true}), "pclmul");
}
#endif

#if QUILLOMAT_CRC_X86_64
TEST(SelectKernel, ChoosesTheWidestKernelTheCpuAndOsAllow) {
  EXPECT_EQ(Choice(EveryFeature()), "vpclmul_avx512");

  crc::CpuFeatures features = EveryFeature();
  features.os_saves_zmm = false;  // AVX-512 on the CPU, but its state not enabled by the OS
  EXPECT_EQ(Choice(features), "vpclmul_avx2");

  features.os_saves_ymm = false;  // no AVX state either
  EXPECT_EQ(Choice(features), "pclmul");

  features = EveryFeature();
  features.avx512vl = false;
  EXPECT_EQ(Choice(features), "vpclmul_avx2");

  features = EveryFeature();
  features.vpclmulqdq = false;
  EXPECT_EQ(Choice(features), "pclmul");

  features = EveryFeature();
  features.avx512f = features.avx512vl = features.os_saves_zmm = false;
  features.avx2 = false;
  EXPECT_EQ(Choice(features), "pclmul");
}
#elif QUILLOMAT_CRC_X86
TEST(SelectKernel, NeverChoosesAWideKernelIn32BitBuilds) {
  EXPECT_EQ(Choice(EveryFeature()), "pclmul");
}
#endif

TEST(SelectedKernel, IsTheBestKernelTheMachineSupports) {
  std::cout << "selected kernel: " << crc::SelectedKernel().name << "\n";
  EXPECT_EQ(crc::SelectedKernel().name, crc::SupportedKernels().front().name);
  EXPECT_EQ(crc::SelectedKernel().name, crc::SelectKernel(crc::DetectCpuFeatures()).name);
}

}  // namespace
