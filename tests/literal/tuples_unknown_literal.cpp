// Tuples with an unknown pulse count: one pass over the positions where a first, a later or a
// last pulse may stand, with one layer per tuple element; a chain steps from layer l - 1 to layer
// l (cyclically) from one pulse to the next, so that its etalons follow the tuple. Plain
// reference version.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "processing/intervals.h"
#include "processing/position_sets.h"
#include "tests/literal/literal.h"
#include "tests/literal/pulse_fit.h"

namespace tessaline::literal {
namespace {

constexpr const char* DIAGNOSTICS_CAPTION = " About TuplesDetection ";
constexpr std::size_t DIAGNOSTICS_LIMIT = 5000;  // characters of a diagnostic text

// The sets one call walks: where a chain can only start (first − later), where it may start or
// go on (first ∩ later), where it can only go on (later − first), and where it may end (last).
struct Walk {
    PositionSets sets;
    IntervalsHeader* start = nullptr;
    IntervalsHeader* startOrContinue = nullptr;
    IntervalsHeader* proceed = nullptr;
};

void freeWalk(Walk& walk) {
    freePositionSets(walk.sets);
    walk.start = freeIntervalsHeader(walk.start);
    walk.startOrContinue = freeIntervalsHeader(walk.startOrContinue);
    walk.proceed = freeIntervalsHeader(walk.proceed);
}

// False after an allocation failure, with everything released.
bool buildWalk(const SeriesHeader& series, const TuplesInput& input, Walk& walk) {
    if (!buildPositionSets(series.dwSeriesSize, series.wImpulseSize, input.Tmin, input.Tmax,
                           series.wMinPulses, series.wMaxPulses, walk.sets)) {
        return false;
    }
    walk.start = setDifference(walk.sets.first, walk.sets.later);
    walk.startOrContinue = setIntersection(walk.sets.first, walk.sets.later);
    walk.proceed = setDifference(walk.sets.later, walk.sets.first);
    if (walk.start == nullptr || walk.startOrContinue == nullptr || walk.proceed == nullptr) {
        freeWalk(walk);
        return false;
    }
    return true;
}

// One chain with its tuple bounds.
struct Chain {
    ChainLists lists;
    int64_t* firsts;
    int64_t* lasts;
    int64_t pulses = 0;
    int tuples = 0;
};

// What the passes of one call share: the series, the gaps, the sets and the layer tables.
struct Passes {
    std::span<const PulseHeader> alphabet;
    const int16_t* x;
    int64_t L, n, Mx, Tmin, Tmax;
    uint16_t level;
    int64_t infinity;  // I: table fill, end threshold and the distance of the empty chain
    bool diagnostics;
    MessageSink* messages;
    const Walk* walk;
    int64_t width;       // positions 0..L - n
    int64_t** energy;    // partial energies of each tuple element
    int64_t* threshold;  // threshold of each tuple element
    // Five tables per layer, by position: cost G_l, predecessor, etalon index, first and last
    // used sample.
    int64_t** cost;
    int64_t** predecessor;
    int64_t** etalon;
    int64_t** first;
    int64_t** last;

    bool evaluated(int64_t k) const { return k <= L - n; }

    // Fit of tuple element l at k, recorded with its etalon and cut in layer l.
    int64_t fit(const int32_t* row, int64_t l, int64_t k) const {
        const int index = elementIndex(alphabet, row[l], n);
        BestPulse best;
        tryCandidate(best, true, index, alphabet[index].lpData, energy[l], threshold[l], x, k,
                     static_cast<int>(n));
        etalon[l][k] = best.etalon;
        first[l][k] = best.first;
        last[l][k] = best.last;
        return best.score;
    }

