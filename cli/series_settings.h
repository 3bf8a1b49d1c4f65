#pragma once
// The run settings that stand for the file menu's series making by hand: the list of required
// etalons through its dialog (--required with --required-count) and a series made from a typed
// etalon sequence (--create-series with --pulses, --sequence and --noise).
#include <string>

#include "cli/run_settings.h"

namespace tessaline {
class Window;
}

namespace tessaline::cli {

// What is wrong with these settings for the state they go to, or an empty text.
std::string checkSeriesMaking(const RunSettings& settings, const AppState& state);

// Runs " New pulses... " and then " Create series... " when asked for, their dialogs answered
// from the settings (every other field confirmed as shown).
void applySeriesMaking(Window& window, AppState& state, const RunSettings& settings);

}  // namespace tessaline::cli
