#include "views/result_view.h"

#include <algorithm>
#include <optional>

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

void drawStrip(Canvas& canvas, const ViewContext& view, const Rect& strip, StripRole role) {
    const SeriesHeader& series = view.series;
    const ResultDrawingSettings& settings = view.input.settings;
    const int32_t b = view.values.stripAmplitude;
    drawPositionLabels(canvas, strip, view.seriesType,
                       role == StripRole::Truth ? LabelledPulses::Placed : LabelledPulses::Found,
                       view.values.letters, series);
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
                     const std::vector<std::string>& lines) {
    const int32_t x = frame.x0 + frame.leftMargin;
    int32_t y = frame.y0 - h / 2;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        textOutWithin(canvas, x, y, lines[i], textRightAt(room, y, h));
        y += i == 0 ? h + 1 : h;
    }
}

void drawReportLines(Canvas& canvas, Point start, const TextRoom& room, int32_t h,
                     const std::vector<ReportLine>& lines) {
    int32_t y = start.y;
    for (const ReportLine& line : lines) {
        if (line.gapBefore) y += (h + 3) / 4;
        const int32_t right = textRightAt(room, y, h);
        textOutWithin(canvas, start.x, y, line.text, right);
        if (!line.right.empty()) textOutWithin(canvas, start.x + RIGHT_PART_OFFSET, y, line.right, right);
        y += h;
    }
}

// Where the tuple box goes: the lower right corner below the strips, left of the alphabet box
// unless that box ends above; its thumbnails lowered, then its rows cut, until it fits.
struct TuplePlacement {
    TupleBoxContent content;
    TupleBoxMeasures measures;
    Point origin;
    Rect area;  // with the caption, for the text lines to keep clear of
};

std::optional<TuplePlacement> placeTupleBox(const Canvas& canvas, TupleBoxContent content,
                                            const ViewFrame& frame, const AlphabetBoxLayout& alphabet,
                                            const Rect& lastStrip, int32_t h) {
    TupleBoxMeasures measures{frame.thumbnailWidth, 2 * h,           2 * frame.leftMargin,
                              frame.halfTopMargin,  frame.topMargin, h};
    const int32_t top = lastStrip.bottom + 2 * h;
    const int32_t bottom = frame.bottom - frame.topMargin;
    const int32_t available = bottom - top + 1;
    if (!fitTupleBox(content, measures, available)) return std::nullopt;
    const bool besideAlphabet = alphabet.outline.bottom >= top - h;
    const int32_t right = (besideAlphabet ? alphabet.outline.left : frame.right) - frame.leftMargin;
    const int32_t width = tupleBoxWidth(canvas, content, measures);
    const int32_t height = tupleBoxHeight(content, measures);
    const Point origin{right - width + 1, bottom - height + 1};
    if (origin.x < lastStrip.left) return std::nullopt;
    const Rect area{origin.x, origin.y - h / 2, right, bottom};
    return TuplePlacement{std::move(content), measures, origin, area};
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
    const std::array<Rect, 3> strips = resultStrips(input.graph, h, input.settings.specialGraphSize);

    const AlphabetBoxLayout alphabet =
        layOutAlphabetBox(frame, h, static_cast<int32_t>(input.etalonList.size()));
    TextRoom room{
        {{alphabet.outline.left, alphabet.caption.y, alphabet.outline.right, alphabet.outline.bottom}},
        frame.right - frame.leftMargin,
        std::max(frame.leftMargin, 2)};
    std::optional<TuplePlacement> tuples;
    if (isTuplesSeriesType(view.seriesType)) {
        tuples = placeTupleBox(canvas, resultTupleBoxContent(series, view.taskType, input.pickedTuple), frame,
                               alphabet, strips[2], h);
        if (tuples) room.boxes.push_back(tuples->area);
    }

    const ProcessingReport report = buildProcessingReport(&series, chains);
    drawDescription(canvas, frame, room, h, report.description);
    drawStrip(canvas, view, strips[0], StripRole::Truth);
    drawStrip(canvas, view, strips[1], StripRole::Observed);
    if (everyFoundPulseNamed(series)) drawStrip(canvas, view, strips[2], StripRole::Result);
    drawAlphabetBox(canvas, alphabet, input.etalonList, series, view.values.amplitude,
                    recognisedEtalon(chains), h);
    drawReportLines(canvas, {strips[2].left, strips[2].bottom + h + h / 2}, room, h, report.report);
    if (tuples) {
        drawTupleBox(canvas, tuples->content, tuples->measures, tuples->origin, series, view.values.amplitude,
                     tuples->content.storedTuples ? &tupleRowRects : nullptr);
    }
}

}  // namespace tessaline
