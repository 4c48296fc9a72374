#include "platform/message_box.h"

#include <utility>

namespace platform {
namespace {

MessageSink& CurrentSink() {
  static MessageSink sink;
  return sink;
}

}  // namespace

MessageSink ReplaceMessageSink(MessageSink sink) {
  return std::exchange(CurrentSink(), std::move(sink));
}

void ShowMessage(std::wstring_view prompt, std::wstring_view title) {
  if (const MessageSink& sink = CurrentSink()) {
    sink(prompt, title);
    return;
  }
  ShowPlatformMessageBox(prompt, title);
}

}  // namespace platform
