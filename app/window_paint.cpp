#include "app/window_paint.h"

namespace tessaline {

void paintClientArea(Canvas& canvas, AppState& state, const Rect& client) {
    layOutWindow(state, client, lineHeightOf(canvas));
    canvas.fillRect(client, kWhite);
    canvas.rectangle(state.layout.rcGraph);
}

}  // namespace tessaline
