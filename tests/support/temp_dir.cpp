#include "tests/support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it builds on
#include <winioctl.h>
#endif

namespace test_support {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate =
        base / ("quillomat-test-" + std::to_string(entropy()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = std::move(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::filesystem::path& name,
                                     std::span<const std::uint8_t> bytes) const {
  auto file_path = path_ / name;
  std::ofstream out(file_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    throw std::runtime_error("cannot write a test file");
  }
  return file_path;
}

std::filesystem::path TempDir::Write(const std::filesystem::path& name,
                                     std::string_view text) const {
  return Write(name, Bytes(text));
}

std::filesystem::path TempDir::WriteZeros(const std::filesystem::path& name,
                                          std::uint64_t size) const {
  auto file_path = Write(name, std::string_view());
#ifdef _WIN32
  // Sparse, or NTFS would reserve the space.
  const HANDLE file = CreateFileW(file_path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD returned = 0;
  const LARGE_INTEGER end{.QuadPart = static_cast<LONGLONG>(size)};
  const bool made =
      DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  if (!made) {
    throw std::runtime_error("cannot make a sparse test file");
  }
#else
  std::filesystem::resize_file(file_path, size);
#endif
  return file_path;
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<std::uint8_t> bytes(count);
  for (auto& byte : bytes) {
    byte = static_cast<std::uint8_t>(generator());
  }
  return bytes;
}

}  // namespace test_support
