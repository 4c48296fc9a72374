#pragma once

#include <cstdint>

namespace test_support {

// The process's peak resident memory so far, in bytes.
std::uint64_t PeakMemoryBytes();

}  // namespace test_support
