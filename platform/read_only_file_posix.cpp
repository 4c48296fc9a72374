#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>
#include <string>

#include "platform/error.h"
#include "platform/read_only_file.h"

namespace platform {

ReadOnlyFile ReadOnlyFile::Open(const NativePath& name, Sharing sharing) {
  if (name.find('\0') != std::string::npos) {
    ThrowError(kErrorInvalidName, "open");
  }
  // O_NONBLOCK so that opening a FIFO cannot wait for a writer; it is cleared
  // again once the file is known to be regular.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    ThrowLastError("open");
  }
  ReadOnlyFile file(fd, sharing);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    ThrowLastError("fstat");
  }
  if (S_ISDIR(info.st_mode)) {
    ThrowError(EISDIR, "open");
  }
  if (!S_ISREG(info.st_mode)) {
    ThrowError(kErrorNotARegularFile, "open");
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ThrowLastError("fcntl");
  }
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  return file;
}

void ReadOnlyFile::Close() noexcept {
  if (handle_ != kNoHandle) {
    ::close(handle_);
    handle_ = kNoHandle;
  }
}

std::size_t ReadOnlyFile::Read(std::span<std::uint8_t> buffer) {
  const std::size_t wanted = std::min<std::size_t>(buffer.size(), SSIZE_MAX);
  for (;;) {
    const ssize_t got = ::read(handle_, buffer.data(), wanted);
    if (got >= 0) {
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) {
      ThrowLastError("read");
    }
  }
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    return 0;
  }
  const std::size_t wanted = std::min<std::size_t>(buffer.size(), SSIZE_MAX);
  for (;;) {
    const ssize_t got = ::pread(handle_, buffer.data(), wanted, static_cast<off_t>(offset));
    if (got >= 0) {
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) {
      ThrowLastError("pread");
    }
  }
}

std::uint64_t ReadOnlyFile::Size() const {
  struct stat info {};
  if (::fstat(handle_, &info) != 0) {
    ThrowLastError("fstat");
  }
  return static_cast<std::uint64_t>(info.st_size);
}

FileStamp ReadOnlyFile::Stamp() const {
  struct stat info {};
  if (::fstat(handle_, &info) != 0) {
    ThrowLastError("fstat");
  }
  const auto nanoseconds = [](const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
  };
  return {static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim),
          nanoseconds(info.st_ctim)};
}

ReadOnlyFile ReadOnlyFile::Reopen() const {
  const int fd = ::fcntl(handle_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    ThrowLastError("fcntl");
  }
  return ReadOnlyFile(fd, sharing_);
}

}  // namespace platform
