#pragma once
// The menu commands of the subset panel and of the subset and drawing settings.

namespace tessaline {

class Window;
struct AppState;

// " Select set of pulses": shows the subset panel in the graph area.
void selectSetOfPulsesCommand(Window& window, AppState& state);
// " Subset settings ...": the subset-settings dialog; on OK the new settings go into the current
// series at once, with the subset the panel holds for the task (its stored subsets and chosen one
// for tuple recognition, otherwise the subset being composed).
void subsetSettingsCommand(Window& window, AppState& state);
// " Drawing settings ...": the drawing-settings dialog; the next paint shows its options.
void drawingSettingsCommand(Window& window, AppState& state);

}  // namespace tessaline
