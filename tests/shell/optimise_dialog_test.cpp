// Tools > Optimise... driven as a user drives it: values checked, a target
// added, Run, the search on its own thread while the dialog answers, Apply
// as one step that Ctrl+Z takes back; Cancel stops a search and leaves the
// design as it was; entries the optimiser cannot take are named.
#include "shell/optimise_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTableWidget>

#include "optimise/optimiser.h"
#include "shell_test_support.h"
#include "support/test_designs.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class OptimiseWindow : public WindowTest {
  protected:
    void openExample() {
        openFile(std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov");
        ASSERT_EQ(state().design.surfaceCount, 3);
        window->clientView()->repaint();
    }
};

int rowOf(OptimiseDialog* d, const std::string& name) {
    const auto& names = d->variableNames();
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) ADD_FAILURE() << "no row " << name;
    return static_cast<int>(it - names.begin());
}

void vary(OptimiseDialog* d, const std::string& name, const char* low = "", const char* high = "") {
    auto* table = child<QTableWidget>(d, "variables");
    const int row = rowOf(d, name);
    table->item(row, 2)->setCheckState(Qt::Checked);
    table->item(row, 3)->setText(QString::fromLatin1(low));
    table->item(row, 4)->setText(QString::fromLatin1(high));
}

QString status(OptimiseDialog* d) {
    return child<QLabel>(d, "status")->text();
}

bool waitForEnd(OptimiseDialog* d) {
    return QTest::qWaitFor([d] { return !d->running(); }, 20000);
}

}  // namespace

TEST_F(OptimiseWindow, RunsAppliesAsOneStepAndUndoes) {
    EXPECT_FALSE(window->action(kCmdOptimise)->isEnabled());
    EXPECT_EQ(window->action(kCmdOptimise)->text(), "&Optimise...");
    openExample();
    ASSERT_TRUE(window->action(kCmdOptimise)->isEnabled());
    const Design opened = state().design;

    // What the command line finds for the same problem.
    OptimiseProblem p;
    std::string e;
    p.variables.push_back(*parseVariable("tilt:2", opened, e));
    p.targets.push_back(*parseTarget("comaT=0:1", e));
    const OptimiseResult expected = optimise(opened, p);
    ASSERT_TRUE(expected.converged);

    bool ran = false;
    whenModal<OptimiseDialog>([&](OptimiseDialog* d) {
        // Every value of every surface: radius, conic, tilt and separation
        // of the two mirrors; radius, conic and tilt of the focal plane.
        EXPECT_EQ(d->variableNames(),
                  (std::vector<std::string>{"radius:1", "conic:1", "tilt:1", "sep:1", "radius:2", "conic:2",
                                            "tilt:2", "sep:2", "radius:3", "conic:3", "tilt:3"}));
        auto* table = child<QTableWidget>(d, "variables");
        EXPECT_EQ(table->item(rowOf(d, "tilt:2"), 1)->text(), "-6.7");
        EXPECT_EQ(table->item(rowOf(d, "tilt:3"), 0)->text(), "Focal plane tilt");

        // Nothing checked, then bounds the wrong way round: named, no run.
        clickButton(d, "run");
        EXPECT_EQ(status(d), "Check at least one value to vary.");
        vary(d, "tilt:2", "2", "1");
        clickButton(d, "run");
        EXPECT_TRUE(status(d).contains("LOW > HIGH")) << status(d).toStdString();
        EXPECT_FALSE(d->running());
        vary(d, "tilt:2", "", "1");
        clickButton(d, "run");
        EXPECT_TRUE(status(d).contains("both bounds")) << status(d).toStdString();
        vary(d, "tilt:2");
        clickButton(d, "run");
        EXPECT_TRUE(status(d).contains("Add a target")) << status(d).toStdString();

        clickButton(d, "addTarget");
        auto* targets = child<QTableWidget>(d, "targets");
        ASSERT_EQ(targets->rowCount(), 1);
        // Offered by the report's label, field and unit; the command line's
        // word goes with it.
        auto* figure = qobject_cast<QComboBox*>(targets->cellWidget(0, 0));
        EXPECT_EQ(figure->currentText(), "Coma'T, Field center (mm)");
        EXPECT_EQ(figure->currentData().toString(), "comaT");
        const int spot = figure->findData("quality.plus.rmsSpot");
        ASSERT_GE(spot, 0);
        EXPECT_EQ(figure->itemText(spot), "RMS spot, + Field angle (um)");
        EXPECT_EQ(figure->itemText(figure->findData("fieldPanelMinus.comaT")), "Coma'T, - Field angle (mm)");
        EXPECT_EQ(figure->itemText(figure->findData("fRatio")), "F/ratio, Field center");
        EXPECT_FALSE(child<QPushButton>(d, "apply")->isEnabled());
        clickButton(d, "run");
        ASSERT_TRUE(waitForEnd(d));
        EXPECT_TRUE(status(d).startsWith("Converged")) << status(d).toStdString();
        EXPECT_TRUE(child<QPushButton>(d, "apply")->isEnabled());
        // Before and after: the merit first, then the target's figure.
        auto* figures = child<QTableWidget>(d, "figures");
        EXPECT_EQ(figures->verticalHeaderItem(1)->text(), "Coma'T, Field center (mm)");
        // Seven significant digits, as the design table shows values.
        EXPECT_EQ(figures->item(1, 0)->text(), QString::number(expected.startFigures[0], 'g', 7));
        EXPECT_LE(std::fabs(figures->item(1, 1)->text().toDouble()), 1e-6);
        ran = true;
        clickButton(d, "apply");
    });
    window->runCommand(kCmdOptimise);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(bitIdentical(state().design, expected.design));
    window->clientView()->repaint();
    const Design applied = state().design;
    EXPECT_EQ(window->undoAction()->text(), "&Undo Optimise");
    EXPECT_TRUE(state().modified);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_FALSE(state().modified);
    key(Qt::Key_Y, Qt::ControlModifier);
    window->clientView()->repaint();
    EXPECT_TRUE(bitIdentical(state().design, applied));
    EXPECT_EQ(state().design.surfaces[2].tilt, expected.design.surfaces[2].tilt);
}

