#pragma once
// Detection on samples a user brings: a series and an alphabet of etalons of one length, the gaps
// between pulse starts, the pulse count (known, or unknown within bounds) and the task. The request
// and the samples are checked to admit a chain, the series and result records are made here, the
// algorithm of the task is chosen and run through the one processing dispatch, and the found pulses
// and the best chains come back with the fit score of each pulse's used segment.
//
// No front end is assumed: a refusal is a text naming the setting the way the caller's user spells
// it (`DetectNames`), and nothing here writes anywhere. The command line and the Python module
// both run their detections through this.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "detect/chain_search.h"
#include "detect/fit_rows.h"
#include "model/codes.h"
#include "model/records.h"
#include "processing/dispatch.h"

namespace tessaline {

// The most samples a series takes, and the longest etalon.
inline constexpr std::size_t DETECT_SERIES_LIMIT = 2147483647;
inline constexpr std::size_t DETECT_ETALON_LENGTH_LIMIT = 32767;
// The most etalons taken, and the default and greatest number of best chains reported.
inline constexpr std::size_t DETECT_ETALON_LIMIT = 1000;
inline constexpr int DETECT_DEFAULT_CHAINS = 10;
inline constexpr int DETECT_CHAINS_LIMIT = 1000;
// The greatest gap and pulse count taken.
inline constexpr int DETECT_GAP_LIMIT = 2147483647;

// The settings a refusal may name.
enum class DetectSetting { Tmin, Tmax, Count, CountRange, Task, Tuples, Energy, Chains, Fit, Gain, Penalty };
inline constexpr std::size_t DETECT_SETTING_COUNT = static_cast<std::size_t>(DetectSetting::Penalty) + 1;

struct SettingName {
    DetectSetting setting;
    const char* name;
};

// How the caller's user names each setting in a refusal: "--count-range" on the command line,
// "count_range" in Python; and the files the samples came from, when they came from files. Made
// from a table keyed by setting (`detectNames`), so no name can land on another setting.
struct DetectNames {
    std::array<const char*, DETECT_SETTING_COUNT> names{};
    const char* seriesFile = nullptr;
    const char* etalonsFile = nullptr;
    constexpr const char* operator[](DetectSetting setting) const {
        return names[static_cast<std::size_t>(setting)];
    }
};

// The names from a table that names every setting exactly once; any other table does not compile
// where the names are a constant.
template <std::size_t K>
constexpr DetectNames detectNames(const SettingName (&table)[K]) {
    DetectNames names;
    for (const SettingName& entry : table) {
        const auto at = static_cast<std::size_t>(entry.setting);
        if (at >= DETECT_SETTING_COUNT || names.names[at] != nullptr || entry.name == nullptr)
            throw "every setting is named once";
        names.names[at] = entry.name;
    }
    for (const char* name : names.names) {
        if (name == nullptr) throw "every setting is named";
    }
    return names;
}

// The settings by their keyword names, as the Python module spells them and the core says them.
inline constexpr SettingName KEYWORD_TABLE[] = {
    {DetectSetting::Tmin, "tmin"},      {DetectSetting::Tmax, "tmax"},
    {DetectSetting::Count, "count"},    {DetectSetting::CountRange, "count_range"},
    {DetectSetting::Task, "task"},      {DetectSetting::Tuples, "tuples"},
    {DetectSetting::Energy, "energy"},  {DetectSetting::Chains, "chains"},
    {DetectSetting::Fit, "fit"},        {DetectSetting::Gain, "gain"},
    {DetectSetting::Penalty, "penalty"}};
inline constexpr DetectNames KEYWORD_NAMES = detectNames(KEYWORD_TABLE);

struct DetectRequest {
    int tmin = 0;
    std::optional<int> tmax;   // none: gaps of any length, the first and last pulse anywhere
    std::optional<int> count;  // known count
    std::optional<std::pair<int, int>> countRange;  // unknown count within these bounds
    uint16_t task = TASK_JOINT;
    std::vector<std::vector<int32_t>> tuples;  // etalon numbers from 1; tuple tasks only
    int energy = 100;                          // processing energy level; 100: whole etalons
    int chains = DETECT_DEFAULT_CHAINS;        // how many best chains are reported
    FitKind fit = FitKind::Shape;
    double gainLeast = 0.25, gainMost = 4.0;  // the gain fits' bounds
    std::optional<double> penalty;            // a pulse's cost; none: 0
    bool automaticPenalty = false;            // the cost from the series' noise instead
};

struct DetectSamples {
    std::vector<int16_t> series;
    std::vector<std::vector<int16_t>> etalons;  // each of its own length
};

// The shortest and the longest etalon's length.
int64_t shortestEtalon(const DetectSamples& samples) noexcept;
int64_t longestEtalon(const DetectSamples& samples) noexcept;

struct FoundPulse {
    int position, etalon, first, last;  // the used segment first..last of the etalon
    int64_t score;                      // the fit's score with the penalty: smaller fits better
    double gain = 1.0, offset = 0.0;    // the gain fits' level of the etalon
};

struct FoundChain {
    int64_t distance;
    std::vector<FoundPulse> pulses;
};

using SeriesRecord = OwnedSeriesHeader;

struct DetectResult {
    Algorithm algorithm{};
    uint16_t seriesType = 0;  // the series kind the run took the samples for
    int least = 0, most = 0;  // the pulse counts looked at
    std::vector<FoundPulse> pulses;
    std::vector<std::pair<int, int>> tuples;  // the pulses (1-based, first..last) of each found tuple
    std::vector<FoundChain> chains;
    std::optional<int> recognised;   // the etalon or tuple number a recognition accepted
    int64_t penalty = 0;             // the cost of a pulse the run added to every score (the least)
    std::vector<int64_t> penalties;  // each etalon's cost of a pulse: the automatic cost is its own
    double seconds = 0.0;            // the algorithm's own time
    // What the automatic cost saw: the noise's standard deviation per sample (none without it), the
    // places each rule refused that would have paid for a pulse, by rule, and what the found pulses
    // suggest trying.
    std::optional<double> noise;
    std::vector<std::pair<std::string, int64_t>> refused;
    std::vector<std::string> warnings;
};

// A stretch of the series as a series record with the found pulses that lie whole in it, for
// pictures: positions count from `first`; the record's etalon list is `alphabet`, whose samples
// are the picture's own copies of the etalons (`etalons`). The picture owns everything its record
// points to, so it outlives the samples it was made from (a move keeps it whole).
struct DetectPicture {
    SeriesRecord record;
    std::vector<std::vector<int16_t>> etalons;
    std::vector<PulseHeader> alphabet;
    int64_t first = 0;
};

// The most samples a picture's stretch holds (a series record's positions are 16-bit).
inline constexpr int64_t DETECT_PICTURE_LIMIT = 32767;

// The picture of samples first..last (last - first < DETECT_PICTURE_LIMIT); false, with why in
// `failure`, when its record cannot be had.
bool makeDetectPicture(const DetectSamples& samples, const DetectResult& result, int64_t first, int64_t last,
                       DetectPicture& picture, std::string& failure);

// The tasks by the names the front ends take: joint, recognition, tuples-detection, tuples-recognition.
std::optional<uint16_t> detectTaskCode(std::string_view name) noexcept;
const char* detectTaskName(uint16_t task) noexcept;
const char* algorithmName(Algorithm algorithm) noexcept;

// What is wrong with the request on its own (ranges, and the tuples against the task), or "".
std::string checkDetectRequest(const DetectRequest& request, const DetectNames& names);

// What is wrong with the samples (none, too many, etalons of different lengths), or "".
std::string checkDetectSamples(const DetectSamples& samples);

// The pulse counts the run looks at, or (the counts left as they were) why the gaps and counts
// admit no chain on these samples, with the bounds the series implies; the tuples checked against
// the etalons, and the working tables the run needs against what a run may take.
std::string checkDetectCounts(const DetectRequest& request, const DetectSamples& samples,
                              const DetectNames& names, int& least, int& most);

// Whether every score and every chain total of a run fits 64 bits with this cost of a pulse: each
// score's magnitude bounded from the samples, the etalons and the gain bounds, times the most pulses
// a chain holds. The refusal names the setting to change, or "".
std::string checkTotalsFit(const DetectRequest& request, const DetectSamples& samples, int64_t penalty,
                           int most, const DetectNames& names);

// The chains a run looks for: the samples' and the request's lengths, gaps and counts; the count
// is free when least..most is every count the series admits.
ChainGeometry detectGeometry(const DetectRequest& request, const DetectSamples& samples, int least, int most);

// How a run ended: with its result; without its working memory (`failure` says which table);
// without any chain within the counts (`failure` says so; the count checks rule it out); stopped
// because `cancel` was set (looked at often enough to stop within a fraction of a second); or
// refused because the cost the samples gave would let a chain's total pass 64 bits (`failure`).
enum class DetectOutcome { Done, OutOfMemory, NoChain, Cancelled, Refused };

// Runs a checked request on checked samples (the counts from checkDetectCounts in `result`).
DetectOutcome runDetection(const DetectRequest& request, const DetectSamples& samples, DetectResult& result,
                           std::string& failure, const std::atomic<bool>* cancel = nullptr);

}  // namespace tessaline
