#include "shell/optimise_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/entry_tips.h"
#include "quality/image_quality.h"
#include "reports/figure_notes.h"
#include "reports/report_figures.h"
#include "trace/analysis.h"

namespace orvelin {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

/// Values and figures with the 7 significant digits of the design table.
QString number(double v) {
    return std::isfinite(v) ? QString::number(v, 'g', 7) : QStringLiteral("-");
}

/// Every figure a target may name: the report's, then the image quality's.
std::vector<std::string> figureNames() {
    std::vector<std::string> names;
    AnalysisResults r;
    for (const AnalysisFigure& f : analysisFigures(r)) names.push_back(f.name);
    for (const std::string& n : qualityFigureNames()) names.push_back(n);
    return names;
}

/// A figure as a person reads it: its label with its field and unit; the
/// name the command line uses where there is no note.
QString figureShown(const std::string& name, const std::string& units) {
    const auto note = figureNote(name, units);
    return note ? q(figureTitle(*note)) : q(name);
}

/// A table whose Tab and Shift+Tab visit only the cells that take an entry
/// (a check box, a bound, a target's value), then leave for the next group,
/// instead of walking through every label and value shown beside them.
class EntryTable : public QTableWidget {
  public:
    EntryTable(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {}

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action != MoveNext && action != MovePrevious) return QTableWidget::moveCursor(action, modifiers);
        const int columns = columnCount(), cells = rowCount() * columns;
        const int step = action == MoveNext ? 1 : -1;
        const QModelIndex now = currentIndex();
        int cell = now.isValid() ? now.row() * columns + now.column() : (step > 0 ? -1 : cells);
        for (cell += step; cell >= 0 && cell < cells; cell += step)
            if (takesEntry(cell / columns, cell % columns))
                return model()->index(cell / columns, cell % columns);
        return {};  // past the last entry: the focus moves on
    }

  private:
    bool takesEntry(int row, int column) const {
        const QTableWidgetItem* it = item(row, column);
        return it && (it->flags() & Qt::ItemIsEnabled) &&
               (it->flags() & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable));
    }
};

/// A group that scrolls when its pane of the splitter is short.
QScrollArea* scrolled(QWidget* group) {
    auto* area = new QScrollArea;
    area->setWidget(group);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

QTableWidgetItem* fixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QString cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

/// The figures compared before and after, besides the targets' own.
const char* const kShownFigures[] = {"comaT",
                                     "astParaxial",
                                     "fRatio",
                                     "quality.center.rmsSpot",
                                     "quality.minus.rmsSpot",
                                     "quality.plus.rmsSpot",
                                     "quality.sagittal.rmsSpot"};

}  // namespace

