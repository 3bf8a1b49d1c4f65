#pragma once
// Scoring found pulses against a ground truth: each found position, shifted by an offset, is paired
// with at most one true position within a tolerance, the greatest number of pairs; the pairs give
// the counts, the rates and, when both sides name shapes, the confusion table of true shapes
// against found etalons.
//
// No front end is assumed: a refusal is a text naming the input the way the caller's user spells
// it (`EvaluationNames`), and nothing here writes anywhere.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tessaline {

// Positions, the offset and the tolerance lie within ±EVALUATION_POSITION_LIMIT (2^62), and so
// does every shifted position, so that no sum of two of them leaves 64 bits.
inline constexpr int64_t EVALUATION_POSITION_LIMIT = int64_t{1} << 62;

// How the caller's user names each input in a refusal: a file or an argument.
struct EvaluationNames {
    const char *truth, *found, *tolerance, *offset;
};

// One side's pulses in its own order: positions, and their shapes (numbers from 1) or none at all.
struct EvaluatedPulses {
    std::span<const int64_t> positions;
    std::span<const int64_t> shapes;  // empty: the side names no shapes; else one per position
};

struct EvaluationRequest {
    EvaluatedPulses truth, found;
    int64_t tolerance = 0;  // the greatest |found + offset - true| of a pair, >= 0
    int64_t offset = 0;     // added to every found position before matching
};

// Rows are the true shapes present, columns the found etalons present, both ascending; a cell
// counts the pairs of that true shape and found etalon.
struct ConfusionTable {
    std::vector<int64_t> shapes, etalons;
    std::vector<std::vector<int64_t>> counts;  // [shape row][etalon column]
};

struct Evaluation {
    int64_t truePositives = 0;   // pairs
    int64_t falsePositives = 0;  // found pulses left unpaired
    int64_t falseNegatives = 0;  // true pulses left unpaired
    // TP / (TP + FN), TP / (TP + FP) and 2 TP / (2 TP + FP + FN); each is 1.0 when its denominator
    // is 0 (nothing to find, or nothing found, misses nothing).
    double sensitivity = 1.0, positivePredictivity = 1.0, f1 = 1.0;
    // The share of pairs whose found etalon is the true shape; none without pairs or when a side
    // names no shapes.
    std::optional<double> agreement;
    std::optional<ConfusionTable> confusion;  // when both sides name shapes
    // (true index, found index) of each pair, 0-based in the sides' own order, by true position.
    std::vector<std::pair<int64_t, int64_t>> pairs;
};

// What is wrong with the request (a position, shape, offset or tolerance out of range, shapes not
// one per position), or "".
std::string checkEvaluationRequest(const EvaluationRequest& request, const EvaluationNames& names);

// Matches and counts a request that checkEvaluationRequest accepts.
Evaluation evaluateDetections(const EvaluationRequest& request);

}  // namespace tessaline
