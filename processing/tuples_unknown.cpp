// Tuples processing with an unknown pulse count: one pass over positions with one layer per tuple
// element; a chain moves from layer l - 1 to layer l (cyclically) from one pulse to the next, so
// that its etalons follow the tuple.
#include <algorithm>
#include <string>

#include "platform/message_sink.h"
#include "processing/chains.h"
#include "processing/known.h"
#include "processing/messages.h"
#include "processing/position_sets.h"
#include "processing/results.h"
#include "processing/tuples.h"
#include "processing/tuples_common.h"
#include "processing/tuples_diagnostics.h"

namespace tessaline {
namespace {

constexpr int64_t DETECTION_INFINITY = 99999999;
constexpr int64_t RECOGNITION_INFINITY = 999999999;

class UnknownTuplesRun {
public:
    UnknownTuplesRun(const TuplesInput& input, SeriesHeader& series, ProcessingWorkspace& workspace,
                     int64_t infinity)
        : input_(input),
          series_(series),
          workspace_(workspace),
          tables_(workspace.positions),
          I_(infinity),
          positions_(std::max<int64_t>(int64_t{series.dwSeriesSize} - series.wImpulseSize + 1, 0)),
          Mx_(series.wMaxPulses) {}

    ~UnknownTuplesRun() {
        freeIntervalsHeader(startSet_);
        freeIntervalsHeader(startOrContinueSet_);
    }
    UnknownTuplesRun(const UnknownTuplesRun&) = delete;
    UnknownTuplesRun& operator=(const UnknownTuplesRun&) = delete;

    bool reserve(MessageSink& messages, const TupleList& tuples) {
        if (!elements_.prepare(input_, tuples, series_.wImpulseSize, workspace_.candidates)) {
            messages.showMessage(processing_text::NO_MEMORY_FOR_PARTIAL_ENERGY, processing_text::NO_CAPTION,
                                 MessageIcon::None);
            return false;
        }
        const uint32_t L = series_.dwSeriesSize;
        const std::size_t layers = std::max<std::size_t>(std::min<std::size_t>(tuples.largestSize(), Mx_), 1);
        const bool reserved = elements_.reserveFits(tables_, series_.lpNoisyData, L, Mx_) &&
                              tables_.reservePositionPass(L, layers) && buildSets();
        if (!reserved) {
            messages.showMessage(processing_text::NO_MEMORY_FOR_LAYER_COSTS, processing_text::NO_CAPTION,
                                 MessageIcon::None);
            return false;
        }
        return true;
    }

    void computeFits() { elements_.computeFits(series_.lpNoisyData, series_.dwSeriesSize, tables_); }
    const TupleElements& elements() const { return elements_; }

    ChainLists chain() { return ChainLists::over(tables_.chainLists.data(), Mx_ + 1u); }
    ChainLists keptChain() {
        return ChainLists::over(tables_.chainLists.data() + 4 * (static_cast<std::size_t>(Mx_) + 1),
                                Mx_ + 1u);
    }

    // One pass of the tuple: its total, with the chain filled (empty, total I, when it has none).
    int64_t pass(MessageSink& messages, std::span<const int32_t> tuple, bool diagnostics, ChainLists& chain) {
        chain.count = 0;
        layers_ = std::min<int>(static_cast<int>(tuple.size()), Mx_);
        if (layers_ == 0) return I_;
        slots_ = tables_.layerCursor.data();
        for (int l = 0; l < layers_; ++l) slots_[l] = elements_.slot(tuple[l]);
        std::fill_n(tables_.cost.data(), positions_ * layers_, I_);
        std::fill_n(tables_.predecessor.data(), positions_ * layers_, static_cast<int32_t>(I_));
        startChains();
        if (diagnostics) showStartDiagnostics(messages);
        continueChains(IN_FIRST | IN_LATER, 0);
        if (diagnostics) showStartOrContinueDiagnostics(messages);
        continueChains(IN_LATER, I_);
        return followBestChain(chain);
    }

    void keep(const ChainLists& chain, int tupleSize, int number) {
        ChainLists kept = keptChain();
        std::copy_n(chain.etalons, 4 * (Mx_ + 1u), kept.etalons);
        kept.count = chain.count;
        keptCount_ = chain.count;
        keptSize_ = tupleSize;
        keptNumber_ = number;
    }

    // The kept chain, or none, into the series record; returns the written pulse count.
    int writeResult() {
        ChainLists kept = keptChain();
        kept.count = keptCount_;
        writeFoundPulses(series_, kept);
        writeTupleBounds(series_, keptSize_, 0, keptCount_);
        return keptCount_;
    }

