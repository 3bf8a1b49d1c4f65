#pragma once
// Between Python's values and the workbench's: NumPy arrays (or anything numpy.asarray takes) as
// signed 16-bit samples, and detection results as dicts of NumPy arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "detect/detection.h"

namespace tessaline::python {

namespace py = pybind11;

// The samples of a one-dimensional array. Integer arrays are taken as they are and float arrays
// only with a scale; with a scale every value is multiplied by it and rounded to the nearest whole
// number, halves away from zero. A value outside -32768..32767 (read or scaled), a NaN or an array
// of another kind raises ValueError naming `what` and the sample: nothing is clamped. An array of
// more than DETECT_SERIES_LIMIT samples raises ValueError before any value is read.
std::vector<int16_t> samplesOf(py::handle values, std::optional<double> scale, const std::string& what);

// The etalons of a two-dimensional array, one etalon per row (a one-dimensional array is one
// etalon), under the same rules; more than DETECT_ETALON_LIMIT rows, or rows longer than the
// longest series, raise ValueError before any value is read.
std::vector<std::vector<int16_t>> etalonsOf(py::handle values, std::optional<double> scale);

// {"positions", "etalons", "segments", "scores", "tuples", "chains", "chain_distances",
//  "recognized", "algorithm", "count_range", "seconds"}: see the module's documentation.
py::dict resultDict(const DetectResult& result);

}  // namespace tessaline::python
