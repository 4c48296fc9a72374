#include "crc/cpu_features.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

// The feature flags Linux reports for the first CPU in /proc/cpuinfo; empty
// where there is no such file. Linux hides AVX and AVX-512 flags whose state
// it does not enable, so its list is an independent view of what is usable.
std::set<std::string> LinuxCpuFlags() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("flags", 0) == 0) {
      std::istringstream words(line.substr(line.find(':') + 1));
      std::set<std::string> flags;
      for (std::string word; words >> word;) flags.insert(word);
      return flags;
    }
  }
  return {};
}

TEST(DetectCpuFeatures, AgreesWithTheLinuxKernel) {
  const std::set<std::string> flags = LinuxCpuFlags();
  if (flags.empty()) GTEST_SKIP() << "no /proc/cpuinfo flags here";
#ifdef QUILLOMAT_EMULATED_CPU
  GTEST_SKIP() << "the CPU is emulated: /proc/cpuinfo describes the host's";
#endif
  const crc::CpuFeatures features = crc::DetectCpuFeatures();
  EXPECT_EQ(features.sse41, flags.contains("sse4_1"));
  EXPECT_EQ(features.pclmulqdq, flags.contains("pclmulqdq"));
  EXPECT_EQ(features.avx && features.os_saves_ymm, flags.contains("avx"));
  EXPECT_EQ(features.avx2 && features.os_saves_ymm, flags.contains("avx2"));
  EXPECT_EQ(features.avx512f && features.os_saves_zmm, flags.contains("avx512f"));
  EXPECT_EQ(features.avx512vl && features.os_saves_zmm, flags.contains("avx512vl"));
  EXPECT_EQ(features.vpclmulqdq && features.os_saves_ymm, flags.contains("vpclmulqdq"));
}

TEST(DetectCpuFeatures, OsStateForZmmIncludesYmm) {
  const crc::CpuFeatures features = crc::DetectCpuFeatures();
  EXPECT_TRUE(!features.os_saves_zmm || features.os_saves_ymm);
}

}  // namespace
