#include "shell/tolerance_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "platform/qt/qt_device.h"
#include "quality/image_quality.h"
#include "tolerance/tolerance_view.h"

namespace orvelin {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

/// The view's Latin-1 texts (the band's sign and degree) for a widget.
QString latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

const char* const kKinds[] = {"radius", "sagradius", "conic", "tilt", "sep"};
const ToleranceKind kKindValues[] = {ToleranceKind::radius, ToleranceKind::sagradius, ToleranceKind::conic,
                                     ToleranceKind::tilt, ToleranceKind::sep};
const char* const kFigures[] = {"strehl", "rmsSpot", "rmsWavefront"};

/// Columns of the tolerances' table.
enum Column { kKindColumn, kMirrorColumn, kValueColumn, kPercentColumn };

QTableWidgetItem* fixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

/// What the analysis tells, from any of its threads: a change of the shown
/// step reaches the dialog as a queued call, so no widget is touched from
/// there; Cancel is one flag every thread reads.
class ToleranceDialog::Progress : public ToleranceProgress {
  public:
    explicit Progress(ToleranceDialog* dialog) : dialog_(dialog) {}
    void advanced(int done, int total) override {
        // Per mille, so that a long run sends at most a thousand calls.
        const int step = total > 0 ? static_cast<int>(1000LL * done / total) : 0;
        int shown = shown_.load();
        while (step > shown)
            if (shown_.compare_exchange_weak(shown, step)) {
                ToleranceDialog* d = dialog_;
                QMetaObject::invokeMethod(
                    d, [d, done, total] { d->advanced(done, total); }, Qt::QueuedConnection);
                break;
            }
    }
    bool cancelled() const override { return stop.load(); }
    std::atomic<bool> stop{false};

  private:
    ToleranceDialog* dialog_;
    std::atomic<int> shown_{-1};
};

/// The histogram of the last result, drawn by the view's own painter.
class ToleranceDialog::Histogram : public QWidget {
  public:
    using QWidget::QWidget;
    std::shared_ptr<const ToleranceResult> result;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (!result) return;
        const QSize s = screen() ? screen()->size() : QSize(1024, 768);
        const draw::Rect area{0, 0, width(), height()};
        qt::QtDevice dc(painter, area, qt::ScreenMetrics{s.width(), s.height()});
        drawToleranceHistogram(dc, area, *result);
    }
};

