#include "python/evaluate_binding.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <string>
#include <vector>

#include "detect/evaluation.h"

namespace tessaline::python {
namespace {

namespace py = pybind11;
using namespace pybind11::literals;

constexpr EvaluationNames EVALUATE_KEYWORDS{"truth", "found", "tolerance", "offset"};

py::array arrayOfValues(py::handle values) {
    return py::reinterpret_steal<py::array>(py::module_::import("numpy").attr("asarray")(values).release());
}

std::string shapeText(const py::array& array) {
    return py::str(py::getattr(array, "shape")).cast<std::string>();
}

[[noreturn]] void refuseValue(const std::string& what, std::size_t index, const std::string& why) {
    throw py::value_error(what + ": pulse " + std::to_string(index) + ": " + why);
}

// The whole numbers of a one-dimensional array of integers, or of floats that are whole; values
// beyond the positions' range raise ValueError naming `what`, `item` and the index.
std::vector<int64_t> wholeValuesOf(const py::array& array, const std::string& what, const char* item) {
    const char kind = array.dtype().kind();
    const auto limit = static_cast<double>(EVALUATION_POSITION_LIMIT);
    std::vector<int64_t> values;
    values.reserve(static_cast<std::size_t>(array.size()));
    if (kind == 'i' || kind == 'u') {
        const py::array_t<double, py::array::forcecast> wide(array);  // only to tell the range apart
        const py::array_t<int64_t, py::array::forcecast> whole(array);
        for (py::ssize_t i = 0; i < array.size(); ++i) {
            if (std::fabs(wide.at(i)) > limit)
                refuseValue(what, static_cast<std::size_t>(i), std::string(item) + " outside -2^62..2^62");
            values.push_back(whole.at(i));
        }
    } else if (kind == 'f') {
        const py::array_t<double, py::array::forcecast> numbers(array);
        for (py::ssize_t i = 0; i < array.size(); ++i) {
            const double value = numbers.at(i);
            if (!(std::fabs(value) <= limit) || std::floor(value) != value)
                refuseValue(what, static_cast<std::size_t>(i),
                            std::string(item) + " " + py::str(py::float_(value)).cast<std::string>() +
                                " is not a whole number in -2^62..2^62");
            values.push_back(static_cast<int64_t>(value));
        }
    } else if (array.size() > 0) {
        throw py::value_error(what + ": " + item + "s must be whole numbers, not of dtype " +
                              py::str(array.dtype()).cast<std::string>());
    }
    return values;
}

std::vector<int64_t> oneDimensional(py::handle values, const std::string& what, const char* item) {
    const py::array array = arrayOfValues(values);
    if (array.ndim() != 1)
        throw py::value_error(what + " must be one-dimensional, not of shape " + shapeText(array));
    return wholeValuesOf(array, what, item);
}

struct SidePulses {
    std::vector<int64_t> positions, shapes;
};

// A detect result (its positions and etalons) or a one-dimensional array of positions.
SidePulses foundPulsesOf(py::handle found) {
    if (!py::isinstance<py::dict>(found)) return {oneDimensional(found, "found", "position"), {}};
    const auto result = py::reinterpret_borrow<py::dict>(found);
    if (!result.contains("positions")) throw py::value_error("found: a dict must have the key 'positions'");
    SidePulses side{oneDimensional(result["positions"], "found['positions']", "position"), {}};
    if (result.contains("etalons") && !result["etalons"].is_none())
        side.shapes = oneDimensional(result["etalons"], "found['etalons']", "etalon");
    return side;
}

// A one-dimensional array of positions, or a (K, 2) array of position and shape rows.
SidePulses truePulsesOf(py::handle truth) {
    const py::array array = arrayOfValues(truth);
    if (array.ndim() == 1) return {wholeValuesOf(array, "truth", "position"), {}};
    if (array.ndim() != 2 || array.shape(1) != 2)
        throw py::value_error(
            "truth must be one-dimensional (positions) or of shape (K, 2) (position, shape), "
            "not of shape " +
            shapeText(array));
    const py::slice all{py::none(), py::none(), py::none()};
    const py::array positions = array[py::make_tuple(all, 0)], shapes = array[py::make_tuple(all, 1)];
    return {wholeValuesOf(positions, "truth", "position"), wholeValuesOf(shapes, "truth", "shape")};
}

// A whole number of samples: an int, a NumPy integer, or a float that is whole.
int64_t wholeArgument(py::handle value, const char* name) {
    const std::string refusal = std::string(name) + " must be a whole number of samples in -2^62..2^62";
    if (py::isinstance<py::float_>(value)) {
        const double number = value.cast<double>();
        if (!(std::fabs(number) <= static_cast<double>(EVALUATION_POSITION_LIMIT)) ||
            std::floor(number) != number)
            throw py::value_error(refusal);
        return static_cast<int64_t>(number);
    }
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) {
        PyErr_Clear();
        throw py::value_error(refusal);
    }
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow != 0 || number < -EVALUATION_POSITION_LIMIT || number > EVALUATION_POSITION_LIMIT)
        throw py::value_error(refusal);
    return number;
}

