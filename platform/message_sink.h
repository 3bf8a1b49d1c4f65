#pragma once
// Where the workbench's own logic says what went wrong: a modal message with an OK button. The
// signal model, the processing and the simulation need nothing else of the window; the window
// and the headless implementation both take messages.
#include <string_view>

namespace tessaline {

enum class MessageIcon { None, Warning, Error, Information };

// The caption of a message shown without one.
inline constexpr std::string_view DEFAULT_MESSAGE_CAPTION = "Tessaline";

class MessageSink {
public:
    virtual ~MessageSink() = default;

    // A modal message with an OK button. An empty caption means the system's default caption.
    // It is shown (and, being modal, dismissed) before the failing operation returns.
    virtual void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
};

}  // namespace tessaline
