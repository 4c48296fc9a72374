#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32_path.h"
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

#ifdef _WIN32
// "Not found" only for "no such file" (not for 53, a server out of reach). After
// \\.\ or \\?\ only a drive, UNC\ or Volume{GUID}\ names a file, all else a device;
// in every UNC form, the shares "pipe" and "mailslot" are devices too.
TEST(FileExists, NotFoundOnlyForNoSuchFileAndDevicePathsDecidedFromTheFullPath) {
  const int no_such_file[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE,
                              ERROR_INVALID_NAME, ERROR_BAD_PATHNAME};
  const int no_answer[] = {ERROR_ACCESS_DENIED, ERROR_NOT_READY,    ERROR_SHARING_VIOLATION,
                           ERROR_BAD_NETPATH,   ERROR_BAD_NET_NAME, ERROR_LOGON_FAILURE};
  for (const int code : no_such_file) {
    EXPECT_TRUE(platform::MeansNoSuchFile(std::error_code(code, std::system_category()))) << code;
  }
  for (const int code : no_answer) {
    EXPECT_FALSE(platform::MeansNoSuchFile(std::error_code(code, std::system_category()))) << code;
  }
  const wchar_t* files[] = {L"\\\\.\\C:\\a.cnt",
                            L"//?/c:/a.cnt",
                            L"\\\\.\\UNC\\server\\share\\x.cnt",
                            L"\\\\?\\unc\\server\\share\\x.cnt",
                            L"\\\\?\\Volume{12345678-9abc-def0-1234-56789abcdef0}\\x.cnt",
                            L"\\\\server\\pipes\\x.cnt",
                            L"\\\\?\\UNC\\server\\pipe2\\x.cnt",
                            L"\\\\server\\share\\pipe\\x.cnt",
                            L"\\??\\C:\\a.cnt",
                            L"\\??\\UNC\\server\\share\\x.cnt"};
  const wchar_t* devices[] = {L"\\\\?\\COM1",
                              L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x.cnt",
                              L"\\\\.\\C:",
                              L"\\\\?\\C:x.cnt",
                              L"\\\\?\\Volume{12345678-9abc-def0-1234-56789abcdef0}",
                              L"\\\\?\\Volume{1234}\\x.cnt",
                              L"\\\\?\\UNCserver\\share\\x.cnt",
                              L"\\\\server\\pipe\\name",
                              L"//localhost/PIPE/name",
                              L"\\\\server\\mailslot",
                              L"\\\\?\\UNC\\server\\pipe\\name",
                              L"\\\\.\\unc\\server\\MailSlot\\name",
                              L"\\??\\pipe\\name",
                              L"\\??\\UNC\\server\\pipe\\name"};
  // A link (a reparse point) is what it leads to; one that leads nowhere is
  // left to the open.
  constexpr DWORD kLink = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_TRUE(platform::AttributesNameAFile(FILE_ATTRIBUTE_ARCHIVE, std::nullopt));
  EXPECT_FALSE(platform::AttributesNameAFile(FILE_ATTRIBUTE_DIRECTORY, std::nullopt));
  EXPECT_FALSE(platform::AttributesNameAFile(kLink, FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(platform::AttributesNameAFile(kLink, FILE_ATTRIBUTE_DEVICE));
  EXPECT_TRUE(platform::AttributesNameAFile(kLink, FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(
      platform::AttributesNameAFile(kLink | FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(platform::AttributesNameAFile(kLink, std::nullopt));
  for (const wchar_t* file : files) {
    EXPECT_FALSE(platform::NamesADevice(file)) << testing::PrintToString(std::wstring(file));
  }
  for (const wchar_t* device : devices) {
    EXPECT_TRUE(platform::NamesADevice(device)) << testing::PrintToString(std::wstring(device));
  }
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
