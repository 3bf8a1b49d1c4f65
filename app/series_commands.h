#pragma once
// Series making by hand from the file menu: the list of required etalons, and a series built from
// the series parameters, the pulse count, the etalon sequence and the noise level the user types.

namespace tessaline {

class Window;
struct AppState;

// Asks for the list of required etalons; entries outside the alphabet are put back to their own
// place number, and the etalon flags are rebuilt from the list.
void newPulsesCommand(Window& window, AppState& state);
// Asks for the series parameters and then the series structure, commits both on OK and makes,
// noises and processes a series that follows the typed sequence. Cancel keeps the settings.
void createSeriesCommand(Window& window, AppState& state);

}  // namespace tessaline
