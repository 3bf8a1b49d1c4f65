#pragma once
// The command-line front end's commands, each run on a fresh, started-up state.
#include <ostream>
#include <string>
#include <string_view>

#include "cli/image_painter.h"
#include "cli/pointer.h"
#include "cli/run_settings.h"

namespace tessaline {
class ConsoleWindow;
class Window;
}  // namespace tessaline

namespace tessaline::cli {

struct AlphabetOptions {
    bool json = false;
};

struct RunOptions {
    RunSettings settings;
    int steps = 1;
    bool json = false;
    PointerScript pointer;           // played after the settings, before the steps
    std::string size = "1600x1000";  // the client area the pointer aims at
};

// `layout`: start-up, the settings and the pointer as for `run`, then the rectangles of the client
// area as painted.
struct LayoutOptions {
    RunSettings settings;
    PointerScript pointer;
    std::string size = "1600x1000";
    bool json = false;
};

// Exit statuses: 0 done, 1 a failed run or write (its message is on the error stream), 2 refused
// input.
inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_REFUSED = 2;

// The client area the command line lays the window out for, and its text line height.
inline constexpr int CLI_CLIENT_WIDTH = 1600;
inline constexpr int CLI_CLIENT_HEIGHT = 1000;
inline constexpr int CLI_LINE_HEIGHT = 16;

// Whether the settings' series length is applied, or only checked (`simulate` types it into the
// series-parameters dialog instead).
enum class SeriesLength { Applied, Checked };

// Start-up on a fresh state with the window's command handler, then the checked settings, as every
// command that runs the workbench begins, and the check that `steps` processing steps can run:
// EXIT_DONE when the state is ready, else the exit status to end with (a refusal is explained on
// `err`, naming `command`; warnings go there too).
int startUpWithSettings(ConsoleWindow& window, AppState& state, const RunSettings& settings,
                        std::string_view command, std::ostream& err,
                        SeriesLength length = SeriesLength::Applied, int steps = 0);

// Runs " Processing Next Data " once; false when the run stopped without a result (no series
// could be made, or the processing failed), after the workbench's message.
bool runProcessingStep(Window& window, const AppState& state);

int runAlphabetCommand(const AlphabetOptions& options, std::ostream& out, std::ostream& err);

// Start-up, the settings, the pointer (which needs `painter` to see what it aims at), then
// " Processing Next Data " `steps` times; after each step (and, with JSON, after the settings and
// the pointer as step 0) the state as one JSON line, or the report text.
int runRunCommand(const RunOptions& options, std::ostream& out, std::ostream& err,
                  ImagePainter* painter = nullptr);

int runLayoutCommand(const LayoutOptions& options, std::ostream& out, std::ostream& err,
                     ImagePainter* painter);

// What is wrong with the pointer options of `command` for the client area `size` (with no
// painter to aim by, any pointer is refused), or "".
std::string checkPointerOptions(const PointerScript& pointer, std::string_view size,
                                const ImagePainter* painter);

}  // namespace tessaline::cli
