#include "app/menu_commands.h"

#include <algorithm>
#include <iterator>

#include "app/command_ids.h"
#include "app/layout.h"
#include "app/messages.h"
#include "app/mouse_panels.h"
#include "app/series_commands.h"
#include "app/settings_commands.h"
#include "app/simulation_commands.h"
#include "app/snapshot.h"
#include "app/startup.h"
#include "app/state.h"
#include "model/codes.h"
#include "panels/params_header.h"
#include "platform/window.h"

namespace tessaline {
namespace {

// The parameters panel of the current series, its Tmin edit field starting at the series' Tmin;
// when its record cannot be had the panel is not shown, and the record kept so far and the field
// stay. False when it was not shown. A hover of the panel shown so far ends first: the fresh
// record forgets it.
bool viewSeriesParameters(Window& window, AppState& state) {
    endParamsPanelHovers(window, state);
    ParamsHeader* record = getParamsHeader(window, state.lpSeriesHeader, state.lpParamsHeader);
    if (record == nullptr) return false;
    if (state.lpSeriesHeader != nullptr) window.setTminEditText(paramsTminText(*record));
    state.lpParamsHeader = record;
    state.view.dwViewMode = VIEW_PARAMETERS;
    window.invalidate(graphInvalidationArea(state.painted.layout), true);
    return true;
}

void chooseTask(Window& window, AppState& state, int entry) {
    checkOnly(window, TASK_ENTRIES, entry);
    const bool tuplesSeries = isTuplesSeriesType(state.task.wSeriesType);
    switch (entry) {
        case CMD_TASK_DETECTION:
            state.task.wSelectedTask = TASK_DETECTION;
            if (tuplesSeries) {
                state.task.wTaskType = TASK_TUPLES_DETECTION;
                break;
            }
            state.task.wTaskType = TASK_DETECTION;
            std::fill(std::begin(state.selection.wRequiredFlags), std::end(state.selection.wRequiredFlags),
                      uint16_t{0});
            if (state.selection.dwCurrentEtalon >= 1 &&
                state.selection.dwCurrentEtalon <= ALPHABET_CAPACITY) {
                state.selection.wRequiredFlags[state.selection.dwCurrentEtalon - 1] = 1;
            }
            rebuildRequiredList(state);
            break;
        case CMD_TASK_RECOGNITION:
            state.task.wSelectedTask = state.task.wTaskType = TASK_RECOGNITION;
            if (tuplesSeries) state.task.wTaskType = TASK_TUPLES_RECOGNITION;
            break;
        case CMD_TASK_JOINT: state.task.wSelectedTask = state.task.wTaskType = TASK_JOINT; break;
        case CMD_TASK_SERIES_PROCESSING:
            state.task.wSelectedTask = state.task.wTaskType = TASK_SERIES_PROCESSING;
            state.view.wResultKind = RESULT_PROCESSING;
            window.sendCommand(CMD_NONE);
            break;
        default: break;
    }
}

uint16_t seriesTypeOfEntry(int entry) {
    switch (entry) {
        case CMD_SERIES_FIXED_WHOLE: return SERIES_FIXED_WHOLE;
        case CMD_SERIES_UNFIXED_WHOLE: return SERIES_UNFIXED_WHOLE;
        case CMD_SERIES_FIXED_CUTOFF: return SERIES_FIXED_CUTOFF;
        case CMD_SERIES_UNFIXED_CUTOFF: return SERIES_UNFIXED_CUTOFF;
        case CMD_SERIES_FIXED_TUPLES: return SERIES_FIXED_TUPLES;
        default: return SERIES_UNFIXED_TUPLES;
    }
}

// Whole pulses lose no data: the lost-data level goes to 0 and both energy levels to 100.
void chooseSeriesType(Window& window, AppState& state, int entry) {
    state.task.wSeriesType = seriesTypeOfEntry(entry);
    checkOnly(window, SERIES_TYPE_ENTRIES, entry);
    if (isCutoffSeriesType(state.task.wSeriesType)) return;
    state.noise.dwLostDataIndex = 1;
    state.noise.wRequestedLostDataLevel = state.noise.wLostDataLevel = 0;
    state.noise.wRequestedMakingEnergyLevel = state.noise.wMakingEnergyLevel = 100;
    state.noise.wRequestedProcessingEnergyLevel = state.noise.wProcessingEnergyLevel = 100;
    state.staging.wMakingEnergyLevel = state.staging.wProcessingEnergyLevel = 100;
}

void startRun(Window& window, AppState& state, int command) {
    state.view.wResultKind = RESULT_PROCESSING;
    window.sendCommand(command);
}

bool isTaskEntry(int command) {
    return std::find(std::begin(TASK_ENTRIES), std::end(TASK_ENTRIES), command) != std::end(TASK_ENTRIES);
}
bool isSeriesTypeEntry(int command) {
    return std::find(std::begin(SERIES_TYPE_ENTRIES), std::end(SERIES_TYPE_ENTRIES), command) !=
           std::end(SERIES_TYPE_ENTRIES);
}

void saveImage(Window& window) {
    if (!MakeSnapshot(window)) {
        window.showMessage(app_text::SNAPSHOT_FAILED, app_text::SAVE_IMAGE_CAPTION, MessageIcon::None);
    }
}

}  // namespace

bool runMenuCommand(Window& window, AppState& state, int command) {
    switch (command) {
        case CMD_PROCESSING_SAME_DATA: startRun(window, state, CMD_PROCESS); return true;
        case CMD_PROCESSING_NEXT_DATA: startRun(window, state, CMD_NEW_DATA); return true;
        case CMD_MORE_DETAILS: window.sendCommand(CMD_PROCESS); return true;
        case CMD_TYPE_MORE_DETAILS:  // the refresh of the result covers all it changes
            state.view.dwTypeMoreDetails = 1;
            window.sendCommand(CMD_REFRESH_RESULT);
            return false;
        case CMD_FIXED_CASE:
        case CMD_UNFIXED_CASE:
            state.task.wSeriesType = command == CMD_FIXED_CASE ? SERIES_FIXED_WHOLE : SERIES_UNFIXED_WHOLE;
            startRun(window, state, CMD_NEW_DATA);
            return true;
        case CMD_REPEAT_DETECTION:
        case CMD_REPEAT_RECOGNITION:
        case CMD_REPEAT_JOINT:
        case CMD_REPEAT_SERIES_PROCESSING: {
            const uint16_t tasks[] = {TASK_DETECTION, TASK_RECOGNITION, TASK_JOINT, TASK_SERIES_PROCESSING};
            state.task.wSelectedTask = tasks[command - CMD_REPEAT_DETECTION];
            startRun(window, state, CMD_NEW_DATA);
            return true;
        }
        case CMD_SAVE_IMAGE: saveImage(window); return false;
        case CMD_EXIT: window.requestClose(); return false;
        case CMD_NEW_PULSES: newPulsesCommand(window, state); return true;
        case CMD_CREATE_SERIES: createSeriesCommand(window, state); return true;
        case CMD_SELECT_SET_OF_PULSES: selectSetOfPulsesCommand(window, state); return true;
        case CMD_VIEW_SERIES_PARAMETERS: return viewSeriesParameters(window, state);
        case CMD_SUBSET_SETTINGS: subsetSettingsCommand(window, state); return true;
        case CMD_DRAWING_SETTINGS: return drawingSettingsCommand(window, state);
        case CMD_ELSE_CREATE_SERIES: return false;  // a spare menu entry that does nothing
        case CMD_STATISTICAL_SIMULATION: statisticalSimulationCommand(window, state); return true;
        case CMD_SHOW_STATISTICAL_SIMULATION: return showStatisticalSimulationCommand(window, state);
        case CMD_DEBUGGING_REPEAT:
            state.view.dwDebugRepeat = 1;
            startRun(window, state, CMD_PROCESS);
            return true;
        default: break;
    }
    if (isTaskEntry(command)) {
        chooseTask(window, state, command);
        return true;
    }
    if (isSeriesTypeEntry(command)) {
        chooseSeriesType(window, state, command);
        return true;
    }
    return false;
}

}  // namespace tessaline
