#pragma once

#include <string>
#include <string_view>

namespace Mod {

// The program's name: the window caption and the title of every message.
inline constexpr std::wstring_view kProgramTitle = L"Quillomat";

// The CRC-32 of the file at `path` (taken exactly as given, untrimmed) as
// upper-case hexadecimal without prefix or leading zeros, for example
// "CBF43926", "6B9DF6F" or "0" for an empty file. When the file does not exist
// or cannot be read, shows a message titled kProgramTitle instead and returns
// the empty text. Never throws.
std::wstring ComputeFileCRC(std::wstring path);

// True when `value` is empty or holds only spaces (U+0020).
bool IsBlank(std::wstring_view value);

}  // namespace Mod
