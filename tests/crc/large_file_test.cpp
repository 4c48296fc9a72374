// Files past 4 GiB: sizes and offsets must be 64-bit everywhere, also in the
// 32-bit builds, and memory must not grow with the file.

#include <gtest/gtest.h>

#include <fstream>

#include "crc/clsCRC32.h"
#include "tests/support/crc32_reference.h"
#include "tests/support/crc32_zeros.h"
#include "tests/support/peak_memory.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::Bytes;
using test_support::ReferenceUpdate;

TEST(AdvanceOverZeros, AgreesWithTheDefinition) {
  for (std::uint64_t count = 0; count < 80; ++count) {
    const std::vector<std::uint8_t> zeros(count, 0);
    ASSERT_EQ(test_support::AdvanceOverZeros(0x12345678u, count),
              ReferenceUpdate(0x12345678u, zeros))
        << count << " zero bytes";
  }
}

// A sparse file: "123456789", a hole of zeros, then a random tail that
// straddles the last read blocks. Returns its checksum and how far memory rose
// while it was computed.
struct SparseResult {
  std::uint32_t checksum;
  std::uint32_t expected;
  std::uint64_t memory_growth;
};
SparseResult ChecksumOfSparseFile(const std::filesystem::path& path, std::uint64_t size) {
  const std::string_view head = "123456789";
  const auto tail = test_support::RandomBytes(70000, 4);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  std::filesystem::resize_file(path, size - tail.size());
  {
    std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(size - tail.size()));
    out.write(reinterpret_cast<const char*>(tail.data()),
              static_cast<std::streamsize>(tail.size()));
    EXPECT_TRUE(out.flush());
  }
  EXPECT_EQ(std::filesystem::file_size(path), size);

  std::uint32_t reg = ReferenceUpdate(0xFFFFFFFFu, Bytes(head));
  reg = test_support::AdvanceOverZeros(reg, size - head.size() - tail.size());
  reg = ReferenceUpdate(reg, tail);
  SparseResult result{0, ~reg, 0};
  result.memory_growth =
      test_support::PeakMemoryGrowth([&] { result.checksum = clsCRC32().CalculateFile(path); });
  return result;
}

// Memory must not grow with the file: past 4 GiB the read takes about as much
// memory as for a file of 64 MiB read the same way (blocks and threads). A
// buffer that held as little as a 64th of the larger file would show as 63 MiB
// more; the allocator's and a sanitizer's own bookkeeping stay below that
// (under AddressSanitizer memory rises with the reads' threads until the C
// library's cache of their stacks is full: 10 to 45 MiB more here).
TEST(LargeFile, PastFourGibibytesWithConstantMemory) {
  test_support::TempDir dir;
  const std::uint64_t small_size = (std::uint64_t{64} << 20) + 12345;
  const std::uint64_t large_size = (std::uint64_t{1} << 32) + 12345;
  const auto small = ChecksumOfSparseFile(dir.path() / "small.cnt", small_size);
  const auto large = ChecksumOfSparseFile(dir.path() / "large.cnt", large_size);
  EXPECT_EQ(small.checksum, small.expected);
  EXPECT_EQ(large.checksum, large.expected);
  EXPECT_LT(large.memory_growth, small.memory_growth + (large_size - small_size) / 64)
      << "memory rose by " << large.memory_growth << " bytes past 4 GiB, by " << small.memory_growth
      << " bytes for 64 MiB";
}

}  // namespace