TEST_F(OptimiseWindow, CancelStopsTheSearchAndLeavesTheDesign) {
    openExample();
    const Design opened = state().design;
    bool stopped = false, closed = false;
    whenModal<OptimiseDialog>([&](OptimiseDialog* d) {
        for (const char* v : {"tilt:1", "tilt:2", "tilt:3", "sep:2"}) vary(d, v);
        child<QComboBox>(d, "minimise")->setCurrentIndex(1);
        child<QSpinBox>(d, "iterations")->setValue(10000);
        clickButton(d, "run");
        EXPECT_TRUE(d->running());
        EXPECT_FALSE(child<QPushButton>(d, "run")->isEnabled());
        // Cancel while it runs stops the search; the dialog stays.
        clickButton(d, "cancel");
        ASSERT_TRUE(waitForEnd(d));
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(status(d), "Stopped; the design is unchanged.");
        EXPECT_FALSE(child<QPushButton>(d, "apply")->isEnabled());
        EXPECT_TRUE(child<QPushButton>(d, "run")->isEnabled());
        stopped = true;
        // Cancel once more closes it.
        clickButton(d, "cancel");
        closed = !d->isVisible();
    });
    window->runCommand(kCmdOptimise);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_FALSE(window->undoAction()->isEnabled());
    EXPECT_FALSE(state().modified);

    // A finished search closed without Apply changes nothing either.
    whenModal<OptimiseDialog>([&](OptimiseDialog* d) {
        vary(d, "tilt:2");
        clickButton(d, "addTarget");
        clickButton(d, "run");
        ASSERT_TRUE(waitForEnd(d));
        EXPECT_TRUE(child<QPushButton>(d, "apply")->isEnabled());
        QTest::keyClick(d, Qt::Key_Escape);
    });
    window->runCommand(kCmdOptimise);
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_FALSE(window->undoAction()->isEnabled());
}

