#include "platform/error.h"

namespace platform {
namespace {

constexpr int kFileChanged = 0x20000001;

class QuillomatCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "Quillomat"; }
  std::string message(int code) const override {
    return code == kFileChanged ? "The file changed while it was being read. Try again when "
                                  "nothing is writing to it."
                                : "Unknown error";
  }
};

}  // namespace

std::error_code FileChangedError() {
  static const QuillomatCategory category;
  return {kFileChanged, category};
}

std::wstring ErrorDescription(const std::error_code& code) {
  if (code.category() == std::system_category()) {
    return ErrorDescription(code.value());
  }
  const std::string text = code.message();
  std::wstring wide;
  wide.reserve(text.size());
  for (const char c : text) {
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  }
  return wide;
}

std::wstring FailureText(const std::error_code& code) {
  return std::to_wstring(code.value()) + L" " + ErrorDescription(code);
}

std::wstring FailureText(int system_error) {
  return FailureText(std::error_code(system_error, std::system_category()));
}

void ThrowError(int code, const char* what) {
  throw std::system_error(code, std::system_category(), what);
}

void ThrowLastError(const char* what) { throw std::system_error(LastError(), what); }

}  // namespace platform
