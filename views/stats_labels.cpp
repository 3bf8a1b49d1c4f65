#include "views/stats_labels.h"

#include <algorithm>
#include <string_view>

#include "platform/formatting.h"
#include "views/stats_bounds.h"

namespace tessaline {
namespace {

constexpr std::string_view SIGMA = "s";  // sigma in the symbol font
constexpr int32_t LEVEL_LABEL_DROP = 3;  // from the graph's bottom to the noise labels

Font symbolFont(int32_t height) { return Font{Font::Kind::Symbol, {}, height}; }

int32_t blankWidth(const Canvas& canvas) { return std::max(canvas.textExtent(" ").cx, 1); }

struct LevelLabel {
    std::string number;
    int32_t x = 0;
    int32_t numberWidth = 0;
    int32_t width = 0;  // with the sigma
};

// The labels of every `stride`-th row in the selected font, kept within the room.
std::vector<LevelLabel> levelLabels(const Canvas& canvas, const StatsGraphGeometry& geometry,
                                    std::span<const int16_t> levels, int32_t stride,
                                    const StatsLabelRoom& room) {
    std::vector<LevelLabel> labels;
    const int32_t sigma = canvas.textExtent(SIGMA).cx;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (!noiseLevelLabelled(static_cast<int32_t>(k), stride)) continue;
        LevelLabel label{formatted("%d", levels[k]), 0, 0, 0};
        label.numberWidth = canvas.textExtent(label.number).cx;
        label.width = label.numberWidth + sigma;
        const int32_t centred =
            geometry.area.left + static_cast<int32_t>(k) * geometry.levelSpacing - label.numberWidth / 2;
        label.x = std::max(std::min(centred, room.right - label.width), room.left);
        labels.push_back(std::move(label));
    }
    return labels;
}

bool standApart(const std::vector<LevelLabel>& labels, int32_t gap) {
    for (std::size_t i = 1; i < labels.size(); ++i) {
        if (labels[i].x < labels[i - 1].x + labels[i - 1].width + gap) return false;
    }
    return true;
}

// The rows a column of curve labels may take: from `top` to `bottom` (the last label's top), a
// line height apart.
struct LabelColumn {
    int32_t top = 0;
    int32_t bottom = 0;
    int32_t pitch = 1;

    int32_t capacity() const { return bottom < top ? 0 : (bottom - top) / pitch + 1; }
};

LabelColumn labelColumn(const Canvas& canvas, const StatsGraphGeometry& geometry) {
    const int32_t pitch = std::max(lineHeightOf(canvas), 1);
    return {geometry.area.top - geometry.fontHeight / 2, geometry.area.bottom + LEVEL_LABEL_DROP - pitch,
            pitch};
}

// Tops for labels wanted at `wanted` (ascending) in the column: each as near its wanted row as
// the others let it, none above the column's top or below its bottom.
std::vector<int32_t> packedTops(const std::vector<int32_t>& wanted, const LabelColumn& column) {
    std::vector<int32_t> tops(wanted.size());
    int32_t least = column.top;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        tops[i] = std::max(wanted[i], least);
        least = tops[i] + column.pitch;
    }
    int32_t most = column.bottom;
    for (std::size_t i = wanted.size(); i-- > 0;) {
        tops[i] = std::min(tops[i], most);
        most = tops[i] - column.pitch;
    }
    return tops;
}

// Every `step`-th label, from the first.
std::vector<CurveLabel> everyNth(std::vector<CurveLabel> labels, std::size_t step) {
    std::vector<CurveLabel> kept;
    for (std::size_t i = 0; i < labels.size(); i += step) kept.push_back(std::move(labels[i]));
    return kept;
}

int32_t widestLabel(const Canvas& canvas, const std::vector<CurveLabel>& labels) {
    int32_t widest = 0;
    for (const CurveLabel& label : labels) widest = std::max(widest, canvas.textExtent(label.text).cx);
    return widest;
}

// Every `stride`-th of the labels (their wanted tops in `end.y`, ascending) from `first`, packed
// into the column at `x`.
void drawLabelColumn(Canvas& canvas, const std::vector<CurveLabel>& labels, std::size_t first,
                     std::size_t stride, const LabelColumn& column, int32_t x) {
    std::vector<int32_t> wanted;
    wanted.reserve(labels.size() / stride + 1);
    for (std::size_t i = first; i < labels.size(); i += stride) wanted.push_back(labels[i].end.y);
    const std::vector<int32_t> tops = packedTops(wanted, column);
    for (std::size_t i = 0; i < tops.size(); ++i) canvas.textOut(x, tops[i], labels[first + i * stride].text);
}

}  // namespace

int32_t drawNoiseLevelLabels(Canvas& canvas, const StatsGraphGeometry& geometry,
                             std::span<const int16_t> levels, const StatsLabelRoom& room) {
    int32_t height = geometry.fontHeight;
    for (; height > room.leastFontHeight; --height) {
        const FontGuard font(canvas, symbolFont(height));
        if (standApart(levelLabels(canvas, geometry, levels, 4, room), blankWidth(canvas))) break;
    }
    const FontGuard font(canvas, symbolFont(height));
    int32_t stride = 4;
    std::vector<LevelLabel> labels = levelLabels(canvas, geometry, levels, stride, room);
    while (!standApart(labels, blankWidth(canvas))) {
        stride += 4;
        labels = levelLabels(canvas, geometry, levels, stride, room);
    }
    const int32_t y = geometry.area.bottom + LEVEL_LABEL_DROP;
    for (const LevelLabel& label : labels) {
        canvas.textOut(label.x, y, label.number);
        canvas.textOut(label.x + label.numberWidth, y, SIGMA);
    }
    return stride;
}

int32_t drawCurveLabels(Canvas& canvas, const StatsGraphGeometry& geometry, std::vector<CurveLabel> labels,
                        const StatsLabelRoom& room) {
    if (labels.empty()) return 0;
    const auto count = static_cast<int32_t>(labels.size());
    int32_t height = geometry.fontHeight;
    for (; height > room.leastFontHeight; --height) {
        const FontGuard font(canvas, symbolFont(height));
        if (labelColumn(canvas, geometry).capacity() >= count) break;
    }
    const FontGuard font(canvas, symbolFont(height));
    const LabelColumn column = labelColumn(canvas, geometry);
    int32_t x = room.left;
    for (const CurveLabel& label : labels) x = std::max(x, label.end.x + 2);
    const int32_t columnWidth = widestLabel(canvas, labels) + blankWidth(canvas);
    const int32_t columnsHeld = std::max((room.right - x + blankWidth(canvas)) / columnWidth, 1);
    const int32_t capacity = std::max(column.capacity(), 1);
    const int32_t step = (count + capacity * columnsHeld - 1) / (capacity * columnsHeld);
    labels = everyNth(std::move(labels), static_cast<std::size_t>(step));
    const auto kept = static_cast<int32_t>(labels.size());
    const int32_t columns = (kept + capacity - 1) / capacity;

    // The labels in the order of their wanted rows, dealt out to the columns in turn.
    const int32_t rise = (height + 1) / 2 + 1;
    for (CurveLabel& label : labels) label.end.y -= rise;
    std::stable_sort(labels.begin(), labels.end(),
                     [](const CurveLabel& a, const CurveLabel& b) { return a.end.y < b.end.y; });
    for (int32_t c = 0; c < columns; ++c) {
        drawLabelColumn(canvas, labels, static_cast<std::size_t>(c), static_cast<std::size_t>(columns),
                        column, x + c * columnWidth);
    }
    return count - kept;
}

}  // namespace tessaline