    int keptNumber() const { return keptNumber_; }

private:
    bool buildSets() {
        if (!sets_.build(series_.dwSeriesSize, series_.wImpulseSize, input_.Tmin, input_.Tmax,
                         series_.wMinPulses, series_.wMaxPulses)) {
            return false;
        }
        markPositionSets(sets_.sets(), tables_.membership.data(), positions_);
        tables_.membershipMarked = false;  // these marks are not kept for later runs
        startSet_ = setDifference(sets_.sets().first, sets_.sets().later);
        startOrContinueSet_ = setIntersection(sets_.sets().first, sets_.sets().later);
        return startSet_ != nullptr && startOrContinueSet_ != nullptr;
    }

    int64_t* cost(int l) { return tables_.cost.data() + l * positions_; }
    int32_t* predecessor(int l) { return tables_.predecessor.data() + l * positions_; }
    const int64_t* fit(int l) const {
        return elementFit(tables_, static_cast<int>(slots_[l]), series_.dwSeriesSize);
    }
    int previous(int l) const { return l == 0 ? layers_ - 1 : l - 1; }

    // Positions only a first pulse may take start a chain in layer 0.
    void startChains() {
        const uint8_t* membership = tables_.membership.data();
        int64_t* G = cost(0);
        int32_t* S = predecessor(0);
        const int64_t* F = fit(0);
        for (int64_t k = 0; k < positions_; ++k) {
            if ((membership[k] & (IN_FIRST | IN_LATER)) != IN_FIRST) continue;
            G[k] = F[k];
            S[k] = -1;
        }
    }

    // The positions whose membership is exactly `phase`, ascending, every layer in order: each
    // takes the leftmost least cost of the previous layer in [k - Tmax, k - Tmin] when it is below
    // `start`. One sliding-window minimum per layer; costs enter a window only once their position
    // lies behind the current one, so they are final for this phase. Positions are taken in chunks
    // of Tmin: no window of a chunk reaches into it, so the chunk can go layer by layer.
    void continueChains(uint8_t phase, int64_t start) {
        int64_t* cursor = tables_.layerCursor.data() + layers_;  // head, tail, next per layer
        std::fill_n(cursor, 3 * layers_, int64_t{0});
        const int64_t chunk = std::max<int64_t>(input_.Tmin, 1);
        for (int64_t from = 0; from < positions_; from += chunk) {
            const int64_t to = std::min(from + chunk, positions_);
            for (int l = 0; l < layers_; ++l)
                continueLayer(phase, start, l, from, to, cursor + 3 * std::ptrdiff_t{previous(l)});
        }
    }

    void continueLayer(uint8_t phase, int64_t start, int l, int64_t from, int64_t to, int64_t* windowState) {
        const uint8_t* __restrict membership = tables_.membership.data();
        const int64_t* __restrict before = cost(previous(l));
        int32_t* __restrict window = tables_.window.data() + previous(l) * positions_;
        int64_t* __restrict G = cost(l);
        int32_t* __restrict S = predecessor(l);
        const int64_t* __restrict F = fit(l);
        const int64_t Tmin = input_.Tmin, Tmax = input_.Tmax;
        int64_t head = windowState[0], tail = windowState[1], next = windowState[2];
        for (int64_t k = from; k < to; ++k) {
            if ((membership[k] & (IN_FIRST | IN_LATER)) != phase) continue;
            for (; next <= k - Tmin; ++next) {
                const int64_t value = before[next];
                while (tail > head && before[window[tail - 1]] > value) --tail;
                window[tail++] = static_cast<int32_t>(next);
            }
            while (tail > head && window[head] < k - Tmax) ++head;
            int64_t best = start;
            int32_t chosen = -2;
            if (tail > head && before[window[head]] < start) {
                chosen = window[head];
                best = before[chosen];
            }
            if (phase == IN_LATER || best < 0) {
                G[k] = best + F[k];
                S[k] = chosen;
            } else if (l == 0) {
                G[k] = F[k];
                S[k] = -1;
            } else {
                G[k] = I_;
                S[k] = -2;
            }
        }
        windowState[0] = head;
        windowState[1] = tail;
        windowState[2] = next;
    }

    // The first (position of the last set, layer) with the least cost below I, and its chain.
    int64_t followBestChain(ChainLists& chain) {
        const uint8_t* membership = tables_.membership.data();
        int64_t total = I_;
        int64_t end = -1;
        int endLayer = 0;
        for (int64_t k = 0; k < positions_; ++k) {
            if ((membership[k] & IN_LAST) == 0) continue;
            for (int l = 0; l < layers_; ++l) {
                if (cost(l)[k] < total) {
                    total = cost(l)[k];
                    end = k;
                    endLayer = l;
                }
            }
        }
        if (end < 0) return I_;
        int count = 0;
        int l = endLayer;
        int16_t* layerOf = chain.cutEnds;  // the layers, until the cuts are filled
        for (int64_t k = end; k >= 0 && count < Mx_; k = predecessor(l)[k], l = previous(l)) {
            chain.positions[count] = static_cast<int16_t>(k);
            layerOf[count++] = static_cast<int16_t>(l);
        }
        std::reverse(chain.positions, chain.positions + count);
        std::reverse(layerOf, layerOf + count);
        const uint32_t L = series_.dwSeriesSize;
        for (int j = 0; j < count; ++j) {
            const auto slot = static_cast<int>(slots_[layerOf[j]]);
            const std::size_t at = static_cast<std::size_t>(slot) * L + chain.positions[j];
            chain.etalons[j] = static_cast<int16_t>(elements_.number(slot));
            chain.cutBegins[j] = tables_.elementFirst[at];
            chain.cutEnds[j] = tables_.elementLast[at];
        }
        chain.count = count;
        return total;
    }

