#include "processing/known.h"

#include <algorithm>

#include "platform/message_sink.h"
#include "processing/fit.h"
#include "processing/layers.h"
#include "processing/messages.h"
#include "processing/results.h"
#include "processing/workspace.h"

namespace tessaline {
namespace {

constexpr int64_t NO_PREDECESSOR_DETECTION = 999999;
constexpr int64_t END_LIMIT_DETECTION = 9999999;
constexpr int64_t NO_PREDECESSOR_RECOGNITION = 999999999;
constexpr int64_t END_LIMIT_RECOGNITION = 999999999;

bool narrowRows(int64_t largestFit) { return largestFit < (int64_t{1} << 30); }

// Reserves the working tables for a known-count run and lays out its layer ranges; false after
// the run's message.
bool reserveKnownRun(MessageSink& messages, const ProcessingInput& input, const SeriesHeader& series,
                     const char* blockMessage, ProcessingWorkspace& workspace, PreparedCandidates& prepared,
                     int64_t& largestFit) {
    const int n = series.wImpulseSize;
    if (!workspace.candidates.reserve(input.candidates.size(), n)) {
        messages.showMessage(processing_text::NO_MEMORY_FOR_LAYER_TABLE, processing_text::NO_CAPTION,
                             MessageIcon::None);
        return false;
    }
    prepared = prepareCandidates(input, n, workspace.candidates);
    const uint32_t L = series.dwSeriesSize;
    largestFit = fitBound(prepared, series.lpNoisyData, L);
    const bool narrow = narrowRows(largestFit);
    const std::size_t P = L >= static_cast<uint32_t>(n) ? L - n + 1 : 0;
    PositionTables& tables = workspace.positions;
    const int K = series.wImpulseQuantity;
    bool reserved = tables.reserveFit(L, P, n, narrow, K) && tables.ranges.reserve(K);
    if (reserved) {
        const std::span<LayerRange> ranges(tables.ranges.data(), K);
        recordedLayerRanges(series, ranges);
        reserved = tables.reserveLayers(K, static_cast<std::size_t>(layerCells(ranges)), L,
                                        windowReach(input.Tmin, input.Tmax));
    }
    if (!reserved) {
        messages.showMessage(blockMessage, processing_text::NO_CAPTION, MessageIcon::None);
        return false;
    }
    return true;
}

std::span<const LayerRange> layerRanges(const PositionTables& tables, int K) {
    return {tables.ranges.data(), static_cast<std::size_t>(K)};
}

}  // namespace

int detectKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                      SeriesHeader& series) {
    ProcessingWorkspace& workspace = processingWorkspace();
    PreparedCandidates prepared;
    int64_t largestFit = 0;
    if (!reserveKnownRun(messages, input, series, processing_text::NO_MEMORY_FOR_LAYERS, workspace, prepared,
                         largestFit)) {
        return PROCESSING_FAILED;
    }
    const int K = series.wImpulseQuantity;
    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));

    PositionTables& tables = workspace.positions;
    ChainLists chain = ChainLists::over(tables.chainLists.data(), K + 1u);
    int64_t total = END_LIMIT_DETECTION;
    if (K > 0 && prepared.count > 0) {
        computeBestFit(prepared, series.lpNoisyData, series.dwSeriesSize, narrowRows(largestFit), -1, tables);
        LayerRun run(layerRanges(tables, K), input.Tmin, input.Tmax, tables);
        const int64_t* fit = tables.fit.data();
        run.boundFits(largestFit, NO_PREDECESSOR_DETECTION);
        run.computeLayers(NO_PREDECESSOR_DETECTION, [fit](int) { return fit; });
        const int64_t end = run.endPosition(END_LIMIT_DETECTION, total);
        chain.count = end >= 0 && run.backTrack(end, chain.positions) ? K : 0;
        if (chain.count == 0) total = END_LIMIT_DETECTION;
        fillChainPulses(prepared, tables, chain);
    }
    writeFoundPulses(series, chain);
    offerChain(chains, total, chain);
    return 1;
}

int recognizeKnownPulses(MessageSink& messages, const ProcessingInput& input, ChainsHeader* chains,
                         SeriesHeader& series) {
    ProcessingWorkspace& workspace = processingWorkspace();
    PreparedCandidates prepared;
    int64_t largestFit = 0;
    if (!reserveKnownRun(messages, input, series, processing_text::NO_MEMORY_FOR_INDEXES, workspace, prepared,
                         largestFit)) {
        return PROCESSING_FAILED;
    }
    const int K = series.wImpulseQuantity;
    if (chains != nullptr) clearChainsHeader(*chains, static_cast<uint16_t>(K), static_cast<uint16_t>(K));

    PositionTables& tables = workspace.positions;
    ChainLists chain = ChainLists::over(tables.chainLists.data(), K + 1u);
    ChainLists best =
        ChainLists::over(tables.chainLists.data() + 4 * (static_cast<std::size_t>(K) + 1), K + 1u);
    int64_t bestTotal = END_LIMIT_RECOGNITION;
    int recognised = -1;
    LayerRun run(layerRanges(tables, K), input.Tmin, input.Tmax, tables);
    const int64_t* fit = tables.fit.data();
    for (int slot = 0; slot < prepared.count; ++slot) {
        if (K == 0) {
            chain.count = 0;
            offerChain(chains, END_LIMIT_RECOGNITION, chain);
            continue;
        }
        computeBestFit(prepared, series.lpNoisyData, series.dwSeriesSize, narrowRows(largestFit), slot,
                       tables);
        run.boundFits(largestFit, NO_PREDECESSOR_RECOGNITION);
        run.computeLayers(NO_PREDECESSOR_RECOGNITION, [fit](int) { return fit; });
        int64_t total = END_LIMIT_RECOGNITION;
        const int64_t end = run.endPosition(END_LIMIT_RECOGNITION, total);
        chain.count = end >= 0 && run.backTrack(end, chain.positions) ? K : 0;
        if (chain.count == 0) {
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
