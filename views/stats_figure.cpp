#include "views/stats_figure.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "model/codes.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

constexpr std::array<FigureColour, 10> WELL_TOLD_APART = {{{31, 119, 180},
                                                           {214, 39, 40},
                                                           {44, 160, 44},
                                                           {255, 127, 14},
                                                           {148, 103, 189},
                                                           {23, 190, 207},
                                                           {140, 86, 75},
                                                           {227, 119, 194},
                                                           {127, 127, 127},
                                                           {188, 189, 34}}};
constexpr FigureColour THEORY_COLOUR{0, 0, 0};

// A hue round the colour circle at a saturation and lightness that print well.
FigureColour hueColour(double hue) noexcept {
    const double chroma = 0.75 * 0.8;  // (1 - |2L - 1|) S at lightness 0.45, saturation 0.75
    const double sector = hue * 6.0;
    const double second = chroma * (1.0 - std::fabs(std::fmod(sector, 2.0) - 1.0));
    const double lift = 0.45 - chroma / 2.0;
    std::array<double, 3> rgb{};
    switch (static_cast<int>(sector) % 6) {
        case 0: rgb = {chroma, second, 0.0}; break;
        case 1: rgb = {second, chroma, 0.0}; break;
        case 2: rgb = {0.0, chroma, second}; break;
        case 3: rgb = {0.0, second, chroma}; break;
        case 4: rgb = {second, 0.0, chroma}; break;
        default: rgb = {chroma, 0.0, second}; break;
    }
    const auto channel = [lift](double value) {
        return static_cast<uint8_t>(std::lround((value + lift) * 255.0));
    };
    return {channel(rgb[0]), channel(rgb[1]), channel(rgb[2])};
}

struct MeasureValues {
    const std::vector<std::vector<double>>* cells;
    const std::vector<std::vector<double>>* cellSpread;
    const std::vector<double>* aggregate;
    const std::vector<double>* aggregateSpread;
    std::string title;
};

MeasureValues measureValues(const StudyResult& result, StudyMeasure measure) {
    const DisplayedErrors& shown = result.shown;
    switch (measure) {
        case StudyMeasure::Detection:
            return {&shown.detection, &shown.spread.detection, &shown.detectionAggregate,
                    &shown.spread.detectionAggregate, "detection error"};
        case StudyMeasure::Recognition:
            return {&shown.recognition, &shown.spread.recognition, &shown.recognitionAggregate,
                    &shown.spread.recognitionAggregate,
                    result.taskType == TASK_JOINT ? "share of misrecognised pulses" : "recognition error"};
        case StudyMeasure::Restored: break;
    }
    return {&shown.restored, &shown.spread.restored, &shown.restoredAggregate,
            &shown.spread.restoredAggregate, "restored error"};
}

std::vector<double> noiseAxisValues(const StudyResult& result) {
    return std::vector<double>(result.noiseLevels.begin(), result.noiseLevels.end());
}

// One curve per pulse count: column `column` of every row.
std::vector<FigureCurve> componentwiseCurves(const StudyResult& result, const MeasureValues& values) {
    std::vector<FigureCurve> curves;
    const std::size_t columns = result.pulseCounts.size();
    for (std::size_t column = 0; column < columns; ++column) {
        FigureCurve curve;
        curve.label = formatted("%d pulses", result.pulseCounts[column]);
        curve.x = noiseAxisValues(result);
        for (std::size_t row = 0; row < curve.x.size(); ++row) {
            curve.y.push_back((*values.cells)[row][column]);
            curve.halfWidth.push_back(interval95((*values.cellSpread)[row][column], result.repeats));
        }
        curve.colour = curveColour(column, columns);
        curves.push_back(std::move(curve));
    }
    return curves;
}

FigureCurve aggregateCurve(const StudyResult& result, const MeasureValues& values) {
    FigureCurve curve;
    const std::vector<int>& counts = result.pulseCounts;
    curve.label = counts.size() == 1 ? formatted("%d pulses", counts.front())
                                     : formatted("mean over %d..%d pulses", counts.front(), counts.back());
    curve.x = noiseAxisValues(result);
    curve.y = *values.aggregate;
    for (const double sd : *values.aggregateSpread) curve.halfWidth.push_back(interval95(sd, result.repeats));
    curve.colour = curveColour(0, 1);
    return curve;
}