OptimiseDialog::OptimiseDialog(const Design& design, QWidget* parent) : QDialog(parent), design_(design) {
    setWindowTitle(QStringLiteral("Optimise"));
    auto* layout = new QVBoxLayout(this);
    // The groups share the height in a splitter, each scrolling when its
    // pane is short, so that Run, Apply and Cancel stay on a small or
    // magnified screen.
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->setObjectName(QStringLiteral("panes"));
    panes->setChildrenCollapsible(false);

    // Every value of every surface that a search may vary.
    auto* varyBox = new QGroupBox(QStringLiteral("Values to vary"));
    auto* varyLayout = new QVBoxLayout(varyBox);
    variables_ = new EntryTable(0, 5, varyBox);
    variables_->setObjectName(QStringLiteral("variables"));
    variables_->setHorizontalHeaderLabels({QStringLiteral("Value"), QStringLiteral("Now"),
                                           QStringLiteral("Vary"), QStringLiteral("Low"),
                                           QStringLiteral("High")});
    variables_->verticalHeader()->hide();
    const int n = std::clamp(design.surfaceCount, 0, kMaxSurfaces);
    static const char* const kinds[] = {"radius", "conic", "rsag", "tilt", "sep"};
    static const char* const labels[] = {"radius", "conic", "sagittal radius", "tilt", "separation"};
    static constexpr EntryKind kEntries[] = {EntryKind::radius, EntryKind::conic, EntryKind::sagittalRadius,
                                             EntryKind::tilt, EntryKind::separation};
    for (int k = 1; k <= n; ++k) {
        for (int i = 0; i < 5; ++i) {
            const std::string name = std::string(kinds[i]) + ":" + std::to_string(k);
            std::string error;
            const auto v = parseVariable(name, design, error);
            if (!v) continue;
            const int row = variables_->rowCount();
            variables_->insertRow(row);
            names_.push_back(name);
            const QString surface =
                k == n ? QStringLiteral("Focal plane") : QStringLiteral("Surface #%1").arg(k);
            variables_->setItem(row, 0, fixedItem(surface + " " + QString::fromLatin1(labels[i])));
            variables_->item(row, 0)->setToolTip(entryTip(kEntries[i], design.units));
            variables_->setItem(row, 1, fixedItem(number(variableValue(design, *v))));
            auto* check = new QTableWidgetItem();
            check->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            check->setCheckState(Qt::Unchecked);
            variables_->setItem(row, 2, check);
            variables_->setItem(row, 3, new QTableWidgetItem());
            variables_->setItem(row, 4, new QTableWidgetItem());
        }
    }
    variables_->resizeColumnsToContents();
    variables_->setColumnWidth(3, 90);
    variables_->setColumnWidth(4, 90);
    variables_->horizontalHeader()->setStretchLastSection(true);
    variables_->setMinimumHeight(120);
    varyLayout->addWidget(variables_);
    panes->addWidget(scrolled(varyBox));

    // What the search aims at.
    auto* aimBox = new QGroupBox(QStringLiteral("Targets"));
    auto* aimLayout = new QVBoxLayout(aimBox);
    targets_ = new EntryTable(0, 3, aimBox);
    targets_->setObjectName(QStringLiteral("targets"));
    targets_->setHorizontalHeaderLabels(
        {QStringLiteral("Figure"), QStringLiteral("Value"), QStringLiteral("Weight")});
    targets_->verticalHeader()->hide();
    targets_->horizontalHeader()->setStretchLastSection(true);
    targets_->setMinimumHeight(70);
    aimLayout->addWidget(targets_);
    auto* targetButtons = new QHBoxLayout;
    addTarget_ = new QPushButton(QStringLiteral("Add target"), aimBox);
    addTarget_->setObjectName(QStringLiteral("addTarget"));
    removeTarget_ = new QPushButton(QStringLiteral("Remove target"), aimBox);
    removeTarget_->setObjectName(QStringLiteral("removeTarget"));
    targetButtons->addWidget(addTarget_);
    targetButtons->addWidget(removeTarget_);
    targetButtons->addStretch();
    aimLayout->addLayout(targetButtons);
    auto* options = new QHBoxLayout;
    minimise_ = new QComboBox(aimBox);
    minimise_->setObjectName(QStringLiteral("minimise"));
    minimise_->addItems({QStringLiteral("Targets only"), QStringLiteral("Minimise spot"),
                         QStringLiteral("Minimise wavefront")});
    options->addWidget(minimise_);
    keepClear_ = new QCheckBox(QStringLiteral("Keep clear by"), aimBox);
    keepClear_->setToolTip(
        QStringLiteral("Keep every clearance of the light path at least this much, %1")
            .arg(isMetric(design) ? QStringLiteral("in mm") : QStringLiteral("in inches")));
    keepClear_->setObjectName(QStringLiteral("keepClear"));
    margin_ = new QLineEdit(QStringLiteral("0"), aimBox);
    margin_->setObjectName(QStringLiteral("margin"));
    margin_->setMaximumWidth(80);
    options->addWidget(keepClear_);
    options->addWidget(margin_);
    auto* iterationsLabel = new QLabel(QStringLiteral("Iterations"), aimBox);
    iterationsLabel->setToolTip(QStringLiteral("The most steps the search takes in one Run"));
    options->addWidget(iterationsLabel);
    iterations_ = new QSpinBox(aimBox);
    iterations_->setObjectName(QStringLiteral("iterations"));
    iterations_->setRange(1, 10000);
    iterations_->setValue(100);
    options->addWidget(iterations_);
    options->addStretch();
    aimLayout->addLayout(options);
    panes->addWidget(scrolled(aimBox));

    // Progress and the figures before and after.
    auto* resultBox = new QWidget;
    auto* resultLayout = new QVBoxLayout(resultBox);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    bar_ = new QProgressBar(resultBox);
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    resultLayout->addWidget(bar_);
    status_ = new QLabel(QStringLiteral("Check the values to vary, then Run."), resultBox);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    resultLayout->addWidget(status_);
    figures_ = new QTableWidget(0, 2, resultBox);
    figures_->setObjectName(QStringLiteral("figures"));
    figures_->setHorizontalHeaderLabels({QStringLiteral("Before"), QStringLiteral("After")});
    figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    figures_->setMinimumHeight(90);
    // Figures to read, nothing to enter: Tab passes them by.
    figures_->setFocusPolicy(Qt::ClickFocus);
    resultLayout->addWidget(figures_);
    panes->addWidget(scrolled(resultBox));
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 2);
    panes->setStretchFactor(2, 3);
    layout->addWidget(panes, 1);

    auto* buttons = new QHBoxLayout;
    run_ = new QPushButton(QStringLiteral("Run"), this);
    run_->setObjectName(QStringLiteral("run"));
    run_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setObjectName(QStringLiteral("apply"));
    apply_->setEnabled(false);
    buttons->addStretch();
    buttons->addWidget(run_);
    buttons->addWidget(apply_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(addTarget_, &QPushButton::clicked, this, &OptimiseDialog::addTargetRow);
    connect(removeTarget_, &QPushButton::clicked, this, &OptimiseDialog::removeTargetRow);
    connect(run_, &QPushButton::clicked, this, &OptimiseDialog::run);
    connect(cancel_, &QPushButton::clicked, this, &OptimiseDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &QDialog::accept);
    // As tall as the work wants, but never beyond the screen it opens on.
    const QScreen* on = parent ? parent->screen() : screen();
    const QRect room = on ? on->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(640, room.width() - 40), std::min(860, room.height() - 80));
}

