#include <windows.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/read_only_file.h"
#include "platform/win32_path.h"

namespace platform {

ReadOnlyFile ReadOnlyFile::Open(const std::filesystem::path& path) {
  if (path.native().find(L'\0') != std::wstring::npos) {
    ThrowError(kErrorInvalidName, "open");
  }
  const std::wstring name = Win32PathName(path.native());
  const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    ThrowLastError("CreateFileW");
  }
  ReadOnlyFile file(handle);
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

}  // namespace platform
