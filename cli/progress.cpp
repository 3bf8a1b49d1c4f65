#include "cli/progress.h"

#include <algorithm>
#include <string>

#include "platform/formatting.h"
#include "simulation/progress_rate.h"

namespace tessaline::cli {
namespace {

constexpr int BAR_WIDTH = 30;
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);

std::string bar(int done, int total) {
    const int filled = total > 0 ? static_cast<int>(int64_t{done} * BAR_WIDTH / total) : BAR_WIDTH;
    std::string text(BAR_WIDTH + 2, '.');
    text.front() = '[';
    text.back() = ']';
    std::fill_n(text.begin() + 1, std::clamp(filled, 0, BAR_WIDTH), '#');
    return text;
}

}  // namespace

ProgressReport::ProgressReport(std::ostream& out, bool terminal)
    : out_(out), terminal_(terminal), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

std::string ProgressReport::describe(const SimulationProgress& progress) const {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const ProgressRate rate = progressRate(progress, seconds);
    return formatted("%d/%d cells, %.0f series/s, %.0f s left", progress.cellsDone, progress.cells,
                     rate.seriesPerSecond, rate.secondsLeft);
}

void ProgressReport::update(const SimulationProgress& progress) {
    if (terminal_) {
        const auto now = std::chrono::steady_clock::now();
        if (progress.cellsDone < progress.cells && now - lastDraw_ < REDRAW_INTERVAL) return;
        lastDraw_ = now;
        out_ << "\r" << bar(progress.cellsDone, progress.cells) << " " << describe(progress) << "\033[K"
             << std::flush;
        drawn_ = true;
        return;
    }
    const int tenth =
        progress.cells > 0 ? static_cast<int>(int64_t{progress.cellsDone} * 10 / progress.cells) : 10;
    if (tenth == lastTenth_) return;
    lastTenth_ = tenth;
    out_ << "simulate: " << describe(progress) << "\n" << std::flush;
}

void ProgressReport::finish() {
    if (terminal_ && drawn_) out_ << "\n" << std::flush;
    drawn_ = false;
}

}  // namespace tessaline::cli
