#include "views/detection_picture.h"

#include <algorithm>
#include <cstdlib>

#include "draw/series_elements.h"

namespace tessaline {
namespace {

constexpr int32_t MARGIN = 20;
constexpr int32_t LEAST_STRIP_HEIGHT = 10;

// The largest magnitude of the series' samples and of its found pulses' etalons, at least 1.
int32_t amplitudeOf(const SeriesHeader& series) {
    int32_t amplitude = 1;
    for (uint32_t s = 0; s < series.dwSeriesSize && series.lpNoisyData != nullptr; ++s)
        amplitude = std::max(amplitude, std::abs(int32_t{series.lpNoisyData[s]}));
    for (int j = 0; j < series.wFoundPulses; ++j) {
        for (int64_t t = 0; t < series.wImpulseSize; ++t) {
            amplitude =
                std::max(amplitude, std::abs(seriesEtalonSample(series, series.lpFoundEtalonNumbers[j], t)));
        }
    }
    return amplitude;
}

}  // namespace

void drawDetectionPicture(Canvas& canvas, const Rect& area, const SeriesHeader& series, uint16_t seriesType,
                          std::string_view title, int64_t firstPosition) {
    const int32_t h = lineHeightOf(canvas);
    canvas.textOut(area.left + MARGIN, area.top + MARGIN / 2, title);
    const int32_t height = (area.bottom - area.top - 2 * MARGIN - 4 * h) / 2;
    const int32_t left = area.left + MARGIN, right = area.right - MARGIN;
    if (height < LEAST_STRIP_HEIGHT || right - left < LEAST_STRIP_HEIGHT) return;
    const int32_t amplitude = amplitudeOf(series);

    const Rect noisy{left, area.top + MARGIN + 2 * h, right, area.top + MARGIN + 2 * h + height};
    drawStripAxes(canvas, noisy.left, noisy.top, noisy.right, noisy.bottom);
    drawSeriesCurve(canvas, noisy, amplitude, series);
    drawFoundPulseFrames(canvas, series, noisy);
    drawFoundTupleFrames(canvas, series, noisy);

    const Rect found{left, noisy.bottom + h, right, noisy.bottom + h + height};
    drawStripAxes(canvas, found.left, found.top, found.right, found.bottom);
    drawFoundPulses(canvas, found, amplitude, series);
    // The labels take the lines left under the strip; one that finds no room there is left out.
    const LabelBand band{std::max((area.bottom - found.bottom) / std::max(h, 1), 1), h, area.right,
                         firstPosition};
    drawPositionLabels(canvas, found, seriesType, LabelledPulses::Found, false, series, band);
}

}  // namespace tessaline
