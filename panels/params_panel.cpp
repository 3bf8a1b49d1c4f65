#include "panels/params_panel.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "draw/controls.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

struct PanelLayout {
    int32_t gx = 0;
    int32_t gy = 0;
    int32_t h = 0;
    int32_t c = 0;
    int32_t textHeight = 0;
    Rect frame;  // left, top, right, bottom as numbers, not drawn
    Rect chart;  // as drawn
    Rect plot;   // left, top, right, bottom as numbers
};

PanelLayout panelLayout(const Canvas& canvas, const ParamsHeader& record, const ParamsPanelInput& input) {
    const Rect& g = input.graph;
    PanelLayout l;
    l.gx = (g.right - g.left + 1) / 170;
    l.gy = (g.bottom - g.top + 1) / 131;
    l.h = input.lineHeight;
    l.c = input.charWidth;
    l.textHeight = canvas.fontMetrics().height;
    const int32_t buttonHeight = 2 * l.h - 1;
    l.frame = {g.left + l.gx, g.top + l.gy, g.right - l.gx, g.bottom - 3 * l.gy - buttonHeight};
    const int32_t frameWidth = l.frame.right - l.frame.left;
    const int32_t frameHeight = l.frame.bottom - l.frame.top;
    l.chart = {l.frame.left + frameWidth / 4, l.frame.top + frameHeight / 8, l.frame.right - l.gx,
               l.frame.bottom - l.gy + 1};
    const int32_t labelWidth = canvas.textExtent(formatted("%d", record.dwLastHighest)).cx;
    l.plot = {l.chart.left + labelWidth + 2 * l.gx, l.chart.top + 5 * l.gy, l.chart.right - 5 * l.gx,
              l.chart.bottom - 3 * l.textHeight};
    return l;
}

// Pulse steps across the plot and sample positions up it; degenerate ranges count as 1 so that a
// series of one pulse or of one etalon length still maps.
struct CorridorScale {
    Rect plot;
    int64_t steps = 1;  // Mmax - 1
    int64_t span = 1;   // b - a
    int64_t a = 0;

    // Half pulse t = 2 (p - 1).
    int32_t xAt(int64_t t) const {
        return plot.left + static_cast<int32_t>((t * (plot.right - plot.left) + steps) / (2 * steps));
    }
    // The position whose double is `doubled`.
    int32_t yAt(int64_t doubled) const {
        return plot.bottom -
               static_cast<int32_t>(((doubled - 2 * a) * (plot.bottom - plot.top) + span) / (2 * span));
    }
    int32_t pulseX(int64_t p) const {
        return plot.left + static_cast<int32_t>((p - 1) * (plot.right - plot.left) / steps);
    }
};

CorridorScale corridorScale(const ParamsHeader& record, const Rect& plot) {
    CorridorScale scale;
    scale.plot = plot;
    scale.steps = std::max<int64_t>(int64_t{record.dwMaxPulses} - 1, 1);
    scale.span = std::max<int64_t>(int64_t{record.dwLastHighest} - record.dwFirstLowest, 1);
    scale.a = record.dwFirstLowest;
    return scale;
}

// The part of a segment inside `box` (right and bottom excluded), none when it misses the box.
std::optional<LineSegment> clipped(const LineSegment& line, const Rect& box) {
    const double x0 = line.from.x, y0 = line.from.y;
    const double dx = line.to.x - x0, dy = line.to.y - y0;
    double enter = 0.0, leave = 1.0;
    const std::array<std::pair<double, double>, 4> sides = {std::pair{-dx, x0 - box.left},
                                                            {dx, box.right - 1 - x0},
                                                            {-dy, y0 - box.top},
                                                            {dy, box.bottom - 1 - y0}};
    for (const auto& [p, q] : sides) {
        if (p == 0.0) {
            if (q < 0.0) return std::nullopt;
            continue;
        }
        const double r = q / p;
        if (p < 0.0)
            enter = std::max(enter, r);
        else
            leave = std::min(leave, r);
    }
    if (enter > leave) return std::nullopt;
    const auto at = [&](double u) {
        return Point{static_cast<int32_t>(x0 + u * dx), static_cast<int32_t>(y0 + u * dy)};
    };
    return LineSegment{at(enter), at(leave)};
}

