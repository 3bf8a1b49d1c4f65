// Known pulse count: one layer per pulse, pulse j in its admissible range, consecutive starts
// Tmin..Tmax apart. Plain reference version.
#include <algorithm>

#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "tests/literal/literal.h"
#include "tests/literal/pulse_fit.h"

namespace tessaline::literal {
namespace {

// Positions of layer j: its admissible range cut to 0..L - n; empty when last < first.
struct LayerRange {
    int64_t first;
    int64_t last;
};

LayerRange layerRange(const SeriesHeader& series, int j) {
    const int64_t lastPosition = int64_t{series.dwSeriesSize} - series.wImpulseSize;
    return {std::max<int64_t>(series.lpMinPositions[j], 0),
            std::min<int64_t>(series.lpMaxPositions[j], lastPosition)};
}

void offerEmptyChain(ChainsHeader* chains, int64_t distance) {
    if (chains != nullptr) insertChain(*chains, ChainView{distance, {}, {}, {}, {}});
}

// Layer rows of the pointer table, each row indexed by absolute position: the costs G_j [L], the
// cuts (first used sample at [k], last at [L + k]) and the 0-based etalon index (joint detection).
struct LayerRows {
    int64_t** cost;
    int64_t** cut;
    int64_t** etalon;
};

// Least cost of layer j - 1 at the positions Tmin..Tmax before k; `none` when there is none.
int64_t bestPredecessor(const SeriesHeader& series, const ProcessingInput& input, const LayerRows& rows,
                        int j, int64_t k, int64_t none) {
    const LayerRange range = layerRange(series, j - 1);
    const int64_t* previous = rows.cost[j - 1];
    int64_t best = none;
    bool found = false;
    for (int64_t l = k - input.Tmax; l <= k - input.Tmin; ++l) {
        if (l < range.first || l > range.last) continue;
        if (!found || previous[l] < best) best = previous[l];
        found = true;
    }
    return best;
}

// End of the chain: the first position of the last layer with the least cost strictly below
// `limit`; -1 when there is none.
int64_t findEnd(const SeriesHeader& series, const LayerRows& rows, int K, int64_t limit, int64_t& total) {
    const LayerRange range = layerRange(series, K - 1);
    const int64_t* cost = rows.cost[K - 1];
    int64_t end = -1;
    total = limit;
    for (int64_t k = range.first; k <= range.last; ++k) {
        if (cost[k] < total) {
            total = cost[k];
            end = k;
        }
    }
    return end;
}

// Positions of pulses K - 2 .. 0 back from `end`: the smallest position of the window and range
// with the least cost. False when some window holds no position of its layer.
bool backTrack(const SeriesHeader& series, const ProcessingInput& input, const LayerRows& rows, int K,
               int64_t end, int64_t* positions) {
    positions[K - 1] = end;
    for (int j = K - 2; j >= 0; --j) {
        const LayerRange range = layerRange(series, j);
        const int64_t k = positions[j + 1];
        const int64_t from = std::max(k - input.Tmax, range.first);
        const int64_t to = std::min(k - input.Tmin, range.last);
        if (to < from) return false;
        int64_t chosen = from;
        for (int64_t l = from + 1; l <= to; ++l) {
            if (rows.cost[j][l] < rows.cost[j][chosen]) chosen = l;
        }
        positions[j] = chosen;
    }
    return true;
}

}  // namespace

int detectKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                      SeriesHeader& series) {
    const int n = series.wImpulseSize;
    const std::size_t L = series.dwSeriesSize;
    const int K = series.wImpulseQuantity;
    const int16_t* x = series.lpNoisyData;
    const int M = usableCandidates(input, n);

    // Pointer table: M partial-energy rows, then the cost, cut and etalon rows of the K layers.
    int64_t** ppDw = memory::allocateArray<int64_t*>(std::size_t(M) + 3 * std::size_t(K));
    if (ppDw == nullptr) {
        showFailure(messages, "Нет памяти для ppDw!");
        return PROCESSING_FAILED;
    }
    // Block: the layer tables (4KL), the partial energies and thresholds (M(n + 2)), the chain (4K).
    int64_t* block = memory::allocateArray<int64_t>(4 * std::size_t(K) * L + std::size_t(M) * (n + 2) +
                                                    4 * std::size_t(K));
    if (block == nullptr) {
        memory::release(ppDw);
        showFailure(messages, "Нет памяти для ppDw[m]!");
        return PROCESSING_FAILED;
    }
    int64_t* next = block;
    for (int slot = 0; slot < M; ++slot, next += n + 1) ppDw[slot] = next;
    int64_t* threshold = next;
    next += M;
    const LayerRows rows{ppDw + M, ppDw + M + K, ppDw + M + 2 * K};
    for (int j = 0; j < K; ++j) {
        rows.cost[j] = next;
        rows.cut[j] = next + L;
        rows.etalon[j] = next + 3 * L;
        next += 4 * L;
    }
    int64_t* positions = next;  // K positions, then room for the 16-bit chain lists
    const ChainLists lists = listsOver(reinterpret_cast<int16_t*>(next + K), K);

    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));
    bool found = false;
    int64_t total = NO_CHAIN;
    if (K > 0 && M > 0) {
        for (std::size_t listSlot = 0, slot = 0; listSlot < input.candidates.size(); ++listSlot) {
            const int index = candidateIndex(input, listSlot, n);
            if (index < 0) continue;
            threshold[slot] = fillPartialEnergy(input.alphabet[index].lpData, n, input.level, ppDw[slot]);
            ++slot;
        }
        for (int j = 0; j < K; ++j) {
            const LayerRange range = layerRange(series, j);
            for (int64_t k = range.first; k <= range.last; ++k) {
                BestPulse best;
                for (std::size_t listSlot = 0, slot = 0; listSlot < input.candidates.size(); ++listSlot) {
                    const int index = candidateIndex(input, listSlot, n);
                    if (index < 0) continue;
                    tryCandidate(best, slot == 0, index, input.alphabet[index].lpData, ppDw[slot],
                                 threshold[slot], x, k, n);
                    ++slot;
                }
                const int64_t before =
                    j == 0 ? 0 : bestPredecessor(series, input, rows, j, k, NO_PREDECESSOR);
                rows.cost[j][k] = before + best.score;
                rows.cut[j][k] = best.first;
                rows.cut[j][L + k] = best.last;
                rows.etalon[j][k] = best.etalon;
            }
        }
        const int64_t end = findEnd(series, rows, K, NO_CHAIN, total);
        found = end >= 0 && backTrack(series, input, rows, K, end, positions);
    }

    if (found) {
        for (int j = 0; j < K; ++j) {
            const int64_t k = positions[j];
            lists.positions[j] = static_cast<int16_t>(k);
            lists.etalons[j] = static_cast<int16_t>(rows.etalon[j][k] + 1);
            lists.cutBegins[j] = static_cast<int16_t>(rows.cut[j][k]);
            lists.cutEnds[j] = static_cast<int16_t>(rows.cut[j][L + k]);
        }
        writeFoundPulses(series, lists, K);
        if (chains != nullptr) insertChain(*chains, lists.view(total, K));
    } else {
        series.wFoundPulses = 0;
        offerEmptyChain(chains, NO_CHAIN);
    }
    memory::release(block);
    memory::release(ppDw);
    return 1;
}

int recognizeKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                         SeriesHeader& series) {
    const int n = series.wImpulseSize;
    const std::size_t L = series.dwSeriesSize;
    const int K = series.wImpulseQuantity;
    const int16_t* x = series.lpNoisyData;

    // Pointer table: the cost and cut rows of the K layers.
    int64_t** ppDw = memory::allocateArray<int64_t*>(2 * std::size_t(K));
    if (ppDw == nullptr) {
        showFailure(messages, "Нет памяти для ppDw!");
        return PROCESSING_FAILED;
    }
    // Block: two chains (6K), one etalon's partial energies (n + 1), the layer tables (3KL).
    int64_t* block =
        memory::allocateArray<int64_t>(6 * std::size_t(K) + std::size_t(n) + 1 + 3 * std::size_t(K) * L);
    if (block == nullptr) {
        memory::release(ppDw);
        showFailure(messages, "Нет памяти для indexes!");
        return PROCESSING_FAILED;
    }
    // The first 6K entries: this candidate's positions (K), then the 16-bit lists of this
    // candidate's chain (4K entries) and of the best chain so far (4K entries).
    int64_t* positions = block;
    const ChainLists lists = listsOver(reinterpret_cast<int16_t*>(block + K), K);
    const ChainLists kept = listsOver(reinterpret_cast<int16_t*>(block + K) + 4 * std::size_t(K), K);
    int64_t* P = block + 6 * std::size_t(K);
    const LayerRows rows{ppDw, ppDw + K, nullptr};
    for (int j = 0; j < K; ++j) {
        rows.cost[j] = P + n + 1 + 3 * std::size_t(j) * L;
        rows.cut[j] = rows.cost[j] + L;
    }

    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));
    int recognised = -1;
    int64_t bestTotal = RECOGNITION_LIMIT;
    for (std::size_t listSlot = 0; listSlot < input.candidates.size(); ++listSlot) {
        const int index = candidateIndex(input, listSlot, n);
        if (index < 0) continue;
        const int16_t* e = input.alphabet[index].lpData;
        const int64_t T = fillPartialEnergy(e, n, input.level, P);
        for (int j = 0; j < K; ++j) {
            const LayerRange range = layerRange(series, j);
            for (int64_t k = range.first; k <= range.last; ++k) {
                BestPulse best;
                tryCandidate(best, true, index, e, P, T, x, k, n);
                const int64_t before =
                    j == 0 ? 0 : bestPredecessor(series, input, rows, j, k, RECOGNITION_LIMIT);
                rows.cost[j][k] = before + best.score;
                rows.cut[j][k] = best.first;
                rows.cut[j][L + k] = best.last;
            }
        }
        int64_t total = RECOGNITION_LIMIT;
        const int64_t end = K > 0 ? findEnd(series, rows, K, RECOGNITION_LIMIT, total) : -1;
        if (end < 0 || !backTrack(series, input, rows, K, end, positions)) {
            offerEmptyChain(chains, RECOGNITION_LIMIT);
            continue;
        }
        for (int j = 0; j < K; ++j) {
            const int64_t k = positions[j];
            lists.positions[j] = static_cast<int16_t>(k);
            lists.etalons[j] = static_cast<int16_t>(index + 1);
            lists.cutBegins[j] = static_cast<int16_t>(rows.cut[j][k]);
            lists.cutEnds[j] = static_cast<int16_t>(rows.cut[j][L + k]);
        }
        if (chains != nullptr) insertChain(*chains, lists.view(total, K));
        if (total < bestTotal) {
            bestTotal = total;
            recognised = index + 1;
            std::copy_n(lists.etalons, 4 * std::size_t(K), kept.etalons);
        }
    }

    if (recognised > 0) {
        writeFoundPulses(series, kept, K);
    } else {
        series.wFoundPulses = 0;
    }
    memory::release(block);
    memory::release(ppDw);
    return recognised;
}

}  // namespace tessaline::literal
