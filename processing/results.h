#pragma once
// What every processing algorithm does with the chain it settles on: writes it into the series
// record as the found pulses, and offers it to the result record.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/chains.h"

namespace tessaline {

// One chain in four parallel lists of 16-bit entries, over working memory.
struct ChainLists {
    int16_t* etalons = nullptr;
    int16_t* positions = nullptr;
    int16_t* cutBegins = nullptr;
    int16_t* cutEnds = nullptr;
    int count = 0;

    // Four lists of `capacity` entries laid out from `memory`.
    static ChainLists over(int16_t* memory, std::size_t capacity) {
        return {memory, memory + capacity, memory + 2 * capacity, memory + 3 * capacity, 0};
    }
    ChainView view(int64_t distance) const {
        const auto n = static_cast<std::size_t>(count);
        return {distance, {etalons, n}, {positions, n}, {cutBegins, n}, {cutEnds, n}};
    }
};

// wFoundPulses = the chain's count, and its pulses into the found arrays.
void writeFoundPulses(SeriesHeader& series, const ChainLists& chain);

// Offers the chain (or, with `count` 0, the empty chain) to the result record when there is one.
void offerChain(ChainsHeader* chains, int64_t total, const ChainLists& chain);

// The series takes its found pulses from the result record's best chain (none when it is empty).
void takeBestChain(SeriesHeader& series, const ChainsHeader& chains);

}  // namespace tessaline
