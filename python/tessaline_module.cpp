// The Python module `tessaline`: the workbench's exact dynamic programming on NumPy arrays
// (`detect`), and statistical simulations from typed keywords (`simulate`, python/simulate_binding).
// The interpreter's lock is released while the algorithms run, so Python threads can run detections
// side by side; a simulation stops at the next repeat on Ctrl-C.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "python/conversions.h"
#include "python/evaluate_binding.h"
#include "python/interruptible.h"
#include "python/plotting_source.h"
#include "python/simulate_binding.h"

namespace tessaline::python {
namespace {

using Tuples = std::vector<std::vector<int32_t>>;

// Refusals name the keyword arguments.
constexpr DetectNames DETECT_KEYWORDS = KEYWORD_NAMES;

// The fit, its gain bounds and the cost of a pulse ("auto", a number, or None for none).
struct FitKeywords {
    std::string fit;
    std::pair<double, double> gain;
    py::handle penalty;
};

void readFit(const FitKeywords& k, DetectRequest& request) {
    constexpr std::pair<const char*, FitKind> FITS[] = {{"shape", FitKind::Shape},
                                                        {"gain", FitKind::Gain},
                                                        {"gain-offset", FitKind::GainOffset},
                                                        {"gain-trend", FitKind::GainTrend}};
    const auto named =
        std::find_if(std::begin(FITS), std::end(FITS), [&](const auto& f) { return k.fit == f.first; });
    if (named == std::end(FITS))
        throw py::value_error("fit must be 'shape', 'gain', 'gain-offset' or 'gain-trend', not '" + k.fit +
                              "'");
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
    if (std::string error = checkDetectRequest(request, DETECT_KEYWORDS); !error.empty())
        throw py::value_error(error);
    return request;
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
            refusal = checkDetectCounts(request, samples, DETECT_KEYWORDS, result.least, result.most);
            if (refusal.empty()) outcome = runDetection(request, samples, result, failure, &cancel);
        },
        cancel);
    if (interrupted) throw py::error_already_set();
    if (!refusal.empty()) throw py::value_error(refusal);
    if (outcome == DetectOutcome::OutOfMemory)
        raiseMemoryError("the processing could not get its working memory (" + failure + ")");
    if (outcome == DetectOutcome::NoChain || outcome == DetectOutcome::Refused)
        throw py::value_error(failure);
    if (outcome != DetectOutcome::Done) throw std::runtime_error("the detection stopped before its end");
    return resultDict(result);
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
               (R"(Finds the pulses of `series` shaped as the rows of `etalons`, by exact dynamic programming.

Arguments and keywords (default, then meaning):
  series: the samples, one-dimensional, at most )" +
                std::to_string(tessaline::DETECT_SERIES_LIMIT) + R"( of them.
  etalons: one etalon per row (a 2-D array), or a list of 1-D arrays each of its own length;
      etalon e is row e-1.
  tmin: the least gap between the starts of two pulses, at least the longest etalon's length
      (pulses never overlap).
  tmax=None: the greatest gap; the first pulse then starts within tmax - n of the series' start and
      the last within tmax of its end. None: pauses of any length are taken.
  count=None: the pulse count when known; None: every count of count_range.
  count_range=None: (least, most) pulse counts, least from 0 (0: the series may hold no pulse);
      None: every count the series, n and the gaps admit, from 0 without tmax.
  task='joint': 'joint' (detect and identify every pulse), 'recognition' (which one etalon makes the
      series), 'tuples-detection' (the pulses follow one tuple) or 'tuples-recognition' (which of
      the tuples).
  energy=100: processing energy level 0..100; below 100 a cut-off segment keeping more than this
      share of an etalon's energy may explain a pulse.
  chains=)" + std::to_string(tessaline::DETECT_DEFAULT_CHAINS) +
                R"(: how many best chains to report, 1..1000.
  tuples=None: the tuples of the tuples tasks, e.g. [[1, 2], [3]] (etalon numbers).
  scale=None: samples are signed 16-bit whole numbers; integer arrays are taken as they are, float
      arrays only with a scale, every value of both arrays then multiplied by it and rounded
      (halves away from zero). A value outside -32768..32767 raises ValueError; nothing is clamped.
  fit='shape': 'shape' (the etalon as it is), 'gain' (times a gain of its own per pulse, within
      gain), 'gain-offset' (a gain and a constant level per pulse: what the shape explains
      beyond the pulse's own mean, so a drifting baseline pays for no pulse) or 'gain-trend' (a
      gain and a straight baseline per pulse: what the shape explains beyond the pulse's own
      least-squares line, so a baseline drifting across the pulse pays for none either).
  gain=(0.25, 4.0): the least and greatest gain of the gain fits.
  penalty=None: the cost of a pulse in squared sample units, added to its score (None: 0), or
      'auto': read off the series for each etalon (the variance of the noise seen through it, times
      the square of the threshold that keeps false pulses to about one in twenty, at most the
      universal 2 ln(N / tmin)); with a gain fit no pulse where the least-squares gain lies outside
      gain (the gain rule), and with 'gain-offset' or 'gain-trend' none where the etalon explains less than half of
      the samples beyond the noise (the shape rule).

Returns a dict: positions (int32, 0-based sample numbers of each pulse's etalon start), etalons
(int32, from 1), segments (int32, one [first, last] row per pulse: the used part of its etalon),
scores (int64: how much the pulse lowers the sum of squares, negated, with its cost, in squared
sample units; smaller fits better), gains and offsets (float64: each pulse's level; 1 and 0 for
the shape fit), penalty (the cost of a pulse used, squared sample units; with 'auto' the least of
penalties, each etalon's own cost, int64), noise (with 'auto': the
noise's standard deviation per sample in sample units, else None), refused (with 'auto' and a gain
fit: the places each rule refused that would have paid for a pulse, {'gain': .., 'shape': ..}),
warnings (what the found pulses suggest trying, a list of texts),
tuples (int32 [first, last] pulse numbers from 1 per found tuple), chains (a list of dicts with
distance, positions, etalons, segments, scores), chain_distances (int64), recognized (the etalon or
tuple number a recognition accepted, or None), algorithm, count_range, seconds.
Refused input raises ValueError; the interpreter's lock is released while the algorithm runs, and
Ctrl-C stops it (KeyboardInterrupt).)")
                   .c_str());
    module.def("simulate", &simulate, simulateDocumentation().c_str());
    defineEvaluate(module);
    py::exec(PLOTTING_SOURCE, module.attr("__dict__"));
}
