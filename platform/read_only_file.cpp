#include "platform/read_only_file.h"

#include <utility>

namespace platform {

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)), sharing_(other.sharing_) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kNoHandle);
    sharing_ = other.sharing_;
  }
  return *this;
}

ReadOnlyFile::~ReadOnlyFile() { Close(); }

}  // namespace platform
