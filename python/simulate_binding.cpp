#include "python/simulate_binding.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <iterator>
#include <span>
#include <vector>

#include "platform/message_sink.h"
#include "python/interruptible.h"
#include "simulation/study_settings.h"

namespace tessaline::python {
namespace {

using namespace pybind11::literals;

// Refusals name the keyword arguments.
constexpr StudyNames STUDY_KEYWORDS{"series_type", "task",       "required",    "tmin",          "tmax",
                                    "length",      "lost",       "employment",  "init_position", "proceeding",
                                    "subset",      "tuples",     "chosen",      "pulses_from",   "pulses_to",
                                    "pulses_incr", "noise_from", "noise_steps", "noise_incr",    "repeats",
                                    "measure",     "bounds",     "upper_bound", "threads"};

constexpr py::ssize_t LIST_LIMIT = 1000;  // entries of a list keyword read at most

std::string typeName(py::handle value) {
    return py::str(py::type::of(value).attr("__name__")).cast<std::string>();
}

[[noreturn]] void refuse(const std::string& name, const std::string& why) {
    throw py::value_error(name + ": " + why);
}

// A single whole number: a Python int or a NumPy integer, not a bool nor an array.
bool isWholeNumber(py::handle value) {
    return !py::isinstance<py::bool_>(value) && PyIndex_Check(value.ptr()) && !PySequence_Check(value.ptr());
}

// A whole number within the C int range.
int wholeNumber(py::handle value, const std::string& name) {
    if (!isWholeNumber(value))
        throw py::type_error(name + ": expected a whole number, not " + typeName(value));
    const py::int_ number(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    int overflow = 0;
    const long long whole = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow != 0 || whole < INT_MIN || whole > INT_MAX) refuse(name, "the number is out of range");
    return static_cast<int>(whole);
}

// A sequence (a list, a tuple, a NumPy array), not text, of at most LIST_LIMIT entries.
py::sequence sequenceOf(py::handle value, const std::string& name) {
    const bool text = py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value);
    if (text || !py::isinstance<py::sequence>(value))
        throw py::type_error(name + ": expected a list of etalon numbers, not " + typeName(value));
    auto items = py::reinterpret_borrow<py::sequence>(value);
    if (py::len(items) > static_cast<std::size_t>(LIST_LIMIT))
        refuse(name, "more than " + std::to_string(LIST_LIMIT) + " entries");
    return items;
}

std::vector<int> numberList(py::handle value, const std::string& name) {
    std::vector<int> numbers;
    for (const py::handle item : sequenceOf(value, name)) numbers.push_back(wholeNumber(item, name));
    return numbers;
}

std::vector<std::vector<int>> listsOfNumbers(py::handle value, const std::string& name) {
    std::vector<std::vector<int>> lists;
    for (const py::handle item : sequenceOf(value, name)) lists.push_back(numberList(item, name));
    return lists;
}

// One of `words`, as its position.
int wordOf(py::handle value, const std::string& name, std::initializer_list<const char*> words) {
    std::string choices;
    for (const char* word : words) choices += std::string(choices.empty() ? "'" : ", '") + word + "'";
    if (!py::isinstance<py::str>(value))
        throw py::type_error(name + ": expected one of " + choices + ", not " + typeName(value));
    const auto text = value.cast<std::string>();
    int position = 0;
    for (const char* word : words) {
        if (text == word) return position;
        ++position;
    }
    refuse(name, "expected one of " + choices);
}

bool truth(py::handle value, const std::string& name) {
    if (!py::isinstance<py::bool_>(value))
        throw py::type_error(name + ": expected True or False, not " + typeName(value));
    return value.cast<bool>();
}

double realNumber(py::handle value, const std::string& name) {
    if (py::isinstance<py::bool_>(value) || !PyNumber_Check(value.ptr()) || py::isinstance<py::str>(value))
        throw py::type_error(name + ": expected a number, not " + typeName(value));
    const double number = PyFloat_AsDouble(value.ptr());
    if (PyErr_Occurred() != nullptr) throw py::error_already_set();
    return number;
}

uint64_t seedOf(py::handle value, const std::string& name) {
    if (!isWholeNumber(value))
        throw py::type_error(name + ": expected a whole number, not " + typeName(value));
    const py::int_ number(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    const unsigned long long seed = PyLong_AsUnsignedLongLong(number.ptr());
    if (PyErr_Occurred() != nullptr) {
        PyErr_Clear();
        refuse(name, "expected a whole number 0..18446744073709551615");
    }
    return seed;
}

struct Keyword {
    const char* name;
    const char* fallback;  // the default, as the documentation says it
    const char* meaning;
    std::function<void(py::handle, StudySettings&)> take;  // never called with None
};

template <typename Field>
std::function<void(py::handle, StudySettings&)> whole(Field StudySettings::*field, const char* name) {
    return [field, name](py::handle value, StudySettings& s) { s.*field = wholeNumber(value, name); };
}

// The keywords of the series and the task.
std::vector<Keyword> seriesKeywords() {
    return {
        {"series_type", "8",
         "1, 2 (known number of whole or cut-off pulses), 4, 8 (unknown number of whole or "
         "cut-off pulses), 36, 40 (known or unknown number of whole-pulse tuples)",
         whole(&StudySettings::seriesType, "series_type")},
        {"task", "None",
         "'detection', 'recognition', 'joint' (detection and identification) or 'processing'; "
         "the tuple form on a tuples series; None: detection as the workbench starts",
         [](py::handle v, StudySettings& s) {
             static constexpr int codes[] = {1, 2, 4, 64};
             s.task = codes[wordOf(v, "task", {"detection", "recognition", "joint", "processing"})];
         }},
        {"required", "None",
         "the etalons told apart (numbers 1..20), used in ascending order; None: etalon 1",
         [](py::handle v, StudySettings& s) { s.required = numberList(v, "required"); }},
        {"tmin", "40", "least gap between pulse starts", whole(&StudySettings::tmin, "tmin")},
        {"tmax", "181", "greatest gap between pulse starts", whole(&StudySettings::tmax, "tmax")},
        {"length", "1200", "series length in samples (20..32767)", whole(&StudySettings::length, "length")},
        {"lost", "None",
         "lost-data level in percent of the cut-off series types 2 and 8; None: 25 for them, 0 "
         "for the others (energy levels are 100 less it)",
         whole(&StudySettings::lost, "lost")},
        {"employment", "4", "subset employment mode 1..5", whole(&StudySettings::employment, "employment")},
        {"init_position", "1", "1-based pulse place where the subset starts",
         whole(&StudySettings::initPosition, "init_position")},
        {"proceeding", "1", "subset proceeding mode 1 or 2", whole(&StudySettings::proceeding, "proceeding")},
        {"subset", "None", "the tuple in use, e.g. [1, 3] (at most 10 etalons)",
         [](py::handle v, StudySettings& s) { s.subset = numberList(v, "subset"); }},
        {"tuples", "None", "the stored tuples of tuple recognition, e.g. [[1, 2], [3]] (at most 10)",
         [](py::handle v, StudySettings& s) { s.tuples = listsOfNumbers(v, "tuples"); }},
        {"chosen", "None", "1-based tuple of `tuples` in use; None: the last",
         whole(&StudySettings::chosen, "chosen")},
    };
}

// The keywords of the grid, the graph and the run.
std::vector<Keyword> gridKeywords() {
    return {
        {"pulses_from", "None", "least pulse count of the grid; None: the fewest the series holds",
         whole(&StudySettings::pulsesFrom, "pulses_from")},
        {"pulses_to", "None", "greatest pulse count of the grid; None: the most the series holds",
         whole(&StudySettings::pulsesTo, "pulses_to")},
        {"pulses_incr", "1", "pulse count step", whole(&StudySettings::pulsesIncrement, "pulses_incr")},
        {"noise_from", "0", "first noise level", whole(&StudySettings::noiseFrom, "noise_from")},
        {"noise_steps", "29", "number of noise levels", whole(&StudySettings::noiseSteps, "noise_steps")},
        {"noise_incr", "5", "noise level step", whole(&StudySettings::noiseIncrement, "noise_incr")},
        {"repeats", "100", "series per cell, 1..65535", whole(&StudySettings::repeats, "repeats")},
        {"measure", "'restored'",
         "the graph's error: 'restored', 'detection' or 'recognition' (for "
         "task='recognition' or task='joint'); gives statistics_view",
         [](py::handle v, StudySettings& s) {
             s.display.measure = static_cast<StudyMeasure>(
                 1 + wordOf(v, "measure", {"restored", "detection", "recognition"}));
         }},
        {"view", "'componentwise'", "'componentwise' (one curve per pulse count) or 'aggregate'",
         [](py::handle v, StudySettings& s) {
             s.display.aggregate = wordOf(v, "view", {"componentwise", "aggregate"}) == 1;
         }},
        {"bounds", "False", "with measure='recognition': the theoretical recognition curves as well",
         [](py::handle v, StudySettings& s) { s.display.bounds = truth(v, "bounds"); }},
        {"upper_bound", "None", "a fixed top of the graph's error axis, above 0 and up to 1000",
         [](py::handle v, StudySettings& s) { s.display.upperBound = realNumber(v, "upper_bound"); }},
        {"threads", "None",
         "threads processing the series of a cell, 1..1024; None: one per core (the result "
         "does not depend on it)",
         [](py::handle v, StudySettings& s) {
             s.threads = wholeNumber(v, "threads");
             if (s.threads < 1)
                 throw py::value_error("threads " + std::to_string(s.threads) + " is not in 1..1024");
         }},
        {"seed", "None",
         "start the generator states from this whole number 0..2**64-1 (the rule is in the "
         "README); None: the workbench's fixed states",
         [](py::handle v, StudySettings& s) { s.seed = seedOf(v, "seed"); }},
    };
}

const std::vector<Keyword>& keywords() {
    static const std::vector<Keyword> table = [] {
        std::vector<Keyword> all = seriesKeywords(), grid = gridKeywords();
        all.insert(all.end(), std::make_move_iterator(grid.begin()), std::make_move_iterator(grid.end()));
        return all;
    }();
    return table;
}

StudySettings settingsOf(const py::kwargs& given) {
    StudySettings settings;
    for (const auto& [key, value] : given) {
        const auto name = key.cast<std::string>();
        const auto keyword = std::find_if(keywords().begin(), keywords().end(),
                                          [&](const Keyword& k) { return name == k.name; });
        if (keyword == keywords().end())
            throw py::type_error("simulate() got an unexpected keyword argument '" + name + "'");
        if (!value.is_none()) keyword->take(value, settings);
    }
    if (std::string refused = checkStudySettings(settings, STUDY_KEYWORDS); !refused.empty())
        throw py::value_error(refused);
    return settings;
}

// The messages of the core, the last one kept for an error.
class KeptMessages : public MessageSink {
public:
    void showMessage(std::string_view text, std::string_view, MessageIcon) override { last = text; }
    std::string last;
};

template <typename Value>
py::array_t<Value> vectorOf(const std::vector<Value>& values) {
    py::array_t<Value> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

// A [noise level, pulse count] matrix, of that shape even for one level or one count.
template <typename Value, typename Out = Value>
py::array_t<Out> matrixOf(const StudyMatrix<Value>& rows, std::size_t columns) {
    py::array_t<Out> array({static_cast<py::ssize_t>(rows.size()), static_cast<py::ssize_t>(columns)});
    Out* cell = array.mutable_data();
    for (const std::vector<Value>& row : rows) cell = std::copy(row.begin(), row.end(), cell);
    return array;
}

py::dict resultOf(const StudyResult& r, const StudyRequest& request, const StudySettings& settings,
                  double seconds) {
    const DisplayedErrors& shown = r.shown;
    const std::size_t J = r.pulseCounts.size();
    py::dict result("pulse_counts"_a = vectorOf(r.pulseCounts), "noise_levels"_a = vectorOf(r.noiseLevels),
                    "repeats"_a = r.repeats, "series_type"_a = r.seriesType, "task_type"_a = r.taskType,
                    "series_type_name"_a = r.seriesTypeName, "task_name"_a = r.taskName,
                    "making_energy"_a = r.makingLevel, "processing_energy"_a = r.processingLevel);
    result["tmin"] = request.workbench.Tmin;
    result["tmax"] = request.workbench.Tmax;
    result["length"] = request.workbench.length;
    result["seed"] = settings.seed ? py::object(py::int_(*settings.seed)) : py::object(py::none());
    result["errors"] = matrixOf<int32_t, int64_t>(r.errors, J);
    result["detection_errors"] = matrixOf<int32_t, int64_t>(r.detectionErrors, J);
    result["recognition_errors"] = matrixOf<int32_t, int64_t>(r.recognitionErrors, J);
    const std::pair<const char*, const StudyMatrix<double>*> matrices[] = {
        {"restored", &shown.restored},
        {"detection", &shown.detection},
        {"recognition", &shown.recognition},
        {"restored_sd", &shown.spread.restored},
        {"detection_sd", &shown.spread.detection},
        {"recognition_sd", &shown.spread.recognition}};
    for (const auto& [key, matrix] : matrices) result[key] = matrixOf(*matrix, J);
    const std::pair<const char*, const std::vector<double>*> rows[] = {
        {"restored_aggregate", &shown.restoredAggregate},
        {"detection_aggregate", &shown.detectionAggregate},
        {"recognition_aggregate", &shown.recognitionAggregate},
        {"restored_aggregate_sd", &shown.spread.restoredAggregate},
        {"detection_aggregate_sd", &shown.spread.detectionAggregate},
        {"recognition_aggregate_sd", &shown.spread.recognitionAggregate},
        {"p1", &shown.firstCurve},
        {"p2", &shown.secondCurve}};
    for (const auto& [key, values] : rows) result[key] = vectorOf(*values);
    result["energy"] = shown.reference.E;
    result["q"] = shown.reference.q;
    result["rmin"] = shown.reference.Rmin;
    result["rmax"] = shown.reference.Rmax;
    result["restored_normaliser"] = shown.normalisers.restored;
    result["detection_normaliser"] = shown.normalisers.detection;
    result["d1"] = shown.distances.d1;
    result["d2"] = shown.distances.d2;
    result["statistics_view"] = r.viewCode;
    result["started"] = r.clock.start;
    result["ended"] = r.clock.end;
    result["seconds"] = seconds;
    return result;
}

// A line of the documentation cut at blanks into lines of at most 100 characters, the further ones
// indented.
std::string wrapped(const std::string& line) {
    constexpr std::size_t WIDTH = 100;
    std::string text, rest = line;
    while (rest.size() > WIDTH) {
        const std::size_t blank = rest.rfind(' ', WIDTH);
        if (blank == std::string::npos || blank <= 6) break;
        text += rest.substr(0, blank) + "\n";
        rest = "      " + rest.substr(blank + 1);
    }
    return text + rest + "\n";
}

}  // namespace

py::dict simulate(const py::kwargs& given) {
    const StudySettings settings = settingsOf(given);
    KeptMessages messages;
    PreparedStudy prepared;
    std::string said;
    const StudyReadiness readiness = prepareStudy(messages, settings, STUDY_KEYWORDS, prepared, said);
    if (readiness == StudyReadiness::Refused) throw py::value_error(said);
    if (readiness == StudyReadiness::Failed) raiseMemoryError(said + " (" + messages.last + ")");
    std::atomic<bool> cancel{false};
    prepared.request.cancel = &cancel;
    StudyResult result;
    int done = 0;
    const auto start = std::chrono::steady_clock::now();
    const bool interrupted =
        runInterruptibly([&] { done = runPreparedStudy(messages, prepared, result); }, cancel);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (interrupted) throw py::error_already_set();
    if (done == 0) throw std::runtime_error("the simulation did not complete: " + messages.last);
    return resultOf(result, prepared.request, settings, seconds);
}

std::string simulateDocumentation() {
    std::string text =
        "Runs a statistical simulation of the workbench: for every pulse count and noise level of the grid "
        "it\n"
        "generates `repeats` series, adds noise, processes them with the task's algorithm and measures the\n"
        "errors. The same settings give the same result as `tessaline-cli simulate` with the same "
        "options.\n\n"
        "Keywords (all optional; default, then meaning):\n";
    for (const Keyword& keyword : keywords())
        text += wrapped("  " + std::string(keyword.name) + "=" + keyword.fallback + ": " + keyword.meaning);
    text +=
        "\nReturns a dict (L noise levels, J pulse counts):\n"
        "  pulse_counts (J,), noise_levels (L,): the grid; repeats, seed, series_type, task_type,\n"
        "    series_type_name, task_name, making_energy, processing_energy, tmin, tmax, length: the run;\n"
        "  errors, detection_errors, recognition_errors (L, J) int64: the sums the statistics record keeps\n"
        "    (mean restored error energy, detection sums / 128, recognition errors);\n"
        "  restored, detection, recognition (L, J) float64: the shown relative errors (recognition: the\n"
        "    share of misrecognised repeats, or of misrecognised pulses for task='joint');\n"
        "  restored_sd, detection_sd, recognition_sd (L, J): the sample standard deviation over the\n"
        "    repeats in the units of the shown value (value +- 1.96 sd / sqrt(repeats) is its 95% "
        "interval);\n"
        "  restored_aggregate, detection_aggregate, recognition_aggregate (L,) and their _sd (L,): one\n"
        "    value per noise level over the pulse counts;\n"
        "  p1, p2 (L,): the theoretical recognition curves; energy, q, rmin, rmax, restored_normaliser,\n"
        "    detection_normaliser, d1, d2: the reference quantities;\n"
        "  statistics_view: the view code of measure and view; started, ended (calendar seconds), seconds.\n"
        "An unknown keyword or a value of another type raises TypeError, a value the run cannot take\n"
        "ValueError, each naming the keyword. The interpreter's lock is released while the run goes on,\n"
        "and Ctrl-C stops it (KeyboardInterrupt).";
    return text;
}

}  // namespace tessaline::python
