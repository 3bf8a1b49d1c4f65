#pragma once
// The controls the main window draws itself: a raised push button with a centred caption, a
// titled group of round selector buttons with a value beside each, and a labelled thumbnail of one
// etalon that can be highlighted. They only draw; the window hit-tests the rectangles the caller
// keeps or the selector group records.
#include <cstdint>
#include <span>
#include <string_view>

#include "draw/canvas.h"
#include "model/records.h"

namespace tessaline {

inline constexpr Color kButtonShadowGrey = rgb(125, 125, 125);
inline constexpr Color kButtonInnerShade = rgb(165, 170, 165);
inline constexpr Color kSelectionGrey = rgb(163, 163, 163);
inline constexpr Color kAlertRed = rgb(255, 0, 0);

// A raised button over the rectangle (left, top, right, bottom), right and bottom included: its
// face with the current pen and brush, a grey shadow and a white highlight inside the edge, the
// caption centred across and (line height - 2) / 2 below the top.
void drawButton(Canvas& canvas, const Rect& button, std::string_view caption, int32_t lineHeight);

// A framed group with its title on the top border and one round button per value, the value
// written beside it. `selectedPosition` is 1-based (a position outside the values is taken as
// the first); its button gets a dot, black when its value is `currentValue`, grey otherwise (a
// value chosen but not in use yet). Row i's rectangle goes to rowRects[i] while there is room.
void drawSelectorGroup(Canvas& canvas, const Rect& group, std::string_view title,
                       std::span<const int32_t> values, int32_t selectedPosition, int32_t currentValue,
                       int32_t lineHeight, std::span<Rect> rowRects);

enum class ThumbnailHighlight : uint8_t { None, Grey, Red };

// The etalon's letter over a small graph of its samples for values -A .. +A. The cell gives the
// graph's left, its width (right - left) and height (bottom - top); the graph stands a line and a
// quarter below the cell's top. Highlighted, the graph is drawn bold in white on a grey or red
// background. An etalon shorter than two samples, or an amplitude below 1, shows no curve.
void drawEtalonThumbnail(Canvas& canvas, const PulseHeader& etalon, int32_t amplitude,
                         ThumbnailHighlight highlight, const Rect& cell, int32_t lineHeight);

}  // namespace tessaline
