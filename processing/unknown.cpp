#include "processing/unknown.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include "platform/formatting.h"
#include "platform/message_sink.h"
#include "processing/chain_totals.h"
#include "processing/fit.h"
#include "processing/intervals.h"
#include "processing/messages.h"
#include "processing/position_sets.h"
#include "processing/results.h"
#include "processing/workspace.h"

namespace tessaline {
namespace {

constexpr int64_t UNSET = 99999999;
constexpr int64_t NO_CHAIN = 9999999;
constexpr int64_t NO_CHAIN_RECORDED = 999999999;

// One pass of the dynamic programming over positions for one fit table.
class PositionRun {
public:
    PositionRun(const SeriesHeader& series, const ProcessingInput& input, PositionTables& tables)
        : tables_(tables),
          positions_(std::max<int64_t>(int64_t{series.dwSeriesSize} - series.wImpulseSize + 1, 0)),
          L_(series.dwSeriesSize),
          Tmin_(input.Tmin),
          Tmax_(input.Tmax),
          Mx_(series.wMaxPulses) {}

    // Chain totals R and predecessors S: a position only a first pulse may take starts a chain;
    // one a first or a later pulse may take continues the best chain in reach only when its total
    // is negative; one only a later pulse may take continues the best chain in reach.
    void computeTotals() {
        narrow_ = narrowFits();
        if (narrow_) {
            computeNarrowTotals();
            return;
        }
        std::fill_n(tables_.cost.data(), L_, UNSET);
        std::fill_n(tables_.predecessor.data(), L_, static_cast<int32_t>(UNSET));
        int64_t* R = tables_.cost.data();
        int32_t* S = tables_.predecessor.data();
        const int64_t* Q = tables_.fit.data();
        const uint8_t* membership = tables_.membership.data();
        for (int64_t k = 0; k < positions_; ++k) {
            if ((membership[k] & (IN_FIRST | IN_LATER)) == IN_FIRST) {
                R[k] = Q[k];
                S[k] = -1;
            }
        }
        continueChains(IN_FIRST | IN_LATER, 0);
        continueChains(IN_LATER, UNSET);
    }

    // The first position of the last set with the least total strictly below `limit`; -1 if none.
    int64_t endPosition(int64_t limit, int64_t& total) const {
        if (narrow_) return narrowChainEnd(narrowPass(), limit, total);
        const int64_t* R = tables_.cost.data();
        const uint8_t* membership = tables_.membership.data();
        int64_t end = -1;
        total = limit;
        for (int64_t k = 0; k < positions_; ++k) {
            if ((membership[k] & IN_LAST) != 0 && R[k] < total) {
                total = R[k];
                end = k;
            }
        }
        return end;
    }

    // The chain ending at `end`, followed back through the predecessors, in increasing position.
    void followChain(int64_t end, ChainLists& chain) const {
        const int32_t* S = tables_.predecessor.data();
        int count = 0;
        for (int64_t k = end; k >= 0 && count < Mx_;
             k = narrow_ ? narrowPredecessor(narrowPass(), k) : S[k]) {
            assert(k < positions_ && (count == 0 || (chain.positions[count - 1] - k >= Tmin_ &&
                                                     chain.positions[count - 1] - k <= Tmax_)));
            chain.positions[count++] = static_cast<int16_t>(k);
        }
        std::reverse(chain.positions, chain.positions + count);
        chain.count = count;
    }

private:
    // The 32-bit pass over the tables' narrow rows: fits, totals, then both running minima.
    NarrowChainPass narrowPass() const {
        int32_t* rows = tables_.narrowMin.data();
        const int64_t P = positions_;
        return {tables_.membership.data(),  rows, rows + P, rows + 2 * P, rows + 3 * P, P, Tmin_, Tmax_,
                static_cast<int32_t>(UNSET)};
    }

