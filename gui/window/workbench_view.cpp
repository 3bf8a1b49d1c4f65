#include "gui/window/workbench_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/mouse.h"
#include "app/window_paint.h"
#include "gui/qt_canvas.h"
#include "gui/window/window_texts.h"

namespace tessaline {
namespace {

// The control number and text the Tmin edit field starts with.
constexpr const char* TMIN_EDIT_NAME = "225";
constexpr const char* TMIN_EDIT_TEXT = "Tmin Text";

Point pointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

// Messages said while painting wait until the paint has ended.
class PaintMessages final : public MessageSink {
public:
    explicit PaintMessages(const WorkbenchView& view) : view_(view) {}
    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
        if (view_.deferredMessage) view_.deferredMessage(std::string(text), std::string(caption), icon);
    }

private:
    const WorkbenchView& view_;
};

}  // namespace

WorkbenchView::WorkbenchView(Window& window, AppState& state, QWidget* parent)
    : QWidget(parent), window_(window), state_(state), tminEdit_(new QLineEdit(TMIN_EDIT_TEXT, this)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    tminEdit_->setObjectName(TMIN_EDIT_NAME);
    tminEdit_->setGeometry(0, 0, 0, 0);
    tminEdit_->hide();
}

void WorkbenchView::invalidatePicture() {
    pictureOutOfDate_ = true;
    update();
}

void WorkbenchView::setFrozen(bool frozen) {
    frozen_ = frozen;
    if (!frozen_) invalidatePicture();
}

const QImage& WorkbenchView::picture() {
    if (pictureOutOfDate_ && !frozen_) repaintPicture();
    return picture_;
}

void WorkbenchView::repaintPicture() {
    pictureOutOfDate_ = false;
    const int32_t width = std::max(1, this->width()), height = std::max(1, this->height());
    prepareForPaint(window_, state_);
    QtCanvas canvas(width, height, devicePixelRatioF());
    canvas.setTextTranslation(pictureText);
    PaintMessages messages(*this);
    const PaintedGeometry painted = paintClientArea(canvas, state_, Rect{0, 0, width, height}, messages);
    storePaintedGeometry(state_, painted);
    placeEditField(window_, painted);
    picture_ = canvas.image().copy();
}

QImage WorkbenchView::pictureInWindowPixels() {
    const QImage& shown = picture();
    if (shown.devicePixelRatio() == 1.0) return shown;
    // On a high-density screen the picture is painted again one device pixel per window pixel,
    // the size and layout of the window's picture.
    const int32_t width = std::max(1, this->width()), height = std::max(1, this->height());
    QtCanvas canvas(width, height);
    canvas.setTextTranslation(pictureText);
    PaintMessages messages(*this);
    paintClientArea(canvas, state_, Rect{0, 0, width, height}, messages);
    return canvas.image().copy();
}

void WorkbenchView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, picture());
}

void WorkbenchView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    invalidatePicture();
}

void WorkbenchView::mousePressEvent(QMouseEvent* event) {
    if (frozen_ || event->button() != Qt::LeftButton) return;
    picture();  // the targets are those of the picture shown
    mouseButtonDown(window_, state_, pointOf(event));
}

// A double click counts as one more press.
void WorkbenchView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void WorkbenchView::mouseMoveEvent(QMouseEvent* event) {
    if (frozen_) return;
    picture();
    mouseMove(window_, state_, pointOf(event));
}

void WorkbenchView::mouseReleaseEvent(QMouseEvent* event) {
    if (frozen_ || event->button() != Qt::LeftButton) return;
    mouseButtonUp(window_, state_, pointOf(event));
}

bool WorkbenchView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::string tip = buttonTip({help->pos().x(), help->pos().y()});
    if (tip.empty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), windowText(tip), this);
    }
    return true;
}

// What the drawn button under the point does, for its tooltip.
std::string WorkbenchView::buttonTip(Point at) const {
    const WindowLayout& layout = state_.painted.layout;
    const bool restart = state_.view.dwViewMode == VIEW_RESULT;
    if (restart && hitsRect(layout.rcRestartButton, at)) return "Back to the alphabet (or the subset panel)";
    if (hitsRect(layout.rcNextButton, at)) return "Make and process a new series";
    if (hitsRect(layout.rcExitButton, at)) return "Close the workbench";
    if (layout.hasSelectButton && hitsRect(layout.rcSelectButton, at))
        return shownSelectAll(state_.painted) != 0 ? "Select every etalon" : "Clear the selection of etalons";
    return {};
}

}  // namespace tessaline
