// Tools > Tolerances... driven as a user drives it: the default set to
// start from, rows added and removed, Run on a thread of its own filling the
// sensitivity table and the histogram with the core's own figures, Cancel
// and closing during a run ending the thread at once; the design is never
// changed, and the last result is the window's view until the design is.
#include "shell/tolerance_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>
#include <chrono>
#include <cstdlib>

#include "shell_test_support.h"
#include "tolerance/tolerance_view.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class ToleranceWindow : public WindowTest {
  protected:
    void openExample() {
        openFile(std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov");
        ASSERT_EQ(state().design.surfaceCount, 3);
        window->clientView()->repaint();
    }
};

QString status(ToleranceDialog* d) {
    return child<QLabel>(d, "status")->text();
}

QString comboText(QTableWidget* t, int row, int column) {
    return qobject_cast<QComboBox*>(t->cellWidget(row, column))->currentText();
}

// Cancel stops a run within one design's work, a millisecond or so here.
// The bound only shows that the run stopped rather than ran on (twenty
// thousand telescopes take tens of seconds): a shared machine may pause any
// process for longer than a design's work.
constexpr double kPromptMs = 2000;

double millisecondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

TEST_F(ToleranceWindow, RunFillsTheTablesAndTheViewKeepsTheResult) {
    EXPECT_FALSE(window->action(kCmdTolerances)->isEnabled());
    EXPECT_EQ(window->action(kCmdTolerances)->text(), "To&lerances...");
    openExample();
    ASSERT_TRUE(window->action(kCmdTolerances)->isEnabled());
    const Design opened = state().design;

    ToleranceOptions expectedOptions = viewToleranceOptions(opened);
    expectedOptions.trials = 40;
    const ToleranceResult expected = computeTolerances(opened, expectedOptions);
    ASSERT_EQ(expected.status, ToleranceStatus::ok);

    bool ran = false;
    whenModal<ToleranceDialog>([&](ToleranceDialog* d) {
        // The stated default set, every mirror's, to start from.
        auto* tols = child<QTableWidget>(d, "tolerances");
        ASSERT_EQ(tols->rowCount(), 5);
        EXPECT_EQ(comboText(tols, 0, 0), "radius");
        EXPECT_EQ(comboText(tols, 0, 1), "every");
        EXPECT_EQ(tols->item(0, 2)->text(), "0.1");
        EXPECT_EQ(tols->item(0, 3)->checkState(), Qt::Checked);
        EXPECT_EQ(comboText(tols, 4, 0), "sep");
        EXPECT_EQ(tols->item(4, 2)->text(), "0.2");
        EXPECT_EQ(child<QSpinBox>(d, "trials")->value(), kViewToleranceTrials);
        EXPECT_EQ(child<QLineEdit>(d, "threshold")->text(), "0.8");
        EXPECT_EQ(child<QComboBox>(d, "criterion")->currentText(), "worst.strehl");

        // A row added takes a mirror's tilt; a bad band is named, no run.
        clickButton(d, "addRow");
        ASSERT_EQ(tols->rowCount(), 6);
        tols->item(5, 2)->setText(QStringLiteral("-1"));
        EXPECT_FALSE(d->run());
        EXPECT_TRUE(status(d).startsWith("Row 6:")) << status(d).toStdString();
        EXPECT_TRUE(status(d).contains("negative")) << status(d).toStdString();
        tols->setCurrentCell(5, 2);
        clickButton(d, "removeRow");
        EXPECT_EQ(tols->rowCount(), 5);

        child<QSpinBox>(d, "trials")->setValue(40);
        clickButton(d, "run");
        EXPECT_FALSE(child<QPushButton>(d, "run")->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->running(); }, 20000));
        EXPECT_TRUE(status(d).startsWith("Done in")) << status(d).toStdString();
        EXPECT_EQ(child<QProgressBar>(d, "progress")->value(), 1000);
        ASSERT_TRUE(d->result());

        // The nominal row, then the core's rows in its order and digits.
        auto* table = child<QTableWidget>(d, "sensitivity");
        ASSERT_EQ(table->rowCount(), 1 + static_cast<int>(expected.sensitivity.size()));
        EXPECT_EQ(table->columnCount(), 6);
        EXPECT_EQ(table->item(0, 0)->text(), "nominal");
        const std::vector<ToleranceTableRow> rows = toleranceTable(expected, "mm");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(table->item(static_cast<int>(i) + 1, 0)->text().toStdString(), rows[i].tolerance);
            EXPECT_EQ(table->item(static_cast<int>(i) + 1, 2)->text().toStdString(), rows[i].minus);
            EXPECT_EQ(table->item(static_cast<int>(i) + 1, 5)->text().toStdString(), rows[i].refocus[0]);
        }
        EXPECT_EQ(d->result()->montecarlo->values, expected.montecarlo->values);
        EXPECT_EQ(table->horizontalHeaderItem(5)->text(), "Refocus sep:2 (-/+)");
        if (const char* shots = std::getenv("ORVELIN_SHOTS"))
            d->grab().save(QString::fromLocal8Bit(shots) + "/tol-dialog.png");
        ran = true;
        clickButton(d, "close");
    });
    window->runCommand(kCmdTolerances);
    ASSERT_TRUE(ran);
    // Nothing changed in the design; the result is the window's view.
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_FALSE(state().modified);
    EXPECT_FALSE(window->undoAction()->isEnabled());
    EXPECT_EQ(state().viewState, kViewTolerances);
    ASSERT_TRUE(state().tolerances);
    EXPECT_EQ(state().tolerances->options.trials, 40);
    window->clientView()->repaint();

    // Opened again, the dialog starts from the last run and shows it.
    whenModal<ToleranceDialog>([&](ToleranceDialog* d) {
        EXPECT_EQ(child<QSpinBox>(d, "trials")->value(), 40);
        EXPECT_EQ(child<QTableWidget>(d, "tolerances")->rowCount(), 8);  // one per value of a mirror
        EXPECT_EQ(child<QTableWidget>(d, "sensitivity")->rowCount(), 9);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    window->runCommand(kCmdTolerances);
    ASSERT_TRUE(state().tolerances);

    // Any change of the design drops it: the view then says so.
    window->runCommand(kCmdFocus);
    EXPECT_FALSE(state().tolerances);
    window->clientView()->repaint();
}

TEST_F(ToleranceWindow, CancelAndCloseStopTheRunAtOnce) {
    openExample();
    const Design opened = state().design;
    bool cancelled = false;
    whenModal<ToleranceDialog>([&](ToleranceDialog* d) {
        // A run of twenty thousand telescopes, far longer than the test.
        child<QSpinBox>(d, "trials")->setValue(20000);
        clickButton(d, "run");
        ASSERT_TRUE(d->running());
        // The window answers meanwhile: the bar moves.
        auto* bar = child<QProgressBar>(d, "progress");
        ASSERT_TRUE(QTest::qWaitFor([bar] { return bar->value() > 0; }, 10000));
        EXPECT_TRUE(d->running());
        EXPECT_TRUE(child<QPushButton>(d, "cancel")->isEnabled());
        const auto pressed = std::chrono::steady_clock::now();
        clickButton(d, "cancel");
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->running(); }, 5000));
        EXPECT_LT(millisecondsSince(pressed), kPromptMs);
        EXPECT_FALSE(d->hasThread());
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(status(d), "Cancelled.");
        EXPECT_FALSE(d->result());
        EXPECT_TRUE(child<QPushButton>(d, "run")->isEnabled());

        // Closed during a run: the run stops and its thread is joined
        // before the dialog goes.
        clickButton(d, "run");
        ASSERT_TRUE(d->running());
        QTest::qWait(50);
        const auto closing = std::chrono::steady_clock::now();
        d->close();
        EXPECT_LT(millisecondsSince(closing), kPromptMs);
        EXPECT_FALSE(d->hasThread());
        EXPECT_FALSE(d->isVisible());
        cancelled = true;
    });
    window->runCommand(kCmdTolerances);
    ASSERT_TRUE(cancelled);
    drainEvents();  // the stopped run's last word finds no dialog
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_FALSE(state().modified);
    EXPECT_FALSE(state().tolerances);
    EXPECT_NE(state().viewState, kViewTolerances);
}
