#include "processing/known.h"

#include <algorithm>

#include "platform/window.h"
#include "processing/fit.h"
#include "processing/results.h"
#include "processing/workspace.h"

namespace tessaline {
namespace {

constexpr int64_t NO_PREDECESSOR_DETECTION = 999999;
constexpr int64_t END_LIMIT_DETECTION = 9999999;
constexpr int64_t NO_PREDECESSOR_RECOGNITION = 999999999;
constexpr int64_t END_LIMIT_RECOGNITION = 999999999;

// Admissible positions of pulse j, held to the positions where a whole etalon fits the series.
struct LayerRange {
    int64_t lo;
    int64_t hi;
    bool empty() const { return hi < lo; }
    int64_t width() const { return empty() ? 0 : hi - lo + 1; }
};

LayerRange layerRange(const SeriesHeader& series, int j) {
    const int64_t lastStart = int64_t{series.dwSeriesSize} - series.wImpulseSize;
    return {series.lpMinPositions[j], std::min<int64_t>(series.lpMaxPositions[j], lastStart)};
}

// The layered dynamic programming of one run over the best fit at every position.
class LayerRun {
public:
    LayerRun(const SeriesHeader& series, const ProcessingInput& input, PositionTables& tables)
        : series_(series), tables_(tables), K_(series.wImpulseQuantity), Tmin_(input.Tmin), Tmax_(input.Tmax) {}

    static int64_t costCells(const SeriesHeader& series) {
        int64_t cells = 0;
        for (int j = 0; j < series.wImpulseQuantity; ++j) cells += layerRange(series, j).width();
        return cells;
    }

    // Costs of every layer; pulse j at k costs the least cost of pulse j - 1 in reach, or
    // `noPredecessor` when none is in reach, plus the fit at k.
    void computeLayers(int64_t noPredecessor) {
        int64_t* offset = tables_.layerOffset.data();
        offset[0] = 0;
        for (int j = 0; j < K_; ++j) {
            offset[j + 1] = offset[j] + layerRange(series_, j).width();
            if (j == 0) {
                firstLayer();
            } else {
                laterLayer(j, noPredecessor);
            }
        }
    }

    // The first end position with the least cost strictly below `limit`; -1 when none.
    int64_t endPosition(int64_t limit, int64_t& total) const {
        const LayerRange last = layerRange(series_, K_ - 1);
        const int64_t* cost = layer(K_ - 1);
        int64_t end = -1;
        total = limit;
        for (int64_t k = last.lo; k <= last.hi; ++k) {
            if (cost[k - last.lo] < total) {
                total = cost[k - last.lo];
                end = k;
            }
        }
        return end;
    }

    // Follows the least costs back from the end into `chain`; false when some pulse has no
    // predecessor position in reach.
    bool backTrack(int64_t end, ChainLists& chain) const {
        int64_t k = end;
        chain.positions[K_ - 1] = static_cast<int16_t>(k);
        for (int j = K_ - 2; j >= 0; --j) {
            const LayerRange range = layerRange(series_, j);
            const int64_t from = std::max(k - Tmax_, range.lo);
            const int64_t to = std::min(k - Tmin_, range.hi);
            if (to < from) return false;
            const int64_t* cost = layer(j);
            int64_t chosen = from;
            for (int64_t l = from + 1; l <= to; ++l) {
                if (cost[l - range.lo] < cost[chosen - range.lo]) chosen = l;
            }
            k = chosen;
            chain.positions[j] = static_cast<int16_t>(k);
        }
        chain.count = K_;
        return true;
    }

private:
    int64_t* layer(int j) const { return tables_.cost.data() + tables_.layerOffset[j]; }

    void firstLayer() {
        const LayerRange range = layerRange(series_, 0);
        int64_t* cost = layer(0);
        const int64_t* fit = tables_.fit.data();
        for (int64_t k = range.lo; k <= range.hi; ++k) cost[k - range.lo] = fit[k];
    }

    // A sliding-window minimum over the previous layer: the window [k - Tmax, k - Tmin] moves
    // right with k, and the deque keeps the leftmost of equal costs in front.
    void laterLayer(int j, int64_t noPredecessor) {
        const LayerRange range = layerRange(series_, j);
        const LayerRange previous = layerRange(series_, j - 1);
        int64_t* cost = layer(j);
        const int64_t* before = layer(j - 1);
        const int64_t* fit = tables_.fit.data();
        int32_t* deque = tables_.window.data();
        int head = 0, tail = 0;
        int64_t next = previous.lo;
        for (int64_t k = range.lo; k <= range.hi; ++k) {
            const int64_t reachTo = std::min(k - Tmin_, previous.hi);
            for (; next <= reachTo; ++next) {
                const int64_t value = before[next - previous.lo];
                while (tail > head && before[deque[tail - 1] - previous.lo] > value) --tail;
                deque[tail++] = static_cast<int32_t>(next);
            }
            const int64_t reachFrom = std::max(k - Tmax_, previous.lo);
            while (tail > head && deque[head] < reachFrom) ++head;
            const int64_t best = tail > head ? before[deque[head] - previous.lo] : noPredecessor;
            cost[k - range.lo] = best + fit[k];
        }
    }

