#include <cstdint>
#include <system_error>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/fold_file.h"
#include "platform/error.h"
#include "platform/read_only_file.h"
#include "platform/text.h"

std::uint32_t clsCRC32::CalculateFile(const platform::NativePath& Filename,
                                      std::wstring_view sAppend) {
  crc::FileProgress progress;
  return *CalculateFile(Filename, sAppend, std::stop_token(), progress);
}

std::optional<std::uint32_t> clsCRC32::CalculateFile(const platform::NativePath& Filename,
                                                     std::wstring_view sAppend,
                                                     std::stop_token stop,
                                                     crc::FileProgress& progress) {
  InitCRC();
  platform::ReadOnlyFile file = platform::ReadOnlyFile::Open(Filename);
  const platform::FileStamp before = file.Stamp();
  const auto folded = crc::FoldFile(file, lCRC32, crc::SelectedKernel().update,
                                    crc::DefaultReadPlan(), stop, progress);
  if (!folded) {
    return std::nullopt;
  }
  // Blocks are read at different moments, ranges even out of order: across
  // a write they would join into the checksum of a file that never was.
  if (folded->length != before.size || file.Stamp() != before) {
    throw std::system_error(platform::FileChangedError(), "CalculateFile");
  }
  lCRC32 = folded->reg;
  if (folded->length == 0) {
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