    // Narrows the fits into the 32-bit rows when every total of the run then fits them. A fit
    // below 2^bits in magnitude, moved up by 2^bits, leaves every bit above `bits` clear; the loop
    // gathers those bits of all fits without a branch.
    bool narrowFits() {
        if (positions_ == 0 || tables_.narrowMin.capacity() < 4 * static_cast<std::size_t>(positions_))
            return false;
        const int64_t limit = narrowChainsFitLimit(positions_, Tmin_, Tmax_, UNSET);
        if (limit < 2) return false;
        const int bits =
            static_cast<int>(std::bit_width(static_cast<uint64_t>(limit - 1))) - 1;  // 2^bits < limit
        const int64_t* Q = tables_.fit.data();
        int32_t* q = tables_.narrowMin.data();
        const uint64_t lift = uint64_t{1} << bits;
        uint64_t gathered = 0;
        for (int64_t k = 0; k < positions_; ++k) {
            gathered |= static_cast<uint64_t>(Q[k]) + lift;
            q[k] = static_cast<int32_t>(Q[k]);
        }
        return (gathered >> (bits + 1)) == 0;
    }

    // computeTotals in the narrow rows, where endPosition and followChain then read them.
    void computeNarrowTotals() {
        const NarrowChainPass pass = narrowPass();
        startNarrowChains(pass);
        continueNarrowChains(pass, IN_FIRST | IN_LATER, 0);
        continueNarrowChains(pass, IN_LATER, static_cast<int32_t>(UNSET));
    }

    // The positions whose set membership is exactly `phase`, ascending: each takes the leftmost
    // least total in [k - Tmax, k - Tmin] when it is below `start`, by a sliding-window minimum.
    // Totals enter the window only once their own position lies behind the current one, so they
    // are final for this phase when they enter.
    void continueChains(uint8_t phase, int64_t start) {
        int64_t* R = tables_.cost.data();
        int32_t* S = tables_.predecessor.data();
        const int64_t* Q = tables_.fit.data();
        const uint8_t* membership = tables_.membership.data();
        int32_t* deque = tables_.window.data();
        int head = 0, tail = 0;
        int64_t next = 0;
        for (int64_t k = 0; k < positions_; ++k) {
            if ((membership[k] & (IN_FIRST | IN_LATER)) != phase) continue;
            for (; next <= k - Tmin_; ++next) {
                while (tail > head && R[deque[tail - 1]] > R[next]) --tail;
                deque[tail++] = static_cast<int32_t>(next);
            }
            while (tail > head && deque[head] < k - Tmax_) ++head;
            int64_t best = start;
            int32_t predecessor = -2;
            if (tail > head && R[deque[head]] < start) {
                best = R[deque[head]];
                predecessor = deque[head];
            }
            R[k] = best + Q[k];
            S[k] = predecessor;
        }
    }

