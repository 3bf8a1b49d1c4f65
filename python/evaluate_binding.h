#pragma once
// `tessaline.evaluate`: found pulses (a detect result or an array of positions) scored against a
// ground truth (positions, or positions and shapes) within a tolerance, as `tessaline-cli evaluate`
// scores them, the result a dict of the command's JSON keys with NumPy arrays.
#include <pybind11/pybind11.h>

namespace tessaline::python {

// Adds `evaluate` with its documentation to the module.
void defineEvaluate(pybind11::module_& module);

}  // namespace tessaline::python
