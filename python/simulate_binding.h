#pragma once
// `tessaline.simulate`: a statistical simulation from keyword arguments, each checked by name,
// run in the core without the interpreter's lock, its result a dict of fixed-shape NumPy arrays.
#include <pybind11/pybind11.h>

#include <string>

namespace tessaline::python {

namespace py = pybind11;

// Runs the simulation the keywords describe; unknown keywords raise TypeError and bad values
// ValueError, each naming the keyword.
py::dict simulate(const py::kwargs& keywords);

// The documentation of `simulate`: every keyword with its default and meaning, and the keys of
// the result.
std::string simulateDocumentation();

}  // namespace tessaline::python
