#pragma once
// The settings of `tessaline-cli run`: checked as a whole before anything runs, then applied in a
// fixed order, each making the state changes of the menu entry, selector or dialog it stands for.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/state.h"

namespace tessaline {
class Window;
}

namespace tessaline::cli {

// The options of the drawing-settings dialog as --drawing names them: the four check boxes, each
// checked when listed, and the tuples highlight (1 dotted frame, 2 coloured background, 0 none)
// when given.
struct DrawingChoice {
    bool frame = false, shaded = false, highlight = false, special = false;
    std::optional<uint16_t> tuples;
};

struct RunSettings {
    std::optional<int> seriesType;                        // --series-type: 1, 2, 4, 8, 36, 40
    std::optional<std::string> task;                      // --task: detection, recognition, joint, processing
    std::optional<std::vector<int>> required;             // --required
    std::optional<int> tmin, tmax;                        // --tmin, --tmax
    std::optional<int> length;                            // --length
    std::optional<int> pulses;                            // --pulses
    std::optional<int> noise;                             // --noise
    std::optional<int> lost;                              // --lost
    std::optional<int> employment;                        // --employment 1..5
    std::optional<int> initPosition;                      // --init-position
    std::optional<int> proceeding;                        // --proceeding 1|2
    std::optional<std::vector<int>> subset;               // --subset
    std::optional<std::vector<std::vector<int>>> tuples;  // --tuples
    std::optional<int> chosen;                            // --chosen
    std::optional<int> requiredCount;                     // --required-count (with --required)
    bool createSeries = false;                            // --create-series
    std::optional<std::vector<int>> sequence;             // --sequence (with --create-series)
    std::optional<DrawingChoice> drawing;                 // --drawing
    std::optional<uint64_t> seed;                         // --seed: the generator states start from it
};

// "3,7,12" -> {3, 7, 12}; false for an empty list or an entry that is not a whole number.
bool parseNumberList(const std::string& text, std::vector<int>& numbers);
// "3,7,12;1,5" -> {{3, 7, 12}, {1, 5}}.
bool parseTupleLists(const std::string& text, std::vector<std::vector<int>>& tuples);
// "frame,highlight,tuples=dotted" -> the choice; false (with the reason) for an unknown word.
bool parseDrawingChoice(const std::string& text, DrawingChoice& choice, std::string& error);

// What is wrong with the settings for a state fresh from start-up, or an empty text.
std::string checkRunSettings(const RunSettings& settings, const AppState& state);

// What the settings do that the user may not expect (one line each); they still apply.
std::vector<std::string> runSettingsWarnings(const RunSettings& settings, const AppState& state);

// Applies checked settings in their fixed order; none starts a processing run.
void applyRunSettings(Window& window, AppState& state, const RunSettings& settings);

}  // namespace tessaline::cli
