#include "tests/support/message_recorder.h"

#include <utility>

namespace test_support {

MessageRecorder::MessageRecorder()
    : previous_(
          platform::ReplaceMessageSink([this](std::wstring_view prompt, std::wstring_view title) {
            messages_.push_back({std::wstring(prompt), std::wstring(title)});
          })) {}

MessageRecorder::~MessageRecorder() { platform::ReplaceMessageSink(std::move(previous_)); }

}  // namespace test_support
