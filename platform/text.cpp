#include "platform/text.h"

namespace platform {

std::wstring_view TrimSpaces(std::wstring_view text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

}  // namespace platform