    // One pass of the tuple `row` of s elements. Fills `chain` and returns its total; returns I
    // with no pulses when no position ends a chain below I.
    int64_t run(const int32_t* row, int64_t s, Chain& chain) const {
        const int64_t P = std::min(s, Mx);
        for (int64_t l = 0; l < s; ++l) {
            const int index = elementIndex(alphabet, row[l], n);
            threshold[l] = fillPartialEnergy(alphabet[index].lpData, static_cast<int>(n), level, energy[l]);
        }
        for (int64_t l = 0; l < P; ++l) {
            std::fill_n(cost[l], width, infinity);
            std::fill_n(predecessor[l], width, infinity);
            std::fill_n(etalon[l], width, 0);
            std::fill_n(first[l], width, 0);
            std::fill_n(last[l], width, n - 1);
        }

        // Positions where a chain can only start: layer 0, the first tuple element.
        forEachPosition(walk->start, [&](int64_t k) {
            if (!evaluated(k)) return;
            cost[0][k] = fit(row, 0, k);
            predecessor[0][k] = -1;
        });
        if (diagnostics) showStartText();

        // Positions where a chain may start or go on: a predecessor chain is taken only when its
        // total is negative; otherwise layer 0 starts a new chain and the other layers stay out.
        forEachPosition(walk->startOrContinue, [&](int64_t k) {
            if (!evaluated(k)) return;
            for (int64_t l = 0; l < P; ++l) {
                const int64_t F = fit(row, l, k);
                const int64_t previous = l == 0 ? P - 1 : l - 1;
                int64_t best = 0;
                int64_t from = -2;
                for (int64_t p = k - Tmax; p <= k - Tmin; ++p) {
                    if (p < 0) continue;
                    if (cost[previous][p] < best) {
                        best = cost[previous][p];
                        from = p;
                    }
                }
                if (best < 0) {
                    cost[l][k] = best + F;
                    predecessor[l][k] = from;
                } else if (l == 0) {
                    cost[l][k] = F;
                    predecessor[l][k] = -1;
                } else {
                    cost[l][k] = infinity;
                    predecessor[l][k] = -2;
                }
            }
        });
        if (diagnostics) showStartOrContinueText(P);

        // Positions where a chain can only go on: the least total of the previous layer.
        forEachPosition(walk->proceed, [&](int64_t k) {
            if (!evaluated(k)) return;
            for (int64_t l = 0; l < P; ++l) {
                const int64_t F = fit(row, l, k);
                const int64_t previous = l == 0 ? P - 1 : l - 1;
                int64_t best = infinity;
                int64_t from = -2;
                for (int64_t p = k - Tmax; p <= k - Tmin; ++p) {
                    if (p < 0) continue;
                    if (cost[previous][p] < best) {
                        best = cost[previous][p];
                        from = p;
                    }
                }
                cost[l][k] = best + F;
                predecessor[l][k] = from;
            }
        });

        // End: over the last set and, at each position, the layers in order.
        int64_t total = infinity;
        int64_t end = -1;
        int64_t endLayer = 0;
        forEachPosition(walk->sets.last, [&](int64_t k) {
            if (!evaluated(k)) return;
            for (int64_t l = 0; l < P; ++l) {
                if (cost[l][k] < total) {
                    total = cost[l][k];
                    end = k;
                    endLayer = l;
                }
            }
        });
        chain.pulses = 0;
        chain.tuples = 0;
        if (end < 0) return infinity;

        // The chain, followed back one layer per pulse.
        for (int64_t k = end, l = endLayer; k >= 0 && chain.pulses < Mx; ++chain.pulses) {
            k = predecessor[l][k];
            l = l == 0 ? P - 1 : l - 1;
        }
        int64_t k = end;
        int64_t l = endLayer;
        for (int64_t i = chain.pulses - 1; i >= 0; --i) {
            chain.lists.positions[i] = static_cast<int16_t>(k);
            chain.lists.etalons[i] = static_cast<int16_t>(etalon[l][k] + 1);
            chain.lists.cutBegins[i] = static_cast<int16_t>(first[l][k]);
            chain.lists.cutEnds[i] = static_cast<int16_t>(last[l][k]);
            k = predecessor[l][k];
            l = l == 0 ? P - 1 : l - 1;
        }
        chain.tuples = tupleBounds(chain.pulses, s, 0, chain.firsts, chain.lasts);
        return total;
    }

    // Symbols of layer l's costs over the positions of `set`: the set's best negative total in
    // full, other totals by their sign, each followed by its predecessor when there is one.
    void appendSymbols(std::string& text, const IntervalsHeader* set, int64_t l) const {
        int64_t least = infinity;
        int64_t leastAt = -1;
        forEachPosition(set, [&](int64_t k) {
            if (evaluated(k) && cost[l][k] < least) {
                least = cost[l][k];
                leastAt = k;
            }
        });
        char number[48];
        forEachPosition(set, [&](int64_t k) {
            if (!evaluated(k)) return;
            const int64_t v = cost[l][k];
            if (v < 0 && k == leastAt) {
                std::snprintf(number, sizeof number, " %lld", static_cast<long long>(v));
                text += number;
            } else {
                text += v < 0 ? " -" : " +";
            }
            if (predecessor[l][k] >= 0) {
                std::snprintf(number, sizeof number, "[%lld]", static_cast<long long>(predecessor[l][k]));
                text += number;
            }
        });
    }

    static void appendIntervals(std::string& text, const IntervalsHeader* set) {
        char interval[48];
        for (int i = 0; i < set->wIntervals; ++i) {
            std::snprintf(interval, sizeof interval, " [%d..%d] ", set->lpBegins[i], set->lpEnds[i]);
            text += interval;
        }
    }

    void show(std::string text) const {
        if (text.size() > DIAGNOSTICS_LIMIT) {
            text.resize(DIAGNOSTICS_LIMIT);
            text += "\xE2\x80\xA6";  // an ellipsis
        }
        messages->showMessage(text, DIAGNOSTICS_CAPTION, MessageIcon::None);
    }

