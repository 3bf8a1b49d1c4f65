#pragma once
// Chain totals of an unknown-count run in 32-bit lanes. The predecessor windows
// [k - Tmax, k - Tmin] of Tmin consecutive positions all end before the first of them, so a run of
// Tmin positions takes its least totals at once from block-wise running minima (blocks of the
// window's width) of totals that are already final: no per-position branch, no queue. The
// predecessors are not stored: following a chain back asks for each one as the phase saw it.
#include <cstdint>

namespace tessaline {

// What one pass over positions reads and writes, every row `positions` long.
struct NarrowChainPass {
    const uint8_t* membership;  // position-set marks (IN_FIRST, IN_LATER, IN_LAST)
    const int32_t* fit;         // the best fit Q, narrowed
    int32_t* total;             // the chain totals R, narrowed
    int32_t* forward;           // working rows: running minima within blocks, forwards
    int32_t* backward;          // and backwards
    int64_t positions;
    int64_t Tmin;
    int64_t Tmax;
    int32_t unset;  // the total of a position no chain reaches
};

// True when the pass may carry a run's totals: 1 <= Tmin <= Tmax, and with fits of magnitude at
// most `largestFit` no total of a chain (at most positions / Tmin + 1 pulses, or `unset` plus one
// fit) comes near INT32_MAX, which marks positions outside every window.
bool narrowChainsFit(int64_t positions, int64_t Tmin, int64_t Tmax, int64_t largestFit, int64_t unset);
// The fits' magnitude must stay below this for the pass (0 when no fit allows it).
int64_t narrowChainsFitLimit(int64_t positions, int64_t Tmin, int64_t Tmax, int64_t unset);

// The positions whose first/later marks are exactly `phase`, ascending: each takes the leftmost
// least total in [k - Tmax, k - Tmin] when it is below `start`, else `start`, plus its fit.
void continueNarrowChains(const NarrowChainPass& pass, uint8_t phase, int32_t start);

// The totals before the phases run: a position only a first pulse may take starts a chain with its
// fit, every other is unset.
void startNarrowChains(const NarrowChainPass& pass);

// The first position of the last set with the least total strictly below `limit`, -1 if none;
// `total` gets that total (`limit` when none).
int64_t narrowChainEnd(const NarrowChainPass& pass, int64_t limit, int64_t& total);

// The predecessor position k took when its phase ran, after both phases: -1 for a position only a
// first pulse may take (and one no phase ran), -2 when nothing in reach was below the phase's start.
// The first phase saw the positions only a later pulse may take still unset.
int64_t narrowPredecessor(const NarrowChainPass& pass, int64_t k);

}  // namespace tessaline
