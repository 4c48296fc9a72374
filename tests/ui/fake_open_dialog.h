#pragma once

#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/common_dialog.h"

namespace test_support {

// Stands in for the open-file dialog while it lives: records every request
// and answers with a chosen path, the empty text (cancelled) or a failure.
class FakeOpenDialog {
 public:
  FakeOpenDialog()
      : previous_(
            platform::ReplaceOpenFileChooser([this](const platform::OpenFileRequest& request) {
              requests_.push_back(request);
              if (failure_) {
                throw std::system_error(*failure_, std::system_category(), "open-file dialog");
              }
              return answer_;
            })) {}
  ~FakeOpenDialog() { platform::ReplaceOpenFileChooser(std::move(previous_)); }
  FakeOpenDialog(const FakeOpenDialog&) = delete;
  FakeOpenDialog& operator=(const FakeOpenDialog&) = delete;

  void Choose(std::wstring path) { answer_ = std::move(path); }
  void Cancel() { answer_.clear(); }
  void Fail(int code) { failure_ = code; }

  const std::vector<platform::OpenFileRequest>& requests() const { return requests_; }

 private:
  std::wstring answer_;
  std::optional<int> failure_;
  std::vector<platform::OpenFileRequest> requests_;
  platform::OpenFileChooser previous_;
};

}  // namespace test_support
