#pragma once
// The exact best chain of pulses over fit rows, in 64 bits. A chain of m pulses at starts
// p_0 < ... < p_{m-1} keeps the placement rules of a series: the first pulse starts within
// Tmax - n samples of the series' start, consecutive starts lie Tmin..Tmax apart, and the last one
// starts within Tmax samples of the series' end (and the pulse fits in it). Pulse j takes its score
// from row (phase + j) mod (rows), so one row is plain detection and several rows a tuple repeated
// cyclically. The chain's total is the sum of its pulses' scores; the least total wins, on equal
// totals the one ending earlier, and at every step back the earlier predecessor (a new chain
// rather than a continued one whose total is 0). When the counts begin at 0 the empty chain (total
// 0) is a chain too, and wins over chains of pulses whose total is not below 0.
//
// With the count free (every count the placement rules admit) the search keeps one state per row
// and a window of Tmax positions of totals, so its memory grows with the series' length only;
// with the count within bounds it keeps one table per pulse.
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace tessaline {

// A row's score at a position where no pulse may stand.
inline constexpr int64_t NO_PULSE = INT64_MAX;

struct ChainGeometry {
    int64_t samples = 0;  // N
    int64_t length = 0;   // n, the etalons' length
    int64_t tmin = 0, tmax = 0;
    int64_t least = 0, most = 0;  // the pulse counts a chain may have; least 0 admits the empty chain
    bool countFree = false;       // most is the most the placement rules admit, least 0 or their least
};

struct ChainFound {
    int64_t total = 0;
    std::vector<int32_t> positions;  // in increasing order
    std::vector<int32_t> rows;       // the row index each pulse took
};

enum class SearchOutcome { Found, NoChain, OutOfMemory, Cancelled };

// The most bytes of working tables a search is allowed, and what a search over `rows` rows takes.
inline constexpr int64_t CHAIN_TABLE_LIMIT = int64_t{2} << 30;
int64_t chainTableBytes(const ChainGeometry& geometry, int64_t rows);

// The best chain over `rows` (each the score at every start position 0..N - n, NO_PULSE where none
// may stand) from row `phase`.
SearchOutcome searchChain(const ChainGeometry& geometry, std::span<const int64_t* const> rows, int phase,
                          const std::atomic<bool>* cancel, ChainFound& found);

}  // namespace tessaline
