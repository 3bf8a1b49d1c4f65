#include "gui/window/progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/window/window_texts.h"

namespace tessaline {
namespace {

// How often the dialog shows the run's latest progress.
constexpr int PROGRESS_REFRESH_MS = 100;

}  // namespace

SimulationProgressDialog::SimulationProgressDialog(QWidget* parent, std::atomic<bool>& cancel)
    : QDialog(parent),
      cancel_(cancel),
      label_(new QLabel(windowText("Statistical simulation"), this)),
      bar_(new QProgressBar(this)),
      cancelButton_(new QPushButton(windowText("Cancel"), this)) {
    setWindowTitle(windowText(" Statistical Simulation"));
    setWindowModality(Qt::WindowModal);
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    auto* column = new QVBoxLayout(this);
    column->addWidget(label_);
    column->addWidget(bar_);
    column->addWidget(cancelButton_, 0, Qt::AlignRight);
    connect(cancelButton_, &QPushButton::clicked, this, &SimulationProgressDialog::requestCancel);
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &SimulationProgressDialog::showPostedProgress);
    refresh->start(PROGRESS_REFRESH_MS);
}

void SimulationProgressDialog::postProgress(int permille, const QString& text) {
    const std::lock_guard<std::mutex> lock(postedMutex_);
    postedPermille_ = permille;
    postedText_ = text;
    posted_ = true;
}

void SimulationProgressDialog::showPostedProgress() {
    int permille = 0;
    QString text;
    {
        const std::lock_guard<std::mutex> lock(postedMutex_);
        if (!posted_) return;
        posted_ = false;
        permille = postedPermille_;
        text = postedText_;
    }
    bar_->setValue(permille);
    if (!cancelling()) label_->setText(text);
}

void SimulationProgressDialog::requestCancel() {
    cancel_.store(true);
    label_->setText(windowText("Cancelling…"));
    cancelButton_->setEnabled(false);
}

void SimulationProgressDialog::finish() {
    finished_ = true;
    close();
}

// Escape: as Cancel, the dialog stays until the run has ended.
void SimulationProgressDialog::reject() {
    if (finished_) {
        QDialog::reject();
        return;
    }
    requestCancel();
}

void SimulationProgressDialog::closeEvent(QCloseEvent* event) {
    if (finished_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    requestCancel();
}

}  // namespace tessaline
