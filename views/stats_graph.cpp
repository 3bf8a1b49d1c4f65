#include "views/stats_graph.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

#include "draw/text_fit.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/formatting.h"
#include "simulation/displayed.h"
#include "views/alphabet_box.h"
#include "views/messages.h"
#include "views/stats_labels.h"
#include "views/stats_texts.h"
#include "views/tuple_box.h"
#include "views/view_frame.h"

namespace tessaline {
namespace {

constexpr std::array<Point, 2> TWICE{{{0, 0}, {0, 1}}};
constexpr int32_t VALUE_LABEL_GAP = 4;  // from a value label's end to the graph's left edge
constexpr std::array<Point, 3> THRICE_RIGHT_FIRST{{{0, 0}, {1, 0}, {0, 1}}};
constexpr std::array<Point, 3> THRICE_LOWER_FIRST{{{0, 0}, {0, 1}, {1, 0}}};

// A polyline of the graph, drawn once per offset, and the text after its last point.
struct StatsCurve {
    std::vector<Point> points;
    std::span<const Point> offsets;
    std::string label;
};

int32_t thumbnailAmplitude(int32_t amplitude, const SeriesHeader& series) noexcept {
    if (amplitude != 0) return amplitude;
    int32_t covering = 128;
    while (covering < series.wNoiseLevel) covering *= 2;
    return covering;
}

// The row of a plotted value on a graph bounded by Z; values beyond the bound stay on the top.
int32_t plottedY(const StatsGraphGeometry& geometry, double value, int32_t upperBound) noexcept {
    const double height = 10.0 * geometry.tick;
    const double rise = std::clamp(value * 1000.0 / upperBound * height, 0.0, height);
    return geometry.area.bottom - static_cast<int32_t>(rise);
}

int32_t levelX(const StatsGraphGeometry& geometry, std::size_t row) noexcept {
    return geometry.area.left + static_cast<int32_t>(row) * geometry.levelSpacing;
}

StatsCurve valueCurve(const StatsGraphGeometry& geometry, const std::vector<double>& values,
                      int32_t upperBound, bool fromCorner) {
    StatsCurve curve;
    if (fromCorner) curve.points.push_back({geometry.area.left, geometry.area.bottom});
    for (std::size_t k = 0; k < values.size(); ++k) {
        curve.points.push_back({levelX(geometry, k), plottedY(geometry, values[k], upperBound)});
    }
    return curve;
}

// A theoretical recognition curve on its fixed scale up to 0.5, from the corner through rows 1 on.
StatsCurve boundCurve(const StatsGraphGeometry& geometry, const std::vector<double>& values) {
    StatsCurve curve{{{geometry.area.left, geometry.area.bottom}}, THRICE_RIGHT_FIRST, {}};
    const int32_t height = 10 * geometry.tick;
    for (std::size_t k = 1; k < values.size(); ++k) {
        const auto rise = static_cast<int32_t>(height * std::clamp(values[k], 0.0, 0.5));
        curve.points.push_back({levelX(geometry, k), geometry.area.bottom - 2 * rise});
    }
    return curve;
}

std::vector<double> columnOf(const std::vector<std::vector<double>>& matrix, std::size_t column) {
    std::vector<double> values;
    values.reserve(matrix.size());
    for (const std::vector<double>& row : matrix) values.push_back(column < row.size() ? row[column] : 0.0);
    return values;
}

// One curve per pulse count of a matrix of displayed values, labelled with the count.
void addColumnCurves(std::vector<StatsCurve>& curves, const StatsGraphGeometry& geometry,
                     const std::vector<std::vector<double>>& matrix, const RestErrorHeader& record,
                     int32_t upperBound, std::span<const Point> offsets, bool fromCorner) {
    const int32_t columns = record.wPulseValues == nullptr ? 0 : record.wVariousPulses;
    for (int32_t j = 0; j < columns; ++j) {
        StatsCurve curve =
            valueCurve(geometry, columnOf(matrix, static_cast<std::size_t>(j)), upperBound, fromCorner);
        curve.offsets = offsets;
        curve.label = formatted("%d", record.wPulseValues[j]);
        curves.push_back(std::move(curve));
    }
}

std::vector<StatsCurve> statsCurves(const StatsGraphGeometry& geometry, int32_t viewCode,
                                    const DisplayedErrors& shown, const RestErrorHeader& record,
                                    int32_t upperBound) {
    std::vector<StatsCurve> curves;
    const auto aggregate = [&](const std::vector<double>& values, std::span<const Point> offsets,
                               std::string label, bool fromCorner) {
        StatsCurve curve = valueCurve(geometry, values, upperBound, fromCorner);
        curve.offsets = offsets;
        curve.label = std::move(label);
        curves.push_back(std::move(curve));
    };
    switch (viewCode) {
        case 0: addColumnCurves(curves, geometry, shown.restored, record, upperBound, TWICE, true); break;
        case 1: aggregate(shown.restoredAggregate, TWICE, {}, true); break;
        case 2:
            addColumnCurves(curves, geometry, shown.detection, record, upperBound, THRICE_LOWER_FIRST, false);
            break;
        case 3:
            aggregate(shown.detectionAggregate, TWICE, formatted("%d", record.wVariousPulses), false);
            break;
        case 4:
        case 12:
            addColumnCurves(curves, geometry, shown.recognition, record, upperBound, THRICE_RIGHT_FIRST,
                            false);
            break;
        case 5:
        case 13: aggregate(shown.recognitionAggregate, THRICE_RIGHT_FIRST, "S", false); break;
        default: break;
    }
    if (viewCode == 12 || viewCode == 13) {
        curves.push_back(boundCurve(geometry, shown.firstCurve));
        curves.push_back(boundCurve(geometry, shown.secondCurve));
    }
    return curves;
}

void drawCurves(Canvas& canvas, const std::vector<StatsCurve>& curves) {
    for (const StatsCurve& curve : curves) {
        if (curve.points.size() < 2) continue;  // a single level leaves no line to draw
        for (const Point offset : curve.offsets) {
            std::vector<Point> moved = curve.points;
            for (Point& point : moved) point = {point.x + offset.x, point.y + offset.y};
            canvas.polyline(moved);
        }
    }
}

std::vector<CurveLabel> curveLabels(const std::vector<StatsCurve>& curves) {
    std::vector<CurveLabel> labels;
    for (const StatsCurve& curve : curves) {
        if (curve.points.size() >= 2 && !curve.label.empty())
            labels.push_back({curve.label, curve.points.back()});
    }
    return labels;
}

// The double frame, the dotted grid (a dot every 4 pixels) and the value labels left of the graph.
void drawAxes(Canvas& canvas, const StatsGraphGeometry& geometry, const RestErrorHeader& record,
              int32_t upperBound) {
    const Rect& area = geometry.area;
    outlineArea(canvas, area);
    outlineArea(canvas, {area.left - 1, area.top - 1, area.right + 1, area.bottom + 1});
    for (int32_t y = area.bottom - geometry.tick; y > area.top; y -= geometry.tick) {
        for (int32_t x = area.left; x <= area.right; x += 4) canvas.setPixel(x, y, kBlack);
    }
    const int32_t levels = record.lpNoiseLevels == nullptr ? 0 : record.wNoiseLevels;
    for (int32_t k = 2; k < levels - 1; k += 2) {
        const int32_t x = levelX(geometry, static_cast<std::size_t>(k));
        for (int32_t y = area.top; y <= area.bottom; y += 4) canvas.setPixel(x, y, kBlack);
    }
    for (int32_t i = 0; i <= 5; ++i) {
        const std::string label = axisLabel(i, upperBound);
        const TextExtent extent = canvas.textExtent(label);
        canvas.textOut(area.left - extent.cx - VALUE_LABEL_GAP,
                       area.bottom - 2 * i * geometry.tick - extent.cy / 2, label);
    }
}

// The labels around the plotting area: the noise levels under it and the curves' pulse counts
// after it, kept left of the alphabet box and clear of the value labels.
void drawGraphLabels(Canvas& canvas, const StatsGraphGeometry& geometry, const RestErrorHeader& record,
                     const std::vector<StatsCurve>& curves, const StatsLabelRoom& room) {
    const int32_t levels = record.lpNoiseLevels == nullptr ? 0 : std::max<int32_t>(record.wNoiseLevels, 0);
    drawNoiseLevelLabels(canvas, geometry,
                         std::span<const int16_t>(record.lpNoiseLevels, static_cast<std::size_t>(levels)),
                         room);
    drawCurveLabels(canvas, geometry, curveLabels(curves), room);
}

// The column left of the graph that the texts keep to: they are cut short rather than written
// over the axis labels. The first line stands above the graph and may reach the frame's right.
struct TextColumn {
    int32_t x = 0;
    int32_t right = 0;       // excluded
    int32_t firstRight = 0;  // of the first description line
};

// The first line may reach the frame's right unless its row meets the alphabet box's caption or
// the texts at the graph's top: it then ends before them.
TextColumn textColumnOf(const ViewFrame& frame, const StatsGraphGeometry& geometry,
                        const AlphabetBoxLayout& alphabet, int32_t lineHeight) {
    TextColumn column{frame.x0 + frame.leftMargin, geometry.area.left - 3 * geometry.fontHeight,
                      frame.right - frame.leftMargin};
    const int32_t firstBottom = frame.y0 - lineHeight / 2 + lineHeight - 1;
    const int32_t gap = std::max(frame.leftMargin, 2);
    if (firstBottom >= alphabet.caption.y)
        column.firstRight = std::min(column.firstRight, alphabet.outline.left - gap);
    if (firstBottom >= geometry.area.top - geometry.fontHeight / 2)
        column.firstRight = std::min(column.firstRight, column.right);
    return column;
}

// The description, the reference numbers and the run's times; the row under the last of them.
int32_t drawRunTexts(Canvas& canvas, const StatsGraphInput& input, const ViewFrame& frame,
                     const TextColumn& column, const ReferenceQuantities& reference) {
    const int32_t h = input.lineHeight;
    const std::array<std::string, 9> lines =
        statisticsDescription(*input.record, *input.series, input.amplitude, input.viewCode);
    int32_t y = frame.y0 - h / 2;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        textOutEntriesWithin(canvas, frame.x0 + 10, y, lines[i], {},
                             i == 0 ? column.firstRight : column.right);
        y += h + 1;
    }
    textOutWithin(canvas, column.x, y, referenceNumbersLine(reference), column.right);
    y += 3 * h;
    textOutWithin(canvas, column.x, y, calendarText(input.simulationStart), column.right);
    y += h;
    textOutWithin(canvas, column.x, y, calendarText(input.simulationEnd), column.right);
    y += 2 * h;
    textOutWithin(canvas, column.x, y, elapsedTimeText(input.simulationStart, input.simulationEnd),
                  column.right);
    return y + h + h / 2;
}

// The formula of the measure (restored and detection codes) in the symbol font.
int32_t drawFormulaCaption(Canvas& canvas, const StatsGraphInput& input, const ViewFrame& frame,
                           const TextColumn& column, int32_t y) {
    if (input.viewCode < 0 || input.viewCode > 3) return y;
    int32_t height = (frame.H + 12) / 25;
    if (height < input.lineHeight + 1) height = input.lineHeight + 2;
    const FontGuard font(canvas, Font{Font::Kind::Symbol, {}, height});
    textOutWithin(canvas, column.x, y,
                  input.viewCode <= 1 ? "e(s)=E||C-<C>||2/||C||2" : "e(s)=E||h-<h>||2/||h||2", column.right);
    return y + height + input.lineHeight / 2;
}

// The normalisers of every pulse count of the run, made for one drawing: the restored row, the
// detection row and a row of ones. Every pulse count of a run has the same normalisers, so the
// automatic bound reads the first column.
class NormaliserTable {
public:
    bool held() const noexcept { return block_.data() != nullptr; }
    ErrorNormalisers first() const noexcept { return {block_.data()[0], block_.data()[columns_]}; }

