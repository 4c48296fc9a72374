#include <cstdint>
#include <optional>
#include <system_error>
#include <vector>

#include "crc/clsCRC32.h"
#include "crc/fold_file.h"
#include "crc/fold_unchanged.h"
#include "crc/kernel.h"
#include "platform/error.h"
#include "platform/read_only_file.h"
#include "platform/text.h"

namespace {

// The file opened so that nobody may write it while it is read; std::nullopt
// where a program that has it open for writing keeps that from being opened.
std::optional<platform::ReadOnlyFile> OpenDenyingWriters(const platform::NativePath& path) {
  try {
    return platform::ReadOnlyFile::Open(path);
  } catch (const std::system_error& failure) {
    if (!platform::MeansSharingViolation(failure.code())) throw;
    return std::nullopt;
  }
}

}  // namespace

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
  const crc::ReadPlan plan = crc::DefaultReadPlan();
  const crc::KernelFunction update = crc::SelectedKernel().update;
  std::optional<crc::FoldedFile> folded;
  if (auto file = OpenDenyingWriters(Filename)) {
    folded = crc::FoldUnchanged(*file, lCRC32, update, plan, crc::Reads::kOnce, stop, progress);
  } else {
    // Another program has it open for writing, but may not be writing it.
    auto shared = platform::ReadOnlyFile::Open(Filename, platform::Sharing::kReadersAndWriters);
    folded = crc::FoldUnchanged(shared, lCRC32, update, plan, crc::Reads::kTwiceAgreeing, stop,
                                progress);
  }
  if (!folded) {
    return std::nullopt;
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
