// Tuples with a known pulse count: one layer per pulse, the etalon of layer j being tuple element
// (phase + j) mod size; every phase, and in recognition every candidate tuple, is a pass of its
// own. Plain reference version.
#include <algorithm>

#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "tests/literal/literal.h"
#include "tests/literal/pulse_fit.h"

namespace tessaline::literal {
namespace {

struct LayerRange {
    int64_t first;
    int64_t last;
};

// What every pass of one call shares: the series, the gaps and the working tables.
struct Passes {
    std::span<const PulseHeader> alphabet;
    const SeriesHeader* series;
    const int16_t* x;
    int64_t L, n, K, Tmin, Tmax;
    uint16_t level;
    bool storedRanges;   // recognition: the series' admissible ranges; detection: computed
    int64_t width;       // positions 0..L - n
    int64_t** energy;    // partial energies of each tuple element
    int64_t* threshold;  // threshold of each tuple element
    int64_t** cost;      // K layers: G_j by position
    int64_t** cut;       // K layers: first used sample at [k], last at [width + k]
    int64_t* positions;  // K positions of the chain found by back-tracking

    // Positions of layer j, cut to 0..L - n; empty when last < first.
    LayerRange range(int64_t j) const {
        int64_t lower = 0;
        int64_t upper = 0;
        if (storedRanges) {
            lower = series->lpMinPositions[j];
            upper = series->lpMaxPositions[j];
        } else {
            lower = std::max({L - (K - j) * Tmax, j * Tmin, int64_t{0}});
            upper = std::min((j + 1) * Tmax - n, L - n - (K - 1 - j) * Tmin);
        }
        return {std::max<int64_t>(lower, 0), std::min(upper, L - n)};
    }

    // Least cost of layer j - 1 at the positions Tmin..Tmax before k; 999999 when there is none.
    int64_t bestPredecessor(int64_t j, int64_t k) const {
        const LayerRange previous = range(j - 1);
        int64_t best = NO_PREDECESSOR;
        bool found = false;
        for (int64_t l = k - Tmax; l <= k - Tmin; ++l) {
            if (l < previous.first || l > previous.last) continue;
            if (!found || cost[j - 1][l] < best) best = cost[j - 1][l];
            found = true;
        }
        return best;
    }