    friend NormaliserTable makeNormaliserTable(const RestErrorHeader& record, const ErrorNormalisers& values);

private:
    memory::OwnedArray<int64_t> block_;
    std::size_t columns_ = 0;
};

NormaliserTable makeNormaliserTable(const RestErrorHeader& record, const ErrorNormalisers& values) {
    NormaliserTable table;
    table.columns_ = static_cast<std::size_t>(std::max<int32_t>(record.wVariousPulses, 1));
    table.block_ =
        memory::OwnedArray<int64_t>(memory::allocateArray<int64_t>(3 * table.columns_), 3 * table.columns_);
    if (!table.held()) return table;
    int64_t* cells = table.block_.data();
    std::fill(cells, cells + table.columns_, values.restored);
    std::fill(cells + table.columns_, cells + 2 * table.columns_, values.detection);
    std::fill(cells + 2 * table.columns_, cells + 3 * table.columns_, int64_t{1});
    return table;
}

// The tuples of a tuple series, under the numbers and left of the graph's labels; its thumbnails
// lowered and its rows cut to fit above the bottom margin, or left out when it does not fit.
void drawRunTuples(Canvas& canvas, const StatsGraphInput& input, const ViewFrame& frame,
                   const StatsGraphGeometry& geometry, int32_t top, std::vector<Rect>& tupleRows) {
    tupleRows.clear();
    const SeriesHeader& series = *input.series;
    if (!isTuplesSeriesType(input.record->wSeriesType)) return;
    TupleBoxContent content = resultTupleBoxContent(series, input.record->wTaskType, input.pickedTuple);
    for (TupleBoxRow& row : content.rows) {
        if (row.highlight == ThumbnailHighlight::Grey) row.highlight = ThumbnailHighlight::None;
    }
    const int32_t h = input.lineHeight;
    TupleBoxMeasures measures{frame.thumbnailWidth, 2 * h,           2 * frame.leftMargin,
                              frame.halfTopMargin,  frame.topMargin, h};
    const int32_t available = frame.bottom - frame.topMargin - top + 1;
    const int32_t left = frame.x0 + frame.leftMargin;
    const int32_t room = geometry.area.left - 4 * geometry.fontHeight - left;
    if (!fitTupleBox(canvas, content, measures, room, available)) return;
    std::vector<Rect>* rows = content.storedTuples ? &tupleRows : nullptr;
    drawTupleBox(canvas, content, measures, {left, top}, series, thumbnailAmplitude(input.amplitude, series),
                 rows);
}

}  // namespace

