#pragma once
// The JSON objects of the command line, one per line. Other tools read them: field names, order
// and meaning stay as they are.
#include <nlohmann/json.hpp>

#include "app/state.h"

namespace tessaline {

struct ChainsHeader;

// {"etalons":[{"wNumber","wSize","lpData","energy"}, ...]} for the etalons of the alphabet.
nlohmann::ordered_json alphabetJson(const AppState& state);

// {"step","state","series","chains"}: the state after a processing step (step 0 = start-up).
nlohmann::ordered_json runStepJson(int step, const AppState& state);

nlohmann::ordered_json seriesJson(const SeriesHeader* series);
nlohmann::ordered_json chainsJson(const ChainsHeader* chains);

}  // namespace tessaline
