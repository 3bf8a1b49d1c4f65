#include "detect/detection.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <span>

#include "detect/fit_rows.h"
#include "detect/messages.h"
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

// The rows of the given etalons (0-based), each computed once.
DetectOutcome rowsOf(const std::vector<int>& etalons, RunContext& run, PassRows& out) {
    out = {};
    out.rows.reserve(etalons.size());
    for (const int etalon : etalons) {
        const auto known = std::find(out.etalons.begin(), out.etalons.end(), etalon);
        if (known == out.etalons.end()) {
            const FitOutcome fitted = computeFitRow(run.samples.series, etalonSpan(run.samples, etalon),
                                                    run.fit, run.cancel, out.rows.emplace_back());
            if (fitted != FitOutcome::Done) return fitOutcome(fitted, run);
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
    const PulseLevel level = pulseLevel(
        run.samples.series, run.samples.etalons[static_cast<std::size_t>(etalon)], position, run.fit);
    return {
        position,   etalon + 1,  rowFirst(fit, position), rowLast(fit, position), fit.score.data()[position],
        level.gain, level.offset};
}

FoundChain chainOf(const RunContext& run, const PassRows& rows, const ChainFound& found) {
    FoundChain chain{found.total, {}};
    for (std::size_t j = 0; j < found.positions.size(); ++j)
        chain.pulses.push_back(pulseOf(run, rows, found.rows[j], found.positions[j]));
    return chain;
}

// Searches the chain of one pass over its rows and ranks it, scored, when it is among the best.
DetectOutcome searchPass(const PassRows& rows, Pass pass, RunContext& run, Ranking& ranking) {
    ChainFound found;
    const SearchOutcome searched = searchChain(run.geometry, rows.scores, pass.phase, run.cancel, found);
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
    const FitOutcome fitted = computeBestRow(run.samples.series, etalons, run.fit, run.cancel, best);
    if (fitted != FitOutcome::Done) return fitOutcome(fitted, run);
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
    if (s.task != TASK_JOINT && s.task != TASK_TUPLES_DETECTION) r.recognised = best.pass.candidate;
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

}  // namespace

DetectOutcome runDetection(const DetectRequest& s, const DetectSamples& in, DetectResult& r,
                           std::string& failure, const std::atomic<bool>* cancel) {
    const bool whole = s.energy >= 100;
    r.seriesType = s.count ? (whole ? SERIES_FIXED_WHOLE : SERIES_FIXED_CUTOFF)
                           : (whole ? SERIES_UNFIXED_WHOLE : SERIES_UNFIXED_CUTOFF);
    r.algorithm = algorithmFor(s.task, r.seriesType);
    r.penalty =
        s.automaticPenalty ? automaticPenalty(in.series, s.tmin) : std::llround(s.penalty.value_or(0.0));
    // Only a fit with a level of its own leaves a residual that a baseline does not swell.
    const bool limited = s.automaticPenalty && s.fit == FitKind::GainOffset;
    const double residualLimit = limited ? AUTOMATIC_RESIDUAL_LIMIT * noiseVariance(in.series) : 0.0;
    const FitSettings fit{s.fit, s.energy, s.gainLeast, s.gainMost, r.penalty, residualLimit};
    RunContext run{s, in, fit, detectGeometry(s, in, r.least, r.most), cancel, failure};
    Ranking ranking;
    ranking.limit = static_cast<std::size_t>(std::max(s.chains, 1));
    try {
        const auto start = std::chrono::steady_clock::now();
        if (const DetectOutcome outcome = runPasses(run, ranking); outcome != DetectOutcome::Done)
            return outcome;
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        collectResult(s, ranking, r);
    } catch (const std::bad_alloc&) {
        failure = detect_text::NO_MEMORY_FOR_RESULT;
        return DetectOutcome::OutOfMemory;
    }
    return DetectOutcome::Done;
}

double noiseVariance(const std::vector<int16_t>& series) {
    if (series.size() < 3) return 0.0;
    std::vector<int32_t> steps(series.size() - 1);
    for (std::size_t i = 0; i + 1 < series.size(); ++i) steps[i] = int32_t{series[i + 1]} - series[i];
    const auto median = [](std::vector<int32_t>& values) {
        const auto middle = values.begin() + std::ssize(values) / 2;
        std::nth_element(values.begin(), middle, values.end());
        return static_cast<double>(*middle);
    };
    const double centre = median(steps);
    for (int32_t& step : steps) step = static_cast<int32_t>(std::abs(step - centre));
    const double sigma = 1.4826 * median(steps) / std::sqrt(2.0);
    return sigma * sigma;
}

int64_t automaticPenalty(const std::vector<int16_t>& series, int64_t tmin) {
    const double places = std::max(static_cast<double>(series.size()) / static_cast<double>(tmin), 1.0);
    return std::llround(2.0 * std::log(places) * noiseVariance(series));
}

bool makeDetectPicture(const DetectSamples& in, const DetectResult& r, int64_t first, int64_t last,
                       DetectPicture& picture, std::string& failure) {
    const auto n = static_cast<uint16_t>(in.etalons.front().size());
    const int64_t length = last - first + 1;
    picture.first = first;
    // The record reads the picture's own copies of the etalons, so the samples may go first.
    picture.etalons = in.etalons;
    picture.alphabet.clear();
    for (std::size_t e = 0; e < picture.etalons.size(); ++e)
        picture.alphabet.push_back({n, n, static_cast<int16_t>(e + 1), picture.etalons[e].data()});
    std::vector<const FoundPulse*> shown;
    for (const FoundPulse& pulse : r.pulses) {
        if (pulse.position >= first && pulse.position + n - 1 <= last) shown.push_back(&pulse);
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
