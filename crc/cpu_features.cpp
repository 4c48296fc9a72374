#include "crc/cpu_features.h"

#include <cstdint>

#include "crc/target.h"

#if QUILLOMAT_CRC_X86
#if defined(_MSC_VER) && !defined(__clang__)
#include <immintrin.h>
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace crc {

#if QUILLOMAT_CRC_X86
namespace {

struct CpuidResult {
  std::uint32_t eax, ebx, ecx, edx;
};

CpuidResult Cpuid(std::uint32_t leaf, std::uint32_t subleaf) {
#if defined(_MSC_VER) && !defined(__clang__)
  int registers[4];
  __cpuidex(registers, static_cast<int>(leaf), static_cast<int>(subleaf));
  return {static_cast<std::uint32_t>(registers[0]), static_cast<std::uint32_t>(registers[1]),
          static_cast<std::uint32_t>(registers[2]), static_cast<std::uint32_t>(registers[3])};
#else
  CpuidResult result{};
  __cpuid_count(leaf, subleaf, result.eax, result.ebx, result.ecx, result.edx);
  return result;
#endif
}

// XCR0, the register-state components the OS has enabled. Only valid when
// CPUID reports OSXSAVE.
std::uint64_t ReadXcr0() {
#if defined(_MSC_VER) && !defined(__clang__)
  return _xgetbv(0);
#else
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (std::uint64_t{high} << 32) | low;
#endif
}

bool Bit(std::uint32_t value, int bit) { return ((value >> bit) & 1u) != 0; }

constexpr std::uint64_t kXcr0Sse = 1u << 1;
constexpr std::uint64_t kXcr0Avx = 1u << 2;
constexpr std::uint64_t kXcr0Opmask = 1u << 5;
constexpr std::uint64_t kXcr0ZmmHigh256 = 1u << 6;
constexpr std::uint64_t kXcr0Hi16Zmm = 1u << 7;

}  // namespace

CpuFeatures DetectCpuFeatures() {
  CpuFeatures features;
  const std::uint32_t max_leaf = Cpuid(0, 0).eax;
  if (max_leaf < 1) return features;

  const CpuidResult leaf1 = Cpuid(1, 0);
  features.sse41 = Bit(leaf1.ecx, 19);
  features.pclmulqdq = Bit(leaf1.ecx, 1);
  features.avx = Bit(leaf1.ecx, 28);
  if (Bit(leaf1.ecx, 27)) {  // OSXSAVE: XGETBV is available
    const std::uint64_t xcr0 = ReadXcr0();
    constexpr std::uint64_t kYmm = kXcr0Sse | kXcr0Avx;
    constexpr std::uint64_t kZmm = kYmm | kXcr0Opmask | kXcr0ZmmHigh256 | kXcr0Hi16Zmm;
    features.os_saves_ymm = (xcr0 & kYmm) == kYmm;
    features.os_saves_zmm = (xcr0 & kZmm) == kZmm;
  }
  if (max_leaf >= 7) {
    const CpuidResult leaf7 = Cpuid(7, 0);
    features.avx2 = Bit(leaf7.ebx, 5);
    features.avx512f = Bit(leaf7.ebx, 16);
    features.avx512vl = Bit(leaf7.ebx, 31);
    features.vpclmulqdq = Bit(leaf7.ecx, 10);
  }
  return features;
}

#else

CpuFeatures DetectCpuFeatures() { return {}; }

#endif

}  // namespace crc
