#include "crc/fold_unchanged.h"

#include <system_error>

#include "platform/error.h"

namespace crc {
namespace {

[[noreturn]] void ThrowChanged() {
  throw std::system_error(platform::FileChangedError(), "CalculateFile");
}

}  // namespace

std::optional<FoldedFile> FoldUnchanged(platform::ReadOnlyFile& file, std::uint32_t reg,
                                        KernelFunction update, const ReadPlan& plan, Reads reads,
                                        std::stop_token stop, FileProgress& progress) {
  const bool twice = reads == Reads::kTwiceAgreeing;
  const platform::FileStamp before = file.Stamp();
  progress.reads_to_follow.store(twice ? 1 : 0, std::memory_order_relaxed);
  const auto first = FoldFile(file, reg, update, plan, stop, progress);
  if (!first) return std::nullopt;
  if (first->length != before.size) ThrowChanged();
  if (twice) {
    // A size that moved already tells: no need to read it all again.
    if (file.Size() != first->length) ThrowChanged();
    progress.reads_to_follow.store(0, std::memory_order_relaxed);
    const auto second = FoldFile(file, reg, update, plan, stop, progress);
    if (!second) return std::nullopt;
    if (second->length != first->length || second->reg != first->reg) ThrowChanged();
  }
  if (file.Stamp() != before) ThrowChanged();
  return first;
}

}  // namespace crc
