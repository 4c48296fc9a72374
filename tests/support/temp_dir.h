#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace test_support {

// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes a file named `name` in the folder and returns its full path.
  std::filesystem::path Write(const std::filesystem::path& name,
                              std::span<const std::uint8_t> bytes) const;
  std::filesystem::path Write(const std::filesystem::path& name, std::string_view text) const;

  // Writes a file of `size` zero bytes that takes no disk space (a sparse
  // file), for tests that read many gigabytes.
  std::filesystem::path WriteZeros(const std::filesystem::path& name, std::uint64_t size) const;

 private:
  std::filesystem::path path_;
};

// The bytes of a text, without a terminating NUL.
std::span<const std::uint8_t> Bytes(std::string_view text);

// `count` pseudo-random bytes from a fixed seed.
std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed);

}  // namespace test_support
