#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/path.h"

namespace platform {

// What writing a file changes, as its open handle reports it: equal stamps
// before the first read and after the last mean nothing wrote it meanwhile.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t write_time = 0;   // last write
  std::int64_t change_time = 0;  // last change of data or attributes (POSIX)
  bool operator==(const FileStamp&) const = default;
};

// What other programs may do with a file while it is open here, on Windows
// (POSIX has no share modes: there both are the same).
enum class Sharing {
  // Read it, rename or delete it, but not open it for writing; and a program
  // that has it open for writing keeps it from being opened: so the bytes
  // read are one version of the file.
  kReaders,
  // Write it too: for a file that another program already holds open for
  // writing, whose bytes only a comparison of two reads can vouch for.
  kReadersAndWriters,
};

// A regular disk file opened for reading, from start to end or at given
// offsets, with the sharing it was opened with. (Writers that share modes do
// not stop, on a file server's own system or on POSIX, show in its stamp.)
// Every failure throws std::system_error carrying the operating system's
// error code; the file is closed when the object goes away.
class ReadOnlyFile {
 public:
  // Opens `path`. Devices, pipes, sockets and directories are refused with an
  // error rather than read: reading them could block or never end.
  static ReadOnlyFile Open(const NativePath& path, Sharing sharing = Sharing::kReaders);

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

  // The file's size and times now.
  FileStamp Stamp() const;

  // Another handle onto the same file (not the same path: a file renamed or
  // replaced since is not followed), with the same sharing, for reading at
  // offsets on another thread.
  ReadOnlyFile Reopen() const;

 private:
#ifdef _WIN32
  using Handle = void*;
  static constexpr Handle kNoHandle = nullptr;
#else
  using Handle = int;
  static constexpr Handle kNoHandle = -1;
#endif
  ReadOnlyFile(Handle handle, Sharing sharing) : handle_(handle), sharing_(sharing) {}
  void Close() noexcept;

  Handle handle_ = kNoHandle;
  Sharing sharing_ = Sharing::kReaders;
};

}  // namespace platform
