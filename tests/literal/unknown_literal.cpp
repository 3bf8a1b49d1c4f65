// Unknown pulse count: one pass over the positions where a first, a later or a last pulse may
// stand, every position remembering its best chain total and predecessor. Plain reference version.
#include <algorithm>

#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "processing/intervals.h"
#include "processing/position_sets.h"
#include "tests/literal/literal.h"
#include "tests/literal/pulse_fit.h"

namespace tessaline::literal {
namespace {

// The sets a run walks: where pulses are fitted (first ∪ later), where a chain can only start
// (first − later), where it may start or go on (first ∩ later), where it can only go on
// (later − first), and where it may end (last).
struct Walk {
    PositionSets sets;
    IntervalsHeader* fitted = nullptr;
    IntervalsHeader* firstOnly = nullptr;
    IntervalsHeader* both = nullptr;
    IntervalsHeader* laterOnly = nullptr;
};

void freeWalk(Walk& walk) {
    freePositionSets(walk.sets);
    walk.fitted = freeIntervalsHeader(walk.fitted);
    walk.firstOnly = freeIntervalsHeader(walk.firstOnly);
    walk.both = freeIntervalsHeader(walk.both);
    walk.laterOnly = freeIntervalsHeader(walk.laterOnly);
}

// False after an allocation failure, with everything released.
bool buildWalk(const SeriesHeader& series, const ProcessingInput& input, Walk& walk) {
    if (!buildPositionSets(series.dwSeriesSize, series.wImpulseSize, input.Tmin, input.Tmax,
                           series.wMinPulses, series.wMaxPulses, walk.sets)) {
        return false;
    }
    const IntervalsHeader* first = walk.sets.first;
    const IntervalsHeader* later = walk.sets.later;
    // A union, difference or intersection of the two never needs more intervals than both hold.
    const auto room = static_cast<uint16_t>(
        std::min<uint32_t>(uint32_t{first->wMaxIntervals} + later->wMaxIntervals, UINT16_MAX));
    walk.fitted = getIntervalsHeader(nullptr, room);
    walk.firstOnly = getIntervalsHeader(nullptr, room);
    walk.both = getIntervalsHeader(nullptr, room);
    walk.laterOnly = getIntervalsHeader(nullptr, room);
    if (walk.fitted == nullptr || walk.firstOnly == nullptr || walk.both == nullptr ||
        walk.laterOnly == nullptr) {
        freeWalk(walk);
        return false;
    }
    uniteIntervals(walk.fitted, first);
    uniteIntervals(walk.fitted, later);
    uniteIntervals(walk.firstOnly, first);
    subtractIntervals(walk.firstOnly, later);
    uniteIntervals(walk.both, first);
    uniteIntervals(walk.laterOnly, later);
    subtractIntervals(walk.laterOnly, first);
    if (crossIntervals(walk.both, later) == 0) {
        freeWalk(walk);
        return false;
    }
    return true;
}

// The position tables, each indexed by absolute position.
struct Tables {
    int64_t* Q;       // best pulse fit
    int64_t* R;       // best chain total ending here
    int64_t* S;       // predecessor position (-1 chain start, -2 none)
    int64_t* etalon;  // 0-based alphabet index of Q (joint detection only)
    int64_t* first;   // first used sample of Q
    int64_t* last;    // last used sample of Q
};

void fillTables(const Tables& t, std::size_t L, int n) {
    std::fill_n(t.Q, L, UNSET);
    std::fill_n(t.R, L, UNSET);
    std::fill_n(t.S, L, UNSET);
    if (t.etalon != nullptr) std::fill_n(t.etalon, L, 0);
    std::fill_n(t.first, L, 0);
    std::fill_n(t.last, L, n - 1);
}

// Best predecessor total over the positions Tmin..Tmax before k, starting from `start` with no
// predecessor (-2) and taking a position only when its total is strictly smaller.
void linkPosition(const Tables& t, const ProcessingInput& input, int64_t k, int64_t start) {
    int64_t best = start;
    int64_t predecessor = -2;
    for (int64_t p = k - input.Tmax; p <= k - input.Tmin; ++p) {
        if (p < 0) continue;
        if (t.R[p] < best) {
            best = t.R[p];
            predecessor = p;
        }
    }
    t.R[k] = best + t.Q[k];
    t.S[k] = predecessor;
}

// Chain totals and predecessors once the fits are in Q: starts, starts or continuations,
// continuations, each set in ascending position order.
void linkChains(const Tables& t, const ProcessingInput& input, const Walk& walk) {
    forEachPosition(walk.firstOnly, [&](int64_t k) {
        t.R[k] = t.Q[k];
        t.S[k] = -1;
    });
    forEachPosition(walk.both, [&](int64_t k) { linkPosition(t, input, k, 0); });
    forEachPosition(walk.laterOnly, [&](int64_t k) { linkPosition(t, input, k, UNSET); });
}

// First position of the last set with the least total strictly below `limit`; -1 when none.
int64_t findEnd(const Tables& t, const Walk& walk, int64_t limit, int64_t& total) {
    int64_t end = -1;
    total = limit;
    forEachPosition(walk.sets.last, [&](int64_t k) {
        if (t.R[k] < total) {
            total = t.R[k];
            end = k;
        }
    });
    return end;
}

// Pulses of the chain ending at `end`, followed back through S, at most `most` of them.
int chainLength(const Tables& t, int64_t end, int most) {
    int count = 0;
    for (int64_t p = end; p >= 0 && count < most; p = t.S[p]) ++count;
    return count;
}

// Fills `count` pulses of the chain ending at `end`, in increasing position. `etalonNumber` 0
// takes each pulse's etalon from the tables.
void collectChain(const Tables& t, int64_t end, int count, int etalonNumber, const ChainLists& lists) {
    int64_t p = end;
    for (int i = count - 1; i >= 0; --i, p = t.S[p]) {
        lists.positions[i] = static_cast<int16_t>(p);
        lists.etalons[i] = static_cast<int16_t>(etalonNumber != 0 ? etalonNumber : t.etalon[p] + 1);
        lists.cutBegins[i] = static_cast<int16_t>(t.first[p]);
        lists.cutEnds[i] = static_cast<int16_t>(t.last[p]);
    }
}

void noteBestCount(ChainsHeader& chains) {
    if (chains.wPretenders > 0) chains.wSeekingPulsesQuantity = static_cast<uint16_t>(chains.pulsesNumber[0]);
}

}  // namespace

int detectUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                        SeriesHeader& series) {
    const int n = series.wImpulseSize;
    const std::size_t L = series.dwSeriesSize;
    const int Mx = series.wMaxPulses;
    const int16_t* x = series.lpNoisyData;
    const int M = usableCandidates(input, n);

    int64_t** EtalonsPartialEnergy = memory::allocateArray<int64_t*>(std::size_t(M));
    if (EtalonsPartialEnergy == nullptr) {
        showFailure(messages, "Нет памяти для EtalonsPartialEnergy!");
        return PROCESSING_FAILED;
    }
    // Block: Mx leading entries (unused here), partial energies (M(n + 1)), thresholds (M), the
    // six position tables (6L), the chain lists (4Mx).
    int64_t* indexes = memory::allocateZeroed<int64_t>(std::size_t(Mx) + std::size_t(M) * (n + 1) +
                                                       std::size_t(M) + 6 * L + 4 * std::size_t(Mx));
    Walk walk;
    if (indexes == nullptr || !buildWalk(series, input, walk)) {
        memory::release(indexes);
        memory::release(EtalonsPartialEnergy);
        showFailure(messages, "Нет памяти для indexes!");
        return PROCESSING_FAILED;
    }
    int64_t* next = indexes + Mx;
    for (int slot = 0; slot < M; ++slot, next += n + 1) EtalonsPartialEnergy[slot] = next;
    int64_t* threshold = next;
    next += M;
    const Tables t{next, next + L, next + 2 * L, next + 3 * L, next + 4 * L, next + 5 * L};
    const ChainLists lists = listsOver(reinterpret_cast<int16_t*>(next + 6 * L), std::size_t(Mx));

    for (std::size_t listSlot = 0, slot = 0; listSlot < input.candidates.size(); ++listSlot) {
        const int index = candidateIndex(input, listSlot, n);
        if (index < 0) continue;
        threshold[slot] =
            fillPartialEnergy(input.alphabet[index].lpData, n, input.level, EtalonsPartialEnergy[slot]);
        ++slot;
    }
    if (chains != nullptr) clearChainsHeader(*chains, 0, static_cast<uint16_t>(Mx));
    fillTables(t, L, n);

    const int64_t lastPosition = int64_t(L) - n;
    forEachPosition(walk.fitted, [&](int64_t k) {
        if (k > lastPosition || M == 0) return;
        BestPulse best;
        for (std::size_t listSlot = 0, slot = 0; listSlot < input.candidates.size(); ++listSlot) {
            const int index = candidateIndex(input, listSlot, n);
            if (index < 0) continue;
            tryCandidate(best, slot == 0, index, input.alphabet[index].lpData, EtalonsPartialEnergy[slot],
                         threshold[slot], x, k, n);
            ++slot;
        }
        t.Q[k] = best.score;
        t.etalon[k] = best.etalon;
        t.first[k] = best.first;
        t.last[k] = best.last;
    });
    linkChains(t, input, walk);

    int64_t total = UNSET;
    const int64_t end = findEnd(t, walk, UNSET, total);
    int count = 0;
    if (end >= 0 && total < NO_CHAIN) {
        count = chainLength(t, end, Mx);
        collectChain(t, end, count, 0, lists);
    } else {
        total = NO_CHAIN;
    }

    writeFoundPulses(series, lists, count);
    if (chains != nullptr) {
        insertChain(*chains, lists.view(total, count));
        noteBestCount(*chains);
    }
    freeWalk(walk);
    memory::release(indexes);
    memory::release(EtalonsPartialEnergy);
    return 1;
}

int recognizeUnknownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                           SeriesHeader& series) {
    if (chains == nullptr) {
        messages.showMessage("Не определен lpChainsHeader!", " recognizeUnknownPulses ", MessageIcon::None);
        return PROCESSING_FAILED;
    }
    const int n = series.wImpulseSize;
    const std::size_t L = series.dwSeriesSize;
    const int Mx = series.wMaxPulses;
    const int16_t* x = series.lpNoisyData;

    // Block: the chain lists (Mx entries hold four 16-bit lists of Mx) and one etalon's partial
    // energies (n + 1).
    int64_t* indexes = memory::allocateArray<int64_t>(std::size_t(Mx) + std::size_t(n) + 1);
    if (indexes == nullptr) {
        showFailure(messages, "Нет памяти для indexes!");
        return PROCESSING_FAILED;
    }
    const ChainLists lists = listsOver(reinterpret_cast<int16_t*>(indexes), std::size_t(Mx));
    int64_t* P = indexes + Mx;
    // Without its position tables or sets the run tries no candidate.
    int64_t* tables = memory::allocateArray<int64_t>(5 * L);
    Walk walk;
    const bool ready = tables != nullptr && buildWalk(series, input, walk);

    chains->wPretenders = 0;
    chains->wQuanPulses = series.wImpulseQuantity;
    chains->wSeekingPulsesQuantity = 0;
    int recognised = 65535;
    int64_t bestTotal = NO_CHAIN;
    for (std::size_t listSlot = 0; ready && listSlot < input.candidates.size(); ++listSlot) {
        const int index = candidateIndex(input, listSlot, n);
        if (index < 0) continue;
        const int16_t* e = input.alphabet[index].lpData;
        const int64_t T = fillPartialEnergy(e, n, input.level, P);
        const Tables t{tables, tables + L, tables + 2 * L, nullptr, tables + 3 * L, tables + 4 * L};
        fillTables(t, L, n);
        const int64_t lastPosition = int64_t(L) - n;
        forEachPosition(walk.fitted, [&](int64_t k) {
            if (k > lastPosition) return;
            BestPulse best;
            tryCandidate(best, true, index, e, P, T, x, k, n);
            t.Q[k] = best.score;
            t.first[k] = best.first;
            t.last[k] = best.last;
        });
        linkChains(t, input, walk);

        int64_t J = UNSET;
        if (findEnd(t, walk, UNSET, J) >= 0 && J < bestTotal) {
            bestTotal = J;
            recognised = index + 1;
        }
        int64_t distance = RECOGNITION_LIMIT;
        const int64_t end = findEnd(t, walk, RECOGNITION_LIMIT, distance);
        const int count = end >= 0 ? chainLength(t, end, Mx) : 0;
        collectChain(t, end, count, index + 1, lists);
        insertChain(*chains, lists.view(distance, count));
        noteBestCount(*chains);
    }

    if (chains->wPretenders == 0) {
        series.wFoundPulses = 0;
    } else {
        const int count = chains->pulsesNumber[0];
        chains->wSeekingPulsesQuantity = static_cast<uint16_t>(count);
        series.wFoundPulses = static_cast<uint16_t>(count);
        for (int i = 0; i < count; ++i) {
            series.lpFoundPositions[i] = chains->positionsList[0][i];
            series.lpFoundEtalonNumbers[i] = static_cast<uint16_t>(chains->pulsesList[0][i]);
            series.lpFoundCutBegins[i] = static_cast<uint16_t>(chains->cutBeginList[0][i]);
            series.lpFoundCutEnds[i] = static_cast<uint16_t>(chains->cutEndList[0][i]);
        }
    }
    freeWalk(walk);
    memory::release(tables);
    memory::release(indexes);
    return recognised;
}

}  // namespace tessaline::literal
