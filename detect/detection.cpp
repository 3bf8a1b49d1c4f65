#include "detect/detection.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <span>

#include "detect/automatic_cost.h"
#include "detect/fit_rows.h"
#include "detect/messages.h"
#include "detect/pulse_warnings.h"
#include "platform/collecting_sink.h"

namespace tessaline {
namespace {

// One search of the run: a candidate etalon, or a tuple in one phase.
struct Pass {
    int candidate = 0;  // the etalon (recognition) or tuple (tuples tasks) number, from 1; 0 in joint
    int phase = 0;
};

// The best chains so far, best first, an earlier pass first on equal totals, at most as many as are
// reported (only those are kept whole); the first is the run's result.
struct Ranking {
    struct Ranked {
        Pass pass;
        FoundChain chain;
    };
    std::size_t limit = 1;
    std::vector<Ranked> best;
};

// The fit rows a pass scores its pulses by, and the etalon (0-based) behind each.
struct PassRows {
    std::vector<FitRow> rows;            // each etalon's once
    std::vector<int> etalons;            // per element; -1: a folded row that knows its etalon per position
    std::vector<std::size_t> rowOf;      // per element: its row
    std::vector<const int64_t*> scores;  // per element: its row's scores
};

struct RunContext {
    const DetectRequest& request;
    const DetectSamples& samples;
    FitSettings fit;
    ChainGeometry geometry;
    const std::atomic<bool>* cancel;
    std::string& failure;
    FitRefusals refused;  // fits the rules refused that would have paid for a pulse
};

DetectOutcome fitOutcome(FitOutcome outcome, RunContext& run) {
    if (outcome == FitOutcome::OutOfMemory) run.failure = detect_text::NO_MEMORY_FOR_FIT_ROWS;
    return outcome == FitOutcome::Done        ? DetectOutcome::Done
           : outcome == FitOutcome::Cancelled ? DetectOutcome::Cancelled
                                              : DetectOutcome::OutOfMemory;
}

DetectOutcome searchOutcome(SearchOutcome outcome, RunContext& run) {
    switch (outcome) {
        case SearchOutcome::Found: return DetectOutcome::Done;
        case SearchOutcome::Cancelled: return DetectOutcome::Cancelled;
        case SearchOutcome::OutOfMemory:
            run.failure = detect_text::NO_MEMORY_FOR_CHAIN_TABLES;
            return DetectOutcome::OutOfMemory;
        case SearchOutcome::NoChain: break;
    }
    run.failure = detect_text::noChain(run.geometry.least, run.geometry.most);
    return DetectOutcome::NoChain;
}

std::span<const int16_t> etalonSpan(const DetectSamples& in, int etalon) {
    return in.etalons[static_cast<std::size_t>(etalon)];
}

// The start positions of the shortest etalon: every row covers them.
int64_t positionsOf(const ChainGeometry& g) { return g.samples - g.length + 1; }

// The rows of the given etalons (0-based), each computed once.
DetectOutcome rowsOf(const std::vector<int>& etalons, RunContext& run, PassRows& out) {
    out = {};
    out.rows.reserve(etalons.size());
    for (const int etalon : etalons) {
        const auto known = std::find(out.etalons.begin(), out.etalons.end(), etalon);
        if (known == out.etalons.end()) {
            const FitOutcome fitted =
                computeFitRow(run.samples.series, etalonSpan(run.samples, etalon), positionsOf(run.geometry),
                              etalonSettings(run.fit, static_cast<std::size_t>(etalon)), run.cancel,
                              out.rows.emplace_back());
            if (fitted != FitOutcome::Done) return fitOutcome(fitted, run);
            run.refused += out.rows.back().refused;
        }
        out.rowOf.push_back(known == out.etalons.end()
                                ? out.rows.size() - 1
                                : out.rowOf[static_cast<std::size_t>(known - out.etalons.begin())]);
        out.scores.push_back(out.rows[out.rowOf.back()].score.data());
        out.etalons.push_back(etalon);
    }
    return DetectOutcome::Done;
}

FoundPulse pulseOf(const RunContext& run, const PassRows& rows, int row, int32_t position) {
    const FitRow& fit = rows.rows[rows.rowOf[static_cast<std::size_t>(row)]];
    const int etalon = rows.etalons[static_cast<std::size_t>(row)] >= 0
                           ? rows.etalons[static_cast<std::size_t>(row)]
                           : rowEtalon(fit, position);
    const std::vector<int16_t>& samples = run.samples.etalons[static_cast<std::size_t>(etalon)];
    const PulseLevel level = pulseLevel(run.samples.series, samples, position, run.fit);
    return {position,
            etalon + 1,
            rowFirst(fit, position),
            rowLast(fit, position, static_cast<int32_t>(samples.size())),
            fit.score.data()[position],
            level.gain,
            level.offset};
}

FoundChain chainOf(const RunContext& run, const PassRows& rows, const ChainFound& found) {
    FoundChain chain{found.total, {}};
    for (std::size_t j = 0; j < found.positions.size(); ++j)
        chain.pulses.push_back(pulseOf(run, rows, found.rows[j], found.positions[j]));
    return chain;
}

// Searches the chain of one pass over its rows and ranks it, scored, when it is among the best. A
// candidate without a chain (a longer etalon that cannot stand where the counts need it) is passed
// over; the run has no chain only when no candidate has one.
DetectOutcome searchPass(const PassRows& rows, Pass pass, RunContext& run, Ranking& ranking) {
    ChainFound found;
    const SearchOutcome searched = searchChain(run.geometry, rows.scores, pass.phase, run.cancel, found);
    if (searched == SearchOutcome::NoChain) return DetectOutcome::Done;
    if (searched != SearchOutcome::Found) return searchOutcome(searched, run);
    const auto place =
        std::upper_bound(ranking.best.begin(), ranking.best.end(), found.total,
                         [](int64_t total, const Ranking::Ranked& r) { return total < r.chain.distance; });
    if (place - ranking.best.begin() >= std::ssize(ranking.best) && ranking.best.size() >= ranking.limit)
        return DetectOutcome::Done;
    ranking.best.insert(place, {pass, chainOf(run, rows, found)});
    if (ranking.best.size() > ranking.limit) ranking.best.pop_back();
    return DetectOutcome::Done;
}

DetectOutcome runJoint(RunContext& run, Ranking& ranking) {
    std::vector<std::span<const int16_t>> etalons(run.samples.etalons.begin(), run.samples.etalons.end());
    PassRows rows;
    FitRow& best = rows.rows.emplace_back();
    const FitOutcome fitted =
        computeBestRow(run.samples.series, etalons, positionsOf(run.geometry), run.fit, run.cancel, best);
    if (fitted != FitOutcome::Done) return fitOutcome(fitted, run);
    run.refused += best.refused;
    rows.scores.push_back(best.score.data());
    rows.etalons.push_back(-1);
    rows.rowOf.push_back(0);
    return searchPass(rows, {}, run, ranking);
}

DetectOutcome runRecognition(RunContext& run, Ranking& ranking) {
    for (int e = 0; e < std::ssize(run.samples.etalons); ++e) {
        PassRows rows;
        if (const DetectOutcome fitted = rowsOf({e}, run, rows); fitted != DetectOutcome::Done) return fitted;
        if (const DetectOutcome searched = searchPass(rows, {e + 1, 0}, run, ranking);
            searched != DetectOutcome::Done)
            return searched;
    }
    return DetectOutcome::Done;
}

// Every phase of each tuple with a known count (the first pulse's place in the tuple is not known);
// with the count unknown a chain starts with the tuple's first etalon.
DetectOutcome runTuples(RunContext& run, Ranking& ranking) {
    for (std::size_t t = 0; t < run.request.tuples.size(); ++t) {
        const std::vector<int32_t>& tuple = run.request.tuples[t];
        std::vector<int> etalons(tuple.begin(), tuple.end());
        for (int& etalon : etalons) --etalon;  // 0-based
        PassRows rows;
        if (const DetectOutcome fitted = rowsOf(etalons, run, rows); fitted != DetectOutcome::Done)
            return fitted;
        const int phases = run.request.count ? static_cast<int>(tuple.size()) : 1;
        for (int phase = 0; phase < phases; ++phase) {
            if (const DetectOutcome searched =
                    searchPass(rows, {static_cast<int>(t) + 1, phase}, run, ranking);
                searched != DetectOutcome::Done)
                return searched;
        }
    }
    return DetectOutcome::Done;
}

// The pulses (from 1) of each tuple of a chain of `pulses` pulses that starts at `phase` of a tuple
// of `size` etalons: the first tuple is cut short by the phase, the last by the chain's end.
std::vector<std::pair<int, int>> tupleBounds(int size, int phase, int pulses) {
    std::vector<std::pair<int, int>> bounds;
    for (int first = 1, last = std::min(size - phase, pulses); first <= pulses;
         first = last + 1, last = std::min(first + size - 1, pulses)) {
        bounds.emplace_back(first, last);
        if (last >= pulses) break;
    }
    return bounds;
}

// The found pulses (the best chain: the first pass with the least total) and the ranked chains.
void collectResult(const DetectRequest& s, Ranking& ranking, DetectResult& r) {
    const Ranking::Ranked& best = ranking.best.front();
    r.pulses = best.chain.pulses;
    // An empty chain recognises nothing.
    if (s.task != TASK_JOINT && s.task != TASK_TUPLES_DETECTION && !r.pulses.empty())
        r.recognised = best.pass.candidate;
    if (isTuplesTask(s.task)) {
        const auto size =
            static_cast<int>(s.tuples[static_cast<std::size_t>(best.pass.candidate - 1)].size());
        r.tuples = tupleBounds(size, best.pass.phase, static_cast<int>(r.pulses.size()));
    }
    for (Ranking::Ranked& ranked : ranking.best) r.chains.push_back(std::move(ranked.chain));
}

DetectOutcome runPasses(RunContext& run, Ranking& ranking) {
    switch (run.request.task) {
        case TASK_RECOGNITION: return runRecognition(run, ranking);
        case TASK_TUPLES_DETECTION:
        case TASK_TUPLES_RECOGNITION: return runTuples(run, ranking);
        default: return runJoint(run, ranking);
    }
}

// The cost of a pulse and the shape rule's noise: the automatic ones read off the samples, or the
// cost given.
struct Costs {
    std::vector<int64_t> penalties;  // per etalon
    std::optional<AutomaticCost> automatic;
};

Costs costsOf(const DetectRequest& s, const DetectSamples& in) {
    if (!s.automaticPenalty)
        return {std::vector<int64_t>(in.etalons.size(), std::llround(s.penalty.value_or(0.0))), std::nullopt};
    const std::vector<std::span<const int16_t>> etalons(in.etalons.begin(), in.etalons.end());
    AutomaticCost cost = automaticCost(in.series, etalons, s.fit);
    return {cost.penalties, std::move(cost)};
}

// The fit with its costs; with the automatic cost, a gain fit takes the gain rule, and the gain-offset
// and gain-trend fits the shape rule too (only a fit with a level of its own leaves a residual that a
// baseline does not swell).
FitSettings fitSettingsOf(const DetectRequest& s, const Costs& costs) {
    FitSettings fit;
    fit.kind = s.fit;
    fit.energy = s.energy;
    fit.gainLeast = s.gainLeast;
    fit.gainMost = s.gainMost;
    fit.penalties = costs.penalties;
    fit.penalty = *std::min_element(costs.penalties.begin(), costs.penalties.end());
    fit.gainRule = costs.automatic && s.fit != FitKind::Shape;
    fit.shapeRule = costs.automatic && (s.fit == FitKind::GainOffset || s.fit == FitKind::GainTrend);
    fit.noiseVariance = costs.automatic ? costs.automatic->noiseVariance : 0.0;
    return fit;
}

// The run once the series kind is set: its costs (read off the samples with the automatic cost), the
// task's searches, the result and what the automatic cost saw; a vector that cannot grow throws.
DetectOutcome runWithCosts(const DetectRequest& s, const DetectSamples& in, DetectResult& r,
                           std::string& failure, const std::atomic<bool>* cancel) {
    const auto start = std::chrono::steady_clock::now();
    const Costs costs = costsOf(s, in);
    const FitSettings fit = fitSettingsOf(s, costs);
    r.penalties = costs.penalties;
    r.penalty = fit.penalty;
    if (costs.automatic) {
        failure = checkTotalsFit(s, in, *std::max_element(r.penalties.begin(), r.penalties.end()), r.most,
                                 KEYWORD_NAMES);
        if (!failure.empty()) return DetectOutcome::Refused;
        r.noise = std::sqrt(costs.automatic->noiseVariance);
    }
    RunContext run{s, in, fit, detectGeometry(s, in, r.least, r.most), cancel, failure, {}};
    Ranking ranking;
    ranking.limit = static_cast<std::size_t>(std::max(s.chains, 1));
    if (const DetectOutcome outcome = runPasses(run, ranking); outcome != DetectOutcome::Done) return outcome;
    if (ranking.best.empty()) return searchOutcome(SearchOutcome::NoChain, run);
    collectResult(s, ranking, r);
    if (fit.gainRule) r.refused.emplace_back("gain", run.refused.gain);
    if (fit.shapeRule) r.refused.emplace_back("shape", run.refused.shape);
    if (costs.automatic) r.warnings = pulseWarnings(in, r, fit, *costs.automatic);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return DetectOutcome::Done;
}

}  // namespace

DetectOutcome runDetection(const DetectRequest& s, const DetectSamples& in, DetectResult& r,
                           std::string& failure, const std::atomic<bool>* cancel) {
    const bool whole = s.energy >= 100;
    r.seriesType = s.count ? (whole ? SERIES_FIXED_WHOLE : SERIES_FIXED_CUTOFF)
                           : (whole ? SERIES_UNFIXED_WHOLE : SERIES_UNFIXED_CUTOFF);
    r.algorithm = algorithmFor(s.task, r.seriesType);
    try {
        return runWithCosts(s, in, r, failure, cancel);
    } catch (const std::bad_alloc&) {
        failure = detect_text::NO_MEMORY_FOR_RESULT;
        return DetectOutcome::OutOfMemory;
    }
}

bool makeDetectPicture(const DetectSamples& in, const DetectResult& r, int64_t first, int64_t last,
                       DetectPicture& picture, std::string& failure) {
    const auto n = static_cast<uint16_t>(longestEtalon(in));
    const int64_t length = last - first + 1;
    picture.first = first;
    // The record reads the picture's own copies of the etalons, so the samples may go first.
    picture.etalons = in.etalons;
    picture.alphabet.clear();
    for (std::size_t e = 0; e < picture.etalons.size(); ++e) {
        const auto size = static_cast<uint16_t>(picture.etalons[e].size());
        picture.alphabet.push_back({size, size, static_cast<int16_t>(e + 1), picture.etalons[e].data()});
    }
    std::vector<const FoundPulse*> shown;
    for (const FoundPulse& pulse : r.pulses) {
        const auto size = std::ssize(in.etalons[static_cast<std::size_t>(pulse.etalon - 1)]);
        if (pulse.position >= first && pulse.position + size - 1 <= last) shown.push_back(&pulse);
    }
    // Gaps 1..65535 give the record room for a pulse at every position of the stretch.
    CollectingSink messages;  // the one failure that can be told is said below
    picture.record.reset(getCutOffSeriesHeader(messages, static_cast<uint16_t>(in.etalons.size()), n, 1,
                                               65535, static_cast<uint32_t>(length), nullptr));
    if (!picture.record || picture.record->wReservedPulses < shown.size()) {
        failure = detect_text::NO_MEMORY_FOR_PICTURE;
        return false;
    }
    SeriesHeader& record = *picture.record;
    std::copy_n(in.series.begin() + first, length, record.lpNoisyData);
    record.wEtalons = static_cast<uint16_t>(picture.alphabet.size());
    for (std::size_t e = 0; e < picture.alphabet.size(); ++e) record.lpPulsesList[e] = &picture.alphabet[e];
    record.wFoundPulses = static_cast<uint16_t>(shown.size());
    for (std::size_t j = 0; j < shown.size(); ++j) {
        record.lpFoundPositions[j] = static_cast<int16_t>(shown[j]->position - first);
        record.lpFoundEtalonNumbers[j] = static_cast<uint16_t>(shown[j]->etalon);
        record.lpFoundCutBegins[j] = static_cast<uint16_t>(shown[j]->first);
        record.lpFoundCutEnds[j] = static_cast<uint16_t>(shown[j]->last);
    }
    return true;
}

}  // namespace tessaline
