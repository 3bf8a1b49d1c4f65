#pragma once
// The options of `tessaline-cli detect`: declared on the parser, then read and checked against each
// other into the detection request before any file is read. A refusal names the option.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "detect/detection.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tessaline::cli {

// The options as the parser fills them.
struct DetectArguments {
    std::string series, etalons, tmin, tmax, count, countRange, task = "joint", tuples, energy, chains, scale;
    std::string fit = "shape", gain, penalty;
    std::string plot, plotSize = "1600x600", plotRange;
    bool json = false, csv = false;
};

void addDetectOptions(CLI::App& command, DetectArguments& arguments);

// The options read and checked against each other, before any file is read.
struct DetectSettings {
    DetectRequest request;
    std::optional<double> scale;
    std::optional<std::pair<int64_t, int64_t>> plotRange;
};

// How the refusals name the settings: as the options.
inline constexpr SettingName OPTION_TABLE[] = {
    {DetectSetting::Tmin, "--tmin"},      {DetectSetting::Tmax, "--tmax"},
    {DetectSetting::Count, "--count"},    {DetectSetting::CountRange, "--count-range"},
    {DetectSetting::Task, "--task"},      {DetectSetting::Tuples, "--tuples"},
    {DetectSetting::Energy, "--energy"},  {DetectSetting::Chains, "--chains"},
    {DetectSetting::Fit, "--fit"},        {DetectSetting::Gain, "--gain"},
    {DetectSetting::Penalty, "--penalty"}};
inline constexpr DetectNames OPTION_NAMES = detectNames(OPTION_TABLE);

// Reads the options given on `command` into `settings`; the refusal, or empty when all are sound.
std::string readDetectSettings(const CLI::App& command, const DetectArguments& arguments,
                               DetectSettings& settings);

// "shape", "gain" or "gain-offset".
const char* fitName(FitKind kind);

}  // namespace tessaline::cli
