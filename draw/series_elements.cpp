#include "draw/series_elements.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "draw/plot.h"
#include "model/alphabet.h"
#include "model/codes.h"
#include "model/pulse_lists.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

// The strip's scales. `amplitude` is 0 for elements that only place columns.
struct StripScale {
    int32_t left;
    int32_t top;
    int32_t bottom;
    int64_t width;      // D
    int64_t height;     // H
    int64_t lastIndex;  // N - 1
    int64_t amplitude;  // A
};

std::optional<StripScale> columnScale(const Rect& strip, const SeriesHeader& series) {
    if (series.dwSeriesSize < 2) return std::nullopt;
    return StripScale{strip.left,
                      strip.top,
                      strip.bottom,
                      int64_t{strip.right} - strip.left,
                      int64_t{strip.bottom} - strip.top,
                      int64_t{series.dwSeriesSize} - 1,
                      0};
}

std::optional<StripScale> stripScale(const Rect& strip, const SeriesHeader& series, int32_t amplitude) {
    if (amplitude < 1) return std::nullopt;
    std::optional<StripScale> scale = columnScale(strip, series);
    if (scale) scale->amplitude = amplitude;
    return scale;
}

// Column offset of sample index s from the strip's left edge.
int32_t offsetOf(const StripScale& scale, int64_t index) {
    return toPixel(index * scale.width / scale.lastIndex);
}

int32_t columnOf(const StripScale& scale, int64_t index) {
    return toPixel(int64_t{scale.left} + offsetOf(scale, index));
}

// Row offset of a value from the strip's top: H - (v + A) H / (2A).
int64_t heightOffsetOf(const StripScale& scale, int64_t value) {
    return scale.height - (value + scale.amplitude) * scale.height / (2 * scale.amplitude);
}

int32_t rowOf(const StripScale& scale, int64_t value) {
    return toPixel(int64_t{scale.bottom} - (value + scale.amplitude) * scale.height / (2 * scale.amplitude));
}

int32_t middleOf(const StripScale& scale) { return toPixel(int64_t{scale.top} + scale.height / 2); }

// Samples of an etalon that may be read.
int64_t etalonLength(const PulseHeader& etalon) {
    return etalon.lpData != nullptr ? std::min(etalon.wSize, etalon.wReservedSize) : 0;
}

// Samples first .. last of the etalon at `position`, from the middle line and back to it.
void drawPulsePart(Canvas& canvas, const StripScale& scale, const PulseHeader& etalon, int64_t position,
                   int64_t first, int64_t last) {
    first = std::max<int64_t>(first, 0);
    last = std::min(last, etalonLength(etalon) - 1);
    if (first > last) return;
    const int32_t middle = middleOf(scale);
    std::vector<Point> points{{columnOf(scale, position + first), middle}};
    for (int64_t j = first; j <= last; ++j) {
        points.push_back({columnOf(scale, position + j), rowOf(scale, etalon.lpData[j])});
    }
    points.push_back({columnOf(scale, position + last), middle});
    canvas.polyline(points);
}

enum class PulsePart : uint8_t { Whole, Kept };

void drawPulses(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series,
                const std::vector<PulseEntry>& pulses, PulsePart part) {
    const std::optional<StripScale> scale = stripScale(strip, series, amplitude);
    if (!scale) return;
    for (const PulseEntry& pulse : pulses) {
        const PulseHeader* etalon = seriesEtalon(series, pulse.etalon);
        if (etalon == nullptr) continue;
        if (part == PulsePart::Whole) {
            drawPulsePart(canvas, *scale, *etalon, pulse.position, 0, etalonLength(*etalon) - 1);
        } else {
            drawPulsePart(canvas, *scale, *etalon, pulse.position, pulse.first, pulse.last);
        }
    }
}

// One column of the hatch: dots every other row from the middle line towards the curve offset c,
// starting `phase` rows off the middle line.
void drawHatchColumn(Canvas& canvas, const StripScale& scale, int32_t column, int64_t c, int phase) {
    const int64_t half = scale.height / 2;
    if (half < c) {
        for (int64_t offset = half + phase; offset < c; offset += 2) {
            canvas.setPixel(column, toPixel(scale.top + offset), kBlack);
        }
    } else {
        for (int64_t offset = half - phase; offset > c; offset -= 2) {
            canvas.setPixel(column, toPixel(scale.top + offset), kBlack);
        }
    }
}

