#include "python/conversions.h"

#include <algorithm>
#include <cmath>

namespace tessaline::python {
namespace {

using Json = nlohmann::ordered_json;
using namespace pybind11::literals;

constexpr double SAMPLE_LEAST = -32768.0, SAMPLE_MOST = 32767.0;

[[noreturn]] void refuseSample(const std::string& what, py::ssize_t index, const std::string& why) {
    throw py::value_error(what + ": sample " + std::to_string(index) + " " + why);
}

int16_t wholeSample(int64_t value, const std::string& what, py::ssize_t index) {
    if (value < static_cast<int64_t>(SAMPLE_LEAST) || value > static_cast<int64_t>(SAMPLE_MOST))
        refuseSample(what, index, "is " + std::to_string(value) + ", outside -32768..32767");
    return static_cast<int16_t>(value);
}

int16_t scaledSample(double value, double scale, const std::string& what, py::ssize_t index) {
    const double scaled = std::round(value * scale);  // halves away from zero
    if (!(scaled >= SAMPLE_LEAST && scaled <= SAMPLE_MOST)) {
        refuseSample(what, index,
                     "is " + py::str(py::float_(value)).cast<std::string>() + ", scaled " +
                         py::str(py::float_(scaled)).cast<std::string>() + ": outside -32768..32767");
    }
    return static_cast<int16_t>(scaled);
}

// The values of a one-dimensional array of numbers as samples.
std::vector<int16_t> samplesOfArray(const py::array& array, std::optional<double> scale,
                                    const std::string& what) {
    if (array.size() == 0) return {};  // of whatever kind: there is nothing to convert
    const char kind = array.dtype().kind();
    std::vector<int16_t> samples;
    samples.reserve(static_cast<std::size_t>(array.size()));
    if (kind == 'i' || kind == 'u') {
        if (kind == 'u' && array.dtype().itemsize() == 8)
            throw py::value_error(what + ": uint64 samples are not taken; convert them to a signed type");
        const auto values = py::array_t<int64_t, py::array::forcecast>::ensure(array);
        const auto view = values.unchecked<1>();
        for (py::ssize_t i = 0; i < view.shape(0); ++i) {
            samples.push_back(scale ? scaledSample(static_cast<double>(view(i)), *scale, what, i)
                                    : wholeSample(view(i), what, i));
        }
        return samples;
    }
    if (kind != 'f')
        throw py::value_error(what + ": samples must be an array of numbers, not of dtype " +
                              py::str(array.dtype()).cast<std::string>());
    if (!scale)
        throw py::value_error(what +
                              ": a float array is taken only with scale= (samples are 16-bit whole "
                              "numbers)");
    const auto values = py::array_t<double, py::array::forcecast>::ensure(array);
    const auto view = values.unchecked<1>();
    for (py::ssize_t i = 0; i < view.shape(0); ++i) samples.push_back(scaledSample(view(i), *scale, what, i));
    return samples;
}

py::array asArray(py::handle values) {
    return py::reinterpret_steal<py::array>(py::module_::import("numpy").attr("asarray")(values).release());
}

template <typename T>
py::array_t<T> vectorArray(const std::vector<T>& values) {
    return py::array_t<T>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::dict pulsesDict(const std::vector<FoundPulse>& pulses) {
    std::vector<int32_t> positions, etalons, segments;
    std::vector<int64_t> scores;
    for (const FoundPulse& p : pulses) {
        positions.push_back(p.position);
        etalons.push_back(p.etalon);
        segments.insert(segments.end(), {p.first, p.last});
        scores.push_back(p.score);
    }
    py::array_t<int32_t> pairs({static_cast<py::ssize_t>(pulses.size()), py::ssize_t{2}});
    std::copy(segments.begin(), segments.end(), pairs.mutable_data());
    return py::dict("positions"_a = vectorArray(positions), "etalons"_a = vectorArray(etalons),
                    "segments"_a = pairs, "scores"_a = vectorArray(scores));
}

bool isNumberArray(const Json& value) {
    return value.is_array() &&
           std::all_of(value.begin(), value.end(), [](const Json& v) { return v.is_number(); });
}

py::object numberArray(const Json& value) {
    const bool whole =
        std::all_of(value.begin(), value.end(), [](const Json& v) { return v.is_number_integer(); });
    if (!whole) return vectorArray(value.get<std::vector<double>>());
    return vectorArray(value.get<std::vector<int64_t>>());
}

// An array of number arrays of one length (at least one row) as a matrix.
bool isMatrix(const Json& value) {
    if (!value.is_array() || value.empty() || !isNumberArray(value.front())) return false;
    const std::size_t width = value.front().size();
    return std::all_of(value.begin(), value.end(),
                       [width](const Json& row) { return isNumberArray(row) && row.size() == width; });
}

py::object matrix(const Json& value) {
    py::list rows;
    for (const Json& row : value) rows.append(numberArray(row));
    return py::module_::import("numpy").attr("stack")(rows);
}

}  // namespace

std::vector<int16_t> samplesOf(py::handle values, std::optional<double> scale, const std::string& what) {
    const py::array array = asArray(values);
    if (array.ndim() != 1)
        throw py::value_error(what + " must be one-dimensional, not of shape " +
                              py::str(py::getattr(array, "shape")).cast<std::string>());
    return samplesOfArray(array, scale, what);
}

std::vector<std::vector<int16_t>> etalonsOf(py::handle values, std::optional<double> scale) {
    const py::array array = asArray(values);
    if (array.ndim() == 1) return {samplesOfArray(array, scale, "etalon 1")};
    if (array.ndim() != 2)
        throw py::value_error("etalons must be two-dimensional, one etalon per row, not of shape " +
                              py::str(py::getattr(array, "shape")).cast<std::string>());
    std::vector<std::vector<int16_t>> etalons;
    for (py::ssize_t e = 0; e < array.shape(0); ++e) {
        const py::array row = array[py::int_(e)];
        etalons.push_back(samplesOfArray(row, scale, "etalon " + std::to_string(e + 1)));
    }
    return etalons;
}

py::dict resultDict(const DetectResult& r) {
    py::dict result = pulsesDict(r.pulses);
    std::vector<int32_t> tupleBounds;
    for (const auto& [first, last] : r.tuples) tupleBounds.insert(tupleBounds.end(), {first, last});
    py::array_t<int32_t> tuples({static_cast<py::ssize_t>(r.tuples.size()), py::ssize_t{2}});
    std::copy(tupleBounds.begin(), tupleBounds.end(), tuples.mutable_data());
    py::list chains;
    std::vector<int64_t> distances;
    for (const FoundChain& c : r.chains) {
        py::dict chain = pulsesDict(c.pulses);
        chain["distance"] = c.distance;
        chains.append(chain);
        distances.push_back(c.distance);
    }
    result["tuples"] = tuples;
    result["chains"] = chains;
    result["chain_distances"] = vectorArray(distances);
    result["recognized"] = r.recognised ? py::object(py::int_(*r.recognised)) : py::object(py::none());
    result["algorithm"] = algorithmName(r.algorithm);
    result["count_range"] = py::make_tuple(r.least, r.most);
    result["seconds"] = r.seconds;
    return result;
}

py::object pythonOf(const Json& value) {
    switch (value.type()) {
        case Json::value_t::object: {
            py::dict dict;
            for (const auto& [key, item] : value.items()) dict[py::str(key)] = pythonOf(item);
            return dict;
        }
        case Json::value_t::array: {
            if (isNumberArray(value)) return numberArray(value);
            if (isMatrix(value)) return matrix(value);
            py::list list;
            for (const Json& item : value) list.append(pythonOf(item));
            return list;
        }
        case Json::value_t::string: return py::str(value.get<std::string>());
        case Json::value_t::boolean: return py::bool_(value.get<bool>());
        case Json::value_t::number_integer: return py::int_(value.get<int64_t>());
        case Json::value_t::number_unsigned: return py::int_(value.get<uint64_t>());
        case Json::value_t::number_float: return py::float_(value.get<double>());
        default: return py::none();
    }
}

}  // namespace tessaline::python
