#pragma once
// The pulse fit as the reference algorithms use it: candidate and tuple element checks, partial
// energies, the segment score summed sample by sample, the best-pulse rule applied one candidate
// at a time; and what every reference run shares: its failure message, the walk over a position
// set, the found pulses and tuple bounds written out.
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/chains.h"
#include "processing/intervals.h"
#include "processing/known.h"

namespace tessaline::literal {

// Unreachable costs and end thresholds.
inline constexpr int64_t NO_PREDECESSOR = 999999;        // known count, joint detection
inline constexpr int64_t NO_CHAIN = 9999999;             // end threshold / empty chain distance
inline constexpr int64_t UNSET = 99999999;               // unknown count: table fill
inline constexpr int64_t RECOGNITION_LIMIT = 999999999;  // recognition sentinel and threshold

// Alphabet index of candidate `slot` of the list, or -1 when the candidate cannot be tried (an
// unknown number, no samples, fewer than n samples, or n = 0).
int candidateIndex(const ProcessingInput& input, std::size_t slot, int n) noexcept;

// Number of candidates of the list that can be tried.
int usableCandidates(const ProcessingInput& input, int n) noexcept;

// P[i] = e_0^2 + ... + e_{i-1}^2 for i = 0..n; returns the threshold (level * P[n]) / 100.
int64_t fillPartialEnergy(const int16_t* e, int n, uint16_t level, int64_t* P) noexcept;

// S(e, k, m, i) = sum over t = m..i of e_t (e_t - 2 x_{k+t}).
int64_t segmentScore(const int16_t* e, const int16_t* x, int64_t k, int m, int i) noexcept;

// The best pulse found so far at one position.
struct BestPulse {
    int64_t score = 0;
    int etalon = 0;  // 0-based alphabet index
    int first = 0;   // first etalon sample used
    int last = 0;    // last etalon sample used
};

// Applies one candidate to the best pulse at position k: its whole etalon starts the best when
// `firstCandidate`, else replaces it only when strictly smaller; then its admissible segments
// (energy above T), m ascending and i ascending, each replacing only when strictly smaller.
void tryCandidate(BestPulse& best, bool firstCandidate, int etalon, const int16_t* e, const int64_t* P,
                  int64_t T, const int16_t* x, int64_t k, int n) noexcept;

// The four per-pulse lists of one chain laid out in working memory, and the chain offered to the
// result record from them.
struct ChainLists {
    int16_t* etalons;
    int16_t* positions;
    int16_t* cutBegins;
    int16_t* cutEnds;

    ChainView view(int64_t total, int64_t count) const {
        const auto n = static_cast<std::size_t>(count);
        return {total, {etalons, n}, {positions, n}, {cutBegins, n}, {cutEnds, n}};
    }
};

// Four lists of `capacity` entries from `memory` on.
inline ChainLists listsOver(int16_t* memory, int64_t capacity) {
    return {memory, memory + capacity, memory + 2 * capacity, memory + 3 * capacity};
}

// Shows an allocation failure, without caption or icon.
void showFailure(MessageSink& messages, const char* text);

// Alphabet index of a tuple element, or -1 when the element cannot be fitted.
int elementIndex(std::span<const PulseHeader> alphabet, int32_t number, int64_t n);

// A tuple of at least one element, every element fittable.
bool tupleUsable(std::span<const PulseHeader> alphabet, const int32_t* row, int64_t size, int64_t n);

// Tuple bounds (1-based pulse indices) of a chain of m pulses that starts at element `phase` of a
// tuple of s: the first tuple ends where the tuple does, each next one s pulses later, the last
// cut at m. Returns the number of tuples.
int tupleBounds(int64_t m, int64_t s, int64_t phase, int64_t* firsts, int64_t* lasts);

// The first `count` pulses of the lists as the series record's found pulses.
void writeFoundPulses(SeriesHeader& series, const ChainLists& lists, int64_t count);

// Every position of the set, in increasing order.
template <class Visit>
void forEachPosition(const IntervalsHeader* set, Visit visit) {
    for (int i = 0; i < set->wIntervals; ++i) {
        for (int64_t k = set->lpBegins[i]; k <= set->lpEnds[i]; ++k) visit(k);
    }
}

}  // namespace tessaline::literal
