// The Python module `tessaline`: the workbench's exact dynamic programming on NumPy arrays
// (`detect`), and statistical simulations as `tessaline-cli simulate` runs them (`simulate`). The
// interpreter's lock is released while the algorithms run, so Python threads can run detections
// side by side; a simulation stops at the next repeat on Ctrl-C.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <sstream>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/simulate_command.h"
#include "python/conversions.h"

namespace tessaline::python {
namespace {

using Tuples = std::vector<std::vector<int32_t>>;

// Refusals name the keyword arguments.
constexpr DetectNames KEYWORD_NAMES{"tmin", "tmax",   "count",  "count_range",
                                    "task", "tuples", "energy", "chains"};

// The options a simulation run from Python has no use for: it returns its result.
constexpr const char* WRITING_OPTIONS[] = {"json", "csv", "plot", "size", "verbose"};

// The fit, its gain bounds and the cost of a pulse ("auto", a number, or None for none).
struct FitKeywords {
    std::string fit;
    std::pair<double, double> gain;
    py::handle penalty;
};

void readFit(const FitKeywords& k, DetectRequest& request) {
    constexpr std::pair<const char*, FitKind> FITS[] = {
        {"shape", FitKind::Shape}, {"gain", FitKind::Gain}, {"gain-offset", FitKind::GainOffset}};
    const auto named =
        std::find_if(std::begin(FITS), std::end(FITS), [&](const auto& f) { return k.fit == f.first; });
    if (named == std::end(FITS))
        throw py::value_error("fit must be 'shape', 'gain' or 'gain-offset', not '" + k.fit + "'");
    request.fit = named->second;
    std::tie(request.gainLeast, request.gainMost) = k.gain;
    if (py::isinstance<py::str>(k.penalty)) {
        if (k.penalty.cast<std::string>() != "auto")
            throw py::value_error("penalty must be a number, 'auto' or None");
        request.automaticPenalty = true;
    } else if (!k.penalty.is_none()) {
        request.penalty = k.penalty.cast<double>();
    }
}

DetectRequest requestOf(int tmin, std::optional<int> tmax, std::optional<int> count,
                        std::optional<std::pair<int, int>> countRange, const std::string& task, int energy,
                        int chains, const std::optional<Tuples>& tuples, const FitKeywords& fit) {
    DetectRequest request;
    const std::optional<uint16_t> code = detectTaskCode(task);
    if (!code)
        throw py::value_error(
            "task must be 'joint', 'recognition', 'tuples-detection' or 'tuples-recognition', "
            "not '" +
            task + "'");
    request.tmin = tmin;
    request.tmax = tmax;
    request.count = count;
    request.countRange = countRange;
    request.task = *code;
    request.energy = energy;
    request.chains = chains;
    request.tuples = tuples.value_or(Tuples{});
    readFit(fit, request);
    if (std::string error = checkDetectRequest(request, KEYWORD_NAMES); !error.empty())
        throw py::value_error(error);
    return request;
}

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

[[noreturn]] void raiseMemoryError(const std::string& text) {
    PyErr_SetString(PyExc_MemoryError, text.c_str());
    throw py::error_already_set();
}

py::dict detect(py::handle series, py::handle etalons, int tmin, std::optional<int> tmax,
                std::optional<int> count, std::optional<std::pair<int, int>> countRange,
                const std::string& task, int energy, int chains, const std::optional<Tuples>& tuples,
                std::optional<double> scale, const std::string& fit, std::pair<double, double> gain,
                py::handle penalty) {
    const DetectRequest request =
        requestOf(tmin, tmax, count, countRange, task, energy, chains, tuples, {fit, gain, penalty});
    if (scale && !(std::isfinite(*scale) && *scale > 0.0))
        throw py::value_error("scale must be a number above 0");
    const DetectSamples samples{samplesOf(series, scale, "series"), etalonsOf(etalons, scale)};
    if (std::string error = checkDetectSamples(samples); !error.empty()) throw py::value_error(error);
    DetectResult result;
    std::string refusal, failure;
    DetectOutcome outcome = DetectOutcome::Done;
    std::atomic<bool> cancel{false};
    const bool interrupted = runInterruptibly(
        [&] {
            refusal = checkDetectCounts(request, samples, KEYWORD_NAMES, result.least, result.most);
            if (refusal.empty()) outcome = runDetection(request, samples, result, failure, &cancel);
        },
        cancel);
    if (interrupted) throw py::error_already_set();
    if (!refusal.empty()) throw py::value_error(refusal);
    if (outcome == DetectOutcome::OutOfMemory)
        raiseMemoryError("the processing could not get its working memory (" + failure + ")");
    if (outcome == DetectOutcome::NoChain) throw py::value_error(failure);
    if (outcome != DetectOutcome::Done) throw std::runtime_error("the detection stopped before its end");
    return resultDict(result);
}

// A sequence that is not text: a list, a tuple, a NumPy array.
bool isList(py::handle value) {
    return py::isinstance<py::sequence>(value) && !py::isinstance<py::str>(value) &&
           !py::isinstance<py::bytes>(value);
}

// A list of numbers as the command line spells it: "3,7,12"; a list of such lists: "1,2;3". A list
// deeper than that (or holding itself) has no spelling: ValueError naming the keyword `name`.
std::string listWord(const py::sequence& items, const std::string& name, bool inner = false) {
    std::string word;
    for (const py::handle item : items) {
        const bool list = isList(item);
        if (list && inner) {
            throw py::value_error(name +
                                  ": a list holds numbers ([1, 2, 5]) or lists of numbers ([[1, 2], [3]]), "
                                  "nothing deeper");
        }
        if (!word.empty()) word += list ? ";" : ",";
        word += list ? listWord(item.cast<py::sequence>(), name, true) : py::str(item).cast<std::string>();
    }
    return word;
}

// The keyword arguments as the words of `simulate`: series_type=1 is "--series-type 1", True a flag
// given, None and False options left out.
std::vector<std::string> simulateWords(const py::kwargs& options) {
    std::vector<std::string> words;
    for (const auto& [key, value] : options) {
        const auto name = key.cast<std::string>();
        for (const char* writing : WRITING_OPTIONS) {
            if (name == writing)
                throw py::value_error(name + ": simulate returns its result; it writes nothing");
        }
        std::string option = "--" + name;
        std::replace(option.begin(), option.end(), '_', '-');
        if (value.is_none() || (py::isinstance<py::bool_>(value) && !value.cast<bool>())) continue;
        words.push_back(option);
        if (py::isinstance<py::bool_>(value)) continue;
        words.push_back(isList(value) ? listWord(value.cast<py::sequence>(), name)
                                      : py::str(value).cast<std::string>());
    }
    return words;
}

// The last line said, without the program's and the command's names.
std::string reasonOf(const std::ostringstream& said) {
    std::string text = said.str();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    text = text.substr(text.rfind('\n') + 1);
    const std::string prefix = "tessaline-cli: ";
    return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

py::object simulate(const py::kwargs& options) {
    cli::SimulateOptions settings;
    std::ostringstream said;
    if (cli::readSimulateCommandLine(simulateWords(options), settings, said) != cli::EXIT_DONE)
        throw py::value_error(reasonOf(said));
    nlohmann::ordered_json result;
    int status = cli::EXIT_FAILED;
    std::atomic<bool> cancel{false};
    const bool interrupted =
        runInterruptibly([&] { status = cli::simulateToJson(settings, &cancel, result, said); }, cancel);
    if (interrupted) throw py::error_already_set();
    if (status == cli::EXIT_REFUSED) throw py::value_error(reasonOf(said));
    if (status != cli::EXIT_DONE) throw std::runtime_error(reasonOf(said));
    return pythonOf(result);
}

}  // namespace
}  // namespace tessaline::python

PYBIND11_MODULE(tessaline, module) {
    using namespace tessaline::python;
    module.doc() = "Detection and recognition of pulses in noisy series by exact dynamic programming.";
    module.attr("__version__") = TESSALINE_VERSION;
    module.def("detect", &detect, py::arg("series"), py::arg("etalons"), py::arg("tmin"),
               py::arg("tmax") = py::none(), py::arg("count") = py::none(),
               py::arg("count_range") = py::none(), py::arg("task") = "joint", py::arg("energy") = 100,
               py::arg("chains") = tessaline::DETECT_DEFAULT_CHAINS, py::arg("tuples") = py::none(),
               py::arg("scale") = py::none(), py::arg("fit") = "shape",
               py::arg("gain") = std::pair{0.25, 4.0}, py::arg("penalty") = py::none(),
               (R"(Finds the pulses of `series` (one-dimensional, at most )" +
                std::to_string(tessaline::DETECT_SERIES_LIMIT) + R"( samples) shaped as the rows
of `etalons` (one etalon per row, all of one length; etalon e is row e-1), their starts at least
tmin apart and, when tmax is given, at most tmax apart (the first pulse then within tmax - n of the
series' start and the last within tmax of its end; without tmax pauses of any length are taken).

count: the pulse count when known; otherwise count_range=(least, most), by default every count the
    series, etalon length and gaps admit.
task: 'joint' (detect and identify every pulse), 'recognition' (which one etalon makes the series),
    'tuples-detection' (one tuple, tuples=[[1, 2]]) or 'tuples-recognition' (which of the tuples).
energy: processing energy level 0..100; below 100 a cut-off segment keeping more than this share of
    an etalon's energy may explain a pulse.
chains: how many best chains to report, 1..1000.
fit: 'shape' (the etalon as it is), 'gain' (times a gain of its own per pulse, within gain=(least,
    most)) or 'gain-offset' (a gain and a constant level per pulse: what the shape explains beyond
    the pulse's own mean, so a drifting baseline pays for no pulse).
penalty: the cost of a pulse added to its score (None: 0), or 'auto': 2 ln(N / tmin) times the
    series' noise variance, and with 'gain-offset' no pulse where the fit leaves more than 3 times
    the noise variance per degree of freedom.
scale: samples are signed 16-bit whole numbers; integer arrays are taken as they are, float arrays
    only with a scale, every value of both arrays then multiplied by it and rounded (halves away
    from zero). A value outside -32768..32767 raises ValueError; nothing is clamped.

Returns a dict: positions, etalons (int32), segments (int32, one [first, last] row per pulse: the
used part of its etalon), scores (int64: how much the pulse lowers the sum of squares, negated,
with its cost; smaller fits better), gains and offsets (float64: each pulse's level; 1 and 0 for
the shape fit), penalty (the cost of a pulse used),
tuples (int32 [first, last] pulse numbers from 1 per found tuple), chains (a list of dicts with
distance, positions, etalons, segments, scores), chain_distances (int64), recognized (the etalon or
tuple number a recognition accepted, or None), algorithm, count_range, seconds.
Refused input raises ValueError; the interpreter's lock is released while the algorithm runs, and
Ctrl-C stops it (KeyboardInterrupt).)")
                   .c_str());
    module.def("simulate", &simulate,
               R"(Runs a statistical simulation as `tessaline-cli simulate` does, with its options as keyword
arguments: series_type=1, task='joint', required=[3, 7, 12], tmin=..., tmax=..., length=...,
pulses_from=..., pulses_to=..., pulses_incr=..., noise_from=..., noise_steps=..., noise_incr=...,
repeats=..., threads=..., tuples=[[1, 2], [3]], ... (an underscore for each dash; True gives a flag,
None or False leaves an option out). The same settings give the same result as the command.

Returns the object `tessaline-cli simulate --json` prints, with every matrix (lpErrors,
lpDetectionErrors, lpRecognitionErrors, displayed errors: [noise level, pulse count]) and list of
numbers a NumPy array. Refused settings raise ValueError, naming the command's option; Ctrl-C stops
the run (KeyboardInterrupt).)");
}
