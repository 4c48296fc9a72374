#pragma once

// The device that stops answering (stalling_device.py, a FUSE file system
// mounted by CTest), as the Windows tests see it through Wine's Z: drive.

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace test_support {

class StallingDevice {
 public:
  // The device, stalled, or std::nullopt where this run has none.
  static std::optional<StallingDevice> Find() {
    const char* mounted = std::getenv("QUILLOMAT_STALLING_DEVICE");
    if (!mounted || !*mounted) return std::nullopt;
    std::wstring folder = L"Z:";
    for (const char* c = mounted; *c; ++c) folder += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    StallingDevice device(std::move(folder));
    device.Stall();
    return device;
  }

  StallingDevice(StallingDevice&& other) noexcept : folder_(std::move(other.folder_)) {
    other.folder_.clear();
  }
  StallingDevice& operator=(StallingDevice&&) = delete;
  ~StallingDevice() { Release(); }

  // "reads-stall.cnt": reads past 16 MiB of its 64 MiB hang; "lookup-stalls.cnt":
  // looking it up hangs. Both hold zeros.
  std::wstring Path(std::wstring_view name) const { return folder_ + L"\\" + std::wstring(name); }

  // From here on the hanging calls hang, until Release lets them all return.
  void Stall() const { DeleteFileW((folder_ + L".release").c_str()); }
  void Release() const {
    if (folder_.empty()) return;
    CloseHandle(CreateFileW((folder_ + L".release").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  }

 private:
  explicit StallingDevice(std::wstring folder) : folder_(std::move(folder)) {}
  std::wstring folder_;
};

}  // namespace test_support
