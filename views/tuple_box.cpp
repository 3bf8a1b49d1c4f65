#include "views/tuple_box.h"

#include <algorithm>
#include <string_view>

#include "model/codes.h"
#include "views/view_frame.h"

namespace tessaline {
namespace {

// Room a highlighted thumbnail's background takes left and right of its graph.
constexpr int32_t HIGHLIGHT_LEFT = 3;
constexpr int32_t HIGHLIGHT_RIGHT = 6;
constexpr int32_t CAPTION_INSET = 10;     // from the caption's end to the box's right edge
constexpr int32_t CAPTION_ROOM = 20;      // the box is at least this much wider than its caption
constexpr int32_t LEAST_TUPLE_GRAPH = 6;  // a thumbnail's graph is never lowered below this
constexpr int32_t LEAST_TUPLE_WIDTH = 6;  // nor narrowed below this
constexpr int32_t LEAST_ROW_GAP = 2;      // rows close up to this when they must stand in columns
constexpr std::string_view WIDEST_THUMBNAIL_LABEL = " m ";

std::vector<TupleBoxRow> storedTupleRows(const SeriesHeader& series, int32_t pickedTuple) {
    std::vector<TupleBoxRow> rows;
    if (series.selectedSubsetSize == nullptr || series.selectedSubsetList == nullptr) return rows;
    const int stored = std::min(series.wSubsets, series.wReservedSubsets);
    for (int r = 0; r < stored; ++r) {
        const int size = std::min(series.selectedSubsetSize[r], series.wReservedSubsetSize);
        TupleBoxRow row;
        row.members.assign(series.selectedSubsetList[r], series.selectedSubsetList[r] + size);
        if (r + 1 == series.wFoundSubset) {
            row.highlight = ThumbnailHighlight::Grey;
        } else if (r + 1 == pickedTuple) {
            row.highlight = ThumbnailHighlight::Red;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t longestRow(const TupleBoxContent& content) {
    std::size_t longest = 0;
    for (const TupleBoxRow& row : content.rows) longest = std::max(longest, row.members.size());
    return longest;
}

// Room between the box's sides and its rows.
int32_t sidePadding(const TupleBoxMeasures& measures) { return measures.gap / 2; }

int32_t rowWidth(std::size_t members, const TupleBoxMeasures& measures) {
    if (members == 0) return 0;
    const int64_t count = static_cast<int64_t>(members);
    return static_cast<int32_t>(count * measures.thumbnailWidth + (count - 1) * measures.gap +
                                HIGHLIGHT_LEFT + HIGHLIGHT_RIGHT);
}

// Rows in one column of the box, and the number of its columns.
int32_t rowsOfColumn(const TupleBoxContent& content, const TupleBoxMeasures& measures) {
    const auto rows = static_cast<int32_t>(content.rows.size());
    return measures.rowsPerColumn > 0 ? std::min(rows, measures.rowsPerColumn) : rows;
}

int32_t columnCount(const TupleBoxContent& content, const TupleBoxMeasures& measures) {
    const int32_t perColumn = rowsOfColumn(content, measures);
    return perColumn > 0 ? (static_cast<int32_t>(content.rows.size()) + perColumn - 1) / perColumn : 1;
}

// Rows of a column that fit in `height`.
int32_t rowsFitting(const TupleBoxMeasures& measures, int32_t height) {
    return (height - 2 * measures.margin + measures.rowGap) / (tupleRowHeight(measures) + measures.rowGap);
}

// Narrows the thumbnails and their gaps until the box is at most `width` wide. A thumbnail and its
// gap keep room for its label and the gap room for a highlight's margins.
bool narrowToWidth(const Canvas& canvas, const TupleBoxContent& content, TupleBoxMeasures& measures,
                   int32_t width) {
    const int32_t leastGap = std::min(measures.gap, HIGHLIGHT_LEFT + HIGHLIGHT_RIGHT + 1);
    const int32_t leastPitch =
        std::max(canvas.textExtent(WIDEST_THUMBNAIL_LABEL).cx + 1, leastGap + LEAST_TUPLE_WIDTH);
    while (tupleBoxWidth(canvas, content, measures) > width) {
        const int32_t pitch = measures.thumbnailWidth + measures.gap - 1;
        if (pitch < leastPitch) return false;
        measures.gap = std::max(leastGap, std::min(measures.gap, pitch / 3));
        measures.thumbnailWidth = pitch - measures.gap;
    }
    return true;
}

}  // namespace

TupleBoxContent resultTupleBoxContent(const SeriesHeader& series, uint16_t taskType, int32_t pickedTuple) {
    TupleBoxContent content;
    if (taskType == TASK_TUPLES_RECOGNITION) {
        content.rows = storedTupleRows(series, pickedTuple);
        if (!content.rows.empty()) {
            content.caption = " pattern tuples ";
            content.storedTuples = true;
            return content;
        }
    }
    const int size = std::min(series.wSubsetSize, series.wReservedPulses);
    if (size > 0 && series.lpSubset != nullptr) {
        content.caption = " pattern tuple ";
        content.rows.push_back({std::vector<uint16_t>(series.lpSubset, series.lpSubset + size), {}});
    }
    return content;
}

int32_t tupleRowHeight(const TupleBoxMeasures& measures) noexcept {
    const int32_t h = measures.lineHeight;
    return 1 + h + h / 4 + measures.thumbnailHeight + 1;
}

int32_t tupleBoxWidth(const Canvas& canvas, const TupleBoxContent& content,
                      const TupleBoxMeasures& measures) {
    const int32_t columns = columnCount(content, measures);
    const int32_t rows = columns * rowWidth(longestRow(content), measures) + (columns - 1) * measures.gap +
                         2 * sidePadding(measures);
    return std::max(rows, canvas.textExtent(content.caption).cx + CAPTION_ROOM);
}

int32_t tupleBoxHeight(const TupleBoxContent& content, const TupleBoxMeasures& measures) noexcept {
    const int32_t rows = rowsOfColumn(content, measures);
    if (rows == 0) return 0;
    return 2 * measures.margin + rows * tupleRowHeight(measures) + (rows - 1) * measures.rowGap;
}

bool fitTupleBox(const Canvas& canvas, const TupleBoxContent& content, TupleBoxMeasures& measures,
                 int32_t width, int32_t height) {
    if (content.rows.empty()) return false;
    measures.rowsPerColumn = 0;
    if (tupleBoxHeight(content, measures) > height) {
        const auto rows = static_cast<int32_t>(content.rows.size());
        measures.thumbnailHeight = LEAST_TUPLE_GRAPH;
        if (rowsFitting(measures, height) < rows) measures.rowGap = std::min(measures.rowGap, LEAST_ROW_GAP);
        const int32_t fitting = rowsFitting(measures, height);
        if (fitting < 1) return false;
        const int32_t columns = (rows + fitting - 1) / fitting;
        const int32_t perColumn = (rows + columns - 1) / columns;
        if (columns > 1) measures.rowsPerColumn = perColumn;
        // The thumbnails as high as the column's rows leave room for.
        measures.thumbnailHeight = 0;
        const int32_t rowHeight =
            (height - 2 * measures.margin - (perColumn - 1) * measures.rowGap) / perColumn -
            tupleRowHeight(measures);
        measures.thumbnailHeight = std::max(rowHeight, LEAST_TUPLE_GRAPH);
    }
    return narrowToWidth(canvas, content, measures, width);
}

void drawTupleBox(Canvas& canvas, const TupleBoxContent& content, const TupleBoxMeasures& measures,
                  Point origin, const SeriesHeader& series, int32_t amplitude, std::vector<Rect>* rowRects) {
    if (content.rows.empty()) return;
    const Rect box{origin.x, origin.y, origin.x + tupleBoxWidth(canvas, content, measures) - 1,
                   origin.y + tupleBoxHeight(content, measures) - 1};
    outlineArea(canvas, box);
    const int32_t captionWidth = canvas.textExtent(content.caption).cx;
    canvas.textOut(box.right - CAPTION_INSET - captionWidth, box.top - measures.lineHeight / 2,
                   content.caption);

    const int32_t perColumn = rowsOfColumn(content, measures);
    const int32_t columnPitch = rowWidth(longestRow(content), measures) + measures.gap;
    const int32_t rowPitch = tupleRowHeight(measures) + measures.rowGap;
    for (std::size_t i = 0; i < content.rows.size(); ++i) {
        const TupleBoxRow& row = content.rows[i];
        const int32_t column = static_cast<int32_t>(i) / perColumn;
        const int32_t firstLeft = box.left + sidePadding(measures) + HIGHLIGHT_LEFT + column * columnPitch;
        const int32_t top = box.top + measures.margin + (static_cast<int32_t>(i) % perColumn) * rowPitch;
        for (std::size_t j = 0; j < row.members.size(); ++j) {
            const PulseHeader* etalon = seriesEtalon(series, row.members[j]);
            if (etalon == nullptr) continue;
            const int32_t left =
                firstLeft + static_cast<int32_t>(j) * (measures.thumbnailWidth + measures.gap);
            drawEtalonThumbnail(canvas, *etalon, amplitude, row.highlight,
                                {left, top, left + measures.thumbnailWidth, top + measures.thumbnailHeight},
                                measures.lineHeight);
        }
        if (rowRects != nullptr) {
            rowRects->push_back(
                {firstLeft - HIGHLIGHT_LEFT, top,
                 firstLeft - HIGHLIGHT_LEFT + std::max(rowWidth(row.members.size(), measures), 1) - 1,
                 top + tupleRowHeight(measures) - 1});
        }
    }
}

}  // namespace tessaline
