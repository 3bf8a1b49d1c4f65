#pragma once
// The box of etalon thumbnails at the right of a result view: the etalons of the list in two
// columns, filled column by column, with the caption " Alphabet, <n> items " on its top edge.
// The processing result view and the statistics view show the same box.
#include <cstdint>
#include <span>
#include <string>

#include "draw/canvas.h"
#include "model/records.h"
#include "views/view_frame.h"

namespace tessaline {

struct AlphabetBoxLayout {
    Rect outline;          // corners of the box outline: (bl, bt) .. (bl + bw + 1, bt + bh + 1)
    int32_t boxWidth = 0;  // bw
    int32_t rows = 0;      // (list length + 1) / 2
    int32_t thumbnailWidth = 0;
    int32_t thumbnailHeight = 0;
    Point firstThumbnail;     // top left of the thumbnail in row 0, column 0
    int32_t rowPitch = 0;     // th + m2 + h
    int32_t columnPitch = 0;  // tw + 2 mL
    Point caption;            // (bl + 7, bt - mT)
};

// Places the box in the frame for a list of `listLength` etalons and text line height h: as tall
// as eight rows of thumbnails would make it, or the whole free height when the list needs more.
AlphabetBoxLayout layOutAlphabetBox(const ViewFrame& frame, int32_t lineHeight, int32_t listLength) noexcept;

// " Alphabet, <n> items ", " Alphabet, 1 item " for one etalon, " Alph: <n> " in a box narrower
// than 100 pixels.
std::string alphabetBoxCaption(int32_t listLength, int32_t boxWidth);

// Draws the box: outline, caption and one thumbnail per listed etalon of the series' alphabet,
// scaled to `amplitude`; the thumbnail of etalon `highlightedEtalon` (0 for none) is grey.
void drawAlphabetBox(Canvas& canvas, const AlphabetBoxLayout& layout, std::span<const uint16_t> etalonList,
                     const SeriesHeader& series, int32_t amplitude, int32_t highlightedEtalon,
                     int32_t lineHeight);

}  // namespace tessaline
