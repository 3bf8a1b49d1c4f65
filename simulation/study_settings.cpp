#include "simulation/study_settings.h"

#include <algorithm>
#include <set>
#include <span>

#include "model/alphabet.h"
#include "model/codes.h"
#include "model/series.h"
#include "model/subsets.h"
#include "platform/formatting.h"
#include "platform/message_sink.h"
#include "simulation/statistics.h"

namespace tessaline {
namespace {

namespace start = workbench_start;

constexpr int FIELD_LIMIT = 65535;  // the dialogs' fields are 16-bit
constexpr int SERIES_LENGTH_LIMIT = 32768;

std::string outside(const char* name, int value, int least, int most) {
    if (value >= least && value <= most) return {};
    return formatted("%s %d is not in %d..%d", name, value, least, most);
}

std::string checkEtalons(const char* name, const std::vector<int>& numbers, std::size_t most) {
    if (numbers.empty()) return formatted("%s: no etalon given", name);
    if (numbers.size() > most)
        return formatted("%s: at most %zu etalons, not %zu", name, most, numbers.size());
    for (int number : numbers) {
        if (number < 1 || number > start::ETALONS)
            return formatted("%s: etalon %d is not in 1..%d", name, number, start::ETALONS);
    }
    return {};
}

std::string checkTypes(const StudySettings& s, const StudyNames& names) {
    static const std::set<int> seriesTypes = {1, 2, 4, 8, 36, 40};
    if (seriesTypes.count(s.seriesType) == 0)
        return formatted("%s %d is not one of 1, 2, 4, 8, 36, 40", names.seriesType, s.seriesType);
    static const std::set<int> tasks = {TASK_DETECTION, TASK_RECOGNITION, TASK_JOINT, TASK_SERIES_PROCESSING};
    if (s.task && tasks.count(*s.task) == 0)
        return formatted("%s %d is not one of 1, 2, 4, 64", names.task, *s.task);
    if (s.required) return checkEtalons(names.required, *s.required, FIELD_LIMIT);
    return {};
}

// The fewest pulses a series holds (at least 1) and the most: the pulse counts the simulation's
// dialog offers.
struct PulseBounds {
    int least = 0, most = 0;
};

PulseBounds pulseBounds(const StudySettings& s) {
    const int n = start::ETALON_LENGTH;
    return {std::max(1, (s.length + n - 1) / s.tmax), (s.length - n + s.tmin) / s.tmin};
}

std::string checkGeometry(const StudySettings& s, const StudyNames& names) {
    const int n = start::ETALON_LENGTH;
    if (s.tmin < 1) return formatted("%s %d: the least gap must be at least 1", names.tmin, s.tmin);
    if (s.tmin > s.tmax) return formatted("%s %d is above %s %d", names.tmin, s.tmin, names.tmax, s.tmax);
    if (s.tmax > FIELD_LIMIT) return outside(names.tmax, s.tmax, 1, FIELD_LIMIT);
    if (n > s.tmax) return formatted("%s %d is below the etalon length %d", names.tmax, s.tmax, n);
    if (s.length < n) return formatted("%s %d is below the etalon length %d", names.length, s.length, n);
    if (s.length >= SERIES_LENGTH_LIMIT)
        return formatted("%s %d is not below %d", names.length, s.length, SERIES_LENGTH_LIMIT);
    const PulseBounds bounds = pulseBounds(s);
    if (bounds.most >= bounds.least) return {};
    return formatted(
        "no series can be made: a series of length %d with gaps %d..%d needs at least %d pulses and holds at "
        "most %d",
        s.length, s.tmin, s.tmax, bounds.least, bounds.most);
}

std::string checkSubsets(const StudySettings& s, const StudyNames& names) {
    if (s.lost) {
        if (std::string bad = outside(names.lost, *s.lost, 0, 100); !bad.empty()) return bad;
        if (!isCutoffSeriesType(static_cast<uint16_t>(s.seriesType))) {
            return formatted("%s applies to the cut-off series types 2 and 8, not to series type %d",
                             names.lost, s.seriesType);
        }
    }
    if (std::string bad = outside(names.employment, s.employment, 1, 5); !bad.empty()) return bad;
    if (std::string bad = outside(names.initPosition, s.initPosition, 1, FIELD_LIMIT); !bad.empty())
        return bad;
    if (std::string bad = outside(names.proceeding, s.proceeding, 1, 2); !bad.empty()) return bad;
    if (s.subset) {
        if (std::string bad = checkEtalons(names.subset, *s.subset, start::SUBSET_ENTRIES); !bad.empty())
            return bad;
    }
    if (!s.tuples) return s.chosen ? formatted("%s goes with %s", names.chosen, names.tuples) : "";
    if (s.tuples->empty() || s.tuples->size() > start::STORED_SUBSETS)
        return formatted("%s: 1 to %d tuples are kept", names.tuples, start::STORED_SUBSETS);
    for (const std::vector<int>& tuple : *s.tuples) {
        if (std::string bad = checkEtalons(names.tuples, tuple, start::SUBSET_ENTRIES); !bad.empty())
            return bad;
    }
    return s.chosen ? outside(names.chosen, *s.chosen, 1, static_cast<int>(s.tuples->size())) : "";
}

std::string checkGrid(const StudySettings& s, const StudyNames& names) {
    const std::pair<const char*, int> fields[] = {{names.pulsesFrom, s.pulsesFrom.value_or(0)},
                                                  {names.pulsesTo, s.pulsesTo.value_or(0)},
                                                  {names.pulsesIncrement, s.pulsesIncrement},
                                                  {names.noiseFrom, s.noiseFrom},
                                                  {names.noiseSteps, s.noiseSteps},
                                                  {names.noiseIncrement, s.noiseIncrement},
                                                  {names.repeats, s.repeats}};
    for (const auto& [name, value] : fields) {
        if (std::string bad = outside(name, value, 0, FIELD_LIMIT); !bad.empty()) return bad;
    }
    const PulseBounds bounds = pulseBounds(s);
    const int from = s.pulsesFrom.value_or(bounds.least), to = s.pulsesTo.value_or(bounds.most);
    if (from < bounds.least)
        return formatted("%s %d is below %d, the fewest pulses the series holds", names.pulsesFrom, from,
                         bounds.least);
    if (to > bounds.most)
        return formatted("%s %d is above %d, the most pulses the series holds", names.pulsesTo, to,
                         bounds.most);
    if (from > to) return formatted("%s %d is above %s %d", names.pulsesFrom, from, names.pulsesTo, to);
    if (s.noiseSteps < 1)
        return formatted("%s 0: a simulation needs at least one noise level", names.noiseSteps);
    if (s.repeats < 1) return formatted("%s 0: a simulation needs at least one repeat", names.repeats);
    const int64_t top = int64_t{s.noiseFrom} + int64_t{s.noiseSteps - 1} * s.noiseIncrement;
    if (top <= NOISE_LEVEL_LIMIT) return {};
    return formatted(
        "the last noise level %lld is above %d, the highest noise level the generator adds without "
        "overflowing",
        static_cast<long long>(top), NOISE_LEVEL_LIMIT);
}

std::string checkDisplay(const StudySettings& s, const StudyNames& names) {
    const auto task = static_cast<uint16_t>(s.task.value_or(TASK_DETECTION));
    if (s.display.measure == StudyMeasure::Recognition && !offersRecognitionError(task))
        return formatted("%s: the recognition error is offered for the recognition and joint tasks only",
                         names.measure);
    if (s.display.bounds && s.display.measure != StudyMeasure::Recognition)
        return formatted("%s goes with the recognition error", names.bounds);
    if (s.display.upperBound &&
        !(*s.display.upperBound > 0.0 && *s.display.upperBound <= STUDY_UPPER_BOUND_LIMIT)) {
        return formatted("%s must be above 0 and up to %g", names.upperBound, STUDY_UPPER_BOUND_LIMIT);
    }
    return outside(names.threads, s.threads, 0, SIMULATION_THREAD_LIMIT);
}

// The etalon list: the required etalons in ascending order, each once; etalon 1 by default.
std::vector<uint16_t> etalonListOf(const StudySettings& s) {
    if (!s.required) return {start::DEFAULT_ETALON};
    const std::set<int> flagged(s.required->begin(), s.required->end());
    return std::vector<uint16_t>(flagged.begin(), flagged.end());
}

// The task in use: the chosen one in its tuple form on a tuples series; without a choice the
// start's detection, whatever the series type.
uint16_t taskTypeOf(const StudySettings& s) {
    const int task = s.task.value_or(TASK_DETECTION);
    if (s.task && isTuplesSeriesType(static_cast<uint16_t>(s.seriesType))) {
        if (task == TASK_DETECTION) return TASK_TUPLES_DETECTION;
        if (task == TASK_RECOGNITION) return TASK_TUPLES_RECOGNITION;
    }
    return static_cast<uint16_t>(task);
}

// The energy levels: 100 less the lost-data level, which starts at 25 for the cut-off series and
// is 0 for the others.
uint16_t energyLevelOf(const StudySettings& s) {
    const bool cutoff = isCutoffSeriesType(static_cast<uint16_t>(s.seriesType));
    return static_cast<uint16_t>(100 - s.lost.value_or(cutoff ? start::LOST_DATA_LEVEL : 0));
}

// The series the workbench makes at start: of the start's series type, length and gaps, the
// middle of the pulse counts, every pulse the default etalon, without noise. It moves the
// generator states as the window's start does.
SeriesHeader* startSeries(MessageSink& messages, std::span<const PulseHeader> alphabet,
                          GeneratorStates& states) {
    const uint16_t least =
        static_cast<uint16_t>((start::SERIES_LENGTH + start::ETALON_LENGTH - 1) / start::TMAX);
    const uint16_t most =
        static_cast<uint16_t>((start::SERIES_LENGTH - start::ETALON_LENGTH + start::TMIN) / start::TMIN);
    std::vector<uint16_t> sequence(most, start::DEFAULT_ETALON);
    SeriesRequest request;
    request.alphabet = alphabet;
    request.n = start::ETALON_LENGTH;
    request.Tmin = start::TMIN;
    request.Tmax = start::TMAX;
    request.N = start::SERIES_LENGTH;
    request.K = static_cast<uint16_t>((least + most) / 2);
    request.sequence = sequence;
    request.A = start::AMPLITUDE;
    request.level = static_cast<uint16_t>(100 - start::LOST_DATA_LEVEL);
    return getUnfixedCutOffSeries(messages, request, nullptr, states);
}

// The subset panel's tuples as the series record stores them: the subset in use, then the stored
// tuples with the chosen one in use.
bool storeSubsets(MessageSink& messages, const StudySettings& s, SeriesHeader* series) {
    const auto mode = static_cast<uint16_t>(s.employment);
    const auto init = static_cast<uint16_t>(s.initPosition);
    if (s.subset) {
        const std::vector<int32_t> subset(s.subset->begin(), s.subset->end());
        setSeriesSubset(subset, mode, init, series);
    }
    if (!s.tuples) return true;
    std::vector<std::vector<int32_t>> rows;
    std::vector<int32_t> sizes;
    std::vector<const int32_t*> lists;
    for (const std::vector<int>& tuple : *s.tuples) {
        rows.emplace_back(tuple.begin(), tuple.end());
        rows.back().resize(start::SUBSET_ENTRIES, 0);
        sizes.push_back(static_cast<int32_t>(tuple.size()));
    }
    lists.reserve(rows.size());
    for (const std::vector<int32_t>& row : rows) lists.push_back(row.data());
    const int32_t chosen = s.chosen.value_or(static_cast<int>(s.tuples->size()));
    return addSomeSelectedSubsetToSeriesHeader(messages, sizes, lists, start::STORED_SUBSETS,
                                               start::SUBSET_ENTRIES, chosen, mode, init, series) != 0;
}

// Tuples runs need their tuples.
std::string checkRunnable(const StudySettings& s, const StudyNames& names, uint16_t taskType,
                          const SeriesHeader& series) {
    if (taskType == TASK_TUPLES_RECOGNITION && series.wSubsets == 0)
        return formatted("tuples recognition needs stored tuples: give them with %s", names.tuples);
    if (taskType == TASK_TUPLES_DETECTION && series.wSubsetSize == 0)
        return formatted("tuples detection needs a tuple: give it with %s", names.subset);
    if (isTuplesSeriesType(static_cast<uint16_t>(s.seriesType)) && series.wSubsetSize == 0) {
        return formatted(
            "series type %d is made of tuples: give the tuple with %s (or the candidate tuples with %s)",
            s.seriesType, names.subset, names.tuples);
    }
    return {};
}

StudyGrid gridOf(const StudySettings& s) {
    const PulseBounds bounds = pulseBounds(s);
    StudyGrid grid;
    grid.pulsesFrom = static_cast<uint16_t>(s.pulsesFrom.value_or(bounds.least));
    grid.pulsesTo = static_cast<uint16_t>(s.pulsesTo.value_or(bounds.most));
    grid.pulsesIncrement = static_cast<uint16_t>(std::max(s.pulsesIncrement, 1));
    grid.noiseFrom = static_cast<uint16_t>(s.noiseFrom);
    grid.noiseSteps = static_cast<uint16_t>(s.noiseSteps);
    grid.noiseIncrement = static_cast<uint16_t>(s.noiseIncrement);
    grid.repeats = static_cast<uint16_t>(s.repeats);
    return grid;
}

}  // namespace

std::string checkStudySettings(const StudySettings& settings, const StudyNames& names) {
    for (auto check : {checkTypes, checkGeometry, checkSubsets, checkGrid, checkDisplay}) {
        if (std::string refused = check(settings, names); !refused.empty()) return refused;
    }
    return {};
}

PreparedStudy::~PreparedStudy() {
    releaseAlphabet(alphabet_);
    freeSeriesHeader(series);
    freeRestErrHeader(record);
}

StudyReadiness prepareStudy(MessageSink& messages, const StudySettings& settings, const StudyNames& names,
                            PreparedStudy& prepared, std::string& said) {
    if (settings.seed) prepared.states = seededGeneratorStates(*settings.seed);
    if (makeAlphabet(messages, start::AMPLITUDE, start::ETALON_LENGTH, prepared.alphabet_,
                     prepared.states.wRandomEtalonState) == 0) {
        said = "the alphabet could not be made";
        return StudyReadiness::Failed;
    }
    prepared.series = startSeries(messages, prepared.alphabet_, prepared.states);
    if (prepared.series == nullptr || !storeSubsets(messages, settings, prepared.series)) {
        said = "the workbench's series record could not be made";
        return StudyReadiness::Failed;
    }
    prepared.etalons_ = etalonListOf(settings);
    StudyWorkbench& bench = prepared.request.workbench;
    bench.alphabet = prepared.alphabet_;
    bench.etalons = prepared.etalons_;
    bench.seriesType = static_cast<uint16_t>(settings.seriesType);
    bench.taskType = taskTypeOf(settings);
    bench.makingLevel = bench.processingLevel = energyLevelOf(settings);
    bench.proceeding = static_cast<uint16_t>(settings.proceeding);
    bench.Tmin = static_cast<uint16_t>(settings.tmin);
    bench.Tmax = static_cast<uint16_t>(settings.tmax);
    bench.length = static_cast<uint32_t>(settings.length);
    prepared.request.grid = gridOf(settings);
    prepared.request.display = settings.display;
    prepared.request.threads = settings.threads;
    said = checkRunnable(settings, names, bench.taskType, *prepared.series);
    return said.empty() ? StudyReadiness::Ready : StudyReadiness::Refused;
}

int runPreparedStudy(MessageSink& messages, PreparedStudy& prepared, StudyResult& result) {
    SimulationClock clock;
    if (runStudy(messages, prepared.request, prepared.series, prepared.record, prepared.states, clock) == 0)
        return 0;
    result = studyResult(prepared.request, *prepared.record, *prepared.series, clock);
    return 1;
}

}  // namespace tessaline
