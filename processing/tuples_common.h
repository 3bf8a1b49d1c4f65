#pragma once
// What the tuples runs share: their candidate tuples, the fit of every distinct tuple element over
// all positions (computed once per run), and the tuple bounds of a chain.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/fit.h"
#include "processing/tuples.h"
#include "processing/workspace.h"

namespace tessaline {

// The candidate tuples of a run: tuple i is rows[i][0..sizes[i]-1].
struct TupleList {
    std::span<const int32_t> sizes;
    std::span<const int32_t* const> rows;

    int count() const { return static_cast<int>(std::min(sizes.size(), rows.size())); }
    int size(int i) const { return sizes[i]; }
    std::span<const int32_t> tuple(int i) const {
        return sizes[i] > 0 && rows[i] != nullptr ? std::span<const int32_t>(rows[i], sizes[i])
                                                  : std::span<const int32_t>();
    }
    int largestSize() const;
    std::size_t elementCount() const;
};

// The distinct elements of the tuples as candidates, with the fit of each over all positions.
class TupleElements {
public:
    // Reserves and prepares the candidate tables; false when memory is refused.
    bool prepare(const TuplesInput& input, const TupleList& tuples, int n, CandidateTables& tables);
    // Reserves the element fits over the L positions of series x; false when memory is refused.
    bool reserveFits(PositionTables& tables, const int16_t* x, uint32_t L, std::size_t pulses);
    void computeFits(const int16_t* x, uint32_t L, PositionTables& tables) const;

    // A tuple is usable when it has elements and every element is a usable etalon.
    bool usable(std::span<const int32_t> tuple) const;
    int slot(int32_t number) const { return tables_->slotOfNumber[number]; }
    uint16_t number(int slot) const { return prepared_.number(slot); }
    const PreparedCandidates& prepared() const { return prepared_; }
    bool narrow() const { return narrow_; }
    // A bound on the magnitude of every element fit (see fitBound).
    int64_t largestFit() const { return largestFit_; }

private:
    PreparedCandidates prepared_;
    const CandidateTables* tables_ = nullptr;
    std::size_t largestNumber_ = 0;
    bool narrow_ = false;
    int64_t largestFit_ = 0;
};

// Where element `slot`'s fit over all positions lies in the tables.
inline const int64_t* elementFit(const PositionTables& tables, int slot, uint32_t L) {
    return tables.elementFit.data() + static_cast<std::size_t>(slot) * L;
}

// Tuple bounds of a chain of m pulses starting at phase p of a tuple of size s, written into the
// series record as 1-based pulse indices: [1, min(s - p, m)], then s pulses each, cut at m.
void writeTupleBounds(SeriesHeader& series, int s, int p, int m);

}  // namespace tessaline
