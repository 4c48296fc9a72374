#include "crc/kernel.h"

#include <array>

namespace crc {

std::span<const Kernel> SupportedKernels() {
  static constexpr std::array kKernels = {Kernel{"portable", &UpdatePortable}};
  return kKernels;
}

const Kernel& SelectedKernel() {
  static const Kernel& selected = SupportedKernels().front();
  return selected;
}

}  // namespace crc
