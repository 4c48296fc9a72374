#include "tests/support/guarded_buffer.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace test_support {
namespace {

std::size_t PageSize() {
#ifdef _WIN32
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
}

void MakeInaccessible(std::uint8_t* page, std::size_t size) {
#ifdef _WIN32
  DWORD previous = 0;
  const bool ok = VirtualProtect(page, size, PAGE_NOACCESS, &previous) != 0;
#else
  const bool ok = mprotect(page, size, PROT_NONE) == 0;
#endif
  if (!ok) throw std::runtime_error("cannot protect a guard page");
}

}  // namespace

GuardedBuffer::GuardedBuffer(std::size_t capacity) {
  const std::size_t page = PageSize();
  usable_size_ = (capacity + page - 1) / page * page;
  mapping_size_ = usable_size_ + 2 * page;
#ifdef _WIN32
  mapping_ = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, mapping_size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (mapping_ == nullptr) throw std::runtime_error("cannot allocate a guarded buffer");
#else
  void* mapping =
      mmap(nullptr, mapping_size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::runtime_error("cannot allocate a guarded buffer");
  mapping_ = static_cast<std::uint8_t*>(mapping);
#endif
  usable_ = mapping_ + page;
  MakeInaccessible(mapping_, page);
  MakeInaccessible(usable_ + usable_size_, page);
}

GuardedBuffer::~GuardedBuffer() {
#ifdef _WIN32
  VirtualFree(mapping_, 0, MEM_RELEASE);
#else
  munmap(mapping_, mapping_size_);
#endif
}

std::span<std::uint8_t> GuardedBuffer::EndingAtGuard(std::size_t size) const {
  if (size > usable_size_) throw std::out_of_range("guarded buffer too small");
  return {usable_ + usable_size_ - size, size};
}

std::span<std::uint8_t> GuardedBuffer::StartingAtGuard(std::size_t size) const {
  if (size > usable_size_) throw std::out_of_range("guarded buffer too small");
  return {usable_, size};
}

}  // namespace test_support
