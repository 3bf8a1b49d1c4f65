#pragma once
// Plain-text descriptions of the alphabet and of the state for the command line.
#include <ostream>

#include "app/state.h"

namespace tessaline::cli {

void printAlphabet(std::ostream& out, const AppState& state);
void printStateSummary(std::ostream& out, const AppState& state);

}  // namespace tessaline::cli
