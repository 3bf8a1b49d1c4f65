#include "views/alphabet_box.h"

#include "draw/controls.h"
#include "platform/formatting.h"

namespace tessaline {

AlphabetBoxLayout layOutAlphabetBox(const ViewFrame& frame, int32_t lineHeight, int32_t listLength) noexcept {
    const int32_t h = lineHeight;
    const int32_t mL = frame.leftMargin;
    const int32_t mT = frame.topMargin;
    const int32_t m2 = frame.halfTopMargin;
    const int32_t tw = frame.thumbnailWidth;
    AlphabetBoxLayout layout;
    layout.rows = listLength > 0 ? (listLength + 1) / 2 : 0;
    layout.boxWidth = 2 * (tw + 2 * mL) + mL / 2;
    const int32_t bl = frame.right - layout.boxWidth - mL + 1;
    const int32_t bt = frame.y0 + mT + h / 2;
    const int32_t freeHeight = frame.bottom - bt - (h + h / 4 - 3);

    int32_t th = (freeHeight - 2 * mT) / 8 - (m2 + h);
    int32_t bh = (th + m2 + h) * layout.rows + 2 * mT;
    if (bh > freeHeight) {
        if (layout.rows > 0) th = (freeHeight - 2 * mT) / layout.rows - (m2 + h);
        bh = freeHeight;
    }
    layout.outline = {bl, bt, bl + layout.boxWidth + 1, bt + bh + 1};
    layout.thumbnailWidth = tw;
    layout.thumbnailHeight = th;
    layout.firstThumbnail = {bl + mL, bt + mT};
    layout.rowPitch = th + m2 + h;
    layout.columnPitch = tw + 2 * mL;
    layout.caption = {bl + 7, bt - mT};
    return layout;
}

std::string alphabetBoxCaption(int32_t listLength, int32_t boxWidth) {
    if (boxWidth < 100) return formatted(" Alph: %d ", listLength);
    if (listLength == 1) return " Alphabet, 1 item ";
    return formatted(" Alphabet, %d items ", listLength);
}

void drawAlphabetBox(Canvas& canvas, const AlphabetBoxLayout& layout, std::span<const uint16_t> etalonList,
                     const SeriesHeader& series, int32_t amplitude, int32_t highlightedEtalon,
                     int32_t lineHeight) {
    {
        const BrushGuard hollow(canvas, Brush{kWhite, true});
        canvas.rectangle(layout.outline);
    }
    canvas.textOut(layout.caption.x, layout.caption.y,
                   alphabetBoxCaption(static_cast<int32_t>(etalonList.size()), layout.boxWidth));
    if (layout.rows < 1 || layout.thumbnailHeight < 1 || layout.thumbnailWidth < 1) return;
    for (std::size_t i = 0; i < etalonList.size(); ++i) {
        const PulseHeader* etalon = seriesEtalon(series, etalonList[i]);
        if (etalon == nullptr) continue;
        const int32_t row = static_cast<int32_t>(i) % layout.rows;
        const int32_t column = static_cast<int32_t>(i) / layout.rows;
        const int32_t left = layout.firstThumbnail.x + layout.columnPitch * column;
        const int32_t top = layout.firstThumbnail.y + layout.rowPitch * row;
        const ThumbnailHighlight highlight = highlightedEtalon > 0 && etalonList[i] == highlightedEtalon
                                                 ? ThumbnailHighlight::Grey
                                                 : ThumbnailHighlight::None;
        drawEtalonThumbnail(canvas, *etalon, amplitude, highlight,
                            {left, top, left + layout.thumbnailWidth, top + layout.thumbnailHeight},
                            lineHeight);
    }
}

}  // namespace tessaline