FigureCurve theoreticalCurve(const StudyResult& result, const std::vector<double>& values,
                             const char* label) {
    FigureCurve curve;
    curve.label = label;
    curve.x = noiseAxisValues(result);
    curve.y = values;
    curve.colour = THEORY_COLOUR;
    curve.theoretical = true;
    return curve;
}

// The highest point any curve reaches with its error bar.
double highestPoint(const std::vector<FigureCurve>& curves) noexcept {
    double highest = 0.0;
    for (const FigureCurve& curve : curves) {
        for (std::size_t i = 0; i < curve.y.size(); ++i) {
            const double bar = i < curve.halfWidth.size() ? curve.halfWidth[i] : 0.0;
            if (std::isfinite(curve.y[i] + bar)) highest = std::max(highest, curve.y[i] + bar);
        }
    }
    return highest;
}

}  // namespace

std::optional<FigureFormat> figureFormatOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || path[dot - 1] == '/') return std::nullopt;
    std::string extension(path.substr(dot + 1));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "svg") return FigureFormat::Svg;
    if (extension == "pdf") return FigureFormat::Pdf;
    if (extension == "png") return FigureFormat::Png;
    return std::nullopt;
}

double interval95(double sd, uint32_t repeats) noexcept {
    return repeats == 0 ? 0.0 : 1.96 * sd / std::sqrt(static_cast<double>(repeats));
}

FigureAxis roundedAxis(double least, double most, bool fixedMost, std::string title) {
    FigureAxis axis;
    axis.title = std::move(title);
    if (!(most > least)) most = least + 1.0;  // one point, or nothing drawn: still a unit to show
    const double rough = (most - least) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double scaled = rough / power;
    axis.step = (scaled <= 1.0 ? 1.0 : scaled <= 2.0 ? 2.0 : scaled <= 5.0 ? 5.0 : 10.0) * power;
    axis.least = std::floor(least / axis.step + 1e-9) * axis.step;
    axis.most = fixedMost ? most : std::ceil(most / axis.step - 1e-9) * axis.step;
    return axis;
}

FigureColour curveColour(std::size_t index, std::size_t count) noexcept {
    if (count <= WELL_TOLD_APART.size()) return WELL_TOLD_APART[index % WELL_TOLD_APART.size()];
    // Red to purple, short of the circle, so that the first and last curves differ.
    return hueColour(0.85 * static_cast<double>(index % count) / static_cast<double>(count - 1));
}

std::string figureTitle(const StudyResult& result, const StudyWorkbench& workbench) {
    const auto named = [](int code, const std::string& name) {
        return name.empty() ? std::to_string(code) : std::to_string(code) + " (" + name + ")";
    };
    return "series type " + named(result.seriesType, result.seriesTypeName) + ", task " +
           named(result.taskType, result.taskName) +
           formatted(", N = %u, Tmin = %d, Tmax = %d, %u repeats", workbench.length, workbench.Tmin,
                     workbench.Tmax, result.repeats);
}

StatsFigure statsFigure(const StudyResult& result, const StudyRequest& request) {
    const StudyDisplay& display = request.display;
    const MeasureValues values = measureValues(result, display.measure);
    StatsFigure figure;
    figure.title = figureTitle(result, request.workbench);
    if (display.aggregate) {
        figure.curves.push_back(aggregateCurve(result, values));
    } else {
        figure.curves = componentwiseCurves(result, values);
    }
    if (display.bounds && display.measure == StudyMeasure::Recognition) {
        figure.curves.push_back(theoreticalCurve(result, result.shown.firstCurve, "P1 (theoretical)"));
        figure.curves.push_back(theoreticalCurve(result, result.shown.secondCurve, "P2 (theoretical)"));
    }
    const std::vector<int>& levels = result.noiseLevels;
    figure.x = roundedAxis(levels.empty() ? 0.0 : levels.front(), levels.empty() ? 1.0 : levels.back(), false,
                           "noise level σ");
    const double top = display.upperBound ? *display.upperBound : highestPoint(figure.curves);
    figure.y = roundedAxis(0.0, top > 0.0 ? top : 1.0, display.upperBound.has_value(), values.title);
    return figure;
}

}  // namespace tessaline
