#pragma once
// The mouse over the two panels of the graph area: the subset selection panel's cells, subset row,
// buttons and stored rows, and the parameters panel's buttons, pulse-count labels, level handles
// and slope lines with their drags and hovers.
#include "app/state.h"
#include "panels/params_header.h"
#include "platform/geometry.h"
#include "platform/window.h"

namespace tessaline {

// Clears the three selectors' redraw flags, as a click that leaves for a new series does.
void clearSelectorRedraws(AppState& state);

// The result view with a new series made and processed. A run that stops on the way (and says
// why) refreshes nothing itself, so the window is then drawn anew for the view it left.
void showNewData(Window& window, AppState& state);

// Puts the subset being composed (or, for tuple recognition, the stored table) in use in the
// series record, as the panel's " OK " does; false when there was nothing to store.
bool storeComposedSubset(Window& window, AppState& state);

// The panels' own targets, tried before the buttons and selectors every view shares; true when
// one was hit (and its command sent).
bool clickSubsetPanel(Window& window, AppState& state, Point at);
bool clickParamsPanel(Window& window, AppState& state, Point at);

// The drag and hover of the parameters panel's handles.
void moveOverParamsPanel(Window& window, AppState& state, Point at);
void releaseOverParamsPanel(Window& window, AppState& state, Point at);
// Ends every hover and drag of the panel's handles, as leaving the panel does: the pointer gets
// back the shape the hover replaced and the mouse is released. Nothing happens without one.
void endParamsPanelHovers(Window& window, AppState& state);

// The slope-line test: the point lies on the line from `line.from` to `line.to` (left to right)
// when it is within the line's columns and its height differs from the line's, rounded, by at
// most `handle`. A line of no width is never hit.
bool onSlopeLine(const LineSegment& line, int32_t handle, Point at) noexcept;

// The distances a point on the chart gives the dragged slope lines (0 when it gives none), and
// whether a distance keeps the shown pulse count within what the corridor allows.
int32_t tminFromPoint(const ParamsHeader& record, Point at) noexcept;
int32_t tmaxFromPoint(const ParamsHeader& record, Point at) noexcept;
bool tminAccepted(const ParamsHeader& record, int32_t tmin) noexcept;
bool tmaxAccepted(const ParamsHeader& record, int32_t tmax) noexcept;

}  // namespace tessaline
