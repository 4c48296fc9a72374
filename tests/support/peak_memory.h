#pragma once

#include <cstdint>
#include <functional>

namespace test_support {

// How far the process's resident memory rose above what it held when `work`
// started, at its highest while `work` ran (sampled every millisecond). Unlike
// the process's lifetime peak, it does not depend on what earlier work left
// behind, so two calls can be compared.
std::uint64_t PeakMemoryGrowth(const std::function<void()>& work);

}  // namespace test_support
