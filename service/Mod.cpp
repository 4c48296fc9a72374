#include "service/Mod.h"

#include <cstdint>
#include <new>
#include <system_error>

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

void ReportFailure(const std::error_code& code) {
  platform::ShowMessage(platform::FailureText(code), kProgramTitle);
}

void ReportFailure(int system_error) {
  platform::ShowMessage(platform::FailureText(system_error), kProgramTitle);
}

}  // namespace

std::wstring ComputeFileCRC(std::wstring path) {
  try {
    // A NUL would end the path early wherever the system reads it, and the
    // message would show another path than the one given: refuse it as such.
    if (path.find(L'\0') != std::wstring::npos) {
      ReportFailure(platform::kErrorInvalidName);
      return {};
    }
    if (!platform::FileExists(path)) {
      platform::ShowMessage(L"File not found : " + path, kProgramTitle);
      return {};
    }
    clsCRC32 crc;
    return FormatChecksum(crc.CalculateFile(platform::PathFromText(path)));
  } catch (const std::system_error& failure) {
    ReportFailure(failure.code());
  } catch (const std::bad_alloc&) {
    ReportFailure(platform::kErrorOutOfMemory);
  }
  return {};
}

bool IsBlank(std::wstring_view value) { return platform::TrimSpaces(value).empty(); }

}  // namespace Mod
