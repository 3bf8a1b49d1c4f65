#include "python/conversions.h"

#include <algorithm>
#include <cmath>

namespace tessaline::python {
namespace {

using namespace pybind11::literals;

constexpr double SAMPLE_LEAST = -32768.0, SAMPLE_MOST = 32767.0;
// An etalon longer than the series is refused, so none is longer than the longest series.
constexpr std::size_t ETALON_LENGTH_LIMIT = DETECT_ETALON_LENGTH_LIMIT;

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

// Arrays are converted a slice at a time, so that a long one is never copied whole into another
// type.
constexpr py::ssize_t CONVERTED_AT_ONCE = 4096;

// Hands every value of a one-dimensional array, as a `Value`, to `take` with its index.
template <typename Value, typename Take>
void forEachValue(const py::array& array, Take take) {
    const py::ssize_t size = array.shape(0);
    for (py::ssize_t start = 0; start < size; start += CONVERTED_AT_ONCE) {
        const py::object slice = array[py::slice(start, std::min(size, start + CONVERTED_AT_ONCE), 1)];
        const py::array_t<Value, py::array::forcecast> values(slice);  // raises when NumPy cannot
        const auto view = values.template unchecked<1>();
        for (py::ssize_t i = 0; i < view.shape(0); ++i) take(view(i), start + i);
    }
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
        forEachValue<int64_t>(array, [&](int64_t value, py::ssize_t i) {
            samples.push_back(scale ? scaledSample(static_cast<double>(value), *scale, what, i)
                                    : wholeSample(value, what, i));
        });
        return samples;
    }
    if (kind != 'f')
        throw py::value_error(what + ": samples must be an array of numbers, not of dtype " +
                              py::str(array.dtype()).cast<std::string>());
    if (!scale)
        throw py::value_error(what +
                              ": a float array is taken only with scale= (samples are 16-bit whole "
                              "numbers)");
    forEachValue<double>(
        array, [&](double value, py::ssize_t i) { samples.push_back(scaledSample(value, *scale, what, i)); });
    return samples;
}

// Refuses `count` items where at most `limit` are taken ("series: 40000 samples, at most 32767
// taken"); called before anything is converted, so a huge array is never copied.
void refuseAbove(py::ssize_t count, std::size_t limit, const std::string& what, const std::string& items) {
    if (static_cast<std::size_t>(count) > limit) {
        throw py::value_error(what + ": " + std::to_string(count) + " " + items + ", at most " +
                              std::to_string(limit) + " taken");
    }
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
    std::vector<double> gains, offsets;
    for (const FoundPulse& p : pulses) {
        positions.push_back(p.position);
        etalons.push_back(p.etalon);
        segments.insert(segments.end(), {p.first, p.last});
        scores.push_back(p.score);
        gains.push_back(p.gain);
        offsets.push_back(p.offset);
    }
    py::array_t<int32_t> pairs({static_cast<py::ssize_t>(pulses.size()), py::ssize_t{2}});
    std::copy(segments.begin(), segments.end(), pairs.mutable_data());
    return py::dict("positions"_a = vectorArray(positions), "etalons"_a = vectorArray(etalons),
                    "segments"_a = pairs, "scores"_a = vectorArray(scores), "gains"_a = vectorArray(gains),
                    "offsets"_a = vectorArray(offsets));
}

}  // namespace

std::vector<int16_t> samplesOf(py::handle values, std::optional<double> scale, const std::string& what) {
    const py::array array = asArray(values);
    if (array.ndim() != 1)
        throw py::value_error(what + " must be one-dimensional, not of shape " +
                              py::str(py::getattr(array, "shape")).cast<std::string>());
    refuseAbove(array.shape(0), DETECT_SERIES_LIMIT, what, "samples");
    return samplesOfArray(array, scale, what);
}

// A list or tuple of etalons each of its own length: every item one-dimensional.
std::vector<std::vector<int16_t>> raggedEtalons(const py::sequence& items, std::optional<double> scale) {
    refuseAbove(static_cast<py::ssize_t>(py::len(items)), DETECT_ETALON_LIMIT, "etalons", "etalons");
    std::vector<std::vector<int16_t>> etalons;
    for (std::size_t e = 0; e < py::len(items); ++e) {
        const std::string what = "etalon " + std::to_string(e + 1);
        const py::array row = asArray(items[e]);
        if (row.ndim() != 1)
            throw py::value_error(what + " must be one-dimensional, not of shape " +
                                  py::str(py::getattr(row, "shape")).cast<std::string>());
        refuseAbove(row.shape(0), ETALON_LENGTH_LIMIT, what, "samples");
        etalons.push_back(samplesOfArray(row, scale, what));
    }
    return etalons;
}

// Whether a list or tuple holds sequences (etalons) rather than numbers (one etalon).
bool holdsSequences(py::handle values) {
    if (!py::isinstance<py::list>(values) && !py::isinstance<py::tuple>(values)) return false;
    const auto items = py::reinterpret_borrow<py::sequence>(values);
    return py::len(items) > 0 && py::hasattr(items[0], "__len__");
}

std::vector<std::vector<int16_t>> etalonsOf(py::handle values, std::optional<double> scale) {
    if (holdsSequences(values)) return raggedEtalons(py::reinterpret_borrow<py::sequence>(values), scale);
    const py::array array = asArray(values);
    if (array.ndim() == 1) {
        refuseAbove(array.shape(0), ETALON_LENGTH_LIMIT, "etalon 1", "samples");
        return {samplesOfArray(array, scale, "etalon 1")};
    }
    if (array.ndim() != 2)
        throw py::value_error("etalons must be two-dimensional, one etalon per row, not of shape " +
                              py::str(py::getattr(array, "shape")).cast<std::string>());
    refuseAbove(array.shape(0), DETECT_ETALON_LIMIT, "etalons", "etalons (rows)");
    refuseAbove(array.shape(1), ETALON_LENGTH_LIMIT, "etalons", "samples per etalon (row)");
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
    result["penalty"] = r.penalty;
    result["penalties"] = vectorArray(r.penalties);
    result["noise"] = r.noise ? py::object(py::float_(*r.noise)) : py::object(py::none());
    py::dict refused;
    for (const auto& [rule, places] : r.refused) refused[py::str(rule)] = places;
    result["refused"] = refused;
    result["warnings"] = py::cast(r.warnings);
    result["seconds"] = r.seconds;
    return result;
}

}  // namespace tessaline::python
