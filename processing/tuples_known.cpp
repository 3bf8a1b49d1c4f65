// Tuples processing with a known pulse count: the layered dynamic programming with the etalon of
// each layer fixed by the tuple and its phase, one pass per phase (and per candidate tuple).
#include <algorithm>

#include "platform/message_sink.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/layers.h"
#include "processing/messages.h"
#include "processing/results.h"
#include "processing/tuples.h"
#include "processing/tuples_common.h"

namespace tessaline {
namespace {

constexpr int64_t NO_PREDECESSOR = 999999;
constexpr int64_t NO_END = 9999999;

// The best pass kept so far: its chain and where its tuple bounds start.
struct KeptPass {
    int64_t total = NO_END;
    int tupleSize = 0;
    int phase = 0;
    int number = 0;  // 1-based tuple number (recognition)
};

class KnownTuplesRun {
public:
    KnownTuplesRun(const TuplesInput& input, SeriesHeader& series, ProcessingWorkspace& workspace)
        : input_(input), series_(series), workspace_(workspace), K_(series.wImpulseQuantity) {}

    // Reserves every table of the run; shows the failing group's message and returns false.
    bool reserve(MessageSink& messages, const TupleList& tuples, bool computedRanges,
                 const char* blockMessage) {
        if (!elements_.prepare(input_, tuples, series_.wImpulseSize, workspace_.candidates)) {
            messages.showMessage(processing_text::NO_MEMORY_FOR_LAYER_TABLE, processing_text::NO_CAPTION,
                                 MessageIcon::None);
            return false;
        }
        PositionTables& tables = workspace_.positions;
        const uint32_t L = series_.dwSeriesSize;
        bool reserved =
            elements_.reserveFits(tables, series_.lpNoisyData, L, K_) && tables.ranges.reserve(K_) &&
            tables.elementNarrowFit.reserve(std::max<std::size_t>(elements_.prepared().count, 1) * L);
        if (reserved) {
            const std::span<LayerRange> ranges(tables.ranges.data(), K_);
            if (computedRanges) {
                computedLayerRanges(series_, input_.Tmin, input_.Tmax, ranges);
            } else {
                recordedLayerRanges(series_, ranges);
            }
            reserved = tables.reserveLayers(K_, static_cast<std::size_t>(layerCells(ranges)), L,
                                            windowReach(input_.Tmin, input_.Tmax));
        }
        if (!reserved) {
            messages.showMessage(blockMessage, processing_text::NO_CAPTION, MessageIcon::None);
            return false;
        }
        return true;
    }

    // The fit of every element, and the same narrowed to 32 bits for the layers that can take it
    // (narrowed once here rather than in each layer of each pass).
    void computeFits() {
        PositionTables& tables = workspace_.positions;
        const uint32_t L = series_.dwSeriesSize;
        elements_.computeFits(series_.lpNoisyData, L, tables);
        const int64_t P = int64_t{L} - series_.wImpulseSize + 1;
        for (int slot = 0; slot < elements_.prepared().count; ++slot) {
            const int64_t* fit = elementFit(tables, slot, L);
            int32_t* narrow = narrowElementFit(slot);
            for (int64_t k = 0; k < P; ++k) narrow[k] = static_cast<int32_t>(fit[k]);
        }
    }
    const TupleElements& elements() const { return elements_; }
    int K() const { return K_; }

    ChainLists chain() { return ChainLists::over(workspace_.positions.chainLists.data(), K_ + 1u); }
    ChainLists keptChain() {
        return ChainLists::over(
            workspace_.positions.chainLists.data() + 4 * (static_cast<std::size_t>(K_) + 1), K_ + 1u);
    }

    // One pass of the tuple from `phase`: its total, with the chain filled (empty when it has none).
    int64_t pass(std::span<const int32_t> tuple, int phase, ChainLists& chain) {
        chain.count = 0;
        if (K_ == 0) return NO_END;
        PositionTables& tables = workspace_.positions;
        const uint32_t L = series_.dwSeriesSize;
        const auto s = static_cast<int>(tuple.size());
        auto slotOfLayer = [&](int j) { return elements_.slot(tuple[(phase + j) % s]); };
        LayerRun run(std::span<const LayerRange>(tables.ranges.data(), K_), input_.Tmin, input_.Tmax, tables);
        run.boundFits(elements_.largestFit(), NO_PREDECESSOR);
        run.computeLayers(
            NO_PREDECESSOR, [&](int j) { return elementFit(tables, slotOfLayer(j), L); },
            [&](int j) { return narrowElementFit(slotOfLayer(j)); });
        int64_t total = NO_END;
        const int64_t end = run.endPosition(NO_END, total);
        if (end < 0 || !run.backTrack(end, chain.positions)) return NO_END;
        chain.count = K_;
        for (int j = 0; j < K_; ++j) {
            const int slot = slotOfLayer(j);
            const std::size_t at = static_cast<std::size_t>(slot) * L + chain.positions[j];
            chain.etalons[j] = static_cast<int16_t>(elements_.number(slot));
            chain.cutBegins[j] = tables.elementFirst[at];
            chain.cutEnds[j] = tables.elementLast[at];
        }
        return total;
    }

