#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace test_support {

struct Message {
  std::wstring prompt;
  std::wstring title;
};

// Records every message shown while it lives, instead of showing it.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  const std::vector<Message>& messages() const { return messages_; }

 private:
  std::vector<Message> messages_;
  platform::MessageSink previous_;
};

}  // namespace test_support
