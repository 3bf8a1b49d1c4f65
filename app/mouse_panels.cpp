#include "app/mouse_panels.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/command_ids.h"
#include "app/dialogs.h"
#include "app/messages.h"
#include "app/mouse.h"
#include "model/codes.h"

namespace tessaline {
namespace {

// The first of `rects` containing the point, or -1.
int hitIndex(const std::vector<Rect>& rects, std::size_t count, Point at) {
    const std::size_t n = std::min(count, rects.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (hitsRect(rects[i], at)) return static_cast<int>(i);
    }
    return -1;
}

// " OK ": the subset goes into the series and a new one is made with it, or the cells are
// refreshed when there was nothing to store.
void storeAndShowNewData(Window& window, AppState& state) {
    if (!storeComposedSubset(window, state)) {
        window.sendCommand(CMD_REFRESH_SUBSET_CELLS);
        return;
    }
    state.redraw.dwRedrawButtons = 1;
    state.redraw.dwRedrawLost = 0;
    showNewData(window, state);
}

void pressSubsetButton(Window& window, AppState& state, int button) {
    SubsetPanel& panel = state.subsetPanel;
    switch (button) {
        case SUBSET_DELETE_ALL:
            deleteAllSubsetEntries(panel);
            window.sendCommand(CMD_REFRESH_SUBSET_PANEL);
            break;
        case SUBSET_DELETE:
            deleteMarkedSubsetEntries(panel);
            window.sendCommand(CMD_REFRESH_SUBSET_PANEL);
            break;
        case SUBSET_CANCEL:
            deleteAllSubsetEntries(panel);
            clearSelectorRedraws(state);
            state.redraw.dwRedrawButtons = 1;  // the result view adds Restart
            showNewData(window, state);
            break;
        case SUBSET_OK: storeAndShowNewData(window, state); break;
        case SUBSET_ACCEPT:
            acceptComposedSubset(panel);
            window.sendCommand(CMD_REFRESH_SUBSET_CELLS);
            break;
        case SUBSET_CLEAR_ALL:
            clearStoredSubsets(panel);
            window.sendCommand(CMD_REFRESH_SUBSET_CELLS);
            break;
        default: break;
    }
}

// Leaves the parameters panel after " Cancel " or " OK ": to the subset view when a tuples series
// still needs its tuple, else to a new series.
void leaveParamsPanel(Window& window, AppState& state) {
    window.placeTminEdit({});
    if (isTuplesSeriesType(state.task.wSeriesType) && state.subsetPanel.dwEntries == 0) {
        state.view.dwViewMode = VIEW_SUBSETS;
        window.sendCommand(CMD_SELECT_SET_OF_PULSES);
        return;
    }
    showNewData(window, state);
}

// " OK ": the Tmin typed into the edit field becomes the series' least distance. A value no
// series can be made with is refused with a warning and the panel stays as it is.
bool takeTypedTmin(Window& window, AppState& state) {
    std::string text = window.tminEditText();
    if (text.size() > EDIT_TEXT_LIMIT) text.resize(EDIT_TEXT_LIMIT);
    const int32_t typed = editNumber(text);
    const std::string refused =
        typed < 1 || typed > UINT16_MAX
            ? std::string(app_text::TMIN_NOT_A_DISTANCE)
            : seriesSettingsRefusal(state.alphabet.wEtalonLength, static_cast<uint32_t>(typed),
                                    state.series.wTmax, state.series.dwRequestedSeriesLength);
    if (!refused.empty()) {
        window.showMessage(refused, app_text::TMIN_CAPTION, MessageIcon::Warning);
        return false;
    }
    state.series.wTmin = static_cast<uint16_t>(typed);
    return true;
}

void refreshChart(Window& window, ParamsHeader& record) {
    record.dwRedrawPart = 1;
    window.sendCommand(CMD_REFRESH_GRAPH_KEEP);
}

// A level dragged to the height of the point, within the series' starts a .. b.
int32_t levelAt(const ParamsHeader& record, int32_t y) {
    const int64_t span = int64_t{record.rcPlot.bottom} - record.rcPlot.top + 1;
    if (span <= 0) return record.dwFirstLowest;
    const int64_t value = record.dwFirstLowest + (int64_t{record.rcPlot.bottom} - y) *
                                                     (int64_t{record.dwLastHighest} - record.dwFirstLowest) /
                                                     span;
    return static_cast<int32_t>(std::clamp<int64_t>(value, record.dwFirstLowest, record.dwLastHighest));
}

// Moves whatever is dragged to the point; true when a drag runs. A slope dragged to a distance
// that would not keep the shown count ends its drag.
bool dragTo(ParamsHeader& record, Point at) {
    if (record.dwFirstHighestDrag != 0) {
        record.dwFirstHighest = levelAt(record, at.y);
    } else if (record.dwLastLowestDrag != 0) {
        record.dwLastLowest = levelAt(record, at.y);
    } else if (record.dwTminDrag != 0) {
        const int32_t tmin = tminFromPoint(record, at);
        if (tminAccepted(record, tmin)) {
            record.dwTmin = tmin;
        } else {
            record.dwTminDrag = 0;
        }
    } else if (record.dwTmaxDrag != 0) {
        const int32_t tmax = tmaxFromPoint(record, at);
        if (tmaxAccepted(record, tmax)) {
            record.dwTmax = tmax;
        } else {
            record.dwTmaxDrag = 0;
        }
    } else {
        return false;
    }
    return true;
}

struct Hover {
    int32_t ParamsHeader::*flag;
    CursorShape shape;
    bool on;
};

constexpr int32_t ParamsHeader::*HOVER_FLAGS[] = {&ParamsHeader::dwFirstHighestHover,
                                                  &ParamsHeader::dwLastLowestHover,
                                                  &ParamsHeader::dwTminHover, &ParamsHeader::dwTmaxHover};

bool anyHover(const ParamsHeader& record) {
    return std::any_of(std::begin(HOVER_FLAGS), std::end(HOVER_FLAGS),
                       [&](int32_t ParamsHeader::*flag) { return record.*flag != 0; });
}

// Starts or ends the hover of one handle: the pointer changes and the mouse is captured while it
// is over a handle; the shape it replaced comes back when it has left them all. Handles may
// overlap, so only the first hover keeps the shape and only the last one gives it back.
void updateHover(Window& window, AppState& state, ParamsHeader& record, const Hover& hover) {
    int32_t& flag = record.*hover.flag;
    if (flag == 0 && hover.on) {
        const bool first = !anyHover(record);
        flag = 1;
        const CursorShape replaced = window.setCursor(hover.shape);
        if (!first) return;
        state.hSavedCursor = replaced;
        window.captureMouse();
    } else if (flag != 0 && !hover.on) {
        flag = 0;
        if (anyHover(record)) return;
        window.setCursor(state.hSavedCursor);
        window.releaseMouse();
    }
}

int64_t chartWidth(const ParamsHeader& record) {
    return int64_t{record.rcPlot.right} - record.rcPlot.left + 1;
}
int64_t chartHeight(const ParamsHeader& record) {
    return int64_t{record.rcPlot.bottom} - record.rcPlot.top + 1;
}

// m + 1 >= K >= c for the most starts m of the corridor's height and the least count c its
// last pulse forces with `tmax`.
bool countFits(const ParamsHeader& record, int32_t tmin, int32_t tmax) {
    if (tmin <= 0 || tmax <= 0) return false;
    const int64_t m = (int64_t{record.dwLastHighest} - record.dwFirstLowest) / tmin;
    const int64_t spread = int64_t{record.dwLastLowest} - record.dwFirstHighest;
    const int64_t c = spread <= 0 ? 1 : (spread + tmax - 1) / tmax + 1;
    return m + 1 >= record.dwPulses && record.dwPulses >= c;
}

}  // namespace

void clearSelectorRedraws(AppState& state) {
    state.redraw.dwRedrawLength = 0;
    state.redraw.dwRedrawNoise = 0;
    state.redraw.dwRedrawLost = 0;
}

void showNewData(Window& window, AppState& state) {
    const uint32_t runs = state.dwCompletedRuns;
    state.view.dwViewMode = VIEW_RESULT;
    window.sendCommand(CMD_NEW_DATA);
    if (state.dwCompletedRuns == runs) window.sendCommand(CMD_REDRAW_ALL);
}

bool storeComposedSubset(Window& window, AppState& state) {
    return storeSubsetInSeries(window, state.subsetPanel, state.task.wTaskType,
                               state.subsets.wSubsetEmployment, state.subsets.wSubsetInitPosition,
                               state.lpSeriesHeader);
}

bool clickSubsetPanel(Window& window, AppState& state, Point at) {
    const SubsetPanelGeometry& drawn = drawnSubsetPanel(state.painted);
    SubsetPanel& panel = state.subsetPanel;
    if (const int cell = hitIndex(drawn.cells, state.selection.wRequiredQuantity, at);
        cell >= 0 && state.selection.lpRequiredList != nullptr) {
        offerEtalonToSubset(panel, state.selection.lpRequiredList[cell]);
        window.sendCommand(CMD_REFRESH_SUBSET_PANEL);
        return true;
    }
    if (hitsRect(drawn.subsetArea, at)) {
        markSubsetEntry(panel, hitIndex(drawn.subsetSlots, static_cast<std::size_t>(panel.dwEntries), at));
        window.sendCommand(CMD_REFRESH_SUBSET_PANEL);
        return true;
    }
    if (const int button = hitIndex(drawn.buttons, drawn.buttons.size(), at); button >= 0) {
        pressSubsetButton(window, state, button);
        return true;
    }
    const auto stored = static_cast<std::size_t>(std::max(panel.dwStoredSubsets, 0));
    if (const int row = hitIndex(drawn.rowFrames, stored, at); row >= 0) {
        chooseStoredSubset(panel, row);
        window.sendCommand(CMD_REFRESH_SUBSET_CELLS);
        return true;
    }
    return false;
}

bool clickParamsPanel(Window& window, AppState& state, Point at) {
    ParamsHeader* record = state.lpParamsHeader;
    if (record == nullptr) return false;
    if (hitsRect(record->rcCancelButton, at)) {
        clearSelectorRedraws(state);
        state.redraw.dwRedrawButtons = 1;  // the view left for shows other buttons
        leaveParamsPanel(window, state);
        return true;
    }
    if (hitsRect(record->rcOkButton, at)) {
        if (takeTypedTmin(window, state)) {
            state.redraw.dwRedrawButtons = 1;
            state.redraw.dwRedrawLost = 0;
            leaveParamsPanel(window, state);
        }
        return true;
    }
    const int32_t areas = std::clamp(record->dwAreas, 0, record->dwAreasCapacity);
    for (int32_t i = 0; i < areas && record->pulsesSelectedAreas != nullptr; ++i) {
        if (!hitsRect(record->pulsesSelectedAreas[i], at)) continue;
        record->dwPulses = record->dwMinPulses + i;
        refreshChart(window, *record);
        return true;
    }
    if (hitsRect(record->rcFirstHighestHandle, at)) {
        record->dwFirstHighestDrag = 1;
    } else if (hitsRect(record->rcLastLowestHandle, at)) {
        record->dwLastLowestDrag = 1;
    } else if (onSlopeLine(record->tminSlope, record->dwTminSlopeHandle, at)) {
        record->dwTminDrag = 1;
    } else if (onSlopeLine(record->tmaxSlope, record->dwTmaxSlopeHandle, at)) {
        record->dwTmaxDrag = 1;
    } else {
        return false;
    }
    return true;
}

void moveOverParamsPanel(Window& window, AppState& state, Point at) {
    ParamsHeader* record = state.lpParamsHeader;
    if (record == nullptr) return;
    if (dragTo(*record, at)) {
        refreshChart(window, *record);
        return;
    }
    const Hover hovers[] = {{&ParamsHeader::dwFirstHighestHover, CursorShape::SizeVertical,
                             hitsRect(record->rcFirstHighestHandle, at)},
                            {&ParamsHeader::dwLastLowestHover, CursorShape::SizeVertical,
                             hitsRect(record->rcLastLowestHandle, at)},
                            {&ParamsHeader::dwTminHover, CursorShape::SizeDiagonal,
                             onSlopeLine(record->tminSlope, record->dwTminSlopeHandle, at)},
                            {&ParamsHeader::dwTmaxHover, CursorShape::SizeDiagonal,
                             onSlopeLine(record->tmaxSlope, record->dwTmaxSlopeHandle, at)}};
    for (const Hover& hover : hovers) updateHover(window, state, *record, hover);
}

void releaseOverParamsPanel(Window& window, AppState& state, Point at) {
    ParamsHeader* record = state.lpParamsHeader;
    if (record == nullptr) return;
    int32_t* const flags[] = {&record->dwFirstHighestDrag, &record->dwLastLowestDrag, &record->dwTminDrag,
                              &record->dwTmaxDrag};
    const auto running =
        std::find_if(std::begin(flags), std::end(flags), [](const int32_t* f) { return *f != 0; });
    if (running == std::end(flags)) return;
    dragTo(*record, at);  // the last update, which may end a slope's drag itself
    **running = 0;
    refreshChart(window, *record);
}

void endParamsPanelHovers(Window& window, AppState& state) {
    ParamsHeader* record = state.lpParamsHeader;
    if (record == nullptr) return;
    for (int32_t ParamsHeader::*flag : {&ParamsHeader::dwFirstHighestDrag, &ParamsHeader::dwLastLowestDrag,
                                        &ParamsHeader::dwTminDrag, &ParamsHeader::dwTmaxDrag}) {
        record->*flag = 0;
    }
    for (int32_t ParamsHeader::*flag : HOVER_FLAGS)
        updateHover(window, state, *record, {flag, CursorShape::Arrow, false});
}

bool onSlopeLine(const LineSegment& line, int32_t handle, Point at) noexcept {
    const int64_t x1 = line.from.x, y1 = line.from.y, x2 = line.to.x, y2 = line.to.y;
    const int64_t e = x2 - x1;
    if (e == 0 || at.x < x1 || at.x > x2) return false;
    const int64_t d = (e + 2 * (x2 - at.x) * (y1 - y2)) / (2 * e);
    return std::llabs((at.y - y2) - d) <= handle;
}

int32_t tminFromPoint(const ParamsHeader& record, Point at) noexcept {
    if (record.dwTminHover == 0) return 0;
    const int64_t W = chartWidth(record), Hp = chartHeight(record), steps = int64_t{record.dwMaxPulses} - 1;
    const int64_t A = (steps * W - (at.x - int64_t{record.rcPlot.left}) * steps) * Hp;
    if (A <= 0) return 0;
    const int64_t rise = int64_t{record.dwLastHighest} - record.dwFirstLowest;
    const int64_t value = (A + 2 * (at.y - int64_t{record.rcPlot.top}) * rise * W) / (2 * A);
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int32_t tmaxFromPoint(const ParamsHeader& record, Point at) noexcept {
    if (record.dwTmaxHover == 0) return 0;
    const int64_t W = chartWidth(record), Hp = chartHeight(record), steps = int64_t{record.dwMaxPulses} - 1;
    const int64_t A = (at.x - int64_t{record.rcPlot.left}) * steps * Hp;
    if (A <= 0) return 0;
    const int64_t rise = int64_t{record.dwLastHighest} - record.dwFirstLowest;
    const int64_t start = int64_t{record.dwFirstHighest} - record.dwFirstLowest;
    const int64_t value =
        (A + 2 * (rise * (int64_t{record.rcPlot.bottom} - at.y + 1) - start * Hp) * W) / (2 * A);
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool tminAccepted(const ParamsHeader& record, int32_t tmin) noexcept {
    if (tmin < record.dwImpulseSize || tmin > record.dwTmax) return false;
    return countFits(record, tmin, record.dwTmax);
}

bool tmaxAccepted(const ParamsHeader& record, int32_t tmax) noexcept {
    if (tmax <= record.dwTmin || tmax > record.dwLastLowest) return false;
    return countFits(record, record.dwTmin, tmax);
}

}  // namespace tessaline
