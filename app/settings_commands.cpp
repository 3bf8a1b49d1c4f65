#include "app/settings_commands.h"

#include "app/layout.h"
#include "app/settings_dialogs.h"
#include "app/state.h"
#include "app/subset_panel.h"
#include "platform/window.h"

namespace tessaline {

void selectSetOfPulsesCommand(Window& window, AppState& state) {
    state.dwViewMode = VIEW_SUBSETS;
    window.invalidate(graphInvalidationArea(state.layout), true);
}

void subsetSettingsCommand(Window& window, AppState& state) {
    // A cancelled dialog ends the command: the series keeps the subset settings it has.
    if (!runSubsetSettingsDialog(window, state)) return;
    storeSubsetInSeries(window, state.subsetPanel, state.wTaskType, state.wSubsetEmployment,
                        state.wSubsetInitPosition, state.lpSeriesHeader);
}

void drawingSettingsCommand(Window& window, AppState& state) { runDrawingSettingsDialog(window, state); }

}  // namespace tessaline
