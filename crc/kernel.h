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

namespace crc {

using KernelFunction = std::uint32_t (*)(std::uint32_t reg, const std::uint8_t* data,
                                         std::size_t length) noexcept;

struct Kernel {
  std::string_view name;
  KernelFunction update;
};

// Slicing-by-16 in plain C++: runs on every CPU and compiler.
std::uint32_t UpdatePortable(std::uint32_t reg, const std::uint8_t* data,
                             std::size_t length) noexcept;

// Every kernel this build contains that the running CPU can execute, best first.
std::span<const Kernel> SupportedKernels();

// The kernel clsCRC32 uses: the best supported one, chosen once.
const Kernel& SelectedKernel();

}  // namespace crc