    PositionTables& tables_;
    int64_t positions_;
    uint32_t L_;
    int64_t Tmin_;
    int64_t Tmax_;
    int Mx_;
    bool narrow_ = false;  // the totals came from the narrow rows, which give the predecessors
};

// The position tables of one pass, with the membership marks of the position sets; false when
// memory is refused. The marks depend only on the series shape and the gaps, so repeats with the
// same ones keep them instead of building the sets again.
bool reservePositions(const SeriesHeader& series, const ProcessingInput& input, bool narrow,
                      PositionTables& tables) {
    const uint32_t L = series.dwSeriesSize;
    const int n = series.wImpulseSize;
    const std::size_t P = L >= static_cast<uint32_t>(n) ? L - n + 1 : 0;
    if (!tables.reserveFit(L, P, n, narrow, series.wMaxPulses) || !tables.reservePositionPass(L, 1) ||
        !tables.narrowMin.reserve(4 * std::max<std::size_t>(P, 1))) {
        return false;
    }
    const SetsShape shape{L,          series.wImpulseSize, input.Tmin,
                          input.Tmax, series.wMinPulses,   series.wMaxPulses};
    if (tables.membershipMarked && tables.markedShape == shape) return true;
    tables.membershipMarked = false;
    OwnedPositionSets sets;
    if (!sets.build(L, series.wImpulseSize, input.Tmin, input.Tmax, series.wMinPulses, series.wMaxPulses)) {
        return false;
    }
    markPositionSets(sets.sets(), tables.membership.data(), static_cast<int64_t>(P));
    tables.markedShape = shape;
    tables.membershipMarked = true;
    return true;
}

void setSeekingFromBest(ChainsHeader* chains) {
    if (chains != nullptr && chains->wPretenders > 0) {
        chains->wSeekingPulsesQuantity = static_cast<uint16_t>(chains->pulsesNumber[0]);
    }
}

// The candidates with their partial energies, and the position tables and sets of a run. Each
// algorithm names the work arrays its messages speak of when one is refused.
struct UnknownRunTables {
    PreparedCandidates prepared;
    bool narrow = false;
};

bool reserveUnknownRun(MessageSink& messages, const ProcessingInput& input, const SeriesHeader& series,
                       const char* candidatesName, const char* tablesName, UnknownRunTables& run) {
    ProcessingWorkspace& workspace = processingWorkspace();
    const int n = series.wImpulseSize;
    if (!workspace.candidates.reserve(input.candidates.size(), n)) {
        messages.showMessage(processing_text::noMemoryFor(candidatesName), processing_text::NO_CAPTION,
                             MessageIcon::None);
        return false;
    }
    run.prepared = prepareCandidates(input, n, workspace.candidates);
    run.narrow = fitsNarrowRows(run.prepared, series.lpNoisyData, series.dwSeriesSize);
    if (!reservePositions(series, input, run.narrow, workspace.positions)) {
        messages.showMessage(processing_text::noMemoryFor(tablesName), processing_text::NO_CAPTION,
                             MessageIcon::None);
        return false;
    }
    return true;
}

}  // namespace

int detectUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                        SeriesHeader& series) {
    UnknownRunTables reserved;
    if (!reserveUnknownRun(messages, input, series, "EtalonsPartialEnergy", "indexes", reserved)) {
        return PROCESSING_FAILED;
    }
    const PreparedCandidates& prepared = reserved.prepared;
    const bool narrow = reserved.narrow;
    PositionTables& tables = processingWorkspace().positions;
    if (chains != nullptr) clearChainsHeader(*chains, 0, series.wMaxPulses);

    PositionRun run(series, input, tables);
    if (prepared.count > 0) {
        computeBestFit(prepared, series.lpNoisyData, series.dwSeriesSize, narrow, -1, tables);
    } else {
        std::fill_n(tables.fit.data(), series.dwSeriesSize, UNSET);
    }
    run.computeTotals();
    int64_t total = NO_CHAIN;
    const int64_t end = run.endPosition(UNSET, total);
    ChainLists chain = ChainLists::over(tables.chainLists.data(), series.wMaxPulses + 1u);
    if (end >= 0 && total < NO_CHAIN) {
        run.followChain(end, chain);
        fillChainPulses(prepared, tables, chain);
    } else {
        total = NO_CHAIN;
    }
    writeFoundPulses(series, chain);
    offerChain(chains, total, chain);
    setSeekingFromBest(chains);
    return 1;
}

int recognizeUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                           SeriesHeader& series) {
    if (chains == nullptr) {
        messages.showMessage(processing_text::NO_CHAINS_RECORD, processing_text::RECOGNIZE_UNKNOWN_CAPTION,
                             MessageIcon::None);
        return PROCESSING_FAILED;
    }
    UnknownRunTables reserved;
    if (!reserveUnknownRun(messages, input, series, "indexes", "tables", reserved)) return PROCESSING_FAILED;
    const PreparedCandidates& prepared = reserved.prepared;
    const bool narrow = reserved.narrow;
    PositionTables& tables = processingWorkspace().positions;
    chains->wPretenders = 0;
    chains->wQuanPulses = series.wImpulseQuantity;
    chains->wSeekingPulsesQuantity = 0;

    PositionRun run(series, input, tables);
    ChainLists chain = ChainLists::over(tables.chainLists.data(), series.wMaxPulses + 1u);
    int recognised = 65535;
    int64_t best = NO_CHAIN;
    for (int slot = 0; slot < prepared.count; ++slot) {
        computeBestFit(prepared, series.lpNoisyData, series.dwSeriesSize, narrow, slot, tables);
        run.computeTotals();
        int64_t total = UNSET;
        if (run.endPosition(UNSET, total) >= 0 && total < best) {
            best = total;
            recognised = prepared.number(slot);
        }
        const int64_t end = run.endPosition(NO_CHAIN_RECORDED, total);
        chain.count = 0;
        if (end >= 0) {
            run.followChain(end, chain);
            fillChainPulses(prepared, tables, chain);
        }
        offerChain(chains, end >= 0 ? total : NO_CHAIN_RECORDED, chain);
        setSeekingFromBest(chains);
    }
    takeBestChain(series, *chains);
    return recognised;
}

}  // namespace tessaline
