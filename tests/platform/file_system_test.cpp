#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(FileExists, OnlyExistingRegularFilesAtExactlyThatPath) {
  test_support::TempDir dir;
  const std::wstring file = platform::TextFromPath(dir.Write("a.cnt", "x"));
  EXPECT_TRUE(platform::FileExists(file));
  EXPECT_FALSE(platform::FileExists(platform::TextFromPath(dir.path())));
  EXPECT_FALSE(platform::FileExists(platform::TextFromPath(dir.path() / "b.cnt")));
  EXPECT_FALSE(platform::FileExists(L" " + file));
  EXPECT_FALSE(platform::FileExists(L""));
  EXPECT_FALSE(platform::FileExists(file + L'\0' + L"tail"));
#ifdef _WIN32
  for (const wchar_t* device : {L"NUL", L"CON", L"COM1", L"nul.cnt", L"C:\\folder\\LPT1.txt"}) {
    EXPECT_FALSE(platform::FileExists(device)) << testing::PrintToString(std::wstring(device));
  }
#else
  EXPECT_FALSE(platform::FileExists(L"/dev/null"));
#endif
}

TEST(PathText, NonAsciiNamesRoundTrip) {
  const std::wstring name = L"M\u00fcller \u65e5\u672c \U0001F600.cnt";
  EXPECT_EQ(platform::TextFromPath(platform::PathFromText(name)), name);
#ifndef _WIN32
  // POSIX file names are UTF-8 bytes, whatever the C locale says.
  EXPECT_EQ(platform::PathFromText(L"\u00fc\U0001F600"), "\xC3\xBC\xF0\x9F\x98\x80");
  EXPECT_EQ(platform::TextFromPath("a\xFF"
                                   "b"),
            L"a\uFFFDb");
#endif
}

TEST(ErrorDescription, OneLineOfText) {
  const std::wstring text = platform::ErrorDescription(platform::kErrorOutOfMemory);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
}

}  // namespace