// The four corridor lines, each clipped to the chart box (a missed one is left degenerate).
std::array<LineSegment, CORRIDOR_LINES> corridorLines(const ParamsHeader& r, const CorridorScale& scale,
                                                      const Rect& chart) {
    const CorridorSplit split = corridorSplit(r);
    const int64_t K2 = 2 * int64_t{r.dwPulses};
    const int64_t Tmin = r.dwTmin, Tmax = r.dwTmax;
    const auto lowerLeft = [&](int64_t t) { return 2 * int64_t{r.dwFirstLowest} + Tmin * t; };
    const auto lowerRight = [&](int64_t t) { return 2 * int64_t{r.dwLastLowest} - Tmax * (K2 - 2 - t); };
    const auto upperLeft = [&](int64_t t) { return 2 * int64_t{r.dwFirstHighest} + Tmax * t; };
    const auto upperRight = [&](int64_t t) { return 2 * int64_t{r.dwLastHighest} - Tmin * (K2 - 2 - t); };
    const auto segment = [&](int64_t from, int64_t to, auto doubled) {
        const LineSegment whole{{scale.xAt(from), scale.yAt(doubled(from))},
                                {scale.xAt(to), scale.yAt(doubled(to))}};
        return clipped(whole, chart).value_or(LineSegment{});
    };
    std::array<LineSegment, CORRIDOR_LINES> lines;
    lines[LOWER_LEFT] = segment(-1, split.lower - 2, lowerLeft);
    lines[LOWER_RIGHT] = segment(split.lower - 3, K2 - 1, lowerRight);
    lines[UPPER_LEFT] = segment(-1, split.upper - 2, upperLeft);
    lines[UPPER_RIGHT] = segment(split.upperRight - 2, K2 - 1, upperRight);
    return lines;
}

void drawSegment(Canvas& canvas, const LineSegment& line) {
    canvas.moveTo(line.from.x, line.from.y);
    canvas.lineTo(line.to.x, line.to.y);
}

bool degenerate(const LineSegment& line) { return line.from == line.to; }

// The lines that moved since the last paint, drawn over with the near-white pen.
void eraseMovedLines(Canvas& canvas, const ParamsHeader& record, const ParamsPanelGeometry& now) {
    const PenGuard erase(canvas, Pen{kErasePen});
    const auto eraseIfMoved = [&](const LineSegment& old, const LineSegment& current) {
        if (old != current && !degenerate(old)) drawSegment(canvas, old);
    };
    for (int32_t i = 0; i < CORRIDOR_LINES; ++i) eraseIfMoved(record.corridorLines[i], now.corridorLines[i]);
    eraseIfMoved(record.firstHighestGuide, now.firstHighestGuide);
    eraseIfMoved(record.lastLowestGuide, now.lastLowestGuide);
}

int32_t clampInto(int32_t value, int32_t low, int32_t high) { return std::max(low, std::min(value, high)); }

// A dotted level from the vertical axis to half pulse `t`, with its handle band.
LineSegment guideLine(const CorridorScale& scale, const PanelLayout& l, int64_t doubled, int64_t t) {
    const int32_t y = clampInto(scale.yAt(doubled), l.chart.top + 1, l.chart.bottom - 2);
    const int32_t end = clampInto(scale.xAt(t), scale.plot.left, l.chart.right - 2);
    return {{scale.plot.left, y}, {end, y}};
}

Rect handleBand(const LineSegment& guide, const PanelLayout& l) {
    const int32_t half = l.gy / 2 + 1;
    return {guide.from.x - l.gx / 2, guide.from.y - half, guide.to.x, guide.from.y + half + 1};
}

// The a+ level reaches to where the lower left line rises to it, the b- level to the last pulse.
void layGuides(const ParamsHeader& r, const CorridorScale& scale, const PanelLayout& l,
               ParamsPanelGeometry& geometry) {
    const int64_t lastPulse = std::max<int64_t>(2 * int64_t{r.dwPulses} - 1, 0);
    const int64_t reach = r.dwTmin > 0 ? 2 * (int64_t{r.dwFirstHighest} - r.dwFirstLowest) / r.dwTmin : 0;
    geometry.firstHighestGuide =
        guideLine(scale, l, 2 * int64_t{r.dwFirstHighest}, std::clamp<int64_t>(reach, 0, lastPulse));
    geometry.lastLowestGuide =
        guideLine(scale, l, 2 * int64_t{r.dwLastLowest}, std::clamp<int64_t>(lastPulse - 1, 0, lastPulse));
    geometry.firstHighestHandle = handleBand(geometry.firstHighestGuide, l);
    geometry.lastLowestHandle = handleBand(geometry.lastLowestGuide, l);
}