    // One pass of the tuple `row` (s elements) at `phase`. Fills `lists` with the chain and returns
    // its total; returns NO_CHAIN with `found` false when the pass ends in no chain.
    int64_t run(const int32_t* row, int64_t s, int64_t phase, const ChainLists& lists, bool& found) const {
        found = false;
        for (int64_t element = 0; element < s; ++element) {
            const int index = elementIndex(alphabet, row[element], n);
            threshold[element] =
                fillPartialEnergy(alphabet[index].lpData, static_cast<int>(n), level, energy[element]);
        }
        for (int64_t j = 0; j < K; ++j) {
            const int64_t element = (phase + j) % s;
            const int index = elementIndex(alphabet, row[element], n);
            const int16_t* e = alphabet[index].lpData;
            const LayerRange r = range(j);
            for (int64_t k = r.first; k <= r.last; ++k) {
                BestPulse best;
                tryCandidate(best, true, index, e, energy[element], threshold[element], x, k,
                             static_cast<int>(n));
                const int64_t before = j == 0 ? 0 : bestPredecessor(j, k);
                cost[j][k] = before + best.score;
                cut[j][k] = best.first;
                cut[j][width + k] = best.last;
            }
        }
        if (K == 0) return NO_CHAIN;

        // End: the first position of the last layer with the least cost below the threshold.
        const LayerRange lastRange = range(K - 1);
        int64_t total = NO_CHAIN;
        int64_t end = -1;
        for (int64_t k = lastRange.first; k <= lastRange.last; ++k) {
            if (cost[K - 1][k] < total) {
                total = cost[K - 1][k];
                end = k;
            }
        }
        if (end < 0) return NO_CHAIN;

        // Back-tracking: the smallest position of each window with the least cost.
        positions[K - 1] = end;
        for (int64_t j = K - 2; j >= 0; --j) {
            const LayerRange r = range(j);
            const int64_t from = std::max(positions[j + 1] - Tmax, r.first);
            const int64_t to = std::min(positions[j + 1] - Tmin, r.last);
            if (to < from) return NO_CHAIN;
            int64_t chosen = from;
            for (int64_t l = from + 1; l <= to; ++l) {
                if (cost[j][l] < cost[j][chosen]) chosen = l;
            }
            positions[j] = chosen;
        }
        for (int64_t j = 0; j < K; ++j) {
            const int64_t k = positions[j];
            lists.positions[j] = static_cast<int16_t>(k);
            lists.etalons[j] = static_cast<int16_t>(row[(phase + j) % s]);
            lists.cutBegins[j] = static_cast<int16_t>(cut[j][k]);
            lists.cutEnds[j] = static_cast<int16_t>(cut[j][width + k]);
        }
        found = true;
        return total;
    }
};

Passes passesFor(const TuplesInput& input, const SeriesHeader& series, bool storedRanges) {
    Passes passes{};
    passes.alphabet = input.alphabet;
    passes.series = &series;
    passes.x = series.lpNoisyData;
    passes.L = series.dwSeriesSize;
    passes.n = series.wImpulseSize;
    passes.K = series.wImpulseQuantity;
    passes.Tmin = input.Tmin;
    passes.Tmax = input.Tmax;
    passes.level = input.level;
    passes.storedRanges = storedRanges;
    passes.width = std::max<int64_t>(passes.L - passes.n + 1, 0);
    return passes;
}

// Lays out `rows` partial-energy rows, their thresholds and the K layers' cost and cut tables
// over the pointer table and the block; returns the first entry after them.
int64_t* layOut(Passes& passes, int64_t** ppDw, int64_t* block, int64_t rows) {
    int64_t* next = block;
    passes.energy = ppDw;
    for (int64_t element = 0; element < rows; ++element, next += passes.n + 1) passes.energy[element] = next;
    passes.threshold = next;
    next += rows;
    passes.cost = ppDw + rows;
    passes.cut = ppDw + rows + passes.K;
    for (int64_t j = 0; j < passes.K; ++j) {
        passes.cost[j] = next;
        passes.cut[j] = next + passes.width;
        next += 3 * passes.width;
    }
    return next;
}

void writeFound(SeriesHeader& series, const ChainLists& lists, int64_t K, const int64_t* firsts,
                const int64_t* lasts, int tuples) {
    writeFoundPulses(series, lists, K);
    series.wFoundTuples = static_cast<uint16_t>(tuples);
    for (int i = 0; i < tuples; ++i) {
        series.lpTupleFirsts[i] = static_cast<uint16_t>(firsts[i]);
        series.lpTupleLasts[i] = static_cast<uint16_t>(lasts[i]);
    }
}

int offer(ChainsHeader* chains, const ChainLists& lists, bool found, int64_t total, int64_t K) {
    if (chains == nullptr) return -1;
    return insertChain(*chains, found ? lists.view(total, K) : ChainView{NO_CHAIN, {}, {}, {}, {}});
}

}  // namespace

int detectKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                      ChainsHeader* chains, SeriesHeader& series) {
    Passes passes = passesFor(input, series, false);
    const int64_t K = passes.K;
    const auto a = static_cast<int64_t>(tuple.size());

    // Pointer table: a partial-energy rows, the cost and cut rows of the K layers.
    int64_t** ppDw = memory::allocateArray<int64_t*>(std::size_t(a + 2 * K));
    if (ppDw == nullptr) {
        showFailure(messages, "Нет памяти для ppDw!");
        return PROCESSING_FAILED;
    }
    // Block: partial energies and thresholds (a(n + 2)), the layer tables (3 per position and
    // layer), the chain (4K 16-bit lists and K positions) and the tuple bounds (2K).
    int64_t* block =
        memory::allocateZeroed<int64_t>(std::size_t(a * (passes.n + 2) + K * (3 * passes.width + 6)));
    if (block == nullptr) {
        memory::release(ppDw);
        showFailure(messages, "Нет памяти для ppDw[m]!");
        return PROCESSING_FAILED;
    }
    int64_t* next = layOut(passes, ppDw, block, a);
    passes.positions = next;
    const ChainLists lists = listsOver(reinterpret_cast<int16_t*>(next + K), K);
    int64_t* firsts = next + 2 * K;
    int64_t* lasts = next + 3 * K;

    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));
    int64_t bestTotal = NO_CHAIN;
    int tuples = -1;  // tuples of the kept chain; -1 while no pass was kept
    if (!tupleUsable(input.alphabet, tuple.data(), a, passes.n)) {
        offer(chains, lists, false, NO_CHAIN, K);
    } else {
        const int64_t phases = input.proceeding == 1 ? 1 : a;
        for (int64_t phase = 0; phase < phases; ++phase) {
            bool found = false;
            const int64_t total = passes.run(tuple.data(), a, phase, lists, found);
            offer(chains, lists, found, total, K);
            if (found && total < bestTotal) {
                bestTotal = total;
                tuples = tupleBounds(K, a, phase, firsts, lasts);
                writeFound(series, lists, K, firsts, lasts, tuples);
            }
        }
    }
    if (tuples < 0) {
        series.wFoundPulses = 0;
        series.wFoundTuples = 0;
    }
    memory::release(block);
    memory::release(ppDw);
    return 1;
}

int recognizeKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                         std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series) {
    Passes passes = passesFor(input, series, true);
    const int64_t K = passes.K;
    const std::size_t count = std::min(sizes.size(), rows.size());
    int64_t largest = 0;
    for (std::size_t t = 0; t < count; ++t) largest = std::max<int64_t>(largest, sizes[t]);

    // Pointer table: the cost and cut rows of the K layers, the partial-energy rows.
    int64_t** ppDw = memory::allocateArray<int64_t*>(std::size_t(2 * K + largest));
    if (ppDw == nullptr) {
        showFailure(messages, "Нет памяти для ppDw!");
        return PROCESSING_FAILED;
    }
    // Block: partial energies and thresholds of the largest tuple, the layer tables, and two
    // chains with their tuple bounds: this pass's and the best so far.
    int64_t* block =
        memory::allocateZeroed<int64_t>(std::size_t(largest * (passes.n + 2) + K * (3 * passes.width + 12)));
    if (block == nullptr) {
        memory::release(ppDw);
        showFailure(messages, "Нет памяти для ppDw[]!");
        return PROCESSING_FAILED;
    }
    int64_t* next = layOut(passes, ppDw, block, largest);
    passes.positions = next;
    const ChainLists lists = listsOver(reinterpret_cast<int16_t*>(next + K), K);
    const ChainLists kept = listsOver(reinterpret_cast<int16_t*>(next + 2 * K), K);
    int64_t* firsts = next + 3 * K;
    int64_t* lasts = next + 4 * K;
    int64_t* keptFirsts = next + 5 * K;
    int64_t* keptLasts = next + 6 * K;

    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));
    int recognised = 0;
    int keptTuples = 0;
    int64_t bestTotal = NO_CHAIN;
    for (std::size_t t = 0; t < count; ++t) {
        const int64_t s = sizes[t];
        if (!tupleUsable(input.alphabet, rows[t], s, passes.n)) continue;
        const int64_t phases = input.proceeding == 1 ? 1 : s;
        for (int64_t phase = 0; phase < phases; ++phase) {
            bool found = false;
            const int64_t total = passes.run(rows[t], s, phase, lists, found);
            if (offer(chains, lists, found, total, K) == 0)
                chains->wSeekingPulsesQuantity = static_cast<uint16_t>(K);
            if (found && total < bestTotal) {
                bestTotal = total;
                recognised = static_cast<int>(t) + 1;
                std::copy_n(lists.etalons, 4 * K, kept.etalons);
                keptTuples = tupleBounds(K, s, phase, firsts, lasts);
                std::copy_n(firsts, keptTuples, keptFirsts);
                std::copy_n(lasts, keptTuples, keptLasts);
            }
        }
    }

    if (recognised > 0) {
        writeFound(series, kept, K, keptFirsts, keptLasts, keptTuples);
    } else {
        series.wFoundPulses = 0;
        series.wFoundTuples = 0;
    }
    series.wFoundSubset = static_cast<uint16_t>(recognised);
    if (chains != nullptr) chains->wSeekingPulsesQuantity = static_cast<uint16_t>(recognised > 0 ? K : 0);
    memory::release(block);
    memory::release(ppDw);
    return recognised;
}

}  // namespace tessaline::literal
