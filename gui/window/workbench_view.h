#pragma once
// The client area of the workbench window: the picture of the state, painted into a back buffer
// that the widget shows (so a snapshot saves exactly what is shown), the mouse fed into the shell's
// routines, and the Tmin edit field the parameters panel places.
#include <QImage>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/state.h"
#include "platform/window.h"

namespace tessaline {

class WorkbenchView final : public QWidget {
public:
    WorkbenchView(Window& window, AppState& state, QWidget* parent = nullptr);

    // Marks the picture out of date; the next paint draws it again from the state.
    void invalidatePicture();
    // While frozen (a simulation runs on another thread and changes the records), the widget shows
    // the last picture and neither paints nor takes the mouse.
    void setFrozen(bool frozen);
    // The picture as last painted (painted now when it is out of date), in device pixels.
    const QImage& picture();
    // The same picture with one pixel per window pixel, as a snapshot saves it.
    QImage pictureInWindowPixels();

    QLineEdit& tminEdit() { return *tminEdit_; }

    // What a paint could not say at once (a modal message inside a paint would paint again): shown
    // by the window once the paint has ended.
    std::function<void(const std::string& text, const std::string& caption, MessageIcon icon)>
        deferredMessage;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void repaintPicture();
    std::string buttonTip(Point at) const;

    Window& window_;
    AppState& state_;
    QImage picture_;
    bool pictureOutOfDate_ = true;
    bool frozen_ = false;
    QLineEdit* tminEdit_;  // owned by this widget
};

}  // namespace tessaline