OptimiseDialog::~OptimiseDialog() {
    stop_ = true;
    joinWorker();
}

void OptimiseDialog::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

void OptimiseDialog::addTargetRow() {
    const int row = targets_->rowCount();
    targets_->insertRow(row);
    auto* figure = new QComboBox(targets_);
    figure->setObjectName(QStringLiteral("figure%1").arg(row));
    // The report's labels with field and unit; the command line's word for
    // the figure goes with each as its data.
    for (const std::string& name : figureNames()) {
        figure->addItem(figureShown(name, design_.units), q(name));
        if (const auto note = figureNote(name, design_.units))
            figure->setItemData(figure->count() - 1, q(figureExplanation(*note)), Qt::ToolTipRole);
    }
    figure->setCurrentIndex(figure->findData(QStringLiteral("comaT")));
    targets_->setCellWidget(row, 0, figure);
    targets_->setItem(row, 1, new QTableWidgetItem(QStringLiteral("0")));
    targets_->setItem(row, 2, new QTableWidgetItem(QStringLiteral("1")));
    targets_->resizeColumnToContents(0);
}

void OptimiseDialog::removeTargetRow() {
    const int row = targets_->currentRow() >= 0 ? targets_->currentRow() : targets_->rowCount() - 1;
    if (row >= 0) targets_->removeRow(row);
}

bool OptimiseDialog::readProblem(OptimiseProblem& p) {
    std::string error;
    auto refuse = [this](const QString& why) {
        status_->setText(why);
        return false;
    };
    for (int row = 0; row < variables_->rowCount(); ++row) {
        if (variables_->item(row, 2)->checkState() != Qt::Checked) continue;
        const QString low = cell(variables_, row, 3), high = cell(variables_, row, 4);
        std::string text = names_[row];
        if (low.isEmpty() != high.isEmpty())
            return refuse(QStringLiteral("%1: give both bounds or neither.").arg(cell(variables_, row, 0)));
        if (!low.isEmpty()) text.append("=").append(low.toStdString()).append("..").append(high.toStdString());
        const auto v = parseVariable(text, design_, error);
        if (!v) return refuse(q(error));
        p.variables.push_back(*v);
    }
    if (p.variables.empty()) return refuse(QStringLiteral("Check at least one value to vary."));
    for (int row = 0; row < targets_->rowCount(); ++row) {
        const auto* figure = qobject_cast<QComboBox*>(targets_->cellWidget(row, 0));
        QString weight = cell(targets_, row, 2);
        if (weight.isEmpty()) weight = QStringLiteral("1");
        const std::string text = figure->currentData().toString().toStdString() + "=" +
                                 cell(targets_, row, 1).toStdString() + ":" + weight.toStdString();
        const auto t = parseTarget(text, error);
        if (!t) return refuse(q(error));
        p.targets.push_back(*t);
    }
    p.minimise = static_cast<MinimiseKind>(minimise_->currentIndex());
    if (p.targets.empty() && p.minimise == MinimiseKind::none)
        return refuse(QStringLiteral("Add a target, or choose to minimise the spot or the wavefront."));
    p.keepClear = keepClear_->isChecked();
    if (p.keepClear) {
        bool ok = false;
        p.clearMargin = margin_->text().trimmed().toDouble(&ok);
        if (!ok || !(p.clearMargin >= 0) || !std::isfinite(p.clearMargin))
            return refuse(QStringLiteral("The clearance margin must be a number of at least 0."));
    }
    p.maxIterations = iterations_->value();
    return true;
}

void OptimiseDialog::setRunning(bool running) {
    run_->setEnabled(!running);
    apply_->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{variables_, targets_, addTarget_, removeTarget_,
                                                      minimise_, keepClear_, margin_, iterations_})
        w->setEnabled(!running);
}

