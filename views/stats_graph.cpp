#include "views/stats_graph.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "draw/text_fit.h"
#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/formatting.h"
#include "simulation/displayed.h"
#include "views/alphabet_box.h"
#include "views/stats_labels.h"
#include "views/tuple_box.h"
#include "views/view_frame.h"

namespace tessaline {
namespace {

int32_t clampedThousandths(double value) noexcept {
    const double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (!(value > 0.0)) return 0;
    return value >= limit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

int32_t cellAt(int32_t* const* matrix, int32_t row, int32_t column) noexcept {
    return matrix == nullptr || matrix[row] == nullptr ? 0 : matrix[row][column];
}

int32_t columnMaximum(int32_t* const* matrix, int32_t rows, int32_t column) noexcept {
    int32_t greatest = 0;
    for (int32_t k = 0; k < rows; ++k) greatest = std::max(greatest, cellAt(matrix, k, column));
    return greatest;
}

int64_t rowSum(int32_t* const* matrix, int32_t row, int32_t columns) noexcept {
    int64_t sum = 0;
    for (int32_t j = 0; j < columns; ++j) sum += cellAt(matrix, row, j);
    return sum;
}

int64_t greatestRowSum(int32_t* const* matrix, int32_t rows, int32_t columns) noexcept {
    int64_t greatest = 0;
    for (int32_t k = 0; k < rows; ++k) greatest = std::max(greatest, rowSum(matrix, k, columns));
    return greatest;
}

// Code 0: the greatest cell relative to N_C, at least 0.05.
int32_t restoredComponentwiseNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    int64_t greatest = 0;
    if (normaliser > 0) {
        for (int32_t j = 0; j < record.wVariousPulses; ++j) {
            const int64_t cell = columnMaximum(record.lpErrors, record.wNoiseLevels, j);
            greatest = std::max(greatest, cell * 1000 / normaliser);
        }
    }
    return std::max(50, clampedThousandths(static_cast<double>(greatest)));
}

// Code 1: the greatest sum of a level's relative errors, at least 0.079 and 0.49 J, per pulse count.
int32_t restoredAggregateNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    double greatest = 0.0;
    if (normaliser > 0) {
        for (int32_t k = 0; k < record.wNoiseLevels; ++k) {
            double sum = 0.0;
            for (int32_t j = 0; j < record.wVariousPulses; ++j) {
                sum += static_cast<double>(cellAt(record.lpErrors, k, j)) / static_cast<double>(normaliser);
            }
            greatest = std::max(greatest, sum);
        }
    }
    const double columns = std::max<double>(1.0, record.wVariousPulses);
    greatest = std::max(greatest, 0.079);
    greatest = std::max(greatest, 0.49 * columns);
    return clampedThousandths(greatest * 1000.0 / columns);
}

// Code 2: the greatest per-column deviation, rounded per repeat and relative to N_h, at least 0.3.
int32_t detectionComponentwiseNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    double greatest = 0.0;
    const int64_t repeats = record.repeats;
    if (normaliser > 0 && repeats > 0) {
        for (int32_t j = 0; j < record.wVariousPulses; ++j) {
            const int64_t cell = columnMaximum(record.lpDetectionErrors, record.wNoiseLevels, j);
            const int64_t perRepeat = (cell * 2 + repeats) / (2 * repeats);
            greatest = std::max(greatest,
                                std::sqrt(static_cast<double>(perRepeat) / static_cast<double>(normaliser)));
        }
    }
    return clampedThousandths(1000.0 * std::max(0.3, greatest));
}

// Code 3: the root of the greatest level sum relative to J N_h R, at least 0.24.
int32_t detectionAggregateNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    const double denominator = static_cast<double>(record.wVariousPulses) * static_cast<double>(normaliser) *
                               static_cast<double>(record.repeats);
    double root = 0.0;
    if (denominator > 0.0) {
        const int64_t sum =
            greatestRowSum(record.lpDetectionErrors, record.wNoiseLevels, record.wVariousPulses);
        root = std::sqrt(static_cast<double>(sum) / denominator);
    }
    return clampedThousandths(1000.0 * std::max(0.24, root));
}

}  // namespace

std::string statisticsViewTitle(int32_t viewCode) {
    switch (viewCode) {
        case 0: return " restored error, componentwise case";
        case 1: return " restored error, agregate form";
        case 2: return " detection error, componentwise case";
        case 3: return " detection error, agregate form";
        case 4:
        case 12: return " recognition error, componentwise case";
        case 5:
        case 13: return " recognition error, agregate form";
        case 6: return " error of number of fragments, componentwise case";
        case 7: return " mean of number of fragments";
        case 8: return " bias of number of fragments";
        case 9: return " variance of number of fragments";
        case 10: return " mean square error of number of fragments";
        default: return {};
    }
}

