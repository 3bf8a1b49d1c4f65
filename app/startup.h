#pragma once
// Start-up: brings the state from its defaults to a working state (alphabet, required list, etalon
// sequences, result record and a first series without noise), setting the menu check marks.

#include <span>

namespace tessaline {

class Window;
struct AppState;

void runStartUp(Window& window, AppState& state);

// Sets the check mark of menu entry `checked` and clears it on the other entries of its group.
void checkOnly(Window& window, std::span<const int> group, int checked);

// Makes the next series with the in-use settings, by the maker of the series type, into
// lpSeriesHeader; reads the drawn pulse count back for the unfixed types. False when no new series
// was placed (the record is missing, or holds the previous series after the maker's message).
bool makeSeriesInUse(Window& window, AppState& state);

}  // namespace tessaline
