#pragma once
// The series parameters panel: a chart of the corridor of admissible pulse starts (pulse number
// across, sample position up) bounded by four lines, the dotted a+ and b- levels that can be
// dragged, the pulse counts the series allows as clickable labels on the axis, a text block of
// the parameters, the Tmin edit field and the " Cancel " and " OK " buttons. The painter reads the
// record and returns what it drew; recordParamsPanel keeps that in the record for the mouse.
#include <cstdint>
#include <vector>

#include "draw/canvas.h"
#include "panels/params_header.h"

namespace tessaline {

inline constexpr Color kParamsPanelColour = rgb(235, 240, 225);
inline constexpr Color kErasePen = rgb(250, 250, 250);

struct ParamsPanelInput {
    Rect graph;              // the graph area, right and bottom included
    int32_t lineHeight = 0;  // h
    int32_t charWidth = 0;   // c
};

// Where each side of the corridor is split, in half pulses t = 2 (p - 1): the upper left line
// runs from t = -1 to c - 2 and the upper right from c' - 2 to 2 K - 1; the lower left from -1 to
// c'' - 2 and the lower right from c'' - 3 to 2 K - 1.
struct CorridorSplit {
    int32_t upper = 0;       // c
    int32_t upperRight = 0;  // c'
    int32_t lower = 0;       // c''
};

CorridorSplit corridorSplit(const ParamsHeader& record) noexcept;

// The count of pulses the dragged values imply: the least, (b- + Tmax - a+ - 1) / Tmax + 1, and
// the most, (b - a) / Tmin + 1 (Mmax when Tmin is 0).
int32_t impliedMinPulses(const ParamsHeader& record) noexcept;
int32_t impliedMaxPulses(const ParamsHeader& record) noexcept;

// What one paint drew, for the mouse handling.
struct ParamsPanelGeometry {
    Rect chart;
    Rect plot;
    std::vector<Rect> areas;  // pulse count Mmin + i; empty rectangles for counts off the chart
    Rect firstHighestHandle;
    Rect lastLowestHandle;
    LineSegment corridorLines[CORRIDOR_LINES];
    LineSegment firstHighestGuide;
    LineSegment lastLowestGuide;
    int32_t slopeHandle = 0;  // handle height of both slope lines
    Rect valueLabels[PARAMS_VALUE_LABELS];
    Rect tminEdit;
    Rect cancelButton;
    Rect okButton;
};

// Draws the panel from the record into the graph area. Unless the record's redraw-part flag is
// set, the area is first filled with the panel colour and the chart box drawn; with it set, the
// corridor and guide lines that moved since the last paint are first erased with a near-white pen.
ParamsPanelGeometry drawParamsPanel(Canvas& canvas, const ParamsHeader& record,
                                    const ParamsPanelInput& input);

// Keeps a paint's geometry in the record (the areas as far as the record holds them), takes the
// drawn values as the shown ones and clears the redraw-part flag.
void recordParamsPanel(ParamsHeader& record, const ParamsPanelGeometry& geometry) noexcept;

}  // namespace tessaline
