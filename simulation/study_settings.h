#pragma once
// A simulation as a researcher states it, without the window: typed settings with the workbench's
// defaults, their checks (refusals name each setting as the caller's user spells it), and the
// workbench they make — the alphabet, the etalon list, the series record with its subsets and the
// generator states as the workbench's start-up, its settings and the simulation's dialogs leave
// them — ready for runStudy. The same settings give the same result as the command line's
// `simulate` with the same options.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/random.h"
#include "model/records.h"
#include "simulation/study.h"

namespace tessaline {

class MessageSink;
struct RestErrorHeader;

// The workbench's start: what the window shows before anything is changed.
namespace workbench_start {
inline constexpr uint16_t ETALONS = 20;
inline constexpr uint16_t ETALON_LENGTH = 20;
inline constexpr int16_t AMPLITUDE = 128;
inline constexpr uint16_t TMIN = 40;
inline constexpr uint16_t TMAX = 181;
inline constexpr uint32_t SERIES_LENGTH = 1200;
inline constexpr uint16_t SERIES_TYPE = 8;
inline constexpr uint16_t LOST_DATA_LEVEL = 25;  // of the cut-off series types; 0 for the others
inline constexpr uint16_t DEFAULT_ETALON = 1;
inline constexpr uint16_t EMPLOYMENT = 4;
inline constexpr uint16_t INIT_POSITION = 1;
inline constexpr uint16_t PROCEEDING = 1;
inline constexpr uint16_t STORED_SUBSETS = 10;  // tuples kept
inline constexpr uint16_t SUBSET_ENTRIES = 10;  // etalons per tuple
inline constexpr StudyGrid GRID{};              // pulse counts: the fewest to the most the series holds
}  // namespace workbench_start

struct StudySettings {
    int seriesType = workbench_start::SERIES_TYPE;  // 1, 2, 4, 8, 36, 40
    std::optional<int> task;                        // 1, 2, 4, 64 as chosen; none: as at start (1)
    std::optional<std::vector<int>> required;       // the etalons told apart; none: etalon 1
    int tmin = workbench_start::TMIN;
    int tmax = workbench_start::TMAX;
    int length = static_cast<int>(workbench_start::SERIES_LENGTH);
    std::optional<int> lost;  // lost-data level in percent (cut-off series types only)
    int employment = workbench_start::EMPLOYMENT;
    int initPosition = workbench_start::INIT_POSITION;
    int proceeding = workbench_start::PROCEEDING;
    std::optional<std::vector<int>> subset;               // the tuple in use
    std::optional<std::vector<std::vector<int>>> tuples;  // the stored tuples
    std::optional<int> chosen;                            // 1-based; none: the last tuple
    // The grid; pulse counts not given: the fewest and the most a series holds.
    std::optional<int> pulsesFrom, pulsesTo;
    int pulsesIncrement = workbench_start::GRID.pulsesIncrement;
    int noiseFrom = workbench_start::GRID.noiseFrom;
    int noiseSteps = workbench_start::GRID.noiseSteps;
    int noiseIncrement = workbench_start::GRID.noiseIncrement;
    int repeats = workbench_start::GRID.repeats;
    StudyDisplay display;
    int threads = 0;               // 0: one per core
    std::optional<uint64_t> seed;  // none: the fixed generator states
};

// How refusals name each setting.
struct StudyNames {
    const char *seriesType, *task, *required, *tmin, *tmax, *length, *lost, *employment, *initPosition,
        *proceeding, *subset, *tuples, *chosen, *pulsesFrom, *pulsesTo, *pulsesIncrement, *noiseFrom,
        *noiseSteps, *noiseIncrement, *repeats, *measure, *bounds, *upperBound, *threads;
};

// The largest fixed upper bound of a graph's axis.
inline constexpr double STUDY_UPPER_BOUND_LIMIT = 1000.0;

// What is wrong with the settings, or "": values outside their ranges, a geometry no series can
// be made with, a grid whose pulse counts the series does not hold or whose last noise level the
// generator cannot add, a recognition error for a run that is not a recognition.
std::string checkStudySettings(const StudySettings& settings, const StudyNames& names);

enum class StudyReadiness { Ready, Refused, Failed };

class PreparedStudy;

// Starts the workbench as the window does (from the seed's generator states when one is given),
// applies the checked settings and answers the simulation's dialogs with them. Refused: settings
// the run cannot start from (tuples runs without their tuples), with `said` naming them; Failed:
// the workbench could not start (its message on `messages`, and in `said`).
StudyReadiness prepareStudy(MessageSink& messages, const StudySettings& settings, const StudyNames& names,
                            PreparedStudy& prepared, std::string& said);

// The workbench of a study and the records the run fills. Not copied: the request points into it.
class PreparedStudy {
public:
    PreparedStudy() = default;
    ~PreparedStudy();
    PreparedStudy(const PreparedStudy&) = delete;
    PreparedStudy& operator=(const PreparedStudy&) = delete;

    StudyRequest request;  // threads, progress and cancel are the caller's to set
    SeriesHeader* series = nullptr;
    RestErrorHeader* record = nullptr;
    GeneratorStates states;

private:
    friend StudyReadiness prepareStudy(MessageSink&, const StudySettings&, const StudyNames&, PreparedStudy&,
                                       std::string&);
    PulseHeader alphabet_[workbench_start::ETALONS] = {};
    std::vector<uint16_t> etalons_;
};

// Runs a prepared study: runStudy on its records and states.
int runPreparedStudy(MessageSink& messages, PreparedStudy& prepared, StudyResult& result);

}  // namespace tessaline
