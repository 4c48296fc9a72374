#include "crc/kernel.h"

#include <array>
#include <vector>

namespace crc {
namespace {

bool RunsAnywhere(const CpuFeatures&) { return true; }

[[maybe_unused]] bool RunsPclmul(const CpuFeatures& features) {
  return features.sse41 && features.pclmulqdq;
}

[[maybe_unused]] bool RunsVpclmulAvx2(const CpuFeatures& features) {
  return RunsPclmul(features) && features.avx && features.avx2 && features.vpclmulqdq &&
         features.os_saves_ymm;
}

[[maybe_unused]] bool RunsVpclmulAvx512(const CpuFeatures& features) {
  return RunsVpclmulAvx2(features) && features.avx512f && features.avx512vl &&
         features.os_saves_zmm;
}

constexpr std::array kCompiledKernels = {
#if QUILLOMAT_CRC_X86_64
    Kernel{"vpclmul_avx512", &UpdateVpclmulAvx512, &RunsVpclmulAvx512},
    Kernel{"vpclmul_avx2", &UpdateVpclmulAvx2, &RunsVpclmulAvx2},
#endif
#if QUILLOMAT_CRC_X86
    Kernel{"pclmul", &UpdatePclmul, &RunsPclmul},
#endif
    Kernel{"portable", &UpdatePortable, &RunsAnywhere},
};

}  // namespace

std::span<const Kernel> CompiledKernels() { return kCompiledKernels; }

const Kernel& SelectKernel(const CpuFeatures& features) {
  for (const Kernel& kernel : kCompiledKernels) {
    if (kernel.runs_on(features)) return kernel;
  }
  return kCompiledKernels.back();
}

std::span<const Kernel> SupportedKernels() {
  static const std::vector<Kernel> supported = [] {
    const CpuFeatures features = DetectCpuFeatures();
    std::vector<Kernel> kernels;
    for (const Kernel& kernel : kCompiledKernels) {
      if (kernel.runs_on(features)) kernels.push_back(kernel);
    }
    return kernels;
  }();
  return supported;
}

const Kernel& SelectedKernel() {
  // SelectKernel returns an entry of the table, not of its argument; the
  // features are kept all the same, so that the reference is plainly bound to
  // nothing that goes away.
  static const CpuFeatures features = DetectCpuFeatures();
  static const Kernel& selected = SelectKernel(features);
  return selected;
}

}  // namespace crc