    void showStartDiagnostics(MessageSink& messages) {
        messages.showMessage(
            layerDiagnosticsText(*startSet_, 1, cost(0), predecessor(0), positions_, I_, true),
            processing_text::TUPLES_DIAGNOSTICS_CAPTION, MessageIcon::None);
    }

    void showStartOrContinueDiagnostics(MessageSink& messages) {
        messages.showMessage(layerDiagnosticsText(*startOrContinueSet_, layers_, tables_.cost.data(),
                                                  tables_.predecessor.data(), positions_, I_, false),
                             processing_text::TUPLES_DIAGNOSTICS_CAPTION, MessageIcon::None);
    }

    const TuplesInput& input_;
    SeriesHeader& series_;
    ProcessingWorkspace& workspace_;
    PositionTables& tables_;
    TupleElements elements_;
    OwnedPositionSets sets_;
    IntervalsHeader* startSet_ = nullptr;
    IntervalsHeader* startOrContinueSet_ = nullptr;
    int64_t I_;
    int64_t positions_;
    int Mx_;
    int layers_ = 0;
    int64_t* slots_ = nullptr;  // the element slot of each layer
    int keptCount_ = 0;
    int keptSize_ = 0;
    int keptNumber_ = 0;
};

// The diagnostics flag is cleared when a run ends (not when memory was refused).
void clearDebugFlag(const TuplesInput& input) {
    if (input.debugRepeat != nullptr) *input.debugRepeat = 0;
}

bool diagnosticsWanted(const TuplesInput& input) {
    return input.debugRepeat != nullptr && *input.debugRepeat != 0;
}

// Writes the kept result and the sought count; returns the written pulse count.
int finishRun(UnknownTuplesRun& run, ChainsHeader* chains) {
    const int written = run.writeResult();
    if (chains != nullptr) chains->wSeekingPulsesQuantity = static_cast<uint16_t>(written);
    return written;
}

}  // namespace

int detectUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                        ChainsHeader* chains, SeriesHeader& series) {
    const int32_t size = static_cast<int32_t>(tuple.size());
    const int32_t* row = tuple.data();
    const TupleList tuples{{&size, 1}, {&row, 1}};
    UnknownTuplesRun run(input, series, processingWorkspace(), DETECTION_INFINITY);
    if (!run.reserve(messages, tuples)) return PROCESSING_FAILED;
    if (chains != nullptr) clearChainsHeader(*chains, 0, series.wMaxPulses);

    ChainLists chain = run.chain();
    int64_t total = DETECTION_INFINITY;
    if (run.elements().usable(tuple)) {
        run.computeFits();
        total = run.pass(messages, tuple, diagnosticsWanted(input), chain);
    }
    offerChain(chains, total, chain);
    if (chain.count > 0 && total < DETECTION_INFINITY) run.keep(chain, size, 1);
    finishRun(run, chains);
    clearDebugFlag(input);
    return 1;
}

int recognizeUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                           std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series) {
    const TupleList tuples{sizes, rows};
    UnknownTuplesRun run(input, series, processingWorkspace(), RECOGNITION_INFINITY);
    if (!run.reserve(messages, tuples)) return PROCESSING_FAILED;
    if (chains != nullptr) clearChainsHeader(*chains, 0, series.wMaxPulses);

    run.computeFits();
    ChainLists chain = run.chain();
    int64_t best = RECOGNITION_INFINITY;
    for (int i = 0; i < tuples.count(); ++i) {
        const std::span<const int32_t> tuple = tuples.tuple(i);
        if (!run.elements().usable(tuple)) continue;
        const int64_t total = run.pass(messages, tuple, diagnosticsWanted(input), chain);
        offerChain(chains, total, chain);
        if (chain.count > 0 && total < best) {
            best = total;
            run.keep(chain, static_cast<int>(tuple.size()), i + 1);
        }
    }
    finishRun(run, chains);
    series.wFoundSubset = static_cast<uint16_t>(run.keptNumber());
    clearDebugFlag(input);
    return run.keptNumber();
}

}  // namespace tessaline
