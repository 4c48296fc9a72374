#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// The text without its leading and trailing spaces (U+0020 only: tabs and
// other white space are kept).
std::wstring_view TrimSpaces(std::wstring_view text);

// The character's code in the system's ANSI code page, reduced to its low
// 8 bits: the active ANSI code page on Windows (the trail byte of a double-byte
// character), Latin-1 elsewhere. A character the code page cannot hold gives '?'.
std::uint8_t AnsiByte(wchar_t character);

}  // namespace platform