ToleranceDialog::ToleranceDialog(const Design& design, const ToleranceResult* last, QWidget* parent)
    : QDialog(parent), design_(design) {
    setWindowTitle(QStringLiteral("Tolerances"));
    auto* layout = new QVBoxLayout(this);
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->setChildrenCollapsible(false);

    // The tolerances: a kind of value of one mirror or of every mirror that
    // has it, and its band.
    auto* tolBox = new QGroupBox(QStringLiteral("Tolerances (a later row replaces an earlier one)"));
    auto* tolLayout = new QVBoxLayout(tolBox);
    tolerances_ = new QTableWidget(0, 4, tolBox);
    tolerances_->setObjectName(QStringLiteral("tolerances"));
    tolerances_->setHorizontalHeaderLabels({QStringLiteral("Value"), QStringLiteral("Mirror"),
                                            QStringLiteral("\u00b1 Band"), QStringLiteral("%")});
    tolerances_->horizontalHeaderItem(kValueColumn)
        ->setToolTip(QStringLiteral("Half the band: %1, degrees for a tilt, none for a conic constant")
                         .arg(QString::fromLatin1(unitsWord(design))));
    tolerances_->horizontalHeaderItem(kPercentColumn)
        ->setToolTip(QStringLiteral("The band of a radius in percent of it"));
    tolerances_->verticalHeader()->hide();
    tolerances_->setColumnWidth(kKindColumn, 120);
    tolerances_->setColumnWidth(kMirrorColumn, 90);
    tolerances_->setColumnWidth(kValueColumn, 100);
    tolerances_->setColumnWidth(kPercentColumn, 40);
    tolerances_->setMinimumHeight(150);
    tolLayout->addWidget(tolerances_);
    auto* rowButtons = new QHBoxLayout;
    addRow_ = new QPushButton(QStringLiteral("Add"), tolBox);
    addRow_->setObjectName(QStringLiteral("addRow"));
    removeRow_ = new QPushButton(QStringLiteral("Remove"), tolBox);
    removeRow_->setObjectName(QStringLiteral("removeRow"));
    defaults_ = new QPushButton(QStringLiteral("Defaults"), tolBox);
    defaults_->setObjectName(QStringLiteral("defaults"));
    defaults_->setToolTip(QString::fromUtf8(kDefaultTolerancesHelp));
    rowButtons->addWidget(addRow_);
    rowButtons->addWidget(removeRow_);
    rowButtons->addWidget(defaults_);
    rowButtons->addStretch();
    tolLayout->addLayout(rowButtons);

    // How each built telescope is refocused and judged, and how many.
    auto* options = new QGridLayout;
    compensation_ = new QComboBox(tolBox);
    compensation_->setObjectName(QStringLiteral("compensation"));
    compensation_->addItems({QStringLiteral("focus"), QStringLiteral("focus,tilt"), QStringLiteral("none")});
    compensation_->setToolTip(QStringLiteral(
        "Re-solved for every built telescope: the focal plane's distance, also its tilt, or nothing"));
    criterion_ = new QComboBox(tolBox);
    criterion_->setObjectName(QStringLiteral("criterion"));
    for (const char* f : kFigures) criterion_->addItem(QStringLiteral("worst.%1").arg(QLatin1String(f)));
    for (QualityField field : kQualityFields)
        for (const char* f : kFigures)
            criterion_->addItem(QStringLiteral("quality.%1.%2")
                                    .arg(QLatin1String(qualityFieldName(field)), QLatin1String(f)));
    criterion_->setToolTip(
        QStringLiteral("The image figure a telescope is judged by: one field's, or the "
                       "worst of the four fields"));
    threshold_ = new QLineEdit(tolBox);
    threshold_->setObjectName(QStringLiteral("threshold"));
    threshold_->setToolTip(QStringLiteral("What a built telescope must meet (empty: no yield)"));
    auto* thresholdLabel = new QLabel(tolBox);
    auto followCriterion = [this, thresholdLabel] {
        const bool strehl = criterion_->currentText().endsWith(QStringLiteral("strehl"));
        thresholdLabel->setText(strehl ? QStringLiteral("Threshold (at least)")
                                       : QStringLiteral("Threshold (at most)"));
    };
    connect(criterion_, &QComboBox::currentIndexChanged, this, followCriterion);
    trials_ = new QSpinBox(tolBox);
    trials_->setObjectName(QStringLiteral("trials"));
    trials_->setRange(0, kMaxToleranceTrials);
    trials_->setToolTip(QStringLiteral("Monte-Carlo telescopes to build; 0 for the sensitivity only"));
    seed_ = new QSpinBox(tolBox);
    seed_->setObjectName(QStringLiteral("seed"));
    seed_->setRange(0, INT_MAX);
    seed_->setToolTip(QStringLiteral("The same seed builds the same telescopes"));
    distribution_ = new QComboBox(tolBox);
    distribution_->setObjectName(QStringLiteral("distribution"));
    distribution_->addItems({QStringLiteral("uniform"), QStringLiteral("normal")});
    distribution_->setToolTip(
        QStringLiteral("Each value drawn uniformly within its band, or normally (sigma half the band, cut "
                       "at the band)"));
    options->addWidget(new QLabel(QStringLiteral("Refocus"), tolBox), 0, 0);
    options->addWidget(compensation_, 0, 1);
    options->addWidget(new QLabel(QStringLiteral("Criterion"), tolBox), 0, 2);
    options->addWidget(criterion_, 0, 3);
    options->addWidget(thresholdLabel, 0, 4);
    options->addWidget(threshold_, 0, 5);
    options->addWidget(new QLabel(QStringLiteral("Trials"), tolBox), 1, 0);
    options->addWidget(trials_, 1, 1);
    options->addWidget(new QLabel(QStringLiteral("Drawn"), tolBox), 1, 2);
    options->addWidget(distribution_, 1, 3);
    options->addWidget(new QLabel(QStringLiteral("Seed"), tolBox), 1, 4);
    options->addWidget(seed_, 1, 5);
    tolLayout->addLayout(options);
    panes->addWidget(tolBox);

    // Progress, the sensitivity table and the histogram.
    auto* resultBox = new QWidget;
    auto* resultLayout = new QVBoxLayout(resultBox);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    bar_ = new QProgressBar(resultBox);
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    bar_->setFormat(QStringLiteral("%p%"));
    resultLayout->addWidget(bar_);
    status_ = new QLabel(QStringLiteral("Edit the tolerances, then Run."), resultBox);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    resultLayout->addWidget(status_);
    sensitivity_ = new QTableWidget(0, 0, resultBox);
    sensitivity_->setObjectName(QStringLiteral("sensitivity"));
    sensitivity_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sensitivity_->verticalHeader()->hide();
    sensitivity_->setMinimumHeight(150);
    // Rows of text only: as close as the text allows, to show many.
    sensitivity_->verticalHeader()->setDefaultSectionSize(sensitivity_->fontMetrics().height() + 6);
    sensitivity_->setFocusPolicy(Qt::ClickFocus);
    resultLayout->addWidget(sensitivity_, 1);
    panes->addWidget(resultBox);
    histogram_ = new Histogram;
    histogram_->setObjectName(QStringLiteral("histogram"));
    histogram_->setMinimumHeight(180);
    panes->addWidget(histogram_);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 3);
    panes->setStretchFactor(2, 2);
    layout->addWidget(panes, 1);

    auto* buttons = new QHBoxLayout;
    run_ = new QPushButton(QStringLiteral("Run"), this);
    run_->setObjectName(QStringLiteral("run"));
    run_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setEnabled(false);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("close"));
    buttons->addStretch();
    buttons->addWidget(run_);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    connect(addRow_, &QPushButton::clicked, this, [this] {
        Tolerance t;
        t.amount = 0.02;
        addRow(t, true);
    });
    connect(removeRow_, &QPushButton::clicked, this, &ToleranceDialog::removeRow);
    connect(defaults_, &QPushButton::clicked, this, &ToleranceDialog::setDefaults);
    connect(run_, &QPushButton::clicked, this, &ToleranceDialog::run);
    connect(cancel_, &QPushButton::clicked, this, &ToleranceDialog::cancel);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);

    if (last && last->status == ToleranceStatus::ok) {
        setOptions(last->options);
        for (const Tolerance& t : last->options.tolerances) addRow(t, false);
        result_ = std::make_shared<ToleranceResult>(*last);
        showResult();
        status_->setText(QStringLiteral("The last analysis of this design; Run for another."));
    } else {
        setOptions(viewToleranceOptions(design));
        setDefaults();
    }
    followCriterion();
    const QScreen* on = parent ? parent->screen() : screen();
    const QRect room = on ? on->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(760, room.width() - 40), std::min(860, room.height() - 80));
}

