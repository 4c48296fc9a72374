#include "service/Mod.h"

#include <cstdint>
#include <new>
#include <system_error>
#include <utility>

#include "crc/clsCRC32.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/text.h"

namespace Mod {
namespace {

std::wstring FormatChecksum(std::uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  do {
    text.insert(text.begin(), kDigits[value & 0xFu]);
    value >>= 4;
  } while (value != 0);
  return text;
}

Outcome WithText(std::wstring text) {
  Outcome outcome;
  outcome.text = std::move(text);
  return outcome;
}

Outcome WithMessage(std::wstring message) {
  Outcome outcome;
  outcome.message = std::move(message);
  return outcome;
}

Outcome FileNotFound(const std::wstring& path) { return WithMessage(L"File not found : " + path); }

}  // namespace

Outcome ComputeFileCRC(std::wstring path, std::stop_token stop, crc::FileProgress& progress) {
  try {
    // A NUL would end the path early wherever the system reads it, and the
    // message would show another path than the one given: refuse it as such.
    if (path.find(L'\0') != std::wstring::npos) {
      return WithMessage(platform::FailureText(platform::kErrorInvalidName));
    }
    if (!platform::FileExists(path)) {
      return FileNotFound(path);
    }
    clsCRC32 crc;
    const auto value = crc.CalculateFile(platform::PathFromText(path), {}, stop, progress);
    if (!value) {
      Outcome cancelled;
      cancelled.cancelled = true;
      return cancelled;
    }
    return WithText(FormatChecksum(*value));
  } catch (const std::system_error& failure) {
    // The check said yes, but the open found nothing: a link to a file that is
    // not there (the check sees the link itself) or a file deleted in between.
    // The answer is the one the check would have given.
    if (platform::MeansNoSuchFile(failure.code())) {
      return FileNotFound(path);
    }
    return WithMessage(platform::FailureText(failure.code()));
  } catch (const std::bad_alloc&) {
    return WithMessage(platform::FailureText(platform::kErrorOutOfMemory));
  }
}

std::wstring ComputeFileCRC(std::wstring path) {
  crc::FileProgress progress;
  Outcome outcome = ComputeFileCRC(std::move(path), std::stop_token(), progress);
  if (!outcome.message.empty()) {
    platform::ShowMessage(outcome.message, kProgramTitle);
  }
  return std::move(outcome.text);
}

bool IsBlank(std::wstring_view value) { return platform::TrimSpaces(value).empty(); }

}  // namespace Mod
