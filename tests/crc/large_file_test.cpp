// Files past 4 GiB: sizes and offsets must be 64-bit everywhere, also in the
// 32-bit builds, and memory must not grow with the file.

#include <gtest/gtest.h>

#include <cstdio>
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

// A sparse file: "123456789", a hole of zeros reaching past 4 GiB, then a
// random tail that straddles the 4 GiB mark's next read blocks.
TEST(LargeFile, PastFourGibibytesWithConstantMemory) {
  test_support::TempDir dir;
  const std::string_view head = "123456789";
  const auto tail = test_support::RandomBytes(70000, 4);
  const std::uint64_t size = (std::uint64_t{1} << 32) + 12345;
  const std::uint64_t hole = size - head.size() - tail.size();

  const auto path = dir.path() / "large.cnt";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  std::filesystem::resize_file(path, size - tail.size());
  {
    std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(size - tail.size()));
    out.write(reinterpret_cast<const char*>(tail.data()),
              static_cast<std::streamsize>(tail.size()));
    ASSERT_TRUE(out.flush());
  }
  ASSERT_EQ(std::filesystem::file_size(path), size);

  std::uint32_t reg = ReferenceUpdate(0xFFFFFFFFu, Bytes(head));
  reg = test_support::AdvanceOverZeros(reg, hole);
  reg = ReferenceUpdate(reg, tail);

  const std::uint64_t memory_before = test_support::PeakMemoryBytes();
  EXPECT_EQ(clsCRC32().CalculateFile(path), ~reg);
  const std::uint64_t memory_after = test_support::PeakMemoryBytes();
  EXPECT_LT(memory_after - memory_before, std::uint64_t{8} << 20)
      << "peak memory grew by " << (memory_after - memory_before) << " bytes";
  std::printf("peak memory: %llu bytes before, %llu bytes after\n",
              static_cast<unsigned long long>(memory_before),
              static_cast<unsigned long long>(memory_after));
}

}  // namespace