ToleranceDialog::~ToleranceDialog() {
    stopWorker();
}

void ToleranceDialog::stopWorker() {
    if (progress_) progress_->stop = true;
    if (worker_.joinable()) worker_.join();
    finished_ = true;
}

void ToleranceDialog::addRow(const Tolerance& t, bool everyMirror) {
    const int row = tolerances_->rowCount();
    tolerances_->insertRow(row);
    auto* kind = new QComboBox(tolerances_);
    for (const char* k : kKinds) kind->addItem(QLatin1String(k));
    for (int i = 0; i < 5; ++i)
        if (kKindValues[i] == t.kind) kind->setCurrentIndex(i);
    tolerances_->setCellWidget(row, kKindColumn, kind);
    auto* mirror = new QComboBox(tolerances_);
    mirror->addItem(QStringLiteral("every"), QStringLiteral("*"));
    for (int k = 1; k < std::clamp(design_.surfaceCount, 1, kMaxSurfaces); ++k)
        mirror->addItem(QString::number(k), QString::number(k));
    mirror->setCurrentIndex(everyMirror ? 0 : std::max(0, mirror->findData(QString::number(t.mirror))));
    tolerances_->setCellWidget(row, kMirrorColumn, mirror);
    tolerances_->setItem(row, kValueColumn, new QTableWidgetItem(QString::number(t.amount, 'g', 10)));
    auto* percent = new QTableWidgetItem();
    percent->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    percent->setCheckState(t.percent ? Qt::Checked : Qt::Unchecked);
    tolerances_->setItem(row, kPercentColumn, percent);
}

