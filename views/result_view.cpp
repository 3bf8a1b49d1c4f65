#include "views/result_view.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <span>

#include "draw/series_elements.h"
#include "draw/text_fit.h"
#include "model/codes.h"
#include "views/alphabet_box.h"
#include "views/report.h"
#include "views/tuple_box.h"
#include "views/view_frame.h"

namespace tessaline {
namespace {

constexpr int32_t RIGHT_PART_OFFSET = 100;  // the right part of a report line

enum class StripRole : uint8_t { Truth, Observed, Result };

struct ViewContext {
    const ResultViewInput& input;
    const SeriesHeader& series;
    ProcessingValues values;
    uint16_t taskType;    // of the processing result, 0 without one
    uint16_t seriesType;  // of the processing result, 0 without one
};

// The truth strip marks found tuples for a tuples task; the others only on a tuple series too.
bool marksTuples(const ViewContext& view, StripRole role) {
    if (!isTuplesTask(view.taskType)) return false;
    return role == StripRole::Truth || isTuplesSeriesType(view.seriesType);
}

void drawTupleHighlight(Canvas& canvas, const ViewContext& view, const Rect& strip) {
    if (view.input.settings.tuplesHighlight == 1) drawFoundTupleFrames(canvas, view.series, strip);
    if (view.input.settings.tuplesHighlight == 2) drawFoundTupleBackground(canvas, view.series, strip);
}

LabelledPulses labelledBy(StripRole role) {
    return role == StripRole::Truth ? LabelledPulses::Placed : LabelledPulses::Found;
}

void drawStrip(Canvas& canvas, const ViewContext& view, const Rect& strip, StripRole role,
               const LabelBand& band) {
    const SeriesHeader& series = view.series;
    const ResultDrawingSettings& settings = view.input.settings;
    const int32_t b = view.values.stripAmplitude;
    drawPositionLabels(canvas, strip, view.seriesType, labelledBy(role), view.values.letters, series, band);
    if (settings.frameGraphFields && !settings.specialGraphSize) outlineArea(canvas, strip);
    if (marksTuples(view, role)) drawTupleHighlight(canvas, view, strip);
    if (settings.highlightDetectedPulses) drawFoundPulseFrames(canvas, series, strip);
    drawStripAxes(canvas, strip.left, strip.top, strip.right, strip.bottom);
    switch (role) {
        case StripRole::Truth:
            drawPlacedPulses(canvas, strip, b, series);
            drawCutOffPlacedPulses(canvas, strip, b, series);
            if (settings.shadedOriginalPulses) drawPlacedPulsesShading(canvas, strip, b, series);
            break;
        case StripRole::Observed: drawSeriesCurve(canvas, strip, b, series); break;
        case StripRole::Result: drawFoundPulses(canvas, strip, b, series); break;
    }
}

// The result strip shows the found pulses as etalons, so only when every one of them is named.
bool everyFoundPulseNamed(const SeriesHeader& series) {
    const int found = std::min(series.wFoundPulses, series.wReservedPulses);
    return std::all_of(series.lpFoundEtalonNumbers, series.lpFoundEtalonNumbers + found,
                       [](uint16_t etalon) { return etalon != 0; });
}

// The first etalon of the best chain of a recognition run, whose thumbnail the box highlights.
int32_t recognisedEtalon(const ChainsHeader* chains) {
    if (chains == nullptr || chains->wTaskType != TASK_RECOGNITION) return 0;
    if (chains->wPretenders == 0 || chains->wMaxSize == 0 || chains->wMaxPulses == 0 ||
        chains->pulsesList == nullptr) {
        return 0;
    }
    return chains->pulsesList[0][0];
}

// Areas the text lines must stay left of: each box with its caption.
struct TextRoom {
    std::vector<Rect> boxes;
    int32_t defaultRight = 0;  // right end of a line that meets no box
    int32_t gap = 0;           // kept between a line and a box
};

// Right end, excluded, of a text line whose cell starts at row y.
int32_t textRightAt(const TextRoom& room, int32_t y, int32_t lineHeight) {
    int32_t right = room.defaultRight;
    for (const Rect& box : room.boxes) {
        if (y <= box.bottom && y + lineHeight > box.top) right = std::min(right, box.left - room.gap);
    }
    return right;
}

void drawDescription(Canvas& canvas, const ViewFrame& frame, const TextRoom& room, int32_t h,
                     const ProcessingReport& report) {
    const int32_t x = frame.x0 + frame.leftMargin;
    int32_t y = frame.y0 - h / 2;
    for (std::size_t i = 0; i < report.description.size(); ++i) {
        const std::span<const std::size_t> entries =
            i < report.descriptionEntries.size() ? std::span<const std::size_t>(report.descriptionEntries[i])
                                                 : std::span<const std::size_t>();
        textOutEntriesWithin(canvas, x, y, report.description[i], entries, textRightAt(room, y, h));
        y += i == 0 ? h + 1 : h;
    }
}

// Where the right parts of the report lines begin: 100 pixels right of the line start, or further
// when a left part is wider, so that the two never meet.
int32_t rightPartOffset(const Canvas& canvas, const std::vector<ReportLine>& lines) {
    int32_t offset = RIGHT_PART_OFFSET;
    for (const ReportLine& line : lines) {
        if (!line.right.empty()) offset = std::max(offset, canvas.textExtent(line.text).cx);
    }
    return offset;
}

// Height of the report: a line height a line and the gaps before lines.
int32_t reportHeight(const std::vector<ReportLine>& lines, int32_t h) {
    int32_t height = 0;
    for (const ReportLine& line : lines) height += h + (line.gapBefore ? (h + 3) / 4 : 0);
    return height;
}

// Each line cut at whole entries to stay left of the boxes.
void drawReportLines(Canvas& canvas, Point start, const TextRoom& room, int32_t h,
                     const std::vector<ReportLine>& lines) {
    const int32_t offset = rightPartOffset(canvas, lines);
    int32_t y = start.y;
    for (const ReportLine& line : lines) {
        if (line.gapBefore) y += (h + 3) / 4;
        const int32_t right = textRightAt(room, y, h);
        textOutEntriesWithin(canvas, start.x, y, line.text, line.textEntries, right);
        if (!line.right.empty())
            textOutEntriesWithin(canvas, start.x + offset, y, line.right, line.rightEntries, right);
        y += h;
    }
}

// Where the tuple box goes: the lower right corner below the strips' labels, left of the alphabet
// box unless that box ends above; its thumbnails lowered, its rows stood in columns and narrowed
// until it fits, every row kept. It takes at most half the width when it can, leaving the report
// the other half, and otherwise the whole width beside the report's start.
struct TuplePlacement {
    TupleBoxContent content;
    TupleBoxMeasures measures;
    Point origin;
    Rect area;  // with the caption, for the text lines to keep clear of
};

std::optional<TuplePlacement> placeTupleBox(const Canvas& canvas, TupleBoxContent content,
                                            const ViewFrame& frame, const AlphabetBoxLayout& alphabet,
                                            const Rect& lastStrip, int32_t labelsBottom, int32_t h) {
    TupleBoxMeasures measures{frame.thumbnailWidth, 2 * h,           2 * frame.leftMargin,
                              frame.halfTopMargin,  frame.topMargin, h};
    const int32_t top = labelsBottom + h;
    const int32_t bottom = frame.bottom - frame.topMargin;
    const bool besideAlphabet = alphabet.outline.bottom >= top - h;
    const int32_t right = (besideAlphabet ? alphabet.outline.left : frame.right) - frame.leftMargin;
    // The report keeps the left half of the room beside the box when the box can make do with the rest.
    const int32_t room = right - lastStrip.left + 1;
    TupleBoxMeasures narrow = measures;
    if (fitTupleBox(canvas, content, narrow, room / 2, bottom - top + 1)) {
        measures = narrow;
    } else if (!fitTupleBox(canvas, content, measures, room, bottom - top + 1)) {
        return std::nullopt;
    }
    const int32_t width = tupleBoxWidth(canvas, content, measures);
    const int32_t height = tupleBoxHeight(content, measures);
    const Point origin{right - width + 1, bottom - height + 1};
    const Rect area{origin.x, origin.y - h / 2, right, bottom};
    return TuplePlacement{std::move(content), measures, origin, area};
}

// The label lines each strip's labels would take with room enough, the truth strip naming the
// placed pulses and the other two the found ones.
std::array<int32_t, 3> labelLinesWanted(const Canvas& canvas, const ViewContext& view,
                                        const std::array<Rect, 3>& strips, std::size_t drawn,
                                        const LabelBand& band) {
    std::array<int32_t, 3> lines{1, 1, 1};
    for (std::size_t i = 0; i < drawn; ++i) {
        const StripRole role = i == 0 ? StripRole::Truth : StripRole::Observed;
        lines[i] = std::max(1, layOutPositionLabels(canvas, strips[i], view.seriesType, labelledBy(role),
                                                    view.values.letters, view.series, band)
                                   .rowsUsed);
    }
    return lines;
}

// The column the position labels end before: left of the alphabet box when that box reaches down
// to the labels of the first strip.
int32_t labelsRight(const AlphabetBoxLayout& alphabet, const ViewFrame& frame, const Rect& firstStrip,
                    int32_t gap) {
    if (alphabet.outline.bottom >= firstStrip.bottom - 1) return alphabet.outline.left - gap;
    return frame.right - frame.leftMargin;
}

}  // namespace

std::array<Rect, 3> resultStrips(const Rect& graph, int32_t lineHeight, bool specialGraphSize) noexcept {
    const ViewFrame frame = viewFrameOf(graph);
    const int32_t h = lineHeight;
    int32_t width = SPECIAL_STRIP_WIDTH;
    int32_t height = SPECIAL_STRIP_HEIGHT;
    if (!specialGraphSize) {
        width = std::max(800 * frame.W / 1000, 0);
        height = std::max(330 * (frame.H - 18 * h) / 1000, 0);
        if (height % 2 != 0) ++height;
    }
    std::array<Rect, 3> strips;
    const int32_t left = frame.x0 + frame.leftMargin;
    int32_t top = frame.y0 + 4 * h + 1;
    for (Rect& strip : strips) {
        strip = {left, top, left + width, top + height};
        top += height + h;
    }
    return strips;
}

ResultStripLayout layOutResultStrips(const Rect& graph, int32_t lineHeight, bool specialGraphSize,
                                     const StripTextNeeds& needs) noexcept {
    const ViewFrame frame = viewFrameOf(graph);
    const int32_t h = std::max(lineHeight, 0);
    const std::array<Rect, 3> part = resultStrips(graph, lineHeight, specialGraphSize);
    ResultStripLayout layout{part, needs.labelLines};
    for (int32_t& lines : layout.labelLines) lines = std::max(lines, 1);
    const auto extraLines = [&] {
        return layout.labelLines[0] + layout.labelLines[1] + layout.labelLines[2] - 3;
    };
    // Rows the report leaves free under it with one label line a strip, as the Part lays out.
    const int32_t reportBottom = part[2].bottom + h + h / 2 + std::max(needs.reportHeight, 0);
    const int32_t spare = std::max(frame.bottom + 1 - reportBottom, 0);
    const int32_t height = part[0].bottom - part[0].top;
    const int32_t lowest = specialGraphSize ? height : height / 2 - (height / 2) % 2;
    const int32_t wanted = std::max(extraLines() * h - spare, 0);
    const int32_t lowering = std::min(evenUp((wanted + 2) / 3), height - lowest);
    while (extraLines() * h - spare > 3 * lowering) {
        int32_t* most = std::max_element(layout.labelLines.begin(), layout.labelLines.end());
        --*most;
    }
    int32_t top = part[0].top;
    for (std::size_t i = 0; i < layout.strips.size(); ++i) {
        Rect& strip = layout.strips[i];
        strip = {part[i].left, top, part[i].right, top + height - lowering};
        top = strip.bottom + layout.labelLines[i] * h;
    }
    return layout;
}

void drawProcessingResultView(Canvas& canvas, const ResultViewInput& input,
                              std::vector<Rect>& tupleRowRects) {
    tupleRowRects.clear();
    outlineArea(canvas, input.graph);
    if (input.series == nullptr) return;
    const SeriesHeader& series = *input.series;
    const ChainsHeader* chains = input.chains;
    const int32_t h = input.lineHeight;
    const ViewContext view{input, series, processingValues(series, chains),
                           static_cast<uint16_t>(chains != nullptr ? chains->wTaskType : 0),
                           static_cast<uint16_t>(chains != nullptr ? chains->wSeriesType : 0)};
    const ViewFrame frame = viewFrameOf(input.graph);
    const ProcessingReport report = buildProcessingReport(&series, chains);
    const AlphabetBoxLayout alphabet =
        layOutAlphabetBox(frame, h, static_cast<int32_t>(input.etalonList.size()));
    TextRoom room{
        {{alphabet.outline.left, alphabet.caption.y, alphabet.outline.right, alphabet.outline.bottom}},
        frame.right - frame.leftMargin,
        std::max(frame.leftMargin, 2)};

    const std::size_t drawn = everyFoundPulseNamed(series) ? 3 : 2;
    const std::array<Rect, 3> part = resultStrips(input.graph, h, input.settings.specialGraphSize);
    LabelBand band{std::numeric_limits<int32_t>::max(), h, labelsRight(alphabet, frame, part[0], room.gap)};
    const ResultStripLayout layout = layOutResultStrips(
        input.graph, h, input.settings.specialGraphSize,
        {labelLinesWanted(canvas, view, part, drawn, band), reportHeight(report.report, h)});
    const std::array<Rect, 3>& strips = layout.strips;
    const int32_t labelsBottom = strips[2].bottom + layout.labelLines[2] * h;

    std::optional<TuplePlacement> tuples;
    if (isTuplesSeriesType(view.seriesType)) {
        tuples = placeTupleBox(canvas, resultTupleBoxContent(series, view.taskType, input.pickedTuple), frame,
                               alphabet, strips[2], labelsBottom, h);
        if (tuples) room.boxes.push_back(tuples->area);
    }

    drawDescription(canvas, frame, room, h, report);
    const StripRole roles[] = {StripRole::Truth, StripRole::Observed, StripRole::Result};
    for (std::size_t i = 0; i < drawn; ++i) {
        band.rows = layout.labelLines[i];
        drawStrip(canvas, view, strips[i], roles[i], band);
    }
    drawAlphabetBox(canvas, alphabet, input.etalonList, series, view.values.amplitude,
                    recognisedEtalon(chains), h);
    drawReportLines(canvas, {strips[2].left, labelsBottom + h / 2}, room, h, report.report);
    if (tuples) {
        drawTupleBox(canvas, tuples->content, tuples->measures, tuples->origin, series, view.values.amplitude,
                     tuples->content.storedTuples ? &tupleRowRects : nullptr);
    }
}

}  // namespace tessaline
