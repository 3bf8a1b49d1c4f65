#pragma once
// The painter of the command line's pictures on Qt's canvas (the offscreen platform without a
// display).
#include <memory>

#include "cli/image_painter.h"
#include "gui/qt_application.h"
#include "gui/qt_canvas.h"

namespace tessaline::cli {

class QtImagePainter final : public ImagePainter {
public:
    void start(std::string_view command, std::ostream& err) override;
    PaintedGeometry paint(Window& window, const AppState& state, ImageSize size) override;
    int paintAndSave(Window& window, const AppState& state, ImageSize size, const std::string& path,
                     std::string_view command, std::ostream& err) override;
    int drawAndSave(ImageSize size, const std::function<void(Canvas&)>& draw, const std::string& path,
                    std::string_view command, std::ostream& err) override;
    int saveFigure(const StatsFigure& figure, const std::string& path, std::string_view command,
                   std::ostream& err) override;

private:
    std::unique_ptr<GuiSession> session_;
};

}  // namespace tessaline::cli