template <typename T>
py::array_t<int64_t> int64Array(const std::vector<T>& values) {
    return py::array_t<int64_t>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::object confusionDict(const std::optional<ConfusionTable>& table) {
    if (!table) return py::none();
    py::array_t<int64_t> counts(
        {static_cast<py::ssize_t>(table->shapes.size()), static_cast<py::ssize_t>(table->etalons.size())});
    int64_t* cell = counts.mutable_data();
    for (const std::vector<int64_t>& row : table->counts) cell = std::copy(row.begin(), row.end(), cell);
    return py::dict("shapes"_a = int64Array(table->shapes), "etalons"_a = int64Array(table->etalons),
                    "counts"_a = counts);
}

py::array_t<int64_t> pairsArray(const Evaluation& e) {
    py::array_t<int64_t> pairs({static_cast<py::ssize_t>(e.pairs.size()), py::ssize_t{2}});
    int64_t* at = pairs.mutable_data();
    for (const auto& [truthIndex, foundIndex] : e.pairs) {
        *at++ = truthIndex;
        *at++ = foundIndex;
    }
    return pairs;
}

py::dict evaluationDict(const EvaluationRequest& q, const Evaluation& e) {
    const py::object agreement = e.agreement ? py::object(py::float_(*e.agreement)) : py::object(py::none());
    return py::dict("truth"_a = py::dict("pulses"_a = q.truth.positions.size()),
                    "found"_a = py::dict("pulses"_a = q.found.positions.size()), "tolerance"_a = q.tolerance,
                    "offset"_a = q.offset, "true_positives"_a = e.truePositives,
                    "false_positives"_a = e.falsePositives, "false_negatives"_a = e.falseNegatives,
                    "sensitivity"_a = e.sensitivity, "positive_predictivity"_a = e.positivePredictivity,
                    "f1"_a = e.f1, "agreement"_a = agreement, "confusion"_a = confusionDict(e.confusion),
                    "pairs"_a = pairsArray(e));
}

py::dict evaluate(py::handle found, py::handle truth, py::handle tolerance, py::handle offset) {
    const SidePulses foundPulses = foundPulsesOf(found), truePulses = truePulsesOf(truth);
    EvaluationRequest request{{truePulses.positions, truePulses.shapes},
                              {foundPulses.positions, foundPulses.shapes}};
    request.tolerance = wholeArgument(tolerance, "tolerance");
    request.offset = wholeArgument(offset, "offset");
    if (std::string error = checkEvaluationRequest(request, EVALUATE_KEYWORDS); !error.empty())
        throw py::value_error(error);
    return evaluationDict(request, evaluateDetections(request));
}

constexpr const char* EVALUATE_DOCUMENTATION =
    R"(Scores found pulses against a ground truth, as `tessaline-cli evaluate` does.

Every found position plus offset is paired with at most one true position at most tolerance samples
away, the greatest number of pairs (found and true positions taken in ascending order, equal ones
in their own order).

Arguments:
  found: a tessaline.detect result (its 'positions' and, when present, 'etalons') or a
      one-dimensional array of positions.
  truth: a one-dimensional array of true positions, or a (K, 2) array of rows (position, shape)
      with shapes from 1.
  tolerance: the greatest |found + offset - true| of a pair, whole samples, 0 or more.
  offset=0: whole samples added to every found position before matching (for example the samples
      an etalon has before the point the truth marks).
Positions are whole numbers (integer arrays, or float arrays of whole values) in -2^62..2^62.

Returns a dict:
  truth, found: {'pulses': the number of pulses of that side}.
  tolerance, offset: as used.
  true_positives: the pairs; false_positives: found pulses left unpaired; false_negatives: true
      pulses left unpaired.
  sensitivity: TP / (TP + FN); positive_predictivity: TP / (TP + FP); f1: 2 TP / (2 TP + FP + FN);
      each 1.0 when its denominator is 0.
  agreement: the share of pairs whose found etalon is the true shape; None without pairs or when a
      side has no shapes.
  confusion: when both sides have shapes, a dict: 'shapes' (int64, the true shapes present,
      ascending: the rows), 'etalons' (int64, the found etalons present, ascending: the columns)
      and 'counts' (int64, rows x columns: the pairs of each true shape and found etalon); else None.
  pairs: int64 array of shape (P, 2): the true index and the found index (from 0, in the order
      given) of each pair, by true position.
Refused input raises ValueError naming the argument.)";

}  // namespace

void defineEvaluate(py::module_& module) {
    module.def("evaluate", &evaluate, py::arg("found"), py::arg("truth"), py::arg("tolerance"),
               py::arg("offset") = 0, EVALUATE_DOCUMENTATION);
}

}  // namespace tessaline::python
