#pragma once

#include <stop_token>
#include <string>
#include <string_view>

#include "crc/file_progress.h"

namespace Mod {

// The program's name: the window caption and the title of every message.
inline constexpr std::wstring_view kProgramTitle = L"Quillomat";

// The CRC-32 of the file at `path` (taken exactly as given, untrimmed) as
// upper-case hexadecimal without prefix or leading zeros, for example
// "CBF43926", "6B9DF6F" or "0" for an empty file. When the file does not exist
// or cannot be read, shows a message titled kProgramTitle instead and returns
// the empty text. Never throws.
std::wstring ComputeFileCRC(std::wstring path);

// What one checksum request came to, for callers that show its message
// themselves (a window computing on another thread shows it on its own).
struct Outcome {
  std::wstring text;       // the checksum text; empty after a message or a stop
  std::wstring message;    // the message to show, titled kProgramTitle, or empty
  bool cancelled = false;  // stopped on request: no checksum and no message
};

// ComputeFileCRC for long work: the same checksum text and messages, except
// that the message is returned rather than shown. Keeps `progress` up to date
// and ends early, cancelled, when a stop is requested on `stop`. Never throws.
Outcome ComputeFileCRC(std::wstring path, std::stop_token stop, crc::FileProgress& progress);

// True when `value` is empty or holds only spaces (U+0020).
bool IsBlank(std::wstring_view value);

}  // namespace Mod
