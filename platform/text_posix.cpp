#include "platform/text.h"

namespace platform {

std::uint8_t AnsiByte(wchar_t character) {
  const auto code = static_cast<std::uint32_t>(character);
  return code <= 0xFF ? static_cast<std::uint8_t>(code) : static_cast<std::uint8_t>('?');
}

}  // namespace platform
