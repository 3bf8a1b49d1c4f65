#pragma once
// The statistical simulation from the menu: the series-parameters and location-parameters
// dialogs, committing what they staged, the run itself and showing its result.
#include <cstdint>
#include <string>

#include "app/command_ids.h"

namespace tessaline {

class Window;
struct AppState;

// Asks for the series parameters (the etalon shown is a selected one); `dwDialogAccepted` tells
// whether the user confirmed.
void seriesDialogCommand(Window& window, AppState& state);
// The least and most pulses of the staged series geometry, which the dialog has checked, staged
// for the dialog that follows. The least is raised to 1: a series shorter than Tmax still holds
// one pulse, and a dialog must not offer a count its check then refuses.
void stagePulseBounds(AppState& state);
// Asks for the series parameters and then the simulation grid, and commits both when the second
// dialog is confirmed and the values make a grid a run can work with (otherwise it says what is
// wrong and commits nothing). `dwDialogAccepted` tells whether they were committed.
void simulationDialogsCommand(Window& window, AppState& state);
// Runs a whole statistical simulation with the dialogs' values, then shows its result.
void statisticalSimulationCommand(Window& window, AppState& state);
// Shows the result of the last complete simulation, after the display dialog; false (and nothing
// done) without one.
bool showStatisticalSimulationCommand(Window& window, AppState& state);

// The table that chooses the statistics view from the handling case and the view case.
int32_t statisticsViewOf(int32_t handlingCase, int32_t viewCase, int32_t boundsIncluded) noexcept;

// The text of the message that sums up a simulation's parameters before it runs.
std::string simulationSummaryText(const AppState& state);

}  // namespace tessaline
