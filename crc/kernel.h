#pragma once

// The kernels behind clsCRC32::AddBytes. Every kernel has one contract: it
// advances the raw CRC register `reg` (not complemented: clsCRC32 does the
// pre- and post-inversion) over `length` bytes at `data` and returns the new
// register. Any length is allowed, 0 included (the register comes back
// unchanged), at any alignment; no kernel reads outside [data, data + length).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "crc/cpu_features.h"
#include "crc/target.h"

namespace crc {

using KernelFunction = std::uint32_t (*)(std::uint32_t reg, const std::uint8_t* data,
                                         std::size_t length) noexcept;

struct Kernel {
  std::string_view name;
  KernelFunction update;
  // Whether a CPU with these features can run the kernel.
  bool (*runs_on)(const CpuFeatures& features);
};

// Slicing-by-16 in plain C++: runs on every CPU and compiler.
std::uint32_t UpdatePortable(std::uint32_t reg, const std::uint8_t* data,
                             std::size_t length) noexcept;

#if QUILLOMAT_CRC_X86
// PCLMULQDQ folding on 128-bit lanes; needs SSE4.1 and PCLMULQDQ.
std::uint32_t UpdatePclmul(std::uint32_t reg, const std::uint8_t* data,
                           std::size_t length) noexcept;
#endif

#if QUILLOMAT_CRC_X86_64
// VPCLMULQDQ folding on 256-bit registers; needs AVX2 and VPCLMULQDQ.
std::uint32_t UpdateVpclmulAvx2(std::uint32_t reg, const std::uint8_t* data,
                                std::size_t length) noexcept;
// VPCLMULQDQ folding on 512-bit registers; needs AVX-512 (F, VL) and VPCLMULQDQ.
std::uint32_t UpdateVpclmulAvx512(std::uint32_t reg, const std::uint8_t* data,
                                  std::size_t length) noexcept;
#endif

// Every kernel this build contains, best first; the last one runs anywhere.
// Tests run each of them directly, whatever the dispatcher would choose.
std::span<const Kernel> CompiledKernels();

// The best compiled kernel for a CPU with `features`. Pure: tests feed it
// made-up feature sets.
const Kernel& SelectKernel(const CpuFeatures& features);

// The compiled kernels the running CPU can execute, best first.
std::span<const Kernel> SupportedKernels();

// The kernel clsCRC32 uses: SelectKernel for the running CPU, chosen once.
const Kernel& SelectedKernel();

}  // namespace crc
