// Tools > "Tolerances...": the tolerances to study (each kind of value of a
// mirror, or of every mirror, with its band), what is refocused, the
// criterion and its threshold, and the Monte-Carlo trials; Run works on a
// thread of its own while the dialog answers, with its progress and a
// Cancel that stops it at once; the sensitivity table and the histogram of
// the built telescopes are shown as they are in the window's view.  The
// design is never changed: every perturbed design is a copy.
#pragma once

#include <QDialog>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "design/design.h"
#include "tolerance/tolerance.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace orvelin {

class ToleranceDialog : public QDialog {
    Q_OBJECT
  public:
    /// Starts from `last`'s settings and shows its results when there is
    /// one; else from the view's default run.
    ToleranceDialog(const Design& design, const ToleranceResult* last, QWidget* parent = nullptr);
    ~ToleranceDialog() override;

    /// The last analysis that ran to its end (null before any).
    std::shared_ptr<const ToleranceResult> result() const { return result_; }
    /// An analysis is under way.
    bool running() const { return worker_.joinable() && !finished_; }
    /// A thread of an analysis exists (running, or ended and not yet
    /// joined).
    bool hasThread() const { return worker_.joinable(); }

    /// Start an analysis of the entries as Run does; false (with the reason
    /// shown) when an entry is wrong.
    bool run();
    /// Stop the analysis under way; the thread ends within one design's work.
    void cancel();

    /// Ends the dialog; a run under way is stopped and its thread joined
    /// first.
    void done(int answer) override;

  private:
    class Progress;
    class Histogram;

    void addRow(const Tolerance& t, bool everyMirror);
    void removeRow();
    void setDefaults();
    void setOptions(const ToleranceOptions& o);
    /// Read the entries into options; false (with the reason shown) when one
    /// is wrong.
    bool readOptions(ToleranceOptions& o);
    void advanced(int done, int total);
    void finished(std::shared_ptr<ToleranceResult> r);
    void showResult();
    void setRunning(bool running);
    /// Stop and wait for the thread, as the dialog closes.
    void stopWorker();

    Design design_;
    QTableWidget* tolerances_ = nullptr;
    QPushButton* addRow_ = nullptr;
    QPushButton* removeRow_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QComboBox* compensation_ = nullptr;
    QComboBox* criterion_ = nullptr;
    QLineEdit* threshold_ = nullptr;
    QSpinBox* trials_ = nullptr;
    QSpinBox* seed_ = nullptr;
    QComboBox* distribution_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* close_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* sensitivity_ = nullptr;
    Histogram* histogram_ = nullptr;

    std::shared_ptr<const ToleranceResult> result_;
    std::unique_ptr<Progress> progress_;
    std::thread worker_;
    bool finished_ = true;
    std::chrono::steady_clock::time_point started_;
};

/// Run the dialog over `design`: the last analysis it finished, or null.
std::shared_ptr<const ToleranceResult> analyseTolerances(QWidget* parent, const Design& design,
                                                         const ToleranceResult* last);

}  // namespace orvelin
