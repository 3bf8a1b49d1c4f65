#pragma once
// What a paint of the main window drew that the mouse handling and the commands read afterwards.
// The paint returns it; the state keeps the last one.
#include <cstdint>
#include <optional>
#include <vector>

#include "app/layout.h"
#include "panels/params_panel.h"
#include "panels/subset_panel_view.h"
#include "platform/geometry.h"

namespace tessaline {

// Rows of a value selector (length, noise, lost data).
inline constexpr int SELECTOR_ROWS = 3;

// The layout a paint drew in, the rows of the value selectors (row i chooses entry i + 1) and of
// the choosable tuples (row r chooses tuple r + 1), the selection button's offer, and the
// rectangles and lines of the subset and parameters panels.
struct PaintedGeometry {
    WindowLayout layout;
    int32_t lineHeight = 0;
    Rect lengthRows[SELECTOR_ROWS] = {};
    Rect noiseRows[SELECTOR_ROWS] = {};
    Rect lostRows[SELECTOR_ROWS] = {};
    std::vector<Rect> tupleRows;
    std::optional<int32_t> selectAllShown;           // none when no selection button was drawn
    bool processingResultDrawn = false;              // the more-details drawing was used up
    std::optional<SubsetPanelGeometry> subsetPanel;  // empty rectangles when it could not be drawn
    bool subsetMarkAllUsed = false;                  // the table painter marked every composed entry
    std::optional<ParamsPanelGeometry> paramsPanel;
};

// The selection button's offer as last drawn: non-zero to select every etalon, 0 to clear the
// selection (also before any paint drew the button).
inline int32_t shownSelectAll(const PaintedGeometry& painted) noexcept {
    return painted.selectAllShown.value_or(0);
}

// The subset panel's rectangles as last drawn; empty ones before the panel was first drawn.
inline const SubsetPanelGeometry& drawnSubsetPanel(const PaintedGeometry& painted) noexcept {
    static const SubsetPanelGeometry none;
    return painted.subsetPanel ? *painted.subsetPanel : none;
}

}  // namespace tessaline
