#include "app/window_paint.h"

#include <algorithm>
#include <span>
#include <vector>

#include "draw/button_pictures.h"
#include "draw/controls.h"
#include "model/codes.h"
#include "panels/params_header.h"
#include "views/alphabet_view.h"
#include "views/result_view.h"
#include "views/stats_graph.h"
#include "views/view_frame.h"

namespace tessaline {
namespace {

// The etalons the alphabet view has cells for.
std::size_t alphabetCells(const AppState& state, const WindowLayout& layout) {
    return static_cast<std::size_t>(std::clamp<int>(
        std::min<int>(state.alphabet.wEtalonsQuantity, layout.cellCount), 0, ALPHABET_CAPACITY));
}

void drawAlphabet(Canvas& canvas, const AppState& state, const PaintedGeometry& painted) {
    const WindowLayout& layout = painted.layout;
    const std::size_t cells = alphabetCells(state, layout);
    std::vector<Point> origins(cells);
    for (std::size_t i = 0; i < cells; ++i)
        origins[i] = {layout.rcEtalonCells[i].left, layout.rcEtalonCells[i].top};
    AlphabetViewInput input;
    input.etalons = std::span<const PulseHeader>(state.alphabet.Alphabet, cells);
    input.selected = std::span<const uint16_t>(state.selection.wRequiredFlags, cells);
    input.view = layout.rcGraph;
    input.cellOrigins = origins;
    input.graphWidth = layout.wCellInnerWidth;
    input.cellHeight = layout.wCellInnerHeight;
    input.frameWidth = layout.wCellWidth;
    input.frameHeight = layout.wCellHeight;
    input.amplitude = state.alphabet.wAmplitude;
    input.lineHeight = painted.lineHeight;
    drawAlphabetView(canvas, input);
}

// The list of required etalons as far as it is held.
std::span<const uint16_t> requiredList(const AppState& state) {
    const uint16_t listed =
        state.selection.lpRequiredList != nullptr
            ? std::min(state.selection.wRequiredQuantity, state.selection.wRequiredCapacity)
            : uint16_t{0};
    return std::span<const uint16_t>(state.selection.lpRequiredList, listed);
}

// Series processing is drawn only for the series types it handles.
bool resultDrawable(const AppState& state) {
    if (state.task.wTaskType != TASK_SERIES_PROCESSING) return true;
    return state.task.wSeriesType == SERIES_FIXED_WHOLE || state.task.wSeriesType == SERIES_FIXED_CUTOFF ||
           state.task.wSeriesType == SERIES_UNFIXED_WHOLE || state.task.wSeriesType == SERIES_UNFIXED_CUTOFF;
}

void drawProcessingResult(Canvas& canvas, const AppState& state, PaintedGeometry& painted) {
    ResultViewInput input;
    input.graph = painted.layout.rcGraph;
    input.lineHeight = painted.lineHeight;
    input.etalonList = requiredList(state);
    input.series = state.lpSeriesHeader;
    input.chains = state.lpChainsHeader;
    input.settings = {state.drawing.dwHighlightDetectedPulses != 0, state.drawing.dwShadedOriginalPulses != 0,
                      state.drawing.wTuplesHighlight, state.drawing.dwSpecialGraphSize != 0,
                      state.drawing.dwFrameGraphFields != 0};
    input.pickedTuple = state.subsetPanel.dwChosenSubset;
    drawProcessingResultView(canvas, input, painted.tupleRows);
}

// The graphs of the last finished simulation, with the etalon list it told apart.
void drawStatistics(Canvas& canvas, const AppState& state, PaintedGeometry& painted, MessageSink& messages) {
    StatsGraphInput input;
    input.graph = painted.layout.rcGraph;
    input.lineHeight = painted.lineHeight;
    input.amplitude = state.alphabet.wAmplitude;
    input.viewCode = state.statistics.dwStatisticsView;
    input.etalonList = requiredList(state);
    const RestErrorHeader* record = state.lpRestErrorHeader;
    if (record != nullptr && record->ifComplete != 0) input.record = record;
    input.series = state.lpSeriesHeader;
    input.simulationStart = state.grid.dwSimulationStart;
    input.simulationEnd = state.grid.dwSimulationEnd;
    input.fixedBound = {state.statistics.dwFixedUpperBound != 0, state.statistics.dUpperBound};
    input.pickedTuple = state.subsetPanel.dwChosenSubset;
    DrawDetectionArrayZ(messages, canvas, input, painted.tupleRows);
}

static_assert(SUBSET_PANEL_ENTRIES == SUBSET_ENTRY_CAPACITY);

// The subset panel from its state; a panel not set up yet is drawn empty, with the table size of
// the setting. Tuple recognition gets the table painter.
void drawSubsets(Canvas& canvas, const AppState& state, PaintedGeometry& painted, MessageSink& messages) {
    const SubsetPanel& panel = state.subsetPanel;
    const SeriesHeader* series = state.lpSeriesHeader;
    SubsetPanelInput input;
    input.graph = painted.layout.rcGraph;
    input.lineHeight = painted.lineHeight;
    input.charWidth = canvas.fontMetrics().averageCharWidth;
    input.amplitude = state.alphabet.wAmplitude;
    input.alphabet =
        std::span<const PulseHeader>(state.alphabet.Alphabet, alphabetCells(state, painted.layout));
    input.alphabetEntries = series != nullptr ? series->wReservedEtalons : state.alphabet.wEtalonsQuantity;
    input.offered = requiredList(state);
    input.maxPulses = series != nullptr ? series->wMaxPulses : state.series.wMaxPulses;
    input.reservedRows = state.subsets.dwReservedSubsetCount;
    if (subsetPanelReady(panel)) {
        const std::size_t entries = static_cast<std::size_t>(panel.dwEntries);
        const std::size_t stored = static_cast<std::size_t>(panel.dwStoredSubsets);
        input.composed = std::span<const int32_t>(panel.selectedSubset, entries);
        input.marks = std::span<const int32_t>(panel.subsetMarks, entries);
        input.markAll = panel.dwMarkAll != 0;
        input.reservedRows = panel.dwReservedSubsets;
        input.storedSizes = std::span<const int32_t>(panel.selectedSubsetArraySize, stored);
        input.storedRows = std::span<const int32_t* const>(panel.subsetRows, stored);
        input.chosen = panel.dwChosenSubset;
    }
    SubsetPanelRects rects;
    const bool table = state.task.wTaskType == TASK_TUPLES_RECOGNITION;
    const int drawn = table ? drawSubsetTablePanel(messages, canvas, input, rects)
                            : drawSingleSubsetPanel(messages, canvas, input, rects);
    painted.subsetPanel = subsetPanelGeometryOf(rects);
    painted.subsetMarkAllUsed = drawn != 0 && table && input.markAll;
}

// The parameters panel of the record the view command made, drawn whole: the client area was
// cleared, so nothing of an earlier paint is left to keep. Without a record only the outline.
void drawParameters(Canvas& canvas, const AppState& state, PaintedGeometry& painted) {
    if (state.lpParamsHeader == nullptr) {
        outlineArea(canvas, painted.layout.rcGraph);
        return;
    }
    ParamsHeader whole = *state.lpParamsHeader;
    whole.dwRedrawPart = 0;
    const ParamsPanelInput input{painted.layout.rcGraph, painted.lineHeight,
                                 canvas.fontMetrics().averageCharWidth};
    painted.paramsPanel = drawParamsPanel(canvas, whole, input);
}

void drawGraphArea(Canvas& canvas, const AppState& state, PaintedGeometry& painted, MessageSink& messages) {
    switch (state.view.dwViewMode) {
        case VIEW_ALPHABET: drawAlphabet(canvas, state, painted); break;
        case VIEW_RESULT:
            if (state.view.wResultKind == RESULT_STATISTICS) {
                drawStatistics(canvas, state, painted, messages);
            } else {
                if (resultDrawable(state)) drawProcessingResult(canvas, state, painted);
                painted.processingResultDrawn = true;
            }
            break;
        case VIEW_SUBSETS: drawSubsets(canvas, state, painted, messages); break;
        case VIEW_PARAMETERS: drawParameters(canvas, state, painted); break;
        default: break;
    }
}

// Select All is offered while at most half of the etalons are selected.
int32_t selectAllShown(const AppState& state) {
    const int etalons = std::min<int>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY);
    const auto selected =
        std::count(state.selection.wRequiredFlags, state.selection.wRequiredFlags + etalons, uint16_t{1});
    return 2 * selected <= state.alphabet.wEtalonsQuantity ? 1 : 0;
}

// The button column: Restart in the result view only, then Next, Exit and the selection button.
void drawButtons(Canvas& canvas, const AppState& state, PaintedGeometry& painted) {
    const bool withRestart = state.view.dwViewMode == VIEW_RESULT;
    if (!withRestart && state.view.dwViewMode != VIEW_ALPHABET && state.view.dwViewMode != VIEW_SUBSETS &&
        state.view.dwViewMode != VIEW_PARAMETERS) {
        return;
    }
    const WindowLayout& layout = painted.layout;
    const int32_t h = painted.lineHeight;
    // The button's picture at its top left corner when the window has made them, else the button
    // drawn with its caption.
    const auto button = [&](const Rect& area, ButtonPictureId picture) {
        if (state.buttonPictures.size() == BUTTON_PICTURE_COUNT) {
            canvas.drawPicture({area.left, area.top}, state.buttonPictures[picture]);
        } else {
            drawButton(canvas, area, BUTTON_PICTURES[picture].caption, h);
        }
    };
    if (withRestart) button(layout.rcRestartButton, PICTURE_RESTART);
    button(layout.rcNextButton, PICTURE_NEXT);
    button(layout.rcExitButton, PICTURE_EXIT);
    if (layout.hasSelectButton) {
        painted.selectAllShown = selectAllShown(state);
        button(layout.rcSelectButton,
               *painted.selectAllShown != 0 ? PICTURE_SELECT_ALL : PICTURE_UNSELECT_ALL);
    }
}

void drawSelector(Canvas& canvas, int32_t lineHeight, const Rect& group, const char* title,
                  const SelectorChoices& choices, int32_t index, int32_t inUse, Rect (&rows)[SELECTOR_ROWS]) {
    const std::size_t count = static_cast<std::size_t>(std::clamp(choices[0], 0, SELECTOR_ROWS));
    drawSelectorGroup(canvas, group, title, std::span<const int32_t>(choices + 1, count), index, inUse,
                      lineHeight, rows);
}

void drawSelectors(Canvas& canvas, const AppState& state, PaintedGeometry& painted) {
    const WindowLayout& layout = painted.layout;
    const int32_t h = painted.lineHeight;
    drawSelector(canvas, h, layout.rcLengthSelector, " series length: ", state.series.SeriesLengthChoices,
                 state.series.dwSeriesLengthIndex, static_cast<int32_t>(state.series.dwSeriesLength),
                 painted.lengthRows);
    drawSelector(canvas, h, layout.rcNoiseSelector, " noise level: ", state.noise.NoiseLevelChoices,
                 state.noise.dwNoiseLevelIndex, state.noise.wNoiseLevel, painted.noiseRows);
    if (layout.hasLostSelector) {
        drawSelector(canvas, h, layout.rcLostSelector, " lost data level: ", state.noise.LostDataChoices,
                     state.noise.dwLostDataIndex, state.noise.wLostDataLevel, painted.lostRows);
    }
}

}  // namespace

