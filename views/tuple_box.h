#pragma once
// The box of tuples of a tuple series: one row of etalon thumbnails per tuple, its caption
// right-aligned on the box's top edge. For tuple recognition it shows every stored tuple of the
// series and records each row's rectangle, so that a click on a row can choose that tuple.
#include <cstdint>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "draw/controls.h"
#include "model/records.h"

namespace tessaline {

struct TupleBoxRow {
    std::vector<uint16_t> members;  // etalon numbers
    ThumbnailHighlight highlight = ThumbnailHighlight::None;
};

struct TupleBoxContent {
    std::string caption;
    std::vector<TupleBoxRow> rows;  // none: no box
    bool storedTuples = false;      // the rows are the series' stored tuples, which a click can choose
};

// What a processing result shows of the series' tuples. Tuple recognition (task 40) with stored
// tuples: every stored tuple, caption " pattern tuples ", the recognised tuple grey and otherwise
// the tuple last picked (`pickedTuple`, 1-based) red. Otherwise the subset in use as one plain row,
// caption " pattern tuple ", or nothing when that subset is empty.
TupleBoxContent resultTupleBoxContent(const SeriesHeader& series, uint16_t taskType, int32_t pickedTuple);

// The measures of the box's inside: thumbnails of width tw side by side `gap` apart, a row a
// thumbnail's label and graph high, rows `rowGap` apart, `margin` inside the box's top and bottom.
// A box too high for its room stands its rows in columns of `rowsPerColumn` (0: one column), the
// columns `gap` apart.
struct TupleBoxMeasures {
    int32_t thumbnailWidth = 0;
    int32_t thumbnailHeight = 0;  // height of a thumbnail's graph
    int32_t gap = 0;
    int32_t rowGap = 0;
    int32_t margin = 0;
    int32_t lineHeight = 0;
    int32_t rowsPerColumn = 0;
};

// Height of one row without the gap after it: the thumbnail label, the graph and its highlight.
int32_t tupleRowHeight(const TupleBoxMeasures& measures) noexcept;
// The box's size for the content: wide enough for its columns of the longest row and at least 20
// pixels wider than the caption; high enough for the rows of a column.
int32_t tupleBoxWidth(const Canvas& canvas, const TupleBoxContent& content, const TupleBoxMeasures& measures);
int32_t tupleBoxHeight(const TupleBoxContent& content, const TupleBoxMeasures& measures) noexcept;

// Makes the box fit a room of `width` x `height` pixels with every row in it, so that every tuple
// can still be chosen: when it is too high its thumbnails are lowered (never below a few pixels),
// then its rows stand in as many columns as it takes; when it is then too wide its thumbnails
// narrow and close up, never so far that a thumbnail's label reaches the next one. False when
// even that does not fit.
bool fitTupleBox(const Canvas& canvas, const TupleBoxContent& content, TupleBoxMeasures& measures,
                 int32_t width, int32_t height);

// Draws the box with its top left corner at `origin` and, when `rowRects` is given, appends each
// row's rectangle (right and bottom included) to it, in the order of the rows.
void drawTupleBox(Canvas& canvas, const TupleBoxContent& content, const TupleBoxMeasures& measures,
                  Point origin, const SeriesHeader& series, int32_t amplitude, std::vector<Rect>* rowRects);

}  // namespace tessaline
