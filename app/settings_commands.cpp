#include "app/settings_commands.h"

#include "app/layout.h"
#include "app/settings_dialogs.h"
#include "app/state.h"
#include "panels/subset_panel_state.h"
#include "platform/window.h"

namespace tessaline {

void selectSetOfPulsesCommand(Window& window, AppState& state) {
    state.view.dwViewMode = VIEW_SUBSETS;
    window.invalidate(graphInvalidationArea(state.painted.layout), true);
}

void subsetSettingsCommand(Window& window, AppState& state) {
    // After OK or Cancel alike the series takes the panel's subset with the settings in force, so
    // it always holds what the panel and the settings show.
    runSubsetSettingsDialog(window, state);
    storeSubsetInSeries(window, state.subsetPanel, state.task.wTaskType, state.subsets.wSubsetEmployment,
                        state.subsets.wSubsetInitPosition, state.lpSeriesHeader);
}

bool drawingSettingsCommand(Window& window, AppState& state) {
    return runDrawingSettingsDialog(window, state);
}

}  // namespace tessaline
