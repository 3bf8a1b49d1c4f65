#pragma once
// " Save image as..." in the window: what the window shows, copied before the save question, is
// written under the name chosen as a PNG file, a Windows bitmap or a two-colour PCX file, by the
// name's extension in any case. A name with another extension is refused aloud, nothing written.
#include <QImage>

namespace tessaline {

class Window;

// `shown` is the picture with one pixel per window pixel.
void saveWindowImage(Window& window, const QImage& shown);

}  // namespace tessaline
