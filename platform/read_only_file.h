#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/path.h"

namespace platform {

// A regular disk file opened for reading, from start to end or at given
// offsets. Other programs may go on reading, writing or deleting it meanwhile. Every failure throws
// std::system_error carrying the operating system's error code; the file is
// closed when the object goes away.
class ReadOnlyFile {
 public:
  // Opens `path`. Devices, pipes, sockets and directories are refused with an
  // error rather than read: reading them could block or never end.
  static ReadOnlyFile Open(const NativePath& path);

  ReadOnlyFile(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();

  // Reads the next bytes into `buffer` and returns how many it read: at least
  // one, up to the buffer's size, or 0 at the end of the file.
  std::size_t Read(std::span<std::uint8_t> buffer);

  // Reads the bytes at `offset` into `buffer`, without moving the position
  // Read continues from: at least one byte, up to the buffer's size, or 0 at
  // or past the end of the file.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);

  // The file's size now. It may differ by the time the file is read.
  std::uint64_t Size() const;

  // Another handle onto the same file (not the same path: a file renamed or
  // replaced since is not followed), for reading at offsets on another thread.
  ReadOnlyFile Reopen() const;

 private:
#ifdef _WIN32
  using Handle = void*;
  static constexpr Handle kNoHandle = nullptr;
#else
  using Handle = int;
  static constexpr Handle kNoHandle = -1;
#endif
  explicit ReadOnlyFile(Handle handle) : handle_(handle) {}
  void Close() noexcept;

  Handle handle_ = kNoHandle;
};

}  // namespace platform
