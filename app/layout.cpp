#include "app/layout.h"

#include <algorithm>

#include "model/codes.h"

namespace tessaline {
namespace {

constexpr int32_t BUTTON_WIDTH = 144;
constexpr int32_t BUTTON_HEIGHT = 32;
constexpr int32_t MARGIN = 10;            // between the graph area, its cells and the window edge
constexpr int32_t BUTTON_RIGHT_GAP = 11;  // from the button column to the right edge
constexpr int32_t BUTTON_STEP = 42;       // from one button's top to the next one's
constexpr int32_t SELECTOR_LINES = 6;     // height of a selector in text lines

// A button of the right-hand column with its top at `top`.
Rect buttonAt(const Rect& client, int32_t top) {
    const int32_t right = client.right - BUTTON_RIGHT_GAP;
    return {right - (BUTTON_WIDTH - 1), top, right, top + BUTTON_HEIGHT - 1};
}

// A cell size: the room left after the margins, shared out evenly; never below 0 nor above what
// 16 bits hold.
uint16_t shareOut(int64_t room, int64_t parts) {
    return static_cast<uint16_t>(std::clamp<int64_t>(room / parts, 0, UINT16_MAX));
}

uint16_t innerSize(uint16_t cell) { return static_cast<uint16_t>(cell > MARGIN ? cell - MARGIN : 0); }

}  // namespace

bool hasSelectionButton(uint16_t taskType) noexcept {
    return taskType != TASK_DETECTION && taskType != TASK_TUPLES_DETECTION &&
           taskType != TASK_TUPLES_RECOGNITION;
}

bool hasLostDataSelector(uint16_t seriesType) noexcept { return isCutoffSeriesType(seriesType); }

int alphabetGridRows(int etalons) noexcept {
    int k = 1;
    while (k * (k + 1) < etalons) ++k;
    return k;
}

WindowLayout computeWindowLayout(const Rect& client, int lineHeight, uint16_t taskType, uint16_t seriesType,
                                 uint16_t etalonsQuantity) noexcept {
    WindowLayout layout;
    const int32_t B = client.bottom;

    // The button column, from the bottom: Exit, Next, the selection button, Restart.
    layout.rcExitButton = buttonAt(client, B - BUTTON_STEP);
    layout.rcNextButton = buttonAt(client, B - 2 * BUTTON_STEP);
    layout.hasSelectButton = hasSelectionButton(taskType);
    if (layout.hasSelectButton) layout.rcSelectButton = buttonAt(client, B - 3 * BUTTON_STEP);
    const int32_t restartTop = B - (layout.hasSelectButton ? 4 : 3) * BUTTON_STEP;
    layout.rcRestartButton = buttonAt(client, restartTop);
    layout.rcButtonArea = {layout.rcRestartButton.left, restartTop - BUTTON_STEP,
                           layout.rcRestartButton.right, B - 3 * BUTTON_STEP + BUTTON_HEIGHT - 1};

    // The graph area takes the size of the alphabet grid: k rows of k + 1 cells.
    layout.cellCount = std::min<int>(etalonsQuantity, ALPHABET_CAPACITY);
    const int k = alphabetGridRows(layout.cellCount);
    layout.gridRows = k;
    layout.gridColumns = k + 1;

    Rect& graph = layout.rcGraph;
    graph.left = client.left + MARGIN;
    graph.top = client.top + MARGIN;
    const int64_t W0 = int64_t{layout.rcExitButton.left - MARGIN} - graph.left + 1;
    const int64_t H0 = int64_t{B - MARGIN} - graph.top + 1;
    layout.wCellWidth = shareOut(W0 - int64_t{k + 2} * MARGIN, k + 1);
    layout.wCellHeight = shareOut(H0 - int64_t{k + 1} * MARGIN, k);
    layout.wCellInnerWidth = innerSize(layout.wCellWidth);
    layout.wCellInnerHeight = innerSize(layout.wCellHeight);
    graph.right = graph.left + layout.wCellWidth * (k + 1) + (k + 2) * MARGIN - 1;
    graph.bottom = graph.top + layout.wCellHeight * k + (k + 1) * MARGIN - 1;

    const int32_t firstX = graph.left + MARGIN;
    int32_t x = firstX;
    int32_t y = graph.top + MARGIN;
    for (int i = 0; i < layout.cellCount; ++i) {
        layout.rcEtalonCells[i] = {x, y, x + layout.wCellWidth - 1, y + layout.wCellHeight - 1};
        x += layout.wCellWidth + MARGIN;
        if ((i + 1) % (k + 1) == 0) {
            x = firstX;
            y += layout.wCellHeight + MARGIN;
        }
    }

    // The selectors stand one under the other, right of the graph area, a line apart.
    const int32_t selectorLeft = graph.right + MARGIN;
    const int32_t selectorRight = client.right - MARGIN;
    const int32_t selectorHeight = SELECTOR_LINES * lineHeight;
    layout.rcLengthSelector = {selectorLeft, graph.top, selectorRight, graph.top + selectorHeight};
    const int32_t noiseTop = layout.rcLengthSelector.bottom + lineHeight;
    layout.rcNoiseSelector = {selectorLeft, noiseTop, selectorRight, noiseTop + selectorHeight};
    layout.hasLostSelector = hasLostDataSelector(seriesType);
    if (layout.hasLostSelector) {
        const int32_t lostTop = layout.rcNoiseSelector.bottom + lineHeight;
        layout.rcLostSelector = {selectorLeft, lostTop, selectorRight, lostTop + selectorHeight};
    }
    return layout;
}

Rect graphInvalidationArea(const WindowLayout& layout) noexcept {
    Rect area = layout.rcGraph;
    area.top -= MARGIN;
    area.right += 2;
    area.bottom += 2;
    return area;
}

Rect buttonInvalidationArea(const WindowLayout& layout) noexcept {
    Rect area = layout.rcButtonArea;
    area.right += 1;
    area.bottom += 1;
    return area;
}

}  // namespace tessaline
