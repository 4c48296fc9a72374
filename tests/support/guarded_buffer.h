#pragma once

// Memory with an inaccessible page on both sides, so that a read one byte
// before or after the usable bytes faults instead of passing unnoticed.

#include <cstddef>
#include <cstdint>
#include <span>

namespace test_support {

class GuardedBuffer {
 public:
  // Room for up to `capacity` bytes between the two guard pages.
  explicit GuardedBuffer(std::size_t capacity);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  // `size` bytes that end where the guard page after them begins.
  std::span<std::uint8_t> EndingAtGuard(std::size_t size) const;
  // `size` bytes that begin where the guard page before them ends.
  std::span<std::uint8_t> StartingAtGuard(std::size_t size) const;

 private:
  std::uint8_t* mapping_ = nullptr;
  std::size_t mapping_size_ = 0;
  std::uint8_t* usable_ = nullptr;  // between the guards
  std::size_t usable_size_ = 0;
};

}  // namespace test_support
