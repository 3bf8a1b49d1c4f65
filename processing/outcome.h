#pragma once
// What a processing run ended with: the one record every caller of the dispatch reads, and the
// value an algorithm returns when it cannot run at all, told apart from every result a run gives
// (a count of 1, a recognised number, or the algorithm's own "none accepted").
namespace tessaline {

// Returned by every detection and recognition algorithm when working memory is refused or a
// required record is missing; the algorithm has shown its message and written nothing.
inline constexpr int PROCESSING_FAILED = -2;

enum class ProcessingStatus {
    Done,          // a detection ran, or a recognition recognised an etalon or tuple
    NoneAccepted,  // a recognition accepted none of its candidates
    Failed,        // the algorithm could not run: its message is shown, nothing was written
};

struct ProcessingOutcome {
    ProcessingStatus status = ProcessingStatus::Done;
    int recognised = 0;  // a recognition's etalon or 1-based tuple number; 0 for any other outcome
    int raw = 0;         // what the algorithm returned, in its own convention

    constexpr bool failed() const noexcept { return status == ProcessingStatus::Failed; }

    friend constexpr bool operator==(const ProcessingOutcome&, const ProcessingOutcome&) = default;
};

// The outcome of a run that could not start (no algorithm was called).
constexpr ProcessingOutcome failedProcessing() noexcept {
    return {ProcessingStatus::Failed, 0, PROCESSING_FAILED};
}

}  // namespace tessaline
