#pragma once
// The modal dialog a statistical simulation runs behind: how far it is, and Cancel. Cancel asks
// the run to stop and keeps the dialog up, saying so, until the run has ended: the records the run
// writes stay out of reach until then. Escape and the title bar's close button are Cancel too; the
// dialog closes only once it is told that the run has ended.
#include <QDialog>
#include <QString>
#include <atomic>
#include <mutex>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tessaline {

class SimulationProgressDialog final : public QDialog {
public:
    // `cancel` is the flag the run reads between repeats; it must outlive the dialog.
    SimulationProgressDialog(QWidget* parent, std::atomic<bool>& cancel);

    // The share done, in thousandths, and the text that says how far the run is; from any thread.
    // The dialog shows the latest of them a few times a second.
    void postProgress(int permille, const QString& text);
    // Asks the run to stop; the dialog stays up, saying that the run is being cancelled.
    void requestCancel();
    bool cancelling() const { return cancel_.load(); }
    // The run has ended: the dialog closes.
    void finish();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showPostedProgress();

    std::atomic<bool>& cancel_;
    std::mutex postedMutex_;
    int postedPermille_ = 0;
    QString postedText_;
    bool posted_ = false;
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* cancelButton_;
    bool finished_ = false;
};

}  // namespace tessaline
