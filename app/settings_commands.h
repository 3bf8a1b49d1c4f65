#pragma once
// The menu commands of the subset panel and of the subset and drawing settings.

namespace tessaline {

class Window;
struct AppState;

// " Select set of pulses": shows the subset panel in the graph area.
void selectSetOfPulsesCommand(Window& window, AppState& state);
// " Subset settings ...": the subset-settings dialog; then, after OK or Cancel, the settings in
// force go into the current series at once, with the subset the panel holds for the task (its
// stored subsets and chosen one for tuple recognition, otherwise the subset being composed).
void subsetSettingsCommand(Window& window, AppState& state);
// " Drawing settings ...": the drawing-settings dialog; the next paint shows its options. True
// on OK (the options may have changed).
bool drawingSettingsCommand(Window& window, AppState& state);

}  // namespace tessaline
