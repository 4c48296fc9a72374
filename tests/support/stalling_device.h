#pragma once

// The device that stops answering (stalling_device.py, a FUSE file system
// mounted by CTest), as the Windows tests see it through Wine's Z: drive.

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace test_support {

struct StallingDevice {
  std::wstring folder;  // holds the files that stalling_device.py serves

  // The device, its calls hanging from now on; std::nullopt where this run has none.
  static std::optional<StallingDevice> Find() {
    const char* mounted = std::getenv("QUILLOMAT_STALLING_DEVICE");
    if (!mounted || !*mounted) return std::nullopt;
    StallingDevice device{L"Z:"};
    for (const char* c = mounted; *c; ++c) device.folder += *c == '/' ? L'\\' : wchar_t(*c);
    DeleteFileW((device.folder + L".release").c_str());
    return device;
  }

  std::wstring Path(const wchar_t* name) const { return folder + L"\\" + name; }

  // Lets every hanging call return.
  void Release() const {
    CloseHandle(CreateFileW((folder + L".release").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  }
};

}  // namespace test_support
