#pragma once
// A message sink that keeps what it is told instead of showing it: a caller without a window (a
// detection's picture record, the command line's file writers) reads the messages afterwards and
// says them its own way.
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_sink.h"

namespace tessaline {

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
};

class CollectingSink : public MessageSink {
public:
    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
        messages_.push_back({std::string(text), std::string(caption), icon});
    }

    const std::vector<ShownMessage>& messages() const { return messages_; }
    // The texts in the order they came, each after `separator`.
    std::string texts(std::string_view separator) const;
    void clear() { messages_.clear(); }

private:
    std::vector<ShownMessage> messages_;
};

}  // namespace tessaline
