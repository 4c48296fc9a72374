#include "service/Mod.h"

#include <cstdint>
#include <new>
#include <system_error>
#include <utility>

#include "crc/clsCRC32.h"
#include "platform/cancel_io.h"
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

Outcome Compute(std::wstring path, std::stop_token stop, crc::FileProgress& progress) {
  try {
    // A NUL would end the path early wherever the system reads it, and the
    // message would show another path than the one given: refuse it as such.
    if (path.find(L'\0') != std::wstring::npos) {
      return WithMessage(platform::FailureText(platform::kErrorInvalidName));
    }
    if (!platform::FileExists(path)) {
      return WithMessage(L"File not found : " + path);
    }
    clsCRC32 crc;
    const auto value = crc.CalculateFile(platform::PathFromText(path), {}, stop, progress);
    return value ? WithText(FormatChecksum(*value)) : Outcome{};
  } catch (const std::system_error& failure) {
    return WithMessage(platform::FailureText(failure.code()));
  } catch (const std::bad_alloc&) {
    return WithMessage(platform::FailureText(platform::kErrorOutOfMemory));
  }
}

}  // namespace

Outcome ComputeFileCRC(std::wstring path, std::stop_token stop, crc::FileProgress& progress) {
  // A device that stops answering can hold this thread in an existence check,
  // an open or a read; the stop request cancels that call where the system can.
  // The cancelled call fails or finds no file: either way, the work stopped.
  const platform::CancelIoOnStop cancel_io(stop);
  Outcome outcome = Compute(std::move(path), stop, progress);
  if (stop.stop_requested()) {
    outcome = {};
    outcome.cancelled = true;
  }
  return outcome;
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