void ToleranceDialog::removeRow() {
    const int row = tolerances_->currentRow() >= 0 ? tolerances_->currentRow() : tolerances_->rowCount() - 1;
    if (row >= 0) tolerances_->removeRow(row);
}

void ToleranceDialog::setDefaults() {
    tolerances_->setRowCount(0);
    // The stated default set, one row per kind for every mirror that has
    // it, read from its own texts so that the two never differ.
    for (const std::string& text : defaultToleranceTexts(design_)) {
        Tolerance t;
        const std::string kind = text.substr(0, text.find(':'));
        for (int i = 0; i < 5; ++i)
            if (kind == kKinds[i]) t.kind = kKindValues[i];
        std::string amount = text.substr(text.find("=") + 1);
        if (amount.rfind("\u00b1", 0) == 0) amount = amount.substr(std::string("\u00b1").size());
        t.percent = !amount.empty() && amount.back() == '%';
        if (t.percent) amount.pop_back();
        t.amount = std::stod(amount);
        addRow(t, true);
    }
}

void ToleranceDialog::setOptions(const ToleranceOptions& o) {
    compensation_->setCurrentText(QLatin1String(compensationName(o.compensation)));
    criterion_->setCurrentText(q(o.criterion.name));
    threshold_->setText(o.threshold ? QString::number(*o.threshold, 'g', 10) : QString());
    trials_->setValue(o.trials);
    seed_->setValue(static_cast<int>(std::min<std::uint64_t>(o.seed, INT_MAX)));
    distribution_->setCurrentIndex(o.distribution == Distribution::normal ? 1 : 0);
}

bool ToleranceDialog::readOptions(ToleranceOptions& o) {
    auto refuse = [this](const QString& why) {
        status_->setText(why);
        return false;
    };
    std::string error;
    for (int row = 0; row < tolerances_->rowCount(); ++row) {
        const auto* kind = qobject_cast<QComboBox*>(tolerances_->cellWidget(row, kKindColumn));
        const auto* mirror = qobject_cast<QComboBox*>(tolerances_->cellWidget(row, kMirrorColumn));
        const QTableWidgetItem* value = tolerances_->item(row, kValueColumn);
        const bool percent = tolerances_->item(row, kPercentColumn)->checkState() == Qt::Checked;
        const std::string text =
            kind->currentText().toStdString() + ":" + mirror->currentData().toString().toStdString() + "=+-" +
            (value ? value->text().trimmed().toStdString() : std::string()) + (percent ? "%" : "");
        if (!parseTolerance(text, design_, o.tolerances, error))
            return refuse(QStringLiteral("Row %1: %2").arg(row + 1).arg(q(error)));
    }
    if (o.tolerances.empty()) return refuse(QStringLiteral("Add a tolerance that some mirror has."));
    o.compensation = *parseCompensation(compensation_->currentText().toStdString());
    const auto c = parseCriterion(criterion_->currentText().toStdString(), error);
    if (!c) return refuse(q(error));
    o.criterion = *c;
    const QString threshold = threshold_->text().trimmed();
    if (!threshold.isEmpty()) {
        bool ok = false;
        const double v = threshold.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return refuse(QStringLiteral("The threshold must be a number, or empty."));
        o.threshold = v;
    }
    o.trials = trials_->value();
    o.seed = static_cast<std::uint64_t>(seed_->value());
    o.distribution = distribution_->currentIndex() == 1 ? Distribution::normal : Distribution::uniform;
    if (const std::string why = checkToleranceOptions(o); !why.empty()) return refuse(q(why));
    return true;
}

void ToleranceDialog::setRunning(bool running) {
    run_->setEnabled(!running);
    cancel_->setEnabled(running);
    for (QWidget* w :
         std::initializer_list<QWidget*>{tolerances_, addRow_, removeRow_, defaults_, compensation_,
                                         criterion_, threshold_, trials_, seed_, distribution_})
        w->setEnabled(!running);
}

