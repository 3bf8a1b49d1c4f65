#pragma once
// Work that runs without the interpreter's lock and stops on Ctrl-C.
#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

namespace tessaline::python {

namespace py = pybind11;

// Runs `work` on a thread of its own while this one, without the interpreter's lock, looks for an
// interrupt (Ctrl-C) every tenth of a second; on one, `cancel` is set and the work ends at its next
// check. True when interrupted, the interrupt then pending as Python's error.
template <typename Work>
bool runInterruptibly(Work work, std::atomic<bool>& cancel) {
    bool interrupted = false;
    const py::gil_scoped_release unlocked;
    std::future<void> done = std::async(std::launch::async, std::move(work));
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (interrupted) continue;
        const py::gil_scoped_acquire locked;
        interrupted = PyErr_CheckSignals() != 0;
        if (interrupted) cancel.store(true);
    }
    done.get();
    return interrupted;
}

[[noreturn]] inline void raiseMemoryError(const std::string& text) {
    PyErr_SetString(PyExc_MemoryError, text.c_str());
    throw py::error_already_set();
}

}  // namespace tessaline::python
