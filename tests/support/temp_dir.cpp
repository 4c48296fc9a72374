#include "tests/support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

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
