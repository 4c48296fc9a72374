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
TEST_F(BadInput, DeviceNamesAreNotFiles) {
  for (const std::wstring device : {L"NUL", L"CON", L"COM1", L"nul.cnt", L"\\\\.\\NUL"}) {
    EXPECT_EQ(OnlyMessageFor(device), L"File not found : " + device);
  }
}

// A pipe that exists and has a server: opening it would connect to the server
// and reading could wait forever.
TEST_F(BadInput, NamedPipeIsNotAFile) {
  const std::wstring name =
      L"\\\\.\\pipe\\quillomat-test-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE server =
      CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OnlyMessageFor(name), L"File not found : " + name);
  CloseHandle(server);
}
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