PaintedGeometry paintClientArea(Canvas& canvas, const AppState& state, const Rect& client,
                                MessageSink& messages) {
    const FontGuard font(canvas, Font{});
    const PenGuard pen(canvas, Pen{});
    const BrushGuard brush(canvas, Brush{});
    const Color textColor = canvas.setTextColor(kBlack);
    const Color background = canvas.setBackgroundColor(kWhite);
    canvas.fillRect(client, kWhite);
    PaintedGeometry painted;
    painted.lineHeight = lineHeightOf(canvas);
    painted.layout = computeWindowLayout(client, painted.lineHeight, state.task.wTaskType,
                                         state.task.wSeriesType, state.alphabet.wEtalonsQuantity);
    drawGraphArea(canvas, state, painted, messages);
    drawButtons(canvas, state, painted);
    drawSelectors(canvas, state, painted);
    canvas.setBackgroundColor(background);
    canvas.setTextColor(textColor);
    return painted;
}

std::string_view loadButtonPictures(AppState& state,
                                    const std::function<WindowImage(std::string_view caption)>& paint) {
    state.buttonPictures.clear();
    for (const ButtonPictureInfo& info : BUTTON_PICTURES) {
        WindowImage picture = paint(info.caption);
        if (picture.width != BUTTON_PICTURE_WIDTH || picture.height != BUTTON_PICTURE_HEIGHT ||
            !pixelsMatchSize(picture)) {
            state.buttonPictures.clear();
            return info.name;
        }
        state.buttonPictures.push_back(std::move(picture));
    }
    return {};
}

void prepareForPaint(Window& window, AppState& state) {
    if (state.view.dwViewMode == VIEW_SUBSETS)
        initSubsetPanel(window, state.subsetPanel, state.subsets.dwReservedSubsetCount);
}

void storePaintedGeometry(AppState& state, const PaintedGeometry& painted) {
    // A paint that drew no selection button or no subset panel keeps the ones drawn before.
    PaintedGeometry next = painted;
    if (!next.selectAllShown) next.selectAllShown = state.painted.selectAllShown;
    if (!next.subsetPanel) next.subsetPanel.swap(state.painted.subsetPanel);
    state.painted = std::move(next);
    if (painted.processingResultDrawn) state.view.dwTypeMoreDetails = 0;
    if (painted.subsetMarkAllUsed) applyMarkAll(state.subsetPanel);
    if (painted.paramsPanel && state.lpParamsHeader != nullptr)
        recordParamsPanel(*state.lpParamsHeader, *painted.paramsPanel);
}

void placeEditField(Window& window, const PaintedGeometry& painted) {
    window.placeTminEdit(painted.paramsPanel ? painted.paramsPanel->tminEdit : Rect{});
}

}  // namespace tessaline