    void showStartText() const {
        std::string text = "omega_minus - omega_tilda: ";
        appendIntervals(text, walk->start);
        text += "\n";
        appendSymbols(text, walk->start, 0);
        text += "\n ";
        show(std::move(text));
    }

    void showStartOrContinueText(int64_t P) const {
        std::string text = "omega_minus x omega_tilda: ";
        appendIntervals(text, walk->startOrContinue);
        text += "\n";
        for (int64_t l = 0; l < P; ++l) {
            char heading[32];
            std::snprintf(heading, sizeof heading, "l=%lld\n ", static_cast<long long>(l + 1));
            text += heading;
            appendSymbols(text, walk->startOrContinue, l);
            text += "\n ";
        }
        show(std::move(text));
    }
};

Passes passesFor(MessageSink& messages, const TuplesInput& input, const SeriesHeader& series,
                 const Walk& walk, int64_t infinity) {
    Passes passes{};
    passes.alphabet = input.alphabet;
    passes.x = series.lpNoisyData;
    passes.L = series.dwSeriesSize;
    passes.n = series.wImpulseSize;
    passes.Mx = series.wMaxPulses;
    passes.Tmin = input.Tmin;
    passes.Tmax = input.Tmax;
    passes.level = input.level;
    passes.infinity = infinity;
    passes.diagnostics = input.debugRepeat != nullptr && *input.debugRepeat != 0;
    passes.messages = &messages;
    passes.walk = &walk;
    passes.width = std::max<int64_t>(passes.L - passes.n + 1, 0);
    return passes;
}

// Lays out `rows` partial-energy rows and their thresholds, then the five tables of P layers,
// over the pointer arrays and the block; returns the first entry after them.
int64_t* layOut(Passes& passes, int64_t** energyRows, int64_t** layerRows, int64_t* block, int64_t rows,
                int64_t P) {
    int64_t* next = block;
    passes.energy = energyRows;
    for (int64_t l = 0; l < rows; ++l, next += passes.n + 1) passes.energy[l] = next;
    passes.threshold = next;
    next += rows;
    int64_t*** tables[] = {&passes.cost, &passes.predecessor, &passes.etalon, &passes.first, &passes.last};
    for (int table = 0; table < 5; ++table) {
        *tables[table] = layerRows + table * P;
        for (int64_t l = 0; l < P; ++l, next += passes.width) (*tables[table])[l] = next;
    }
    return next;
}

Chain chainOver(int64_t* memory, int64_t Mx) {
    Chain chain{listsOver(reinterpret_cast<int16_t*>(memory), Mx), memory + Mx, memory + 2 * Mx};
    return chain;
}

void offer(ChainsHeader* chains, const Chain* chain, int64_t total) {
    if (chains == nullptr) return;
    insertChain(*chains, chain != nullptr ? chain->lists.view(total, chain->pulses)
                                          : ChainView{total, {}, {}, {}, {}});
}

// Writes the chain (none: no pulses, no tuples) into the series record and the record's sought
// count, and clears the diagnostics flag.
void finish(const TuplesInput& input, const Chain* chain, ChainsHeader* chains, SeriesHeader& series) {
    const int64_t pulses = chain != nullptr ? chain->pulses : 0;
    series.wFoundPulses = static_cast<uint16_t>(pulses);
    if (chain != nullptr) writeFoundPulses(series, chain->lists, pulses);
    series.wFoundTuples = static_cast<uint16_t>(chain != nullptr ? chain->tuples : 0);
    for (int i = 0; i < series.wFoundTuples; ++i) {
        series.lpTupleFirsts[i] = static_cast<uint16_t>(chain->firsts[i]);
        series.lpTupleLasts[i] = static_cast<uint16_t>(chain->lasts[i]);
    }
    if (chains != nullptr) chains->wSeekingPulsesQuantity = static_cast<uint16_t>(pulses);
    if (input.debugRepeat != nullptr) *input.debugRepeat = 0;
}

}  // namespace

int detectUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> tuple,
                        ChainsHeader* chains, SeriesHeader& series) {
    const auto a = static_cast<int64_t>(tuple.size());
    const int64_t Mx = series.wMaxPulses;
    const int64_t P = std::min(a, Mx);
    const int64_t width = std::max<int64_t>(int64_t{series.dwSeriesSize} - series.wImpulseSize + 1, 0);

    int64_t** EtalonsPartialEnergy = memory::allocateArray<int64_t*>(std::size_t(a));
    if (EtalonsPartialEnergy == nullptr) {
        showFailure(messages, "Нет памяти для EtalonsPartialEnergy!");
        return PROCESSING_FAILED;
    }
    // Layer-table pointers, then one block: partial energies and thresholds (a(n + 2)), the five
    // tables of the P layers, and the chain (four 16-bit lists and the tuple bounds of Mx pulses).
    int64_t** layerRows = memory::allocateArray<int64_t*>(std::size_t(5 * P));
    int64_t* block = layerRows == nullptr ? nullptr
                                          : memory::allocateZeroed<int64_t>(std::size_t(
                                                a * (series.wImpulseSize + 2) + 5 * P * width + 3 * Mx));
    Walk walk;
    if (block == nullptr || !buildWalk(series, input, walk)) {
        memory::release(block);
        memory::release(layerRows);
        memory::release(EtalonsPartialEnergy);
        showFailure(messages, "Нет памяти для G_on_layers!");
        return PROCESSING_FAILED;
    }
    Passes passes = passesFor(messages, input, series, walk, UNSET);
    Chain chain = chainOver(layOut(passes, EtalonsPartialEnergy, layerRows, block, a, P), Mx);

    if (chains != nullptr) clearChainsHeader(*chains, 0, static_cast<uint16_t>(Mx));
    int64_t total = UNSET;
    if (P > 0 && tupleUsable(input.alphabet, tuple.data(), a, series.wImpulseSize)) {
        total = passes.run(tuple.data(), a, chain);
        offer(chains, &chain, total);
    } else {
        offer(chains, nullptr, UNSET);
    }
    finish(input, total < UNSET ? &chain : nullptr, chains, series);

    freeWalk(walk);
    memory::release(block);
    memory::release(layerRows);
    memory::release(EtalonsPartialEnergy);
    return 1;
}

