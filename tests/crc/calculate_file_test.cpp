#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <system_error>
#include <thread>
#include <vector>

#include "crc/clsCRC32.h"
#include "platform/error.h"
#include "platform/path.h"
#include "tests/support/crc32_reference.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

using test_support::Bytes;
using test_support::ReferenceCrc32;

class CalculateFile : public testing::Test {
 protected:
  test_support::TempDir dir_;
};

TEST_F(CalculateFile, WholeFileAndAppendedText) {
  const auto check = dir_.Write("check.cnt", "123456789");
  EXPECT_EQ(clsCRC32().CalculateFile(check), 0xCBF43926u);
  EXPECT_EQ(clsCRC32().CalculateFile(check, L"   "), 0xCBF43926u) << "blank text appends nothing";

  const auto head = dir_.Write("head.cnt", "1234");
  EXPECT_EQ(clsCRC32().CalculateFile(head, L"56789"), 0xCBF43926u);
  // Only the blank test trims: the text itself is appended with its spaces.
  EXPECT_EQ(clsCRC32().CalculateFile(head, L" 5"), ReferenceCrc32(Bytes("1234 5")));
  EXPECT_EQ(clsCRC32().CalculateFile(head, L"5 "), ReferenceCrc32(Bytes("12345 ")));
  EXPECT_EQ(clsCRC32().CalculateFile(head, L"\t"), ReferenceCrc32(Bytes("1234\t")));
}

TEST_F(CalculateFile, EmptyFileGivesZeroAndIgnoresAppendedText) {
  const auto empty = dir_.Write("empty.cnt", "");
  EXPECT_EQ(clsCRC32().CalculateFile(empty), 0u);
  EXPECT_EQ(clsCRC32().CalculateFile(empty, L"56789"), 0u);
}

// Every call starts afresh, whatever the object computed before.
TEST_F(CalculateFile, RepeatedCallsOnOneObjectAgree) {
  const auto check = dir_.Write("check.cnt", "123456789");
  clsCRC32 crc;
  EXPECT_EQ(crc.CalculateFile(check), 0xCBF43926u);
  crc.AddBytes(Bytes("noise"));
  EXPECT_EQ(crc.CalculateFile(check), 0xCBF43926u);
  EXPECT_EQ(crc.AddBytes({}), 0xCBF43926u);
}

// Files larger than one read block, ending at and around block boundaries.
TEST_F(CalculateFile, FilesSpanningSeveralBlocks) {
  const auto data = test_support::RandomBytes((3u << 20) + 1, 5);
  for (const std::size_t size : {std::size_t{1} << 20, (std::size_t{1} << 20) + 1, data.size()}) {
    const std::span<const std::uint8_t> bytes(data.data(), size);
    const auto file = dir_.Write("big.cnt", bytes);
    EXPECT_EQ(clsCRC32().CalculateFile(file), ReferenceCrc32(bytes)) << "size " << size;
  }
}

TEST_F(CalculateFile, NonAsciiFileName) {
  const auto file =
      dir_.Write(platform::PathFromText(L"Pr\u00fcfung \u65e5\u672c \U0001F600.cnt"), "123456789");
  EXPECT_EQ(clsCRC32().CalculateFile(file), 0xCBF43926u);
}

// A failure must surface as an error, never as a checksum of 0.
TEST_F(CalculateFile, UnreadablePathsThrow) {
  EXPECT_THROW(clsCRC32().CalculateFile(dir_.path() / "missing.cnt"), std::system_error);
  EXPECT_THROW(clsCRC32().CalculateFile(dir_.path()), std::system_error);
  const std::wstring with_nul = platform::TextFromPath(dir_.Write("a.cnt", "abc")) + L'\0' + L"x";
  EXPECT_THROW(clsCRC32().CalculateFile(platform::PathFromText(with_nul)), std::system_error);
}

#ifdef _WIN32
TEST_F(CalculateFile, FileLockedByAnotherHandleThrowsSharingViolation) {
  const auto file = dir_.Write("locked.cnt", "123456789");
  const HANDLE exclusive = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  try {
    clsCRC32().CalculateFile(file);
    ADD_FAILURE() << "a locked file gave a checksum";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(failure.code().value(), ERROR_SHARING_VIOLATION);
  }
  CloseHandle(exclusive);
}

TEST_F(CalculateFile, DeviceNamesAreRefused) {
  EXPECT_THROW(clsCRC32().CalculateFile(L"NUL"), std::system_error);
}
#endif

// A file another program writes has no checksum: a write that falls between
// the first read and the last is seen, also where the writer shares writing
// (as the C library's streams do on Windows: the file is read twice there).
// Readers may share it, and a writer that has not written yet.
TEST_F(CalculateFile, AFileBeingWrittenGivesNoChecksum) {
  const auto data = test_support::RandomBytes(32u << 20, 7);  // read in ranges
  const auto path = dir_.Write("written.cnt", data);
#ifdef _WIN32
  const HANDLE reader =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(clsCRC32().CalculateFile(path), ReferenceCrc32(data));
  CloseHandle(reader);
#endif
  std::fstream writer(path, std::ios::in | std::ios::out | std::ios::binary);
  EXPECT_EQ(clsCRC32().CalculateFile(path), ReferenceCrc32(data));
  std::atomic<bool> overlapped = false;  // a write began and ended within the first read
  std::uint64_t count = 0;               // the first bytes never hold one value twice
  for (int attempt = 0; attempt < 20 && !overlapped; ++attempt) {
    crc::FileProgress progress;
    std::jthread writing([&](std::stop_token stop) {
      while (!stop.stop_requested()) {
        if (progress.done == 0) continue;
        ++count;
        ASSERT_TRUE(writer.seekp(0).write(reinterpret_cast<const char*>(&count), 8).flush());
        if (progress.done < data.size()) overlapped = true;
      }
    });
    std::error_code failure;
    try {
      clsCRC32().CalculateFile(path, {}, {}, progress);
    } catch (const std::system_error& error) {
      failure = error.code();
    }
    writing = {};  // stops and joins
    if (overlapped) {
      EXPECT_EQ(failure, platform::FileChangedError()) << "attempt " << attempt;
    }
  }
  EXPECT_TRUE(overlapped);
}

#ifndef _WIN32
TEST_F(CalculateFile, NonRegularFilesAreRefusedWithoutBlocking) {
  const auto fifo = dir_.path() / "fifo.cnt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(clsCRC32().CalculateFile(fifo), std::system_error);
  EXPECT_THROW(clsCRC32().CalculateFile("/dev/zero"), std::system_error);
}

TEST_F(CalculateFile, AppendedTextUsesLatin1) {
  const auto head = dir_.Write("head.cnt", "1234");
  EXPECT_EQ(clsCRC32().CalculateFile(head, L"\u00e9\u20ac"), ReferenceCrc32(Bytes("1234\xe9?")));
}
#endif

}  // namespace
