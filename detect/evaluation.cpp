#include "detect/evaluation.h"

#include <algorithm>
#include <numeric>

namespace tessaline {
namespace {

constexpr const char* RANGE_TEXT = "-2^62..2^62";

bool withinLimit(int64_t value) {
    return value >= -EVALUATION_POSITION_LIMIT && value <= EVALUATION_POSITION_LIMIT;
}

std::string pulseText(const char* side, std::size_t index) {
    return std::string(side) + ": pulse " + std::to_string(index) + ": ";
}

std::string checkSide(const EvaluatedPulses& side, const char* name) {
    if (!side.shapes.empty() && side.shapes.size() != side.positions.size())
        return std::string(name) + ": " + std::to_string(side.shapes.size()) + " shapes for " +
               std::to_string(side.positions.size()) + " positions";
    for (std::size_t i = 0; i < side.positions.size(); ++i) {
        if (!withinLimit(side.positions[i]))
            return pulseText(name, i) + "position " + std::to_string(side.positions[i]) + " is outside " +
                   RANGE_TEXT;
    }
    for (std::size_t i = 0; i < side.shapes.size(); ++i) {
        if (side.shapes[i] < 1)
            return pulseText(name, i) + "shape " + std::to_string(side.shapes[i]) + " is below 1";
    }
    return {};
}

// The distinct values, ascending.
std::vector<int64_t> distinct(std::span<const int64_t> values) {
    std::vector<int64_t> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

// The most cells a confusion table takes: tables beyond it tell a reader nothing and could not be
// held.
constexpr std::size_t CONFUSION_CELL_LIMIT = std::size_t{1} << 20;

std::string checkConfusionSize(const EvaluationRequest& q, const EvaluationNames& names) {
    if (q.truth.shapes.empty() || q.found.shapes.empty()) return {};
    const std::size_t rows = distinct(q.truth.shapes).size(), columns = distinct(q.found.shapes).size();
    if (rows <= CONFUSION_CELL_LIMIT / columns) return {};
    return std::string(names.truth) + " names " + std::to_string(rows) + " shapes and " + names.found + " " +
           std::to_string(columns) + " etalons: their table would pass " +
           std::to_string(CONFUSION_CELL_LIMIT) + " cells";
}

// The found positions shifted by the offset; the checks have kept every sum within the limit.
std::vector<int64_t> shiftedPositions(const EvaluationRequest& q) {
    std::vector<int64_t> shifted(q.found.positions.begin(), q.found.positions.end());
    for (int64_t& position : shifted) position += q.offset;
    return shifted;
}

// The indices of `positions` in ascending order of position, equal positions in their own order.
std::vector<int64_t> positionOrder(std::span<const int64_t> positions) {
    std::vector<int64_t> order(positions.size());
    std::iota(order.begin(), order.end(), int64_t{0});
    std::stable_sort(order.begin(), order.end(), [&](int64_t a, int64_t b) {
        return positions[static_cast<std::size_t>(a)] < positions[static_cast<std::size_t>(b)];
    });
    return order;
}

// |a - b| <= tolerance; the difference of two positions within the limit reaches 2^63, so it is
// taken unsigned.
bool withinTolerance(int64_t a, int64_t b, int64_t tolerance) {
    const uint64_t difference = a >= b ? static_cast<uint64_t>(a) - static_cast<uint64_t>(b)
                                       : static_cast<uint64_t>(b) - static_cast<uint64_t>(a);
    return difference <= static_cast<uint64_t>(tolerance);
}

// Pairs the earliest unpaired found and true positions when they lie within the tolerance, else
// passes over the one further behind. This gives the most pairs: the one passed over lies more than
// the tolerance before every position left on the other side, so it can pair with none; and a best
// matching of what is left can be changed to pair the earliest f and t (if it paired f with a later
// t' and t with a later f', then f' >= f >= t' - tol and f' <= t + tol <= t' + tol, so f', t' pair
// as well; a partner paired alone is simply exchanged) without losing a pair.
std::vector<std::pair<int64_t, int64_t>> matchPositions(std::span<const int64_t> truth,
                                                        std::span<const int64_t> found, int64_t tolerance) {
    const std::vector<int64_t> trueOrder = positionOrder(truth), foundOrder = positionOrder(found);
    std::vector<std::pair<int64_t, int64_t>> pairs;
    std::size_t t = 0, f = 0;
    while (t < trueOrder.size() && f < foundOrder.size()) {
        const int64_t ti = trueOrder[t], fi = foundOrder[f];
        const int64_t truePosition = truth[static_cast<std::size_t>(ti)];
        const int64_t foundPosition = found[static_cast<std::size_t>(fi)];
        if (withinTolerance(foundPosition, truePosition, tolerance)) {
            pairs.emplace_back(ti, fi);
            ++t;
            ++f;
        } else if (foundPosition < truePosition) {
            ++f;
        } else {
            ++t;
        }
    }
    return pairs;
}

double rate(int64_t numerator, int64_t denominator) {
    return denominator == 0 ? 1.0 : static_cast<double>(numerator) / static_cast<double>(denominator);
}

std::size_t indexIn(const std::vector<int64_t>& sorted, int64_t value) {
    return static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), value) - sorted.begin());
}