TEST_F(OptimiseWindow, RunsTheIterationsAskedAndASecondRunGoesOn) {
    openExample();
    const Design opened = state().design;
    // Two iterations of the smallest spot at a time, as the optimiser
    // itself takes them: the second run starts where the first ended.
    OptimiseProblem p;
    std::string e;
    for (const char* v : {"tilt:1", "tilt:2"}) p.variables.push_back(*parseVariable(v, opened, e));
    p.minimise = MinimiseKind::spot;
    p.maxIterations = 2;
    const OptimiseResult first = optimise(opened, p);
    const OptimiseResult second = optimise(first.design, p);
    ASSERT_FALSE(second.converged);

    bool ran = false;
    whenModal<OptimiseDialog>([&](OptimiseDialog* d) {
        vary(d, "tilt:1");
        vary(d, "tilt:2");
        child<QComboBox>(d, "minimise")->setCurrentIndex(1);
        child<QSpinBox>(d, "iterations")->setValue(2);
        auto* table = child<QTableWidget>(d, "variables");
        for (const OptimiseResult* r : {&first, &second}) {
            clickButton(d, "run");
            ASSERT_TRUE(waitForEnd(d));
            EXPECT_EQ(status(d), "Did not converge: no convergence after 2 iterations.");
            EXPECT_TRUE(bitIdentical(d->result(), r->design));
            // "Now" shows the values found, before any Apply.
            EXPECT_EQ(table->item(rowOf(d, "tilt:2"), 1)->text(), QString::number(r->endValues[1], 'g', 7));
            EXPECT_EQ(table->item(rowOf(d, "tilt:3"), 1)->text(), "-5.5");
        }
        ran = true;
        clickButton(d, "apply");
    });
    window->runCommand(kCmdOptimise);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(bitIdentical(state().design, second.design));
}

TEST_F(OptimiseWindow, TabVisitsOnlyTheEntriesOfEachGroup) {
    openExample();
    bool ran = false;
    whenModal<OptimiseDialog>([&](OptimiseDialog* d) {
        // Whatever fails below, the dialog closes: a modal left open would
        // hold the whole run.
        const auto closer = qScopeGuard([d] {
            if (d->isVisible()) d->close();
        });
        clickButton(d, "addTarget");
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        auto* table = child<QTableWidget>(d, "variables");
        table->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(QTest::qWaitFor([table] { return table->hasFocus(); }, 2000));
        // Vary, Low and High of each row, then on to the targets' group.
        int presses = 0;
        while (table->hasFocus() && presses < 100) {
            const int column = table->currentColumn();
            EXPECT_GE(column, 2) << "Tab stopped on a value that takes no entry, row " << table->currentRow();
            QTest::keyClick(table, Qt::Key_Tab);
            ++presses;
        }
        EXPECT_EQ(presses, 3 * table->rowCount());
        QWidget* next = d->focusWidget();
        EXPECT_TRUE(next && (next->objectName() == "targets" || next->objectName() == "addTarget"))
            << (next ? next->metaObject()->className() : "nothing");
        ran = true;
        clickButton(d, "cancel");
    });
    window->runCommand(kCmdOptimise);
    EXPECT_TRUE(ran);
}

// Run at the desktop's scale and at twice it (QT_SCALE_FACTOR=2): on a
// 1600 x 1000 screen, less a panel and the title bar, the dialog fits with
// Run, Apply and Cancel inside it.
TEST(DialogSizes, TheOptimiserFitsAScreenOf1600By1000) {
    ensureApp();
    Design d = makeDesign({{1000, 1, 0, 400}, {0, 0, 45, 100}, {0, 0, 0, 0}}, 100, 0.5);
    OptimiseDialog dialog(d);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const int room = static_cast<int>(1000 / dialog.devicePixelRatioF()) - 80;
    dialog.resize(std::min(dialog.width(), 1600), room);
    QApplication::processEvents();
    EXPECT_LE(dialog.height(), room);
    for (const char* name : {"run", "apply", "cancel"}) {
        auto* button = child<QPushButton>(&dialog, name);
        EXPECT_TRUE(dialog.rect().contains(QRect(button->mapTo(&dialog, QPoint(0, 0)), button->size())))
            << name;
    }
}
