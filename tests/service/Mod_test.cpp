#include "service/Mod.h"

#include <gtest/gtest.h>

#include "platform/path.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

class ComputeFileCRC : public testing::Test {
 protected:
  std::wstring Write(const std::wstring& name, std::string_view text) {
    return platform::TextFromPath(dir_.Write(platform::PathFromText(name), text));
  }

  test_support::TempDir dir_;
  test_support::MessageRecorder recorder_;
};

TEST_F(ComputeFileCRC, ChecksumTextIsUpperCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(Mod::ComputeFileCRC(Write(L"check.cnt", "123456789")), L"CBF43926");
  EXPECT_EQ(Mod::ComputeFileCRC(Write(L"abc.cnt", "abc")), L"352441C2");
  EXPECT_EQ(Mod::ComputeFileCRC(Write(L"c.cnt", "c")), L"6B9DF6F");
  EXPECT_EQ(Mod::ComputeFileCRC(Write(L"empty.cnt", "")), L"0");
  EXPECT_TRUE(recorder_.messages().empty());
}

TEST_F(ComputeFileCRC, MissingFileShowsNotFoundWithThePathAsGiven) {
  const std::wstring path = platform::TextFromPath(dir_.path() / "missing.cnt");
  EXPECT_EQ(Mod::ComputeFileCRC(path), L"");
  ASSERT_EQ(recorder_.messages().size(), 1u);
  EXPECT_EQ(recorder_.messages()[0].prompt, L"File not found : " + path);
  EXPECT_EQ(recorder_.messages()[0].title, L"Quillomat");
}

// The path is not trimmed: " x.cnt" is another name than "x.cnt".
TEST_F(ComputeFileCRC, PathIsNotTrimmed) {
  Write(L"x.cnt", "123456789");
  const std::wstring spaced = platform::TextFromPath(dir_.path() / " x.cnt");
  EXPECT_EQ(Mod::ComputeFileCRC(spaced), L"");
  ASSERT_EQ(recorder_.messages().size(), 1u);
  EXPECT_EQ(recorder_.messages()[0].prompt, L"File not found : " + spaced);
#ifndef _WIN32
  // (Windows itself drops trailing spaces from file names, so there the same
  // file is found.)
  const std::wstring trailing = Write(L"x.cnt", "123456789") + L" ";
  EXPECT_EQ(Mod::ComputeFileCRC(trailing), L"");
  EXPECT_EQ(recorder_.messages().size(), 2u);
#endif
}

TEST_F(ComputeFileCRC, DirectoryIsNotAFile) {
  EXPECT_EQ(Mod::ComputeFileCRC(platform::TextFromPath(dir_.path())), L"");
  ASSERT_EQ(recorder_.messages().size(), 1u);
  EXPECT_EQ(recorder_.messages()[0].prompt,
            L"File not found : " + platform::TextFromPath(dir_.path()));
}

TEST_F(ComputeFileCRC, NonAsciiPath) {
  EXPECT_EQ(Mod::ComputeFileCRC(Write(L"M\u00fcller \u30c6\u30b9\u30c8 \U0001F4BE.cnt", "abc")),
            L"352441C2");
  EXPECT_TRUE(recorder_.messages().empty());
}

#ifdef _WIN32
// A file that another program holds without sharing must give a message with
// the system's number and description, never "0".
TEST_F(ComputeFileCRC, LockedFileReportsTheSharingViolation) {
  const std::wstring path = Write(L"locked.cnt", "123456789");
  const HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Mod::ComputeFileCRC(path), L"");
  CloseHandle(exclusive);
  ASSERT_EQ(recorder_.messages().size(), 1u);
  const std::wstring& prompt = recorder_.messages()[0].prompt;
  EXPECT_EQ(prompt.rfind(L"32 ", 0), 0u) << "prompt: " << testing::PrintToString(prompt);
  EXPECT_GT(prompt.size(), 3u);
  EXPECT_NE(prompt.back(), L'\n');
  EXPECT_EQ(recorder_.messages()[0].title, L"Quillomat");
}
#else
// Root reads every file, so as root the check runs in a child process that has
// given up root for the unprivileged "nobody".
TEST_F(ComputeFileCRC, UnreadableFileReportsPermissionDenied) {
  const std::wstring path = Write(L"secret.cnt", "123456789");
  std::filesystem::permissions(platform::PathFromText(path), std::filesystem::perms::none);
  const auto check = [&] {
    return Mod::ComputeFileCRC(path).empty() && recorder_.messages().size() == 1 &&
           recorder_.messages()[0].prompt == L"13 Permission denied";
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    ::_exit(!dropped ? 2 : check() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no message or the wrong one; 2: could not drop root";
}
#endif

TEST(IsBlank, OnlyEmptyOrSpaceOnlyTextIsBlank) {
  EXPECT_TRUE(Mod::IsBlank(L""));
  EXPECT_TRUE(Mod::IsBlank(L"   "));
  EXPECT_FALSE(Mod::IsBlank(L"\t"));
  EXPECT_FALSE(Mod::IsBlank(L" a "));
  EXPECT_FALSE(Mod::IsBlank(L"\u00a0"));
}

}  // namespace
