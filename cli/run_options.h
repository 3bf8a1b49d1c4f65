#pragma once
// The options of the commands that start up and apply settings (run, simulate, render): registered
// on a subcommand as texts, then read into the settings record once parsed. Numbers are read as
// whole decimal numbers only, so that "0600" is 600 and "0x20" or "" is refused, never guessed.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "cli/run_settings.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tessaline::cli {

// The SETTINGS options as the parser fills them.
struct RunArguments {
    std::string seriesType, tmin, tmax, length, pulses, noise, lost;
    std::string employment, initPosition, proceeding, chosen;
    std::string task, required, subset, tuples;
    std::string drawing;
    std::string requiredCount, sequence;
    std::string seed;
    bool createSeries = false;
};

void addRunOptions(CLI::App& command, RunArguments& arguments);

// The settings record from the parsed options; false (with the reason, naming the option) for a
// malformed number or list.
bool readRunSettings(const CLI::App& command, const RunArguments& arguments, RunSettings& settings,
                     std::string& error);

// A whole decimal number with an optional sign (leading zeros are decimal); none for an empty
// text, any other character, or a value outside the int range.
std::optional<int> parseDecimal(std::string_view text);

// A whole decimal number 0..2^64-1 without a sign; none for anything else.
std::optional<uint64_t> parseSeed(std::string_view text);

// Option `name` of `command` read as a whole number in least..most when it was given: false (with
// the reason) when it is malformed or out of range; `value` stays as it was when not given.
bool readNumberOption(const CLI::App& command, const char* name, const std::string& text, int least, int most,
                      std::optional<int>& value, std::string& error);

// An option read as any whole number, its range checked later against the state it goes to.
struct NumberOption {
    const char* name;
    const std::string& text;
    std::optional<int>& value;
};

// readNumberOption for each option given; false (with the reason) at the first malformed one.
bool readNumberOptions(const CLI::App& command, std::initializer_list<NumberOption> options,
                       std::string& error);

}  // namespace tessaline::cli