void drawLines(Canvas& canvas, const ParamsHeader& record, const ParamsPanelGeometry& geometry) {
    if (record.dwRedrawPart != 0) eraseMovedLines(canvas, record, geometry);
    for (const LineSegment& line : geometry.corridorLines) {
        if (!degenerate(line)) drawSegment(canvas, line);
    }
    const PenGuard dotted(canvas, Pen{kBlack, PenStyle::Dotted});
    drawSegment(canvas, geometry.firstHighestGuide);
    drawSegment(canvas, geometry.lastLowestGuide);
}

// a, a+, b- and b left of the vertical axis at their heights.
void drawValueLabels(Canvas& canvas, const ParamsHeader& r, const CorridorScale& scale, const PanelLayout& l,
                     ParamsPanelGeometry& geometry) {
    const int32_t values[PARAMS_VALUE_LABELS] = {r.dwFirstLowest, r.dwFirstHighest, r.dwLastLowest,
                                                 r.dwLastHighest};
    for (int32_t i = 0; i < PARAMS_VALUE_LABELS; ++i) {
        const std::string text = formatted("%d", values[i]);
        const TextExtent extent = canvas.textExtent(text);
        const int32_t x = std::max(scale.plot.left - l.gx - extent.cx, l.chart.left + 1);
        const int32_t y = clampInto(scale.yAt(2 * int64_t{values[i]}) - extent.cy / 2, l.chart.top + 1,
                                    l.chart.bottom - 1 - extent.cy);
        canvas.textOut(x, y, text);
        geometry.valueLabels[i] = {x, y, x + extent.cx, y + extent.cy};
    }
}

// The axes, the ticks of pulses 1..K and of counts Mmin..Mmax with their labels (a label that
// would run into the one before it is left out), and the areas of the counts.
void drawAxes(Canvas& canvas, const ParamsHeader& r, const CorridorScale& scale, const PanelLayout& l,
              ParamsPanelGeometry& geometry) {
    const Rect& p = scale.plot;
    drawSegment(canvas, {{p.left, p.bottom}, {p.left, p.top}});
    drawSegment(canvas, {{p.left, p.bottom}, {p.right + l.gx, p.bottom}});
    const int32_t step = static_cast<int32_t>((p.right - p.left) / scale.steps);
    const int32_t lastCount = std::max(r.dwPulses, r.dwMaxPulses);
    int32_t labelsEnd = l.chart.left;
    for (int32_t count = std::min(1, r.dwMinPulses); count <= lastCount; ++count) {
        const bool counted = count >= r.dwMinPulses && count <= r.dwMaxPulses;
        if (!counted && (count < 1 || count > r.dwPulses)) continue;
        const int32_t x = scale.pulseX(count);
        const bool onChart = x > l.chart.left && x < l.chart.right - 1;
        if (counted) {
            const Rect area{x - step / 2, p.bottom + 3, x - step / 2 + step, p.bottom + 3 + l.textHeight};
            geometry.areas.push_back(onChart ? area : Rect{});
        }
        if (!onChart) continue;
        drawSegment(canvas, {{x, p.bottom + 1}, {x, p.bottom + 3}});
        const std::string text = formatted("%d", count);
        const int32_t width = canvas.textExtent(text).cx;
        if (x - width <= labelsEnd) continue;
        canvas.textOut(x - width, p.bottom + 3, text);
        labelsEnd = x;
    }
}

// One line of the text block: the label right-aligned to the end of " pulses = ", the value after.
void writeItem(Canvas& canvas, int32_t labelsEnd, int32_t y, const char* label, const std::string& value) {
    canvas.textOut(labelsEnd - canvas.textExtent(label).cx, y, label);
    canvas.textOut(labelsEnd, y, value);
}

