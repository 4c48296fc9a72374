#include <cstdint>
#include <memory>
#include <vector>

#include "crc/clsCRC32.h"
#include "platform/read_only_file.h"
#include "platform/text.h"

namespace {

// The file streams through one reused block, so memory stays the same for any
// file size. The block is large enough that each read costs little per byte,
// and small enough that the CRC finds it still in the cache after the copy:
// 512 KiB was the fastest of 128 KiB to 1 MiB (docs/PERFORMANCE.md).
constexpr std::size_t kReadBlockSize = std::size_t{512} << 10;

}  // namespace

std::uint32_t clsCRC32::CalculateFile(const std::filesystem::path& Filename,
                                      std::wstring_view sAppend) {
  crc::FileProgress progress;
  return *CalculateFile(Filename, sAppend, std::stop_token(), progress);
}

std::optional<std::uint32_t> clsCRC32::CalculateFile(const std::filesystem::path& Filename,
                                                     std::wstring_view sAppend,
                                                     std::stop_token stop,
                                                     crc::FileProgress& progress) {
  InitCRC();
  std::uint64_t file_size = 0;
  {
    platform::ReadOnlyFile file = platform::ReadOnlyFile::Open(Filename);
    progress.expected = file.Size();
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kReadBlockSize);
    while (const std::size_t count = file.Read({block.get(), kReadBlockSize})) {
      if (stop.stop_requested()) {
        return std::nullopt;
      }
      AddBytes({block.get(), count});
      file_size += count;
      progress.done += count;
    }
  }
  if (file_size == 0) {
    return 0;
  }
  if (!platform::TrimSpaces(sAppend).empty()) {
    std::vector<std::uint8_t> appended;
    appended.reserve(sAppend.size());
    for (const wchar_t character : sAppend) {
      appended.push_back(platform::AnsiByte(character));
    }
    AddBytes(appended);
  }
  return ~lCRC32;
}
