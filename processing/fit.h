#pragma once
// The pulse fit shared by every processing algorithm: the score sum e_t (e_t - 2 x_{k+t}) of an
// etalon segment at a position (smaller is better), and the best fit at every position over a
// list of candidate etalons, computed for all positions at once.
#include <cstddef>
#include <cstdint>

#include "model/records.h"
#include "processing/known.h"
#include "processing/results.h"
#include "processing/whole_scores.h"
#include "processing/workspace.h"

namespace tessaline {

// The usable candidates of a run, in list order, with their energies prepared.
struct PreparedCandidates {
    int count = 0;                      // usable candidates (unknown numbers and short etalons are skipped)
    int n = 0;                          // samples used of every etalon
    int wholeCount = 0;                 // candidates with no admissible segment (tables->whole)
    CandidateTables* tables = nullptr;  // the narrow fit in pairs makes its words there once a run

    const int16_t* samples(int slot) const { return tables->samples[slot]; }
    uint16_t number(int slot) const { return tables->numbers[slot]; }
    const int64_t* partialEnergy(int slot) const { return tables->partialEnergy.data() + row(slot, n + 1); }
    const uint16_t* firstEnd(int slot) const { return tables->firstEnd.data() + row(slot, n); }
    int32_t* pairWords(int slot) const { return tables->pairWords.data() + row(slot, n); }
    // True when the candidate's samples are those of the candidate before it, negated.
    bool negatesPrevious(int slot) const { return tables->negatesPrevious[slot] != 0; }

private:
    static std::ptrdiff_t row(int slot, int width) { return std::ptrdiff_t{slot} * width; }
};

// Fills the candidate tables (reserved for the list's length and n) for the processing level.
PreparedCandidates prepareCandidates(const ProcessingInput& input, int n, CandidateTables& tables);

// A bound on the magnitude of every fit of these candidates on this series: twice the greatest
// prefix score n E (E + 2 X) for the greatest etalon sample E and series sample X.
int64_t fitBound(const PreparedCandidates& candidates, const int16_t* x, uint32_t L);

// True when every prefix score of these candidates on this series fits 32 bits with room for
// their differences, so the fast 32-bit rows may be used.
bool fitsNarrowRows(const PreparedCandidates& candidates, const int16_t* x, uint32_t L);

// The best fit at positions 0..L-n into tables.fit / fitEtalon (candidate slot) / fitFirst /
// fitLast: over all candidates in order (joint detection), or of candidate `onlySlot` alone
// (onlySlot >= 0). Ties keep the earlier candidate, its whole etalon, then the smaller segment start
// and end. The fit rows must be reserved in the width `narrow` chooses.
void computeBestFit(const PreparedCandidates& candidates, const int16_t* x, uint32_t L, bool narrow,
                    int onlySlot, PositionTables& tables);

// As computeBestFit, into `out` instead of the tables' own best-fit arrays.
void computeBestFitInto(const PreparedCandidates& candidates, const int16_t* x, uint32_t L, bool narrow,
                        int onlySlot, PositionTables& tables, const FitOutput& out);

// Etalon numbers and cuts of the chain's pulses, read from the fit tables at their positions.
void fillChainPulses(const PreparedCandidates& candidates, const PositionTables& tables, ChainLists& chain);

}  // namespace tessaline