void drawTextBlock(Canvas& canvas, const ParamsHeader& r, const ParamsPanelGeometry& geometry,
                   const PanelLayout& l) {
    const int32_t left = l.frame.left + l.gx;
    const int32_t labelsEnd = left + canvas.textExtent(" pulses = ").cx;
    int32_t y = l.frame.top + 3 * l.gy;
    const LineSegment& slope = geometry.corridorLines[UPPER_RIGHT];
    const Rect& p = geometry.plot;
    const std::string geometryLines[] = {
        formatted(" (%d,%d) - (%d,%d) ", slope.from.x, slope.from.y, slope.to.x, slope.to.y),
        formatted(" h = %d", geometry.slopeHandle),
        formatted(" (%d,%d) - (%d,%d) ", p.left, p.top, p.right, p.bottom),
        formatted(" w %d, h %d", p.right - p.left, p.bottom - p.top)};
    for (const std::string& line : geometryLines) {
        canvas.textOut(left, y, line);
        y += l.h;
    }
    y += l.h;
    const std::pair<const char*, std::string> items[] = {
        {" a   = ", formatted("%d     ", r.dwFirstLowest)},
        {" a+ = ", formatted("%d     ", r.dwFirstHighest)},
        {" b-  = ", formatted("%d     ", r.dwLastLowest)},
        {" b   = ", formatted("%d     ", r.dwLastHighest)},
        {nullptr, {}},
        {" Tmin = ", formatted("%d [%d]    ", r.dwTmin, r.dwShownTmin)},
        {" Tmax = ", formatted("%d     ", r.dwTmax)},
        {" pulses = ", formatted("%d     ", r.dwPulses)},
        {" Mmin = ", formatted("%d [%d]     ", r.dwMinPulses, impliedMinPulses(r))},
        {" Mmax = ", formatted("%d [%d]     ", r.dwMaxPulses, impliedMaxPulses(r))}};
    for (const auto& [label, value] : items) {
        if (label != nullptr) writeItem(canvas, labelsEnd, y, label, value);
        y += l.h;
    }
}

// " Tmin " with the edit field's box after it, and the two buttons under the frame.
void drawControls(Canvas& canvas, const ParamsHeader& r, const PanelLayout& l,
                  ParamsPanelGeometry& geometry) {
    const int32_t x = l.frame.left + l.gx;
    const int32_t y = l.frame.bottom - 3 * l.gy - l.h;
    canvas.textOut(x, y, " Tmin ");
    const int32_t editLeft = x + canvas.textExtent(" Tmin ").cx;
    geometry.tminEdit = {editLeft, y, editLeft + canvas.textExtent(" 9999").cx, y + l.h + 2};
    canvas.rectangle(geometry.tminEdit);
    canvas.textOut(editLeft + 2, y + 1, formatted("%d", r.dwEditTmin));

    const int32_t width = std::max(canvas.textExtent(" Cancel ").cx, canvas.textExtent(" OK ").cx) + 4 * l.c;
    const int32_t top = l.frame.bottom + l.h / 2;
    geometry.cancelButton = {l.frame.left, top, l.frame.left + width, top + 2 * l.h - 1};
    const int32_t okLeft = l.frame.left + width + 2 * l.c;
    geometry.okButton = {okLeft, top, okLeft + width, top + 2 * l.h - 1};
    const BrushGuard panel(canvas, Brush{kParamsPanelColour});
    drawButton(canvas, geometry.cancelButton, " Cancel ", l.h);
    drawButton(canvas, geometry.okButton, " OK ", l.h);
}

}  // namespace

CorridorSplit corridorSplit(const ParamsHeader& r) noexcept {
    const int64_t K = r.dwPulses, Tmin = r.dwTmin, Tmax = r.dwTmax;
    const int64_t spread = Tmax - Tmin;
    CorridorSplit split;
    if (spread <= 0) {
        split.upper = split.lower = static_cast<int32_t>(2 * K + 1);
    } else {
        const int64_t upper =
            (2 * (int64_t{r.dwLastHighest} - K * Tmin - r.dwFirstHighest + Tmax + spread) - 1) / spread - 1;
        const int64_t lower =
            (2 * (int64_t{r.dwFirstLowest} + K * Tmax - Tmin - r.dwLastLowest + spread) - 1) / spread - 1;
        split.upper = static_cast<int32_t>(std::max<int64_t>(upper, 1));
        split.lower = static_cast<int32_t>(std::clamp<int64_t>(lower, 1, 2 * K + 1));
    }
    split.upperRight = std::max(split.upper - 1, 1);
    return split;
}

int32_t impliedMinPulses(const ParamsHeader& r) noexcept {
    if (r.dwTmax <= 0) return r.dwMinPulses;
    return (r.dwLastLowest + r.dwTmax - r.dwFirstHighest - 1) / r.dwTmax + 1;
}

