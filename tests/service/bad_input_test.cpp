// Hostile and unlucky paths: each gives a message and the empty text, quickly,
// never a checksum of something else and never a hang.

#include <gtest/gtest.h>

#include <fstream>

#include "platform/error.h"
#include "platform/path.h"
#include "service/Mod.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include <cwchar>

#include "platform/win32_path.h"
#include "platform/wow64_redirection.h"
#include "tests/support/crc32_zeros.h"
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

class BadInput : public testing::Test {
 protected:
  // Computes `path` and expects no checksum and exactly one message.
  std::wstring OnlyMessageFor(const std::wstring& path) {
    const std::size_t before = recorder_.messages().size();
    EXPECT_EQ(Mod::ComputeFileCRC(path), L"") << testing::PrintToString(path);
    EXPECT_EQ(recorder_.messages().size(), before + 1) << testing::PrintToString(path);
    if (recorder_.messages().size() != before + 1) {
      return {};
    }
    EXPECT_EQ(recorder_.messages().back().title, L"Quillomat");
    return recorder_.messages().back().prompt;
  }

  // Makes `name` in the folder a symbolic link to `target`.
  bool Link(const std::filesystem::path& target, const char* name) const {
#ifdef _WIN32
    // A file link, also to the folder: it is the one that looks like a file.
    const DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return CreateSymbolicLinkW((dir_.path() / name).c_str(), target.c_str(), flags) != 0;
#else
    return ::symlink(target.c_str(), (dir_.path() / name).c_str()) == 0;
#endif
  }

  std::wstring InDir(std::wstring_view name) const {
    return platform::TextFromPath(dir_.path()) + L"/" + std::wstring(name);
  }

  test_support::TempDir dir_;
  test_support::MessageRecorder recorder_;
};

TEST_F(BadInput, FoldersAreNotFiles) {
  const std::wstring folder = platform::TextFromPath(dir_.path());
  EXPECT_EQ(OnlyMessageFor(folder), L"File not found : " + folder);
  dir_.Write("data.cnt", "123456789");
#ifdef _WIN32
  const std::wstring trailing = folder + L"\\";
#else
  const std::wstring trailing = folder + L"/";
#endif
  EXPECT_EQ(OnlyMessageFor(trailing), L"File not found : " + trailing);
  EXPECT_EQ(OnlyMessageFor(InDir(L"data.cnt/")), L"File not found : " + InDir(L"data.cnt/"));
}

// A link answers for what it leads to: a folder is not found, a file is read,
// and a link that leads nowhere is not found either.
TEST_F(BadInput, LinksAreWhatTheyLeadTo) {
  dir_.Write("data.cnt", "123456789");
  // Windows makes them only with a privilege or in developer mode; Wine 8
  // answers that it made one and makes nothing.
  if (!Link(dir_.path(), "folder.cnt") || !std::filesystem::exists(dir_.path() / "folder.cnt")) {
    GTEST_SKIP() << "no symbolic links here";
  }
  ASSERT_TRUE(Link(dir_.path() / "data.cnt", "file.cnt"));
  ASSERT_TRUE(Link(dir_.path() / "gone.cnt", "broken.cnt"));
  EXPECT_EQ(OnlyMessageFor(InDir(L"folder.cnt")), L"File not found : " + InDir(L"folder.cnt"));
  EXPECT_EQ(Mod::ComputeFileCRC(InDir(L"file.cnt")), L"CBF43926");
  EXPECT_EQ(OnlyMessageFor(InDir(L"broken.cnt")), L"File not found : " + InDir(L"broken.cnt"));
}

// Everything up to the NUL names a real file; it must not be read in its place.
TEST_F(BadInput, EmbeddedNulIsRefusedNotTruncated) {
  const std::wstring real = platform::TextFromPath(dir_.Write("real.cnt", "123456789"));
  const std::wstring prompt = OnlyMessageFor(real + L'\0' + L".other");
  EXPECT_EQ(prompt, std::to_wstring(platform::kErrorInvalidName) + L" " +
                        platform::ErrorDescription(platform::kErrorInvalidName));
}

TEST_F(BadInput, SpacesArePartOfTheName) {
  dir_.Write("a b.cnt", "abc");
  EXPECT_EQ(Mod::ComputeFileCRC(InDir(L"a b.cnt")), L"352441C2");
  dir_.Write(" lead.cnt", "abc");
  EXPECT_EQ(Mod::ComputeFileCRC(InDir(L" lead.cnt")), L"352441C2");
  EXPECT_EQ(OnlyMessageFor(InDir(L"lead.cnt")), L"File not found : " + InDir(L"lead.cnt"));
  EXPECT_EQ(OnlyMessageFor(InDir(L"a  b.cnt")), L"File not found : " + InDir(L"a  b.cnt"));
}

