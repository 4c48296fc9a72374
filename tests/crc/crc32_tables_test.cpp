#include "crc/crc32_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/support/crc32_reference.h"

namespace {

TEST(Crc32Tables, ByteTableHasTheStandardRows) {
  EXPECT_EQ(crc::kByteTable[0], 0x00000000u);
  EXPECT_EQ(crc::kByteTable[1], 0x77073096u);
  EXPECT_EQ(crc::kByteTable[2], 0xEE0E612Cu);
  EXPECT_EQ(crc::kByteTable[128], 0xEDB88320u);
  EXPECT_EQ(crc::kByteTable[255], 0x2D02EF8Du);
}

// Table k must be the remainder of byte n followed by k zero bytes; checked
// against the bit-at-a-time definition for every table and every byte.
TEST(Crc32Tables, EverySliceIsTheRemainderOfAByteFollowedByZeros) {
  for (std::size_t k = 0; k < crc::kSlices; ++k) {
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::vector<std::uint8_t> message(k + 1, 0);
      message[0] = static_cast<std::uint8_t>(n);
      ASSERT_EQ(crc::kSlicingTables[k][n], test_support::ReferenceUpdate(0, message))
          << "table " << k << ", byte " << n;
    }
  }
}

}  // namespace
