#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/error.h"
#include "platform/read_only_file.h"
#include "platform/win32_path.h"
#include "platform/wow64_redirection.h"

namespace platform {
namespace {

// What other programs may do meanwhile ("Creating and Opening Files": an open
// is refused where an open handle does not share the access it asks for, or
// it does not share an open handle's access). Deletes are shared with readers
// and writers alike: a program that holds the file with delete access (one
// that saves by renaming, or asks for all access) would otherwise keep it from
// being opened at all, and neither a rename nor a delete changes the bytes an
// open handle reads ("DeleteFileW function": the file goes when its last
// handle is closed).
DWORD ShareMode(Sharing sharing) {
  return sharing == Sharing::kReaders ? FILE_SHARE_READ | FILE_SHARE_DELETE
                                      : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}

}  // namespace

ReadOnlyFile ReadOnlyFile::Open(const NativePath& path, Sharing sharing) {
  if (path.find(L'\0') != std::wstring::npos) {
    ThrowError(kErrorInvalidName, "open");
  }
  const std::wstring name = Win32PathName(path);
  HANDLE handle = INVALID_HANDLE_VALUE;
  {
    const Wow64RedirectionOff redirection_off;
    handle = CreateFileW(name.c_str(), GENERIC_READ, ShareMode(sharing), nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    ThrowLastError("CreateFileW");
  }
  ReadOnlyFile file(handle, sharing);
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    ThrowError(kErrorNotARegularFile, "GetFileType");
  }
  return file;
}

void ReadOnlyFile::Close() noexcept {
  if (handle_ != kNoHandle) {
    CloseHandle(handle_);
    handle_ = kNoHandle;
  }
}

std::size_t ReadOnlyFile::Read(std::span<std::uint8_t> buffer) {
  // ReadFile counts in DWORDs; one call never asks for more than 1 GiB.
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
  DWORD got = 0;
  if (!ReadFile(handle_, buffer.data(), wanted, &got, nullptr)) {
    ThrowLastError("ReadFile");
  }
  return got;
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(handle_, buffer.data(), wanted, &got, &position)) {
    if (GetLastError() == ERROR_HANDLE_EOF) {
      return 0;
    }
    ThrowLastError("ReadFile");
  }
  return got;
}

std::uint64_t ReadOnlyFile::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_, &size)) {
    ThrowLastError("GetFileSizeEx");
  }
  return static_cast<std::uint64_t>(size.QuadPart);
}

// The size and last-write time only: ChangeTime also moves when the file is
// renamed, which sharing allows and which leaves its bytes as they were.
FileStamp ReadOnlyFile::Stamp() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle_, &info)) {
    ThrowLastError("GetFileInformationByHandle");
  }
  return {(std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
          (std::int64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
              info.ftLastWriteTime.dwLowDateTime,
          0};
}

// A handle of its own, rather than a duplicate: Windows serialises all reads
// through one synchronous handle, which would leave the threads taking turns.
// It asks for the same sharing: one that denied writers could not be opened
// beside the program that holds the file open for writing.
ReadOnlyFile ReadOnlyFile::Reopen() const {
  HANDLE handle = INVALID_HANDLE_VALUE;
  {
    const Wow64RedirectionOff redirection_off;  // as in Open, for the range threads
    handle = ReOpenFile(handle_, GENERIC_READ, ShareMode(sharing_), FILE_FLAG_SEQUENTIAL_SCAN);
  }
  if (handle == INVALID_HANDLE_VALUE &&
      !DuplicateHandle(GetCurrentProcess(), handle_, GetCurrentProcess(), &handle, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    ThrowLastError("DuplicateHandle");
  }
  return ReadOnlyFile(handle, sharing_);
}

}  // namespace platform
