#include <windows.h>

#include "platform/text.h"

namespace platform {

std::uint8_t AnsiByte(wchar_t character) {
  char bytes[4] = {};
  const int count =
      WideCharToMultiByte(CP_ACP, 0, &character, 1, bytes, sizeof bytes, nullptr, nullptr);
  if (count <= 0) {
    return '?';
  }
  // A double-byte character's code is lead * 256 + trail: its low 8 bits are the trail byte.
  return static_cast<std::uint8_t>(bytes[count - 1]);
}

}  // namespace platform
