#include "crc/clsCRC32.h"

#include <gtest/gtest.h>

#include "tests/support/crc32_reference.h"
#include "tests/support/temp_dir.h"

namespace {

using test_support::Bytes;

TEST(AddBytes, StandardCheckValues) {
  EXPECT_EQ(clsCRC32().AddBytes(Bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(static_cast<std::int32_t>(clsCRC32().AddBytes(Bytes("123456789"))), -873187034);
  EXPECT_EQ(clsCRC32().AddBytes(Bytes("abc")), 0x352441C2u);
  EXPECT_EQ(clsCRC32().AddBytes(Bytes("c")), 0x06B9DF6Fu);
}

TEST(AddBytes, EmptyInputLeavesTheCrcUnchanged) {
  clsCRC32 crc;
  EXPECT_EQ(crc.AddBytes({}), 0u);  // a fresh object is initialised
  crc.AddBytes(Bytes("1234"));
  const std::uint32_t before = crc.AddBytes({});
  EXPECT_EQ(crc.AddBytes({}), before);
  EXPECT_EQ(crc.AddBytes(Bytes("56789")), 0xCBF43926u);
}

TEST(AddBytes, SuccessiveCallsContinueOneCrc) {
  clsCRC32 crc;
  EXPECT_EQ(crc.AddBytes(Bytes("1234")), test_support::ReferenceCrc32(Bytes("1234")));
  EXPECT_EQ(crc.AddBytes(Bytes("56789")), 0xCBF43926u);

  const auto data = test_support::RandomBytes(1000, 42);
  const std::span<const std::uint8_t> all(data);
  const std::uint32_t expected = test_support::ReferenceCrc32(all);
  for (std::size_t first = 0; first <= all.size(); first += 37) {
    for (std::size_t second = first; second <= all.size(); second += 53) {
      clsCRC32 pieces;
      pieces.AddBytes(all.subspan(0, first));
      pieces.AddBytes(all.subspan(first, second - first));
      ASSERT_EQ(pieces.AddBytes(all.subspan(second)), expected)
          << "splits at " << first << " and " << second;
    }
  }
}

// The array need not start at the beginning of its storage.
TEST(AddBytes, SubrangeOfALargerArray) {
  const std::string_view padded = "xxxxx123456789yy";
  EXPECT_EQ(clsCRC32().AddBytes(Bytes(padded.substr(5, 9))), 0xCBF43926u);
}

TEST(AddBytes, LargeBufferMatchesReference) {
  const auto data = test_support::RandomBytes((3u << 20) + 13, 99);
  EXPECT_EQ(clsCRC32().AddBytes(data), test_support::ReferenceCrc32(data));
}

}  // namespace