// The hatch under the kept part of one pulse; `phase` carries the checker on across pulses.
void shadePulse(Canvas& canvas, const StripScale& scale, const PulseHeader& etalon, const PulseEntry& pulse,
                int& phase) {
    const int64_t n = etalonLength(etalon);
    const int64_t last = std::min<int64_t>(pulse.last, n - 1);
    for (int64_t j = std::max(pulse.first, 0); j <= last; ++j) {
        const int64_t begin = offsetOf(scale, pulse.position + j);
        const int64_t end = j == last ? begin : offsetOf(scale, pulse.position + j + 1);
        const int64_t g = heightOffsetOf(scale, etalon.lpData[j]);
        const int64_t next = j + 1 < n ? etalon.lpData[j + 1] : 0;
        const int64_t step = heightOffsetOf(scale, next) - g;
        const int64_t w = end - begin;
        int64_t c = g;
        for (int64_t k = begin; k < end; ++k) {
            drawHatchColumn(canvas, scale, toPixel(scale.left + k), c, phase);
            c = (step + c * w) / w;
            phase ^= 1;
        }
    }
}

std::string positionLabel(const PulseEntry& pulse, bool letters, bool cutBounds, int64_t firstPosition) {
    std::string label = formatted("%lld", static_cast<long long>(firstPosition) + pulse.position);
    if (letters) appendf(label, "%c", etalonLetter(pulse.etalon));
    if (cutBounds) appendf(label, "[%d..%d] ", pulse.first, pulse.last);
    return label;
}

// Column offsets of a found tuple's span, widened by up to two pixels each side within the strip.
struct TupleSpan {
    int32_t x1;
    int32_t x2;
};

std::vector<TupleSpan> foundTupleSpans(const SeriesHeader& series, const StripScale& scale) {
    const std::vector<PulseEntry> found = foundPulses(series);
    const int tuples = readablePulseEntries(series, series.wFoundTuples);
    std::vector<TupleSpan> spans;
    for (int t = 0; t < tuples; ++t) {
        const int first = series.lpTupleFirsts[t];
        const int last = series.lpTupleLasts[t];
        if (first < 1 || first > last || last > static_cast<int>(found.size())) continue;
        TupleSpan span{offsetOf(scale, found[first - 1].position),
                       offsetOf(scale, int64_t{found[last - 1].position} + series.wImpulseSize - 1)};
        for (int widening = 0; widening < 2; ++widening) {
            if (span.x2 < scale.width - 1) ++span.x2;
        }
        for (int widening = 0; widening < 2; ++widening) {
            if (span.x1 > 0) --span.x1;
        }
        spans.push_back(span);
    }
    return spans;
}

// A dotted frame: columns at x1 and x2 up to `limit` from the middle line, then the top and bottom
// edges between them at the distance reached.
void drawDottedFrame(Canvas& canvas, const StripScale& scale, int32_t x1, int32_t x2, int32_t limit) {
    const int32_t middle = middleOf(scale);
    const int32_t left = toPixel(int64_t{scale.left} + x1);
    const int32_t right = toPixel(int64_t{scale.left} + x2);
    drawDottedColumn(canvas, left, middle, limit);
    const int32_t reached = drawDottedColumn(canvas, right, middle, limit);
    drawDottedRow(canvas, left, right, toPixel(int64_t{middle} - reached));
    drawDottedRow(canvas, left, right, toPixel(int64_t{middle} + reached));
}

}  // namespace

void drawStripAxes(Canvas& canvas, int32_t x, int32_t top, int32_t right, int32_t bottom) {
    drawAxes(canvas, x, top, right, bottom);
}

void drawSeriesCurve(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series) {
    const std::optional<StripScale> scale = stripScale(strip, series, amplitude);
    if (!scale || series.lpNoisyData == nullptr || series.dwSeriesSize > series.dwReservedSize) return;
    std::vector<Point> points{{strip.left, middleOf(*scale)}};
    points.reserve(series.dwSeriesSize + 1);
    for (uint32_t s = 0; s < series.dwSeriesSize; ++s) {
        points.push_back({columnOf(*scale, s), rowOf(*scale, series.lpNoisyData[s])});
    }
    const PenGuard pen(canvas, Pen{kSeriesCurveColor});
    canvas.polyline(points);
}

void drawPlacedPulses(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series) {
    drawPulses(canvas, strip, amplitude, series, placedPulses(series), PulsePart::Whole);
}

void drawFoundPulses(Canvas& canvas, const Rect& strip, int32_t amplitude, const SeriesHeader& series) {
    drawPulses(canvas, strip, amplitude, series, foundPulses(series), PulsePart::Whole);
}

void drawCutOffPlacedPulses(Canvas& canvas, const Rect& strip, int32_t amplitude,
                            const SeriesHeader& series) {
    drawPulses(canvas, strip, amplitude, series, placedPulses(series), PulsePart::Kept);
}

