#pragma once
// A finished simulation as a figure for a paper: the graph the display choice selects, as curves
// over the noise level with 95% error bars, the theoretical recognition curves where chosen,
// axis titles, a legend and a title line naming the run. Only what is drawn is worked out here;
// a painter (the Qt front end writes SVG, PDF and PNG) puts it on a page.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/study.h"

namespace tessaline {

struct FigureColour {
    uint8_t red = 0, green = 0, blue = 0;
};

struct FigureCurve {
    std::string label;              // its legend entry
    std::vector<double> x, y;       // noise level, shown value
    std::vector<double> halfWidth;  // the error bar's half width at each point; empty: no bars
    FigureColour colour;
    bool theoretical = false;  // drawn dashed, without markers
};

// An axis from `least` to `most` with ticks every `step` from `least` on.
struct FigureAxis {
    double least = 0.0;
    double most = 1.0;
    double step = 0.5;
    std::string title;
};

struct StatsFigure {
    std::string title;
    FigureAxis x, y;
    std::vector<FigureCurve> curves;
};

enum class FigureFormat { Svg, Pdf, Png };

// The format a figure file's extension (.svg, .pdf, .png in any case) asks for, or none.
std::optional<FigureFormat> figureFormatOf(std::string_view path);

// The half width of a value's 95% interval from the sd of its repeats: 1.96 sd / sqrt(R); 0
// without repeats.
double interval95(double sd, uint32_t repeats) noexcept;

// An axis over [least, most] widened to round ticks (1, 2 or 5 times a power of ten, about five
// of them); a fixed `most` (a chosen upper bound) is kept as it is.
FigureAxis roundedAxis(double least, double most, bool fixedMost, std::string title);

// The colour of curve `index` of `count`: ten well-told-apart colours, and for more curves hues
// spread evenly round the colour circle.
FigureColour curveColour(std::size_t index, std::size_t count) noexcept;

// The title line: series type, task, length, Tmin/Tmax and repeats.
std::string figureTitle(const StudyResult& result, const StudyWorkbench& workbench);

// The figure of the measure and form `request.display` chooses, from the run's result.
StatsFigure statsFigure(const StudyResult& result, const StudyRequest& request);

}  // namespace tessaline
