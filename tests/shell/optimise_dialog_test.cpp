// Tools > Optimise... driven as a user drives it: values checked, a target
// added, Run, the search on its own thread while the dialog answers, Apply
// as one step that Ctrl+Z takes back; Cancel stops a search and leaves the
// design as it was; entries the optimiser cannot take are named.
#include "shell/optimise_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>

#include "optimise/optimiser.h"
#include "shell_test_support.h"

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
        EXPECT_EQ(table->item(rowOf(d, "tilt:2"), 1)->text(), "-6.6");
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
        EXPECT_EQ(qobject_cast<QComboBox*>(targets->cellWidget(0, 0))->currentText(), "comaT");
        EXPECT_FALSE(child<QPushButton>(d, "apply")->isEnabled());
        clickButton(d, "run");
        ASSERT_TRUE(waitForEnd(d));
        EXPECT_TRUE(status(d).startsWith("Converged")) << status(d).toStdString();
        EXPECT_TRUE(child<QPushButton>(d, "apply")->isEnabled());
        // Before and after: the merit first, then the target's figure.
        auto* figures = child<QTableWidget>(d, "figures");
        EXPECT_EQ(figures->verticalHeaderItem(1)->text(), "comaT");
        EXPECT_NEAR(figures->item(1, 0)->text().toDouble(), expected.startFigures[0], 1e-10);
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