TEST_F(BadInput, PathsLongerThanTheClassicLimit) {
  std::filesystem::path deep = dir_.path();
  for (int level = 0; level < 6; ++level) {
    deep /= std::wstring(50, static_cast<wchar_t>(L'a' + level));
  }
  std::filesystem::create_directories(deep);
  const auto file = deep / "long.cnt";
  const std::wstring text = platform::TextFromPath(file);
  ASSERT_GT(text.size(), 300u);
  {
    std::ofstream out(file, std::ios::binary);
    out << "123456789";
  }
  EXPECT_EQ(Mod::ComputeFileCRC(text), L"CBF43926");
  EXPECT_TRUE(recorder_.messages().empty());
}

#ifdef _WIN32
// The classic functions' limit applies to the full path: a short relative path
// from a deep current folder is a long one.
TEST_F(BadInput, ShortRelativePathWhoseFullPathIsLong) {
  std::filesystem::path deep = dir_.path();
  while (deep.native().size() < 190) {
    deep /= std::wstring(40, L'c');
  }
  const std::wstring relative = std::wstring(60, L'd') + L"\\long.cnt";
  std::filesystem::create_directories(deep / std::wstring(60, L'd'));
  std::ofstream(deep / relative, std::ios::binary) << "abc";
  ASSERT_GT(deep.native().size() + 1 + relative.size(), std::size_t{MAX_PATH});
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(deep);
  EXPECT_EQ(Mod::ComputeFileCRC(relative), L"352441C2");
  // Wine has no such limit; Windows does, so the path goes in the long form.
  EXPECT_EQ(platform::Win32PathName(relative), L"\\\\?\\" + (deep / relative).native());
  std::filesystem::current_path(previous);
  EXPECT_TRUE(recorder_.messages().empty());
}

TEST_F(BadInput, DeviceNamesAreNotFiles) {
  for (const std::wstring device : {L"NUL", L"CON", L"COM1", L"nul.cnt", L"\\\\.\\NUL"}) {
    EXPECT_EQ(OnlyMessageFor(device), L"File not found : " + device);
  }
}

// A pipe with a server, in either device form: opening it would connect to the
// server (and reading could wait forever), so the server never sees a client.
TEST_F(BadInput, NamedPipeIsNotAFile) {
  const std::wstring pipe = L"pipe\\quillomat-test-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE server = CreateNamedPipeW((L"\\\\.\\" + pipe).c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  for (const std::wstring& name : {L"\\\\.\\" + pipe, L"\\\\?\\" + pipe, L"\\\\localhost\\" + pipe,
                                   L"\\\\?\\UNC\\localhost\\" + pipe}) {
    EXPECT_EQ(OnlyMessageFor(name), L"File not found : " + name);
    EXPECT_FALSE(ConnectNamedPipe(server, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PIPE_LISTENING}) << testing::PrintToString(name);
  }
  CloseHandle(server);
}
#ifndef _WIN64
// A 32-bit program on 64-bit Windows is shown SysWOW64 where System32 is
// named: the checksum must be the named file's, large files' ranges included.
TEST_F(BadInput, System32IsSystem32InA32BitProgram) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) {
    GTEST_SKIP() << "not a 32-bit program on 64-bit Windows";
  }
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::wstring name = L"quillomat-test-" + std::to_wstring(GetCurrentProcessId()) + L".cnt";
  const std::wstring system32 = std::wstring(windows) + L"\\System32\\" + name;
  const std::wstring syswow64 = std::wstring(windows) + L"\\SysWOW64\\" + name;
  {
    const platform::Wow64RedirectionOff redirection_off;
    ASSERT_TRUE(redirection_off.active());
    std::ofstream(std::filesystem::path(system32), std::ios::binary)
        << std::string(32u << 20, '\0');
  }
  std::ofstream(std::filesystem::path(syswow64), std::ios::binary) << "abc";
  wchar_t expected[9] = {};
  std::swprintf(expected, 9, L"%X", ~test_support::AdvanceOverZeros(0xFFFFFFFFu, 32u << 20));
  EXPECT_EQ(Mod::ComputeFileCRC(system32), expected);
  EXPECT_EQ(Mod::ComputeFileCRC(syswow64), L"352441C2");
  DeleteFileW(syswow64.c_str());
  const platform::Wow64RedirectionOff redirection_off;
  DeleteFileW(system32.c_str());
}
#endif
#else
TEST_F(BadInput, SpecialFilesAreNotFiles) {
  const std::wstring fifo = InDir(L"fifo.cnt");
  ASSERT_EQ(::mkfifo(platform::PathFromText(fifo).c_str(), 0600), 0);
  EXPECT_EQ(OnlyMessageFor(fifo), L"File not found : " + fifo);

  const std::wstring socket_path = InDir(L"s.cnt");
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string native = platform::PathFromText(socket_path);
  ASSERT_LT(native.size(), sizeof address.sun_path);
  native.copy(address.sun_path, native.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(OnlyMessageFor(socket_path), L"File not found : " + socket_path);
  ::close(fd);

  for (const std::wstring device : {L"/dev/zero", L"/dev/null", L"/dev/tty", L"/dev/stdin"}) {
    EXPECT_EQ(OnlyMessageFor(device), L"File not found : " + device);
  }
}
#endif

}  // namespace
