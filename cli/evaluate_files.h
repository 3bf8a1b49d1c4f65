#pragma once
// The files `tessaline-cli evaluate` scores: the ground truth as CSV (position, or position and
// shape, per line) and the found pulses as the JSON `detect --json` writes. The readers trust
// nothing in the bytes; a refusal is one line naming the file and where in it (the line of the CSV,
// the pulse of the JSON) and what is wrong.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaline::cli {

// One side's pulses in file order; `shapes` is empty when the file names none, else one per pulse.
struct PulsesRead {
    std::vector<int64_t> positions, shapes;
    std::string refusal;  // empty when the file was read
};

// One true pulse per line, `position` or `position,shape` (whole numbers, shapes from 1), every line
// with the same number of fields; blank lines are skipped, and a first line that starts with a
// letter is taken for a header. No line at all is no pulse.
PulsesRead readTruthCsv(std::span<const uint8_t> bytes, const std::string& name);

// What the found file holds besides its pulses: the gap and rate its detection ran with, when it
// names them as numbers.
struct FoundRead {
    PulsesRead pulses;
    std::optional<double> tmin, rate;
};

// A JSON object with a `pulses` array of objects, each with an integer `position` and, in every
// pulse or in none, an integer `etalon` from 1.
FoundRead readFoundJson(std::span<const uint8_t> bytes, const std::string& name);

}  // namespace tessaline::cli