int32_t impliedMaxPulses(const ParamsHeader& r) noexcept {
    if (r.dwTmin <= 0) return r.dwMaxPulses;
    return (r.dwLastHighest - r.dwFirstLowest) / r.dwTmin + 1;
}

ParamsPanelGeometry drawParamsPanel(Canvas& canvas, const ParamsHeader& record,
                                    const ParamsPanelInput& input) {
    const PanelLayout l = panelLayout(canvas, record, input);
    const CorridorScale scale = corridorScale(record, l.plot);
    ParamsPanelGeometry geometry;
    geometry.chart = l.chart;
    geometry.plot = l.plot;
    geometry.slopeHandle = l.gy / 2 + 1;
    const std::array<LineSegment, CORRIDOR_LINES> lines = corridorLines(record, scale, l.chart);
    std::copy(lines.begin(), lines.end(), geometry.corridorLines);

    const PenGuard black(canvas, Pen{kBlack});
    const BrushGuard white(canvas, Brush{kWhite});
    const Color background = canvas.setBackgroundColor(kParamsPanelColour);
    const BackgroundMode mode = canvas.setBackgroundMode(BackgroundMode::Opaque);
    const Rect& g = input.graph;
    if (record.dwRedrawPart == 0) {
        const BrushGuard panel(canvas, Brush{kParamsPanelColour});
        canvas.rectangle({g.left, g.top, g.right + 1, g.bottom + 1});
    }
    if (record.dwRedrawPart == 0) canvas.rectangle(l.chart);
    // Labels move with the values: their strips are cleared and drawn anew.
    canvas.fillRect({l.chart.left + 1, l.chart.top + 1, l.plot.left, l.chart.bottom - 1}, kWhite);
    canvas.fillRect({l.plot.left + 1, l.plot.bottom + 1, l.chart.right - 1, l.chart.bottom - 1}, kWhite);

    layGuides(record, scale, l, geometry);
    drawLines(canvas, record, geometry);
    canvas.setBackgroundColor(kWhite);
    drawValueLabels(canvas, record, scale, l, geometry);
    drawAxes(canvas, record, scale, l, geometry);
    canvas.setBackgroundColor(kParamsPanelColour);
    drawTextBlock(canvas, record, geometry, l);
    drawControls(canvas, record, l, geometry);
    canvas.setBackgroundMode(mode);
    canvas.setBackgroundColor(background);
    return geometry;
}

void recordParamsPanel(ParamsHeader& record, const ParamsPanelGeometry& geometry) noexcept {
    record.rcChart = geometry.chart;
    record.rcPlot = geometry.plot;
    const std::size_t kept =
        std::min<std::size_t>(geometry.areas.size(), std::max(record.dwAreasCapacity, 0));
    std::copy_n(geometry.areas.begin(), kept, record.pulsesSelectedAreas);
    record.rcFirstHighestHandle = geometry.firstHighestHandle;
    record.rcLastLowestHandle = geometry.lastLowestHandle;
    std::copy(std::begin(geometry.corridorLines), std::end(geometry.corridorLines), record.corridorLines);
    record.firstHighestGuide = geometry.firstHighestGuide;
    record.lastLowestGuide = geometry.lastLowestGuide;
    record.tminSlope = geometry.corridorLines[UPPER_RIGHT];
    record.tmaxSlope = geometry.corridorLines[UPPER_LEFT];
    record.dwTminSlopeHandle = record.dwTmaxSlopeHandle = geometry.slopeHandle;
    std::copy(std::begin(geometry.valueLabels), std::end(geometry.valueLabels), record.rcValueLabels);
    record.rcTminEdit = geometry.tminEdit;
    record.rcCancelButton = geometry.cancelButton;
    record.rcOkButton = geometry.okButton;
    record.dwShownPulses = record.dwPulses;
    record.dwShownFirstHighest = record.dwFirstHighest;
    record.dwShownLastLowest = record.dwLastLowest;
    record.dwShownTmin = record.dwTmin;
    record.dwShownTmax = record.dwTmax;
    record.dwShownMaxPulses = record.dwMaxPulses;
    record.dwShownMinPulses = record.dwMinPulses;
    record.dwRedrawPart = 0;
}

}  // namespace tessaline
