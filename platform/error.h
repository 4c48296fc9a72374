#pragma once

#include <string>
#include <system_error>

namespace platform {

// Error codes in the operating system's own numbering (Win32 error codes on
// Windows, errno values elsewhere), for failures the layer detects itself.
extern const int kErrorNotARegularFile;  // a device, pipe, socket or directory
extern const int kErrorInvalidName;      // a path the file system cannot name
extern const int kErrorOutOfMemory;

// The failure of a file whose size or last-write time changed while it was
// read: the bytes read may never have been in the file together, so they
// give no checksum. Its number has bit 29 set, the bit Windows leaves to
// applications, so it never passes for a system's own code.
std::error_code FileChangedError();

// True when `error`, from opening a file, says that a program that holds it
// open shares it with no such open (Windows' sharing violation). Never on
// POSIX, which has no share modes.
bool MeansSharingViolation(const std::error_code& error);

// The operating system's description of one of its error codes, on one line.
std::wstring ErrorDescription(int code);

// The description of any error code: the operating system's wording for the
// system category, the category's own message otherwise.
std::wstring ErrorDescription(const std::error_code& code);

// The text that reports a failure to the user: its number in decimal, one
// space, and its description.
std::wstring FailureText(const std::error_code& code);
std::wstring FailureText(int system_error);

// The error code left by the failed call just made (GetLastError or errno).
std::error_code LastError();

[[noreturn]] void ThrowError(int code, const char* what);
[[noreturn]] void ThrowLastError(const char* what);

}  // namespace platform
