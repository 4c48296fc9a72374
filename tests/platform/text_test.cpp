#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TrimSpaces, RemovesOnlyOuterSpaces) {
  EXPECT_EQ(platform::TrimSpaces(L"  a b  "), L"a b");
  EXPECT_EQ(platform::TrimSpaces(L"   "), L"");
  EXPECT_EQ(platform::TrimSpaces(L""), L"");
  EXPECT_EQ(platform::TrimSpaces(L"\ta\t"), L"\ta\t");
}

TEST(AnsiByte, AsciiIsItself) {
  EXPECT_EQ(platform::AnsiByte(L'A'), 0x41);
  EXPECT_EQ(platform::AnsiByte(L' '), 0x20);
  EXPECT_EQ(platform::AnsiByte(L'~'), 0x7E);
}

}  // namespace
