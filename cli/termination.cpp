#include "cli/termination.h"

#include <csignal>

namespace tessaline::cli {
namespace {

constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// Read and written by the handler, so only lock-free atomics and sig_atomic_t.
volatile std::sig_atomic_t requestedSignal = 0;
std::atomic<std::atomic<bool>*> cancelFlag{nullptr};
int depth = 0;  // guards alive, on the command's own thread
bool cancellable = false;
struct sigaction previous[std::size(STOP_SIGNALS)];

extern "C" void onStopSignal(int signal) {
    if (requestedSignal != 0) {  // the second one ends the program at once
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    requestedSignal = signal;
    if (std::atomic<bool>* cancel = cancelFlag.load()) cancel->store(true);
}

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i)
        sigaction(STOP_SIGNALS[i], &action, &previous[i]);
}

void restoreHandlers() {
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i)
        sigaction(STOP_SIGNALS[i], &previous[i], nullptr);
}

}  // namespace

static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

StopCleanly::StopCleanly(std::atomic<bool>* cancel) {
    if (depth++ == 0) {
        requestedSignal = 0;
        cancellable = false;
        installHandlers();
    }
    if (cancel != nullptr && cancelFlag.load() == nullptr) {
        cancelFlag.store(cancel);
        cancellable = true;
        if (requestedSignal != 0) cancel->store(true);
    }
}

StopCleanly::~StopCleanly() {
    if (--depth > 0) return;
    restoreHandlers();
    cancelFlag.store(nullptr);
    const int signal = requestedSignal;
    if (signal == 0 || (signal == SIGINT && cancellable)) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int StopCleanly::requested() noexcept { return requestedSignal; }

}  // namespace tessaline::cli