int recognizeUnknownTuples(MessageSink& messages, const TuplesInput& input, std::span<const int32_t> sizes,
                           std::span<const int32_t* const> rows, ChainsHeader* chains, SeriesHeader& series) {
    const std::size_t count = std::min(sizes.size(), rows.size());
    int64_t largest = 0;
    for (std::size_t t = 0; t < count; ++t) largest = std::max<int64_t>(largest, sizes[t]);
    const int64_t Mx = series.wMaxPulses;
    const int64_t P = std::min(largest, Mx);
    const int64_t width = std::max<int64_t>(int64_t{series.dwSeriesSize} - series.wImpulseSize + 1, 0);

    // One pointer array: the partial-energy rows of the largest tuple, then the layer tables.
    int64_t** EtalonsPartialEnergy = memory::allocateArray<int64_t*>(std::size_t(largest + 5 * P));
    if (EtalonsPartialEnergy == nullptr) {
        showFailure(messages, "Нет памяти для EtalonsPartialEnergy!");
        return PROCESSING_FAILED;
    }
    // Block: partial energies and thresholds, the five tables of the P layers, and two chains
    // with their tuple bounds: this pass's and the recognised tuple's.
    int64_t* block = memory::allocateZeroed<int64_t>(
        std::size_t(largest * (series.wImpulseSize + 2) + 5 * P * width + 6 * Mx));
    Walk walk;
    if (block == nullptr || !buildWalk(series, input, walk)) {
        memory::release(block);
        memory::release(EtalonsPartialEnergy);
        showFailure(messages, "Нет памяти для G_on_layers!");
        return PROCESSING_FAILED;
    }
    Passes passes = passesFor(messages, input, series, walk, RECOGNITION_LIMIT);
    int64_t* next = layOut(passes, EtalonsPartialEnergy, EtalonsPartialEnergy + largest, block, largest, P);
    Chain chain = chainOver(next, Mx);
    Chain kept = chainOver(next + 3 * Mx, Mx);

    if (chains != nullptr) clearChainsHeader(*chains, 0, static_cast<uint16_t>(Mx));
    int recognised = 0;
    int64_t bestTotal = RECOGNITION_LIMIT;
    for (std::size_t t = 0; t < count && Mx > 0; ++t) {
        const int64_t s = sizes[t];
        if (!tupleUsable(input.alphabet, rows[t], s, series.wImpulseSize)) continue;
        const int64_t total = passes.run(rows[t], s, chain);
        offer(chains, &chain, total);
        if (total < bestTotal) {
            bestTotal = total;
            recognised = static_cast<int>(t) + 1;
            std::copy_n(chain.lists.etalons, 4 * Mx, kept.lists.etalons);
            std::copy_n(chain.firsts, chain.tuples, kept.firsts);
            std::copy_n(chain.lasts, chain.tuples, kept.lasts);
            kept.pulses = chain.pulses;
            kept.tuples = chain.tuples;
        }
    }
    finish(input, recognised > 0 ? &kept : nullptr, chains, series);
    series.wFoundSubset = static_cast<uint16_t>(recognised);

    freeWalk(walk);
    memory::release(block);
    memory::release(EtalonsPartialEnergy);
    return recognised;
}

}  // namespace tessaline::literal
