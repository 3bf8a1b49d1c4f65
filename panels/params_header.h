#pragma once
// The record of the series parameters panel: the geometry of the current series (length N, etalon
// length n, the pulse distances Tmin and Tmax), the corridor of admissible pulse starts it implies
// (the first pulse starts in a .. a+, the last in b- .. b), the pulse counts Mmin .. Mmax it
// allows and the count K shown, and what the panel last drew, which the mouse handling tests
// clicks and drags against. Dragging changes only this record; the panel is redrawn from it.
#include <cstdint>
#include <string>

#include "draw/canvas.h"
#include "model/records.h"
#include "platform/message_sink.h"

namespace tessaline {

// A drawn line from one end point to the other.
struct LineSegment {
    Point from;
    Point to;

    friend bool operator==(const LineSegment&, const LineSegment&) = default;
};

// The four lines bounding the corridor, in the order the panel draws them.
enum CorridorLine : int32_t { LOWER_LEFT, LOWER_RIGHT, UPPER_LEFT, UPPER_RIGHT, CORRIDOR_LINES };

// The values left of the vertical axis, in the order a, a+, b-, b.
inline constexpr int32_t PARAMS_VALUE_LABELS = 4;

struct ParamsHeader {
    int32_t dwReservedLength;  // series length when pulsesSelectedAreas was allocated
    int32_t dwSeriesSize;      // N
    int32_t dwTmin;            // least pulse distance (dragged with its slope line)
    int32_t dwTmax;            // greatest pulse distance (dragged with its slope line)
    int32_t dwImpulseSize;     // n
    int32_t dwPulses;          // K, the pulse count shown
    int32_t dwMaxPulses;       // Mmax = (N + Tmin - n) / Tmin
    int32_t dwMinPulses;       // Mmin = (N + n - 1) / Tmax
    int32_t dwFirstLowest;     // a: lowest start of the first pulse, 0
    int32_t dwFirstHighest;    // a+: highest start of the first pulse, Tmax - n (dragged)
    int32_t dwLastLowest;      // b-: lowest start of the last pulse, N - Tmax (dragged)
    int32_t dwLastHighest;     // b: highest start of the last pulse, N - n
    int32_t dwAreasCapacity;   // capacity of pulsesSelectedAreas
    int32_t dwAreas;           // Mmax - Mmin + 1 (0 when Mmax < Mmin)
    Rect rcChart;
    Rect* pulsesSelectedAreas;  // [capacity]: area i is the clickable label of count Mmin + i
    Rect rcFirstHighestHandle;  // band round the a+ guide line where its drag starts
    Rect rcLastLowestHandle;    // band round the b- guide line
    Rect rcPlot;                // maps a mouse height to a value
    // Hover and drag flags of a+, b-, the Tmin slope line and the Tmax slope line.
    int32_t dwFirstHighestHover, dwLastLowestHover, dwTminHover, dwTmaxHover;
    int32_t dwFirstHighestDrag, dwLastLowestDrag, dwTminDrag, dwTmaxDrag;
    int32_t dwRedrawPart;  // non-zero: the next paint redraws only what moves
    // The values as last drawn.
    int32_t dwShownPulses, dwShownFirstHighest, dwShownLastLowest, dwShownTmin, dwShownTmax;
    int32_t dwShownMaxPulses, dwShownMinPulses;
    // What was last drawn: the corridor lines, the a+ and b- guide lines, the two slope lines with
    // their handle heights (Tmin slopes down to the corridor's upper right end, Tmax up from a+),
    // the value labels, the Tmin edit field and the two buttons.
    LineSegment corridorLines[CORRIDOR_LINES];
    LineSegment firstHighestGuide, lastLowestGuide;
    LineSegment tminSlope, tmaxSlope;
    int32_t dwTminSlopeHandle, dwTmaxSlopeHandle;
    Rect rcValueLabels[PARAMS_VALUE_LABELS];
    Rect rcTminEdit;
    int32_t dwEditTmin;  // the Tmin written into the edit field, drawn in its place
    Rect rcCancelButton, rcOkButton;
};

// Makes the record (or refreshes `record`) for the series: Mmin, Mmax, the pulse-count areas,
// K = the series' pulse count, n, N, Tmin, Tmax, a = 0, a+ = Tmax - n, b- = N - Tmax, b = N - n,
// the shown values equal to them, flags and drawn geometry cleared; the Tmin of the edit field is
// the series' Tmin (paramsTminText gives its text). With no series the record is returned as given.
// On failure (no memory, or a series with a zero pulse distance) the message is told with the
// caption " getParamsHeader ", the result is null and a given record is left as it was, still owned
// by the caller.
ParamsHeader* getParamsHeader(MessageSink& messages, const SeriesHeader* series, ParamsHeader* record);

// The text the Tmin edit field starts with for the record: its edit Tmin in decimal. The panel
// never writes the field itself; the window's caller writes this text into it.
std::string paramsTminText(const ParamsHeader& record);

// Releases the record and its areas; null is accepted. Returns 1.
int freeParamsHeader(ParamsHeader* record) noexcept;

}  // namespace tessaline
