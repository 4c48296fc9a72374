#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32_path.h"
#else
#include <cerrno>
#endif

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

// Only "there is no such file" is "not found"; an answer that says only that
// the look could not be made is a failure to report.
TEST(FileExists, OnlyNoSuchFileAnswersMeanNotFound) {
  struct Answer {
    int code;
    bool no_such_file;
  };
#ifdef _WIN32
  const Answer answers[] = {{ERROR_FILE_NOT_FOUND, true}, {ERROR_PATH_NOT_FOUND, true},
                            {ERROR_INVALID_DRIVE, true},  {ERROR_INVALID_NAME, true},
                            {ERROR_BAD_PATHNAME, true},   {ERROR_ACCESS_DENIED, false},
                            {ERROR_NOT_READY, false},     {ERROR_SHARING_VIOLATION, false},
                            {ERROR_BAD_NETPATH, false},   {ERROR_NETNAME_DELETED, false},
                            {ERROR_BAD_NET_NAME, false},  {ERROR_LOGON_FAILURE, false}};
#else
  const Answer answers[] = {
      {ENOENT, true}, {ENOTDIR, true}, {ENAMETOOLONG, true}, {EACCES, false}, {EIO, false}};
#endif
  for (const Answer& answer : answers) {
    EXPECT_EQ(platform::MeansNoSuchFile(std::error_code(answer.code, std::system_category())),
              answer.no_such_file)
        << answer.code;
  }
}

#ifdef _WIN32
// Device paths are decided from the full path: a drive letter, UNC\ or a
// volume's GUID after \\.\ or \\?\ names a file, anything else a device.
TEST(NamesADevice, OnlyDrivesSharesAndVolumesAreFilesInTheDeviceNamespace) {
  const std::wstring volume = L"Volume{12345678-9abc-def0-1234-56789abcdef0}";
  const std::pair<std::wstring, bool> paths[] = {
      {L"C:\\a.cnt", false},
      {L"a.cnt", false},
      {L"\\\\server\\share\\a.cnt", false},
      {L"\\\\.\\C:\\a.cnt", false},
      {L"\\\\?\\c:\\a.cnt", false},
      {L"//?/C:/a.cnt", false},
      {L"\\\\.\\UNC\\server\\share\\x.cnt", false},
      {L"\\\\?\\unc\\server\\share\\x.cnt", false},
      {L"\\\\.\\" + volume + L"\\x.cnt", false},
      {L"\\\\?\\" + volume + L"\\x.cnt", false},
      {L"NUL", true},
      {L"COM1", true},
      {L"\\\\.\\NUL", true},
      {L"\\\\?\\COM1", true},
      {L"\\\\.\\pipe\\name", true},
      {L"\\\\?\\pipe\\name", true},
      {L"//./pipe/name", true},
      {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x.cnt", true},
      {L"\\\\.\\PhysicalDrive0", true},
      {L"\\\\.\\C:", true},
      {L"\\\\?\\C:x.cnt", true},
      {L"\\\\?\\" + volume, true},
      {L"\\\\?\\Volume{1234}\\x.cnt", true},
      {L"\\\\?\\UNCserver\\share\\x.cnt", true},
  };
  for (const auto& [path, device] : paths) {
    EXPECT_EQ(platform::NamesADevice(path), device) << testing::PrintToString(path);
  }
  // The drive forms reach the file itself (Wine does not resolve the volume form).
  test_support::TempDir dir;
  const std::wstring file = platform::FullPathName(dir.Write("a.cnt", "x").wstring());
  EXPECT_TRUE(platform::FileExists(L"\\\\.\\" + file));
  EXPECT_TRUE(platform::FileExists(L"\\\\?\\" + file));
}
#endif

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
