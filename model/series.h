#pragma once
// Series making: K pulses of the alphabet (whole, or cut-off segments keeping more than a given
// share of the etalon's energy) placed left to right, consecutive starts Tmin..Tmax apart.
#include <cstdint>
#include <span>

#include "model/random.h"
#include "model/records.h"

namespace tessaline {

class MessageSink;

// What every series maker takes. `sequence` holds at least K 1-based etalon numbers and is
// modified in place (entries outside 1..k become 1; a subset in use is written into it).
struct SeriesRequest {
    std::span<const PulseHeader> alphabet;  // k = alphabet.size() etalons
    uint16_t n = 0;                         // etalon length
    uint16_t Tmin = 0;
    uint16_t Tmax = 0;
    uint32_t N = 0;  // series length
    uint16_t K = 0;  // pulse count (ignored by getUnfixedCutOffSeries)
    std::span<uint16_t> sequence;
    int16_t A = 0;         // amplitude bound, stored in the record
    uint16_t level = 100;  // saved energy level in percent; 100 = whole etalons
};

// Makes or reuses the record for the request and places the pulses. Returns the record to keep
// (also when the pulse count is incompatible: the message is shown and the old series stays), or
// null after an allocation failure of the record. Settings that break the series conditions are
// refused with a message and the record passed in comes back unchanged. `made`, when given, is
// set to 1 when a new series was placed and to 0 otherwise (the record then holds no new series,
// and must not be processed as if it did).
SeriesHeader* getCutOffSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader* record,
                              GeneratorStates& states, int* made = nullptr);

// As getCutOffSeries with a pulse count drawn from the pulse-count state between the least and
// the most admissible counts. When no count is admissible it returns null at once, with no
// message, having released the record passed in (so the caller's pointer never dangles).
SeriesHeader* getUnfixedCutOffSeries(MessageSink& messages, const SeriesRequest& request,
                                     SeriesHeader* record, GeneratorStates& states, int* made = nullptr);

// Places the pulses into a record already sized for the request. Returns 1, or 0 (with its
// message) when K is not admissible, the settings are broken, or the work array is refused.
int makeExtSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader& record,
                  GeneratorStates& states);

// makeExtSeries in its two steps, for a maker of many series that places them side by side. The
// first does everything that can fail or that later series depend on: it checks the request,
// writes the record's header and per-pulse lists, employs the subset in use (drawing from the
// subset states and writing into the sequence) and takes the work array. The second places the
// pulses, drawing from the placement and segment states only: 1 + K placement draws and K of each
// segment state, whatever they draw, so skipPlacementDraws moves the states past a series before
// it is placed. Placing reads the record alone (not the sequence, which may change in between).
struct PendingSeries {
    int64_t* energy = nullptr;  // the work array, released by placeExtSeries
    uint16_t level = 100;
};

// Returns 1, or 0 with makeExtSeries's message (nothing to place or release then).
int beginExtSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader& record,
                   GeneratorStates& states, PendingSeries& pending);
void placeExtSeries(SeriesHeader& record, PendingSeries& pending, GeneratorStates& states) noexcept;
void skipPlacementDraws(uint16_t K, GeneratorStates& states) noexcept;

// getCutOffSeries up to its first step: `begun` is 1 when the series is ready to be placed into
// the record returned (and 0 with getCutOffSeries's messages otherwise).
SeriesHeader* beginCutOffSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader* record,
                                GeneratorStates& states, PendingSeries& pending, int& begun);

}  // namespace tessaline
