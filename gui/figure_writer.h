#pragma once
// A simulation's figure on a page: painted with Qt's painter and written as SVG or PDF (vector) or
// PNG (twice the page's size in pixels).
#include <QPainter>
#include <QSizeF>
#include <string>

#include "views/stats_figure.h"

namespace tessaline {

// The page a figure is laid out on, in points (a PNG gets two pixels per point).
inline constexpr double FIGURE_PAGE_WIDTH = 800.0;
inline constexpr double FIGURE_PAGE_HEIGHT = 500.0;

// Paints the figure on a white page of `page` units from the painter's origin: the title line
// above, the plotting area with its grid, ticks and axis titles, the curves with their error bars
// (clipped to the area), and the legend to the right.
void paintFigure(QPainter& painter, const StatsFigure& figure, QSizeF page);

// Writes the figure in the format `format`; the file takes the name `path` only when complete.
// False with the reason in `reason`.
bool writeFigure(const StatsFigure& figure, FigureFormat format, const std::string& path,
                 std::string& reason);

}  // namespace tessaline
