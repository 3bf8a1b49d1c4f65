#pragma once
// Interrupts (SIGINT), terminations (SIGTERM) and hang-ups (SIGHUP) while the command line has a
// file beside its target (a CSV or a picture not yet complete) or a run it can stop between
// repeats. Outside such a time they end the program at once, as by default: there is nothing to
// clean up. Within it the first of them only asks to stop: it sets the run's cancel flag, the
// command ends at its next check, and every unfinished file is removed as its owner goes. When the
// outermost guard goes, a termination or a hang-up then ends the program by its signal, as the
// sender expects; an interrupt does too, unless it stopped a run that can be cancelled, which ends
// as a cancelled run (status 1). A second signal ends the program at once.
#include <atomic>

namespace tessaline::cli {

class StopCleanly {
public:
    // `cancel`, when given, is set by the first signal; a guard within another keeps the outer
    // guard's flag.
    explicit StopCleanly(std::atomic<bool>* cancel = nullptr);
    ~StopCleanly();
    StopCleanly(const StopCleanly&) = delete;
    StopCleanly& operator=(const StopCleanly&) = delete;

    // The signal that asked to stop, or 0.
    static int requested() noexcept;
};

}  // namespace tessaline::cli