void drawPlacedPulsesShading(Canvas& canvas, const Rect& strip, int32_t amplitude,
                             const SeriesHeader& series) {
    const std::optional<StripScale> scale = stripScale(strip, series, amplitude);
    if (!scale) return;
    int phase = 0;
    for (const PulseEntry& pulse : placedPulses(series)) {
        if (const PulseHeader* etalon = seriesEtalon(series, pulse.etalon)) {
            shadePulse(canvas, *scale, *etalon, pulse, phase);
        }
    }
}

PositionLabelLayout layOutPositionLabels(const Canvas& canvas, const Rect& strip, uint16_t seriesType,
                                         LabelledPulses which, bool letters, const SeriesHeader& series,
                                         const LabelBand& band) {
    PositionLabelLayout layout;
    const std::optional<StripScale> scale = columnScale(strip, series);
    if (!scale) return layout;
    const bool cutBounds = isCutoffSeriesType(seriesType);
    const std::vector<PulseEntry> pulses =
        which == LabelledPulses::Found ? foundPulses(series) : placedPulses(series);
    const int32_t pitch = band.lineHeight > 0 ? band.lineHeight : lineHeightOf(canvas);
    const int32_t gap = canvas.textExtent(" ").cx;
    // The column each text line is free from.
    std::vector<int64_t> lineEnds;
    for (const PulseEntry& pulse : pulses) {
        std::string text = positionLabel(pulse, letters, cutBounds, band.firstPosition);
        const int64_t width = canvas.textExtent(text).cx;
        const int64_t x =
            std::min(int64_t{columnOf(*scale, pulse.position)} - 5, int64_t{band.right} - width);
        const auto free =
            std::find_if(lineEnds.begin(), lineEnds.end(), [&](int64_t end) { return end <= x; });
        if (free == lineEnds.end() && static_cast<int64_t>(lineEnds.size()) >= band.rows) {
            ++layout.leftOut;
            continue;
        }
        const auto line = free != lineEnds.end() ? free : lineEnds.insert(lineEnds.end(), 0);
        *line = x + width + gap;
        const int64_t y = int64_t{strip.bottom} - 1 + (line - lineEnds.begin()) * int64_t{pitch};
        layout.labels.push_back({std::move(text), {toPixel(x), toPixel(y)}});
    }
    layout.rowsUsed = static_cast<int32_t>(lineEnds.size());
    return layout;
}

int32_t drawPositionLabels(Canvas& canvas, const Rect& strip, uint16_t seriesType, LabelledPulses which,
                           bool letters, const SeriesHeader& series, const LabelBand& band) {
    const PositionLabelLayout layout =
        layOutPositionLabels(canvas, strip, seriesType, which, letters, series, band);
    for (const PositionLabel& label : layout.labels) canvas.textOut(label.at.x, label.at.y, label.text);
    return layout.leftOut;
}

void drawFoundPulseFrames(Canvas& canvas, const SeriesHeader& series, const Rect& strip) {
    const std::optional<StripScale> scale = columnScale(strip, series);
    if (!scale) return;
    const int32_t limit = toPixel(scale->height / 3);
    const int32_t middle = middleOf(*scale);
    for (const PulseEntry& pulse : foundPulses(series)) {
        const int32_t x1 = offsetOf(*scale, pulse.position);
        const int32_t x2 = offsetOf(*scale, int64_t{pulse.position} + series.wImpulseSize - 1);
        drawDottedFrame(canvas, *scale, x1, x2, limit);
        drawDottedColumn(canvas, columnOf(*scale, int64_t{pulse.position} + pulse.first), middle, limit);
        drawDottedColumn(canvas, columnOf(*scale, int64_t{pulse.position} + pulse.last), middle, limit);
    }
}

void drawFoundTupleFrames(Canvas& canvas, const SeriesHeader& series, const Rect& strip) {
    const std::optional<StripScale> scale = columnScale(strip, series);
    if (!scale) return;
    const int32_t limit = toPixel(3 * scale->height / 8);
    for (const TupleSpan& span : foundTupleSpans(series, *scale)) {
        drawDottedFrame(canvas, *scale, span.x1, span.x2, limit);
    }
}

void drawFoundTupleBackground(Canvas& canvas, const SeriesHeader& series, const Rect& strip) {
    const std::optional<StripScale> scale = columnScale(strip, series);
    if (!scale) return;
    const int32_t middle = middleOf(*scale);
    const int64_t reach = 3 * scale->height / 8;
    const PenGuard pen(canvas, Pen{kTupleBackgroundColor});
    const BrushGuard brush(canvas, Brush{kTupleBackgroundColor});
    for (const TupleSpan& span : foundTupleSpans(series, *scale)) {
        canvas.rectangle({toPixel(int64_t{strip.left} + span.x1), toPixel(middle - reach),
                          toPixel(int64_t{strip.left} + span.x2), toPixel(middle + reach)});
    }
}

}  // namespace tessaline