StatsGraphGeometry statsGraphGeometry(const Rect& graph, int32_t lineHeight, int32_t alphabetBoxLeft,
                                      int32_t levels) noexcept {
    const ViewFrame frame = viewFrameOf(graph);
    StatsGraphGeometry geometry;
    geometry.fontHeight = (frame.H + 11) / 22;
    if (geometry.fontHeight < lineHeight + 1) geometry.fontHeight = lineHeight + 2;
    const int32_t available = frame.H - 3 * frame.topMargin / 2 - 2 * geometry.fontHeight;
    geometry.tick = std::max(0, 4 * ((available / 10 + 2) / 4));
    const int32_t gaps = std::max(levels - 1, 1);
    const int32_t w1 = std::min((alphabetBoxLeft - 2 * frame.leftMargin) / 2, 2 * available / 3);
    geometry.levelSpacing = std::max(0, std::min(evenUp(w1 / gaps), evenUp((geometry.tick + 2) / 5)));
    geometry.area.right = alphabetBoxLeft - 6 * frame.leftMargin;
    geometry.area.left = geometry.area.right - gaps * geometry.levelSpacing;
    geometry.area.top = frame.y0 + (std::max(lineHeight + 1, frame.topMargin) + geometry.fontHeight) / 2;
    geometry.area.bottom = geometry.area.top + 10 * geometry.tick;
    return geometry;
}

