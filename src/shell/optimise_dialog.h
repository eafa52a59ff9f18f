// Tools > "Optimise...": choose the values to vary (with optional bounds) and
// the figures to reach, or ask for the smallest spot or wavefront error; run
// the damped least-squares search on a worker thread while the window stays
// responsive, with its progress and a Cancel; compare the figures before and
// after, and apply the result as one change.
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "design/design.h"
#include "optimise/optimiser.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace orvelin {

class OptimiseDialog : public QDialog {
    Q_OBJECT
  public:
    OptimiseDialog(const Design& design, QWidget* parent = nullptr);
    ~OptimiseDialog() override;

    /// The design found by the last finished search (valid once Apply is
    /// enabled).
    const Design& result() const { return result_.design; }
    /// A search is under way.
    bool running() const { return worker_.joinable() && !finished_; }

    /// Rows of the variables' table: every value of every surface, as the
    /// command line names it ("radius:1", "tilt:3", ...).
    const std::vector<std::string>& variableNames() const { return names_; }

  protected:
    void closeEvent(class QCloseEvent* event) override;
    void reject() override;

  private:
    void addTargetRow();
    void removeTargetRow();
    /// Read the tables into a problem; false (with the reason shown) when
    /// an entry is wrong.
    bool readProblem(OptimiseProblem& problem);
    void run();
    void cancel();
    void progress(int iteration, double merit);
    void finished(std::shared_ptr<OptimiseResult> result);
    void showFigures(const OptimiseProblem& problem, const Design* after);
    /// The "Now" column: each value as it stands in `d`.
    void showValues(const Design& d);
    void setRunning(bool running);
    void joinWorker();

    Design design_;
    std::vector<std::string> names_;
    QTableWidget* variables_ = nullptr;
    QTableWidget* targets_ = nullptr;
    QComboBox* minimise_ = nullptr;
    QCheckBox* keepClear_ = nullptr;
    QLineEdit* margin_ = nullptr;
    QSpinBox* iterations_ = nullptr;
    QPushButton* addTarget_ = nullptr;
    QPushButton* removeTarget_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* figures_ = nullptr;

    OptimiseProblem problem_;
    OptimiseResult result_;
    bool hasResult_ = false;  ///< a search has finished; the next goes on from result_
    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool finished_ = true;
};

/// Run the dialog over `design`; true when the user applied a result, which
/// then replaces `design`.
bool optimiseDesign(QWidget* parent, Design& design);

}  // namespace orvelin