int32_t automaticBoundNeed(int32_t viewCode, const RestErrorHeader& record,
                           const ErrorNormalisers& normalisers) {
    switch (viewCode) {
        case STATS_RESTORED_COMPONENTWISE: return restoredComponentwiseNeed(record, normalisers.restored);
        case STATS_RESTORED_AGGREGATE: return restoredAggregateNeed(record, normalisers.restored);
        case STATS_DETECTION_COMPONENTWISE: return detectionComponentwiseNeed(record, normalisers.detection);
        case STATS_DETECTION_AGGREGATE: return detectionAggregateNeed(record, normalisers.detection);
        case 4:
        case 5:
        case 12:
        case 13: return 500;
        case 7:
        case 8:
        case 10: return 990;
        case 9: return 99;
        default: return 1000;
    }
}

int32_t roundedUpperBound(int32_t need) noexcept {
    int64_t bound = 1;
    while (bound <= need) bound *= 10;
    const int64_t q = std::max(need, 1);
    if (bound >= 5 * q) bound /= 5;
    if (bound >= 2 * q) bound /= 2;
    if (bound >= 2 * q) bound /= 2;
    return static_cast<int32_t>(std::min<int64_t>(bound, std::numeric_limits<int32_t>::max()));
}

int32_t statisticsUpperBound(int32_t viewCode, const RestErrorHeader& record,
                             const ErrorNormalisers& normalisers, const FixedUpperBound& fixedBound) {
    if (fixedBound.fixed && fixedBound.upperBound > 0.0) {
        const int32_t fixedThousandths = clampedThousandths(fixedBound.upperBound * 1000.0);
        if (fixedThousandths >= 1) return fixedThousandths;
    }
    return roundedUpperBound(automaticBoundNeed(viewCode, record, normalisers));
}

std::string axisLabel(int32_t index, int32_t upperBound) {
    const int32_t step = upperBound / 5;  // whole thousandths per label step
    const double value = static_cast<double>(index * step) / 1000.0;
    return upperBound < 50 ? formatted("%.3f", value) : formatted("%.2f", value);
}

std::array<std::string, 9> statisticsDescription(const RestErrorHeader& record, const SeriesHeader& series,
                                                 int32_t amplitude, int32_t viewCode) {
    std::array<std::string, 9> lines;
    lines[0] = formatted(" statistical simulation for %s in series with %s ",
                         record.lpTaskName == nullptr ? "" : record.lpTaskName,
                         record.lpSeriesTypeName == nullptr ? "" : record.lpSeriesTypeName);
    lines[1] = formatted(" series length %d, ", static_cast<int>(series.dwSeriesSize));

    std::string& involved = lines[2];
    involved = " involves ";
    const int32_t counts = record.wPulseValues == nullptr ? 0 : record.wVariousPulses;
    if (counts < 4) {
        for (int32_t j = 0; j < counts; ++j) appendf(involved, " %d,", record.wPulseValues[j]);
    } else {
        appendf(involved, " %d,", record.wPulseValues[0]);
        appendf(involved, " %d,", record.wPulseValues[1]);
        appendf(involved, "..., %d ", record.wPulseValues[counts - 1]);
    }
    involved.pop_back();  // the range is written over the list's last character
    appendf(involved, " pulses from [%d-%d],", series.wMinPulses, series.wMaxPulses);

    lines[3] = formatted(" with length %d, amplitude %d", series.wImpulseSize, amplitude);
    lines[4] = formatted(" Tmin=%d, Tmax=%d,", series.wTmin, series.wTmax);
    lines[5] = formatted(" number of %d noise levels", record.wNoiseLevels);
    const int32_t levels = record.lpNoiseLevels == nullptr ? 0 : record.wNoiseLevels;
    const int32_t first = levels > 0 ? record.lpNoiseLevels[0] : 0;
    const int32_t last = levels > 0 ? record.lpNoiseLevels[levels - 1] : 0;
    const int32_t step = levels > 1 ? record.lpNoiseLevels[1] - first : 0;
    lines[6] = formatted(" from %d to %d with step %d", first, last, step);
    lines[7] = statisticsViewTitle(viewCode);
    lines[8] = formatted(" for volume of % d repeats", static_cast<int>(record.repeats));
    return lines;
}

std::string referenceNumbersLine(const ReferenceQuantities& reference) {
    return formatted("etEnergy=%lld, Rmin=%lld, Rmax=%lld", static_cast<long long>(reference.E),
                     static_cast<long long>(reference.Rmin), static_cast<long long>(reference.Rmax));
}

std::string calendarText(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    std::array<char, 64> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%a %b %e %H:%M:%S %Y", &local);
    return {text.data(), length};
}

std::string elapsedTimeText(int64_t start, int64_t end) {
    const int64_t elapsed = std::max<int64_t>(0, end - start);
    const int64_t minutes = elapsed / 60 % 60;
    const int64_t secs = elapsed % 60;
    return formatted("elapsed time %lld:%lld%lld:%lld%lld", static_cast<long long>(elapsed / 3600),
                     static_cast<long long>(minutes / 10), static_cast<long long>(minutes % 10),
                     static_cast<long long>(secs / 10), static_cast<long long>(secs % 10));
}

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
        messages.showMessage(STATS_NORMALISERS_REFUSED, STATS_GRAPH_CAPTION, MessageIcon::None);
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
