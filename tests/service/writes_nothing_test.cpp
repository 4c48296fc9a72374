// The tool writes nothing: no file in the temporary folder, none in the
// working folder, whatever the outcome of a checksum.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/path.h"
#include "service/Mod.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void SetTemporaryFolder(const std::filesystem::path& folder) {
#ifdef _WIN32
  // Both the system's environment block and the C runtime's copy of it.
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    SetEnvironmentVariableW(name, folder.c_str());
    _wputenv_s(name, folder.c_str());
  }
#else
  setenv("TMPDIR", folder.c_str(), 1);
#endif
}

bool IsEmpty(const std::filesystem::path& folder) {
  return std::filesystem::directory_iterator(folder) == std::filesystem::directory_iterator();
}

TEST(WritesNothing, TemporaryAndWorkingFoldersStayEmpty) {
  test_support::TempDir inputs;
  test_support::TempDir temporary;
  test_support::TempDir working;
  const auto ok = platform::TextFromPath(inputs.Write("ok.cnt", "123456789"));
  const auto empty = platform::TextFromPath(inputs.Write("empty.cnt", ""));
  const auto missing = platform::TextFromPath(inputs.path() / "missing.cnt");

  const auto previous_working = std::filesystem::current_path();
  std::filesystem::current_path(working.path());
  // Put back on the way out, however the test ends: the folder is deleted,
  // and later tests in this program create their files in the temporary one.
  struct RestoreTemporaryFolder {
    std::filesystem::path previous = std::filesystem::temp_directory_path();
    ~RestoreTemporaryFolder() { SetTemporaryFolder(previous); }
  } restore;
  SetTemporaryFolder(temporary.path());
  ASSERT_EQ(std::filesystem::temp_directory_path() / "x", temporary.path() / "x");

  {
    test_support::MessageRecorder recorder;
    EXPECT_EQ(Mod::ComputeFileCRC(ok), L"CBF43926");
    EXPECT_EQ(Mod::ComputeFileCRC(empty), L"0");
    EXPECT_EQ(Mod::ComputeFileCRC(missing), L"");
    EXPECT_EQ(Mod::ComputeFileCRC(L"relative.cnt"), L"");
    EXPECT_EQ(recorder.messages().size(), 2u);
  }

  std::filesystem::current_path(previous_working);
  EXPECT_TRUE(IsEmpty(temporary.path()));
  EXPECT_TRUE(IsEmpty(working.path()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(inputs.path()),
                          std::filesystem::directory_iterator()),
            2);
}

}  // namespace