    const SeriesHeader& series_;
    PositionTables& tables_;
    int K_;
    int64_t Tmin_;
    int64_t Tmax_;
};

// Reserves the working tables for a known-count run; false after the run's message.
bool reserveKnownRun(Window& window, const ProcessingInput& input, const SeriesHeader& series,
                     const char* blockMessage, ProcessingWorkspace& workspace, PreparedCandidates& prepared,
                     bool& narrow) {
    const int n = series.wImpulseSize;
    if (!workspace.candidates.reserve(input.candidates.size(), n)) {
        window.showMessage("Нет памяти для ppDw!", "", MessageIcon::None);
        return false;
    }
    prepared = prepareCandidates(input, n, workspace.candidates);
    const uint32_t L = series.dwSeriesSize;
    narrow = fitsNarrowRows(prepared, series.lpNoisyData, L);
    const std::size_t P = L >= static_cast<uint32_t>(n) ? L - n + 1 : 0;
    const auto cells = static_cast<std::size_t>(LayerRun::costCells(series));
    if (!workspace.positions.reserve(L, P, n, narrow, cells, series.wImpulseQuantity)) {
        window.showMessage(blockMessage, "", MessageIcon::None);
        return false;
    }
    return true;
}

}  // namespace

int detectKnownPulses(Window& window, const ProcessingInput& input, ChainsHeader* chains,
                      SeriesHeader& series) {
    ProcessingWorkspace& workspace = processingWorkspace();
    PreparedCandidates prepared;
    bool narrow = false;
    if (!reserveKnownRun(window, input, series, "Нет памяти для ppDw[m]!", workspace, prepared, narrow)) return 0;
    const int K = series.wImpulseQuantity;
    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));

    PositionTables& tables = workspace.positions;
    ChainLists chain = ChainLists::over(tables.chainLists.data(), K + 1u);
    int64_t total = END_LIMIT_DETECTION;
    if (K > 0 && prepared.count > 0) {
        computeBestFit(prepared, series.lpNoisyData, series.dwSeriesSize, narrow, -1, tables);
        LayerRun run(series, input, tables);
        run.computeLayers(NO_PREDECESSOR_DETECTION);
        const int64_t end = run.endPosition(END_LIMIT_DETECTION, total);
        if (end < 0 || !run.backTrack(end, chain)) {
            chain.count = 0;
            total = END_LIMIT_DETECTION;
        }
        fillChainPulses(prepared, tables, chain);
    }
    writeFoundPulses(series, chain);
    offerChain(chains, total, chain);
    return 1;
}

int recognizeKnownPulses(Window& window, const ProcessingInput& input, ChainsHeader* chains,
                         SeriesHeader& series) {
    ProcessingWorkspace& workspace = processingWorkspace();
    PreparedCandidates prepared;
    bool narrow = false;
    if (!reserveKnownRun(window, input, series, "Нет памяти для indexes!", workspace, prepared, narrow)) return -1;
    const int K = series.wImpulseQuantity;
    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));

    PositionTables& tables = workspace.positions;
    ChainLists chain = ChainLists::over(tables.chainLists.data(), K + 1u);
    ChainLists best = ChainLists::over(tables.chainLists.data() + 4 * (K + 1u), K + 1u);
    int64_t bestTotal = END_LIMIT_RECOGNITION;
    int recognised = -1;
    LayerRun run(series, input, tables);
    for (int slot = 0; slot < prepared.count; ++slot) {
        if (K == 0) {
            chain.count = 0;
            offerChain(chains, END_LIMIT_RECOGNITION, chain);
            continue;
        }
        computeBestFit(prepared, series.lpNoisyData, series.dwSeriesSize, narrow, slot, tables);
        run.computeLayers(NO_PREDECESSOR_RECOGNITION);
        int64_t total = END_LIMIT_RECOGNITION;
        const int64_t end = run.endPosition(END_LIMIT_RECOGNITION, total);
        chain.count = 0;
        if (end < 0 || !run.backTrack(end, chain)) {
            chain.count = 0;
            offerChain(chains, END_LIMIT_RECOGNITION, chain);
            continue;
        }
        fillChainPulses(prepared, tables, chain);
        offerChain(chains, total, chain);
        if (total < bestTotal) {
            bestTotal = total;
            recognised = prepared.number(slot);
            best.count = chain.count;
            std::copy_n(chain.etalons, 4 * (K + 1), best.etalons);
        }
    }
    writeFoundPulses(series, best);
    return recognised;
}

}  // namespace tessaline