void DrawDetectionArrayZ(MessageSink& messages, Canvas& canvas, const StatsGraphInput& input,
                         std::vector<Rect>& tupleRows) {
    if (input.record == nullptr || input.series == nullptr) {
        outlineArea(canvas, input.graph);
        return;
    }
    const RestErrorHeader& record = *input.record;
    const DisplayedErrors shown = displayedErrors(record, *input.series, input.etalonList);
    const NormaliserTable normalisers = makeNormaliserTable(record, shown.normalisers);
    if (!normalisers.held()) {
        messages.showMessage(views_text::STATS_NORMALISERS_REFUSED, views_text::STATS_GRAPH_CAPTION,
                             MessageIcon::None);
        return;
    }
    outlineArea(canvas, input.graph);
    const ViewFrame frame = viewFrameOf(input.graph);
    const int32_t h = input.lineHeight;
    const AlphabetBoxLayout alphabet =
        layOutAlphabetBox(frame, h, static_cast<int32_t>(input.etalonList.size()));
    drawAlphabetBox(canvas, alphabet, input.etalonList, *input.series,
                    thumbnailAmplitude(input.amplitude, *input.series), 0, h);

    const StatsGraphGeometry geometry =
        statsGraphGeometry(input.graph, h, alphabet.outline.left, record.wNoiseLevels);
    const TextColumn column = textColumnOf(frame, geometry, alphabet, h);
    int32_t y = drawRunTexts(canvas, input, frame, column, shown.reference);
    y = drawFormulaCaption(canvas, input, frame, column, y);
    const int32_t upperBound =
        statisticsUpperBound(input.viewCode, record, normalisers.first(), input.fixedBound);
    {
        const FontGuard axisFont(canvas, Font{Font::Kind::Symbol, {}, geometry.fontHeight});
        textOutWithin(canvas, column.x, y,
                      formatted(" %d -> %d", geometry.fontHeight, canvas.fontMetrics().height), column.right);
        drawAxes(canvas, geometry, record, upperBound);
        const std::vector<StatsCurve> curves =
            statsCurves(geometry, input.viewCode, shown, record, upperBound);
        drawGraphLabels(canvas, geometry, record, curves,
                        {geometry.area.left - VALUE_LABEL_GAP + 1,
                         alphabet.outline.left - std::max(frame.leftMargin, 2), h + 2});
        drawCurves(canvas, curves);
        y += geometry.fontHeight + h;
    }
    drawRunTuples(canvas, input, frame, geometry, y, tupleRows);
}

}  // namespace tessaline