    // The phases a pass is run from: 0 only, or every phase of the tuple.
    int phases(std::span<const int32_t> tuple) const {
        return input_.proceeding == 1 ? 1 : static_cast<int>(tuple.size());
    }

    void keep(const ChainLists& chain, int64_t total, int tupleSize, int phase, int number) {
        ChainLists kept = keptChain();
        std::copy_n(chain.etalons, 4 * (K_ + 1u), kept.etalons);
        kept_ = {total, tupleSize, phase, number};
        keptAny_ = true;
    }

    // The kept pass into the series record, or no pulses and no tuples when none was kept.
    void writeResult() {
        ChainLists kept = keptChain();
        kept.count = keptAny_ ? K_ : 0;
        writeFoundPulses(series_, kept);
        writeTupleBounds(series_, kept_.tupleSize, kept_.phase, kept.count);
    }

    bool keptAny() const { return keptAny_; }
    const KeptPass& kept() const { return kept_; }

private:
    int32_t* narrowElementFit(int slot) {
        return workspace_.positions.elementNarrowFit.data() +
               static_cast<std::size_t>(slot) * series_.dwSeriesSize;
    }

    const TuplesInput& input_;
    SeriesHeader& series_;
    ProcessingWorkspace& workspace_;
    TupleElements elements_;
    int K_;
    KeptPass kept_;
    bool keptAny_ = false;
};

}  // namespace

int detectKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                      ChainsHeader* chains, SeriesHeader& series) {
    const int32_t size = static_cast<int32_t>(tuple.size());
    const int32_t* row = tuple.data();
    const TupleList tuples{{&size, 1}, {&row, 1}};
    KnownTuplesRun run(input, series, processingWorkspace());
    if (!run.reserve(messages, tuples, true, processing_text::NO_MEMORY_FOR_LAYERS)) return PROCESSING_FAILED;
    const auto K = static_cast<uint16_t>(run.K());
    if (chains != nullptr) clearChainsHeader(*chains, K, K);

    ChainLists chain = run.chain();
    if (!run.elements().usable(tuple)) {
        offerChain(chains, NO_END, chain);
    } else {
        run.computeFits();
        for (int phase = 0; phase < run.phases(tuple); ++phase) {
            const int64_t total = run.pass(tuple, phase, chain);
            offerChain(chains, total, chain);
            if (chain.count > 0 && total < run.kept().total) run.keep(chain, total, size, phase, 1);
        }
    }
    run.writeResult();
    return 1;
}

int recognizeKnownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                         std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series) {
    const TupleList tuples{sizes, rows};
    KnownTuplesRun run(input, series, processingWorkspace());
    if (!run.reserve(messages, tuples, false, processing_text::NO_MEMORY_FOR_LAYER_ROWS))
        return PROCESSING_FAILED;
    const auto K = static_cast<uint16_t>(run.K());
    if (chains != nullptr) clearChainsHeader(*chains, K, K);

    run.computeFits();
    ChainLists chain = run.chain();
    for (int i = 0; i < tuples.count(); ++i) {
        const std::span<const int32_t> tuple = tuples.tuple(i);
        if (!run.elements().usable(tuple)) continue;
        for (int phase = 0; phase < run.phases(tuple); ++phase) {
            const int64_t total = run.pass(tuple, phase, chain);
            if (chains != nullptr && insertChain(*chains, chain.view(total)) == 0) {
                chains->wSeekingPulsesQuantity = K;
            }
            if (chain.count > 0 && total < run.kept().total) {
                run.keep(chain, total, static_cast<int>(tuple.size()), phase, i + 1);
            }
        }
    }
    run.writeResult();
    const int recognised = run.keptAny() ? run.kept().number : 0;
    series.wFoundSubset = static_cast<uint16_t>(recognised);
    if (chains != nullptr) chains->wSeekingPulsesQuantity = run.keptAny() ? K : 0;
    return recognised;
}

}  // namespace tessaline