void addShapes(const EvaluationRequest& q, Evaluation& e) {
    if (q.truth.shapes.empty() || q.found.shapes.empty()) return;
    ConfusionTable table{distinct(q.truth.shapes), distinct(q.found.shapes), {}};
    table.counts.assign(table.shapes.size(), std::vector<int64_t>(table.etalons.size(), 0));
    int64_t agreeing = 0;
    for (const auto& [ti, fi] : e.pairs) {
        const int64_t shape = q.truth.shapes[static_cast<std::size_t>(ti)];
        const int64_t etalon = q.found.shapes[static_cast<std::size_t>(fi)];
        ++table.counts[indexIn(table.shapes, shape)][indexIn(table.etalons, etalon)];
        if (shape == etalon) ++agreeing;
    }
    if (!e.pairs.empty()) e.agreement = rate(agreeing, static_cast<int64_t>(e.pairs.size()));
    e.confusion = std::move(table);
}

}  // namespace

std::string checkEvaluationRequest(const EvaluationRequest& q, const EvaluationNames& names) {
    if (q.tolerance < 0 || q.tolerance > EVALUATION_POSITION_LIMIT)
        return std::string(names.tolerance) + " " + std::to_string(q.tolerance) + " is outside 0..2^62";
    if (!withinLimit(q.offset))
        return std::string(names.offset) + " " + std::to_string(q.offset) + " is outside " + RANGE_TEXT;
    if (std::string error = checkSide(q.truth, names.truth); !error.empty()) return error;
    if (std::string error = checkSide(q.found, names.found); !error.empty()) return error;
    for (std::size_t i = 0; i < q.found.positions.size(); ++i) {
        int64_t shifted = 0;
        if (__builtin_add_overflow(q.found.positions[i], q.offset, &shifted) || !withinLimit(shifted))
            return pulseText(names.found, i) + "position " + std::to_string(q.found.positions[i]) + " with " +
                   names.offset + " " + std::to_string(q.offset) + " is outside " + RANGE_TEXT;
    }
    return checkConfusionSize(q, names);
}

Evaluation evaluateDetections(const EvaluationRequest& q) {
    Evaluation e;
    e.pairs = matchPositions(q.truth.positions, shiftedPositions(q), q.tolerance);
    e.truePositives = static_cast<int64_t>(e.pairs.size());
    e.falsePositives = static_cast<int64_t>(q.found.positions.size()) - e.truePositives;
    e.falseNegatives = static_cast<int64_t>(q.truth.positions.size()) - e.truePositives;
    e.sensitivity = rate(e.truePositives, e.truePositives + e.falseNegatives);
    e.positivePredictivity = rate(e.truePositives, e.truePositives + e.falsePositives);
    e.f1 = rate(2 * e.truePositives, 2 * e.truePositives + e.falsePositives + e.falseNegatives);
    addShapes(q, e);
    return e;
}

}  // namespace tessaline
