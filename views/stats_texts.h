#pragma once
// The texts of the statistics view that describe a finished run: the title of its view code, the
// nine lines of its settings, the reference numbers and its calendar and elapsed times.
#include <array>
#include <cstdint>
#include <string>

#include "model/records.h"
#include "simulation/references.h"
#include "simulation/statistics.h"

namespace tessaline {

// The title of a view code; empty for a code without one.
std::string statisticsViewTitle(int32_t viewCode);

// The nine lines that describe the run, from its statistics record, the series record it left,
// the amplitude setting and the view code.
std::array<std::string, 9> statisticsDescription(const RestErrorHeader& record, const SeriesHeader& series,
                                                 int32_t amplitude, int32_t viewCode);

// "etEnergy=<E>, Rmin=<Rmin>, Rmax=<Rmax>"
std::string referenceNumbersLine(const ReferenceQuantities& reference);

// The calendar text of a time in seconds (local time, "Www Mmm dd hh:mm:ss yyyy"), no line end.
std::string calendarText(int64_t seconds);

// "elapsed time h:mm:ss" of the seconds from start to end; a run that ends before it starts
// shows no elapsed time (0:00:00).
std::string elapsedTimeText(int64_t start, int64_t end);

}  // namespace tessaline