bool ToleranceDialog::run() {
    if (running()) return false;
    if (worker_.joinable()) worker_.join();
    ToleranceOptions o;
    if (!readOptions(o)) return false;
    progress_ = std::make_unique<Progress>(this);
    finished_ = false;
    setRunning(true);
    bar_->setValue(0);
    status_->setText(QStringLiteral("Building %1 telescopes...")
                         .arg(static_cast<qulonglong>(1 + 2 * o.tolerances.size() + o.trials)));
    started_ = std::chrono::steady_clock::now();
    // The analysis runs on its own thread (and from there on every core);
    // it works on copies of the design, and its result comes back as a
    // queued call.
    worker_ = std::thread([this, design = design_, o, progress = progress_.get()] {
        auto r = std::make_shared<ToleranceResult>(computeTolerances(design, o, progress));
        QMetaObject::invokeMethod(
            this, [this, r] { finished(r); }, Qt::QueuedConnection);
    });
    return true;
}

void ToleranceDialog::cancel() {
    if (!running()) return;
    progress_->stop = true;
    status_->setText(QStringLiteral("Stopping..."));
}

void ToleranceDialog::advanced(int done, int total) {
    if (finished_) return;
    bar_->setValue(total > 0 ? static_cast<int>(1000LL * done / total) : 0);
}

void ToleranceDialog::finished(std::shared_ptr<ToleranceResult> r) {
    if (finished_) return;  // the dialog stopped and joined it already
    if (worker_.joinable()) worker_.join();
    finished_ = true;
    setRunning(false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    switch (r->status) {
        case ToleranceStatus::cancelled:
            bar_->setValue(0);
            status_->setText(result_ ? QStringLiteral("Cancelled; the last analysis stays.")
                                     : QStringLiteral("Cancelled."));
            return;
        case ToleranceStatus::nominalFailed:
            bar_->setValue(0);
            status_->setText(QStringLiteral("The design as given has no image for %1: %2")
                                 .arg(q(r->options.criterion.name), q(traceProblemMessage(r->traceStatus))));
            return;
        case ToleranceStatus::ok:
            break;
    }
    bar_->setValue(bar_->maximum());
    result_ = std::move(r);
    showResult();
    status_->setText(QStringLiteral("Done in %1 s.").arg(seconds, 0, 'f', 2));
}

void ToleranceDialog::showResult() {
    const std::vector<std::string> headings = toleranceTableHeadings(*result_);
    const std::vector<ToleranceTableRow> rows = toleranceTable(*result_, design_.units);
    const Criterion& c = result_->options.criterion;
    sensitivity_->clear();
    sensitivity_->setColumnCount(static_cast<int>(headings.size()));
    sensitivity_->setRowCount(static_cast<int>(rows.size()) + 1);
    QStringList labels;
    for (const std::string& h : headings) labels << latin1(h);
    sensitivity_->setHorizontalHeaderLabels(labels);
    // The nominal design first, refocused as every row is.
    sensitivity_->setItem(0, 0, fixedItem(QStringLiteral("nominal")));
    sensitivity_->setItem(0, 2, fixedItem(q(criterionText(c, result_->nominal.value))));
    sensitivity_->setItem(0, 3, fixedItem(q(criterionText(c, result_->nominal.value))));
    for (std::size_t i = 0; i < result_->compensatorNames.size() && i < result_->nominal.compensators.size();
         ++i)
        sensitivity_->setItem(0, 5 + static_cast<int>(i),
                              fixedItem(QString::number(result_->nominal.compensators[i], 'f', 4)));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ToleranceTableRow& row = rows[r];
        std::vector<std::string> cells{row.tolerance, row.band, row.minus, row.plus, row.change};
        cells.insert(cells.end(), row.refocus.begin(), row.refocus.end());
        for (std::size_t k = 0; k < cells.size(); ++k) {
            QTableWidgetItem* item = fixedItem(latin1(cells[k]));
            if (k >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (row.critical)
                item->setForeground(QColor(kToleranceCritical.r, kToleranceCritical.g, kToleranceCritical.b));
            sensitivity_->setItem(static_cast<int>(r) + 1, static_cast<int>(k), item);
        }
    }
    sensitivity_->resizeColumnsToContents();
    histogram_->result = result_;
    histogram_->update();
}

void ToleranceDialog::done(int answer) {
    // Close, Escape or the window's close button during a run: the run
    // stops and its thread ends before the dialog goes.
    stopWorker();
    setRunning(false);
    QDialog::done(answer);
}

std::shared_ptr<const ToleranceResult> analyseTolerances(QWidget* parent, const Design& design,
                                                         const ToleranceResult* last) {
    ToleranceDialog dialog(design, last, parent);
    dialog.exec();
    return dialog.result();
}

}  // namespace orvelin
