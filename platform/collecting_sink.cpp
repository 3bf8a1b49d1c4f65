#include "platform/collecting_sink.h"

namespace tessaline {

std::string CollectingSink::texts(std::string_view separator) const {
    std::string joined;
    for (const ShownMessage& message : messages_) joined.append(separator).append(message.text);
    return joined;
}

}  // namespace tessaline
