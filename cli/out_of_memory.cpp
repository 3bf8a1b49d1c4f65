#include "cli/out_of_memory.h"

#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <string_view>

#include "cli/commands.h"
#include "cli/messages.h"

namespace tessaline::cli {
namespace {

std::terminate_handler previousTerminate = nullptr;

[[noreturn]] void endOnTerminate() {
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::bad_alloc&) {
            sayOutOfMemory();
            _exit(EXIT_FAILED);
        } catch (...) {  // NOLINT(bugprone-empty-catch): the previous handler tells it
        }
    }
    if (previousTerminate != nullptr) previousTerminate();
    std::abort();
}

}  // namespace

void sayOutOfMemory() noexcept {
    [[maybe_unused]] const ssize_t written =
        ::write(STDERR_FILENO, cli_text::OUT_OF_MEMORY_LINE.data(), cli_text::OUT_OF_MEMORY_LINE.size());
}

void endOnOutOfMemory() {
    const std::terminate_handler previous = std::set_terminate(endOnTerminate);
    if (previous != endOnTerminate) previousTerminate = previous;
}

}  // namespace tessaline::cli