void OptimiseDialog::run() {
    if (running()) return;
    joinWorker();
    OptimiseProblem p;
    if (!readProblem(p)) return;
    problem_ = p;
    stop_ = false;
    finished_ = false;
    setRunning(true);
    bar_->setRange(0, p.maxIterations);
    bar_->setValue(0);
    status_->setText(QStringLiteral("Searching..."));
    showFigures(p, nullptr);
    // The search runs on its own thread; what it tells reaches the dialog
    // as queued calls, so no widget is touched from there.
    // A second Run goes on from where the last one ended.
    worker_ = std::thread([this, start = hasResult_ ? result_.design : design_, p] {
        auto r = std::make_shared<OptimiseResult>(optimise(start, p, [this](int iteration, double merit) {
            QMetaObject::invokeMethod(
                this, [this, iteration, merit] { progress(iteration, merit); }, Qt::QueuedConnection);
            return !stop_.load();
        }));
        QMetaObject::invokeMethod(
            this, [this, r] { finished(r); }, Qt::QueuedConnection);
    });
}

void OptimiseDialog::cancel() {
    stop_ = true;
    status_->setText(QStringLiteral("Stopping..."));
}

void OptimiseDialog::progress(int iteration, double merit) {
    if (finished_) return;
    bar_->setValue(std::min(iteration, bar_->maximum()));
    status_->setText(QStringLiteral("Iteration %1 of %2, merit %3")
                         .arg(iteration)
                         .arg(problem_.maxIterations)
                         .arg(number(merit)));
}

void OptimiseDialog::finished(std::shared_ptr<OptimiseResult> r) {
    joinWorker();
    finished_ = true;
    setRunning(false);
    bar_->setValue(bar_->maximum());
    if (stop_) {
        // Cancelled: nothing to apply.
        status_->setText(QStringLiteral("Stopped; the design is unchanged."));
        bar_->setValue(0);
        return;
    }
    result_ = *r;
    hasResult_ = true;
    showValues(result_.design);
    if (r->converged)
        status_->setText(QStringLiteral("Converged after %1 iterations.").arg(r->iterations));
    else
        status_->setText(QStringLiteral("Did not converge: %1.").arg(q(r->reason)));
    // The best design found may be applied even when the targets are not
    // all met, as the command line writes it.
    apply_->setEnabled(std::isfinite(r->endMerit));
    showFigures(problem_, &result_.design);
}

void OptimiseDialog::showFigures(const OptimiseProblem& p, const Design* after) {
    std::vector<std::string> names;
    for (const OptimiseTarget& t : p.targets)
        if (std::find(names.begin(), names.end(), t.figure) == names.end()) names.push_back(t.figure);
    for (const char* f : kShownFigures)
        if (knownFigure(f) && std::find(names.begin(), names.end(), f) == names.end()) names.push_back(f);
    FigureEvaluator before, later;
    const bool tracedBefore = before.evaluate(design_, names, MinimiseKind::none);
    const bool tracedAfter = after && later.evaluate(*after, names, MinimiseKind::none);
    figures_->setRowCount(static_cast<int>(names.size()) + 1);
    QStringList rows{QStringLiteral("merit")};
    const std::optional<double> startMerit = meritOf(design_, p);
    figures_->setItem(0, 0, new QTableWidgetItem(number(startMerit.value_or(NAN))));
    figures_->setItem(0, 1, new QTableWidgetItem(after ? number(result_.endMerit) : QString()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        rows << figureShown(names[i], design_.units);
        const int row = static_cast<int>(i) + 1;
        figures_->setItem(row, 0, new QTableWidgetItem(tracedBefore ? number(before.figure(names[i])) : "-"));
        figures_->setItem(row, 1,
                          new QTableWidgetItem(tracedAfter ? number(later.figure(names[i])) : QString()));
    }
    figures_->setVerticalHeaderLabels(rows);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (const auto note = figureNote(names[i], design_.units))
            figures_->verticalHeaderItem(static_cast<int>(i) + 1)->setToolTip(q(figureExplanation(*note)));
}

void OptimiseDialog::showValues(const Design& d) {
    for (int row = 0; row < variables_->rowCount(); ++row) {
        std::string error;
        const auto v = parseVariable(names_[row], design_, error);
        if (!v) continue;
        QTableWidgetItem* now = variables_->item(row, 1);
        now->setText(number(variableValue(d, *v)));
        // What the search changed stands out from what it left.
        QFont font = now->font();
        font.setBold(variableValue(d, *v) != variableValue(design_, *v));
        now->setFont(font);
    }
}

void OptimiseDialog::reject() {
    // While the search runs, Cancel (or Escape) stops it; afterwards it
    // closes the dialog and leaves the design as it was.
    if (running()) {
        cancel();
        return;
    }
    QDialog::reject();
}

void OptimiseDialog::closeEvent(QCloseEvent* event) {
    if (running()) {
        cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool optimiseDesign(QWidget* parent, Design& design) {
    OptimiseDialog dialog(design, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    design = dialog.result();
    return true;
}

}  // namespace orvelin
