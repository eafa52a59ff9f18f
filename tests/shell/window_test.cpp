// The real main window driven by commands, keys and clicks: view states,
// backgrounds, menu states, the Edit menu's surface items, painting.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QTextBrowser>
#include <QToolTip>
#include <cmath>

#include "dialogs/about_dialog.h"
#include "dialogs/aperture_dialog.h"
#include "dialogs/cell_dialog.h"
#include "dialogs/surface_dialog.h"
#include "shell/client_view.h"
#include "shell/help_viewer.h"
#include "shell_test_support.h"
#include "support/tolerances.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class Window : public WindowTest {
  protected:
    /// Edit menu items: ids, separators as 0.
    std::vector<int> editIds() {
        std::vector<int> ids;
        for (QAction* a : editActions()) ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return ids;
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(window->clientView(), k, m);
        drainEvents();
    }
    QRgb clientPixel(int x, int y) { return window->clientView()->grab().toImage().pixel(x, y); }
};

}  // namespace

TEST_F(Window, StartsOnTheWelcomePageWithDesignCommandsGreyed) {
    EXPECT_EQ(window->windowTitle(), "ORVELIN");
    EXPECT_EQ(state().viewState, kViewWelcome);
    for (int id : {19, 20, 103, 104, 105, 106, 601, 602, 603})
        EXPECT_FALSE(window->action(id)->isEnabled()) << id;
    for (int id : {101, 102, 107, 108, 109, 300, 400, 500, 700, 801, 802})
        EXPECT_TRUE(window->action(id)->isEnabled()) << id;
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20}));
    // The plot buffer is the screen less the caption band.
    EXPECT_EQ(window->plotBuffer().size(), QSize(window->screenWidth(), window->screenHeight()));
    EXPECT_EQ(window->clientView()->size(), QSize(632, 408));

    // Nothing that needs a design works yet; the welcome page stays.
    for (int id : {300, 400, 500, 601, 602, 603, 700}) window->runCommand(id);
    window->queueKey(27);
    window->queueKey('z');
    drainEvents();
    EXPECT_EQ(state().viewState, kViewWelcome);
    // Units change only the check marks before a design exists.
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(state().design.units, "inches");
    EXPECT_TRUE(window->action(kCmdEnglish)->isChecked());
    EXPECT_FALSE(window->action(kCmdMetric)->isChecked());
    EXPECT_EQ(clientPixel(2, 400), qRgb(128, 128, 128));

    // "S" reaches Save As, which says there is nothing to save yet rather
    // than write a file that Open would refuse; no file dialog, no file.
    QString title, text;
    answerBox(&title, &text);
    key(Qt::Key_S);
    EXPECT_EQ(title, "Save As");
    EXPECT_TRUE(text.startsWith("There is no design to save yet.")) << text.toStdString();
    EXPECT_EQ(window->windowTitle(), "ORVELIN");
    EXPECT_EQ(state().viewState, kViewWelcome);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(Window, OpenShowsTheDesignAndBuildsOneSetOfSurfaceItems) {
    open(kNewtonian);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
    EXPECT_EQ(state().viewState, kViewDesign);
    EXPECT_EQ(window->background(), QColor(160, 160, 160));
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202, 203}));
    EXPECT_EQ(window->action(201)->text(), "Surface #1...");

    for (int id : {19, 20, 103, 104, 105, 106, 601, 602, 603})
        EXPECT_TRUE(window->action(id)->isEnabled()) << id;
    // Painting ran the analysis behind the layout; opening is no change.
    EXPECT_EQ(state().trace.status, kTraceOk);

    EXPECT_FALSE(state().modified);

    // A one-mirror design in inches, then the two-mirror one again.
    open(oneMirror("Aperture 4 Inches Field 1 Degrees f/5"), "small.ov");
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202}));
    EXPECT_EQ(window->action(202)->text(), "Focal plane...");
    EXPECT_TRUE(window->action(kCmdEnglish)->isChecked());
    EXPECT_FALSE(window->action(kCmdMetric)->isChecked());
    open(kNewtonian);
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202, 203}));
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());
}

TEST_F(Window, ViewCommandsKeysAndBackgrounds) {
    open(kNewtonian);
    window->runCommand(kCmdTrace);
    EXPECT_EQ(state().viewState, kViewTraceReport);
    EXPECT_EQ(clientPixel(1, 400), qRgb(128, 160, 192));

    // Character keys are queued: nothing happens until the queue runs.
    window->queueKey('d');
    EXPECT_EQ(state().viewState, kViewTraceReport);
    drainEvents();
    EXPECT_EQ(state().viewState, kViewDesign);
    // Escape returns to the design view.
    key(Qt::Key_T);
    EXPECT_EQ(state().viewState, kViewTraceReport);
    key(Qt::Key_Escape);
    EXPECT_EQ(state().viewState, kViewDesign);

    // Airy needs a plot first; then once only.
    window->runCommand(kCmdAiry);
    EXPECT_EQ(state().viewState, kViewDesign);
    key(Qt::Key_P);
    EXPECT_EQ(state().viewState, kViewStandardPlot);
    EXPECT_EQ(window->background(), QColor(160, 96, 32));
    EXPECT_EQ(state().frame.scale, 1900);  // mm default after Open
    EXPECT_EQ(state().frame.fieldOffset, 144);
    key(Qt::Key_A);
    EXPECT_EQ(state().viewState, kViewAiryOverlay);
    window->runCommand(kCmdAiry);
    EXPECT_EQ(state().viewState, kViewAiryOverlay);

    // Accelerators act at once, before the menu bar's Alt keys.
    const std::pair<Qt::Key, int> accelerators[] = {
        {Qt::Key_A, kViewUniformAiry}, {Qt::Key_B, kViewUniformBlur}, {Qt::Key_R, kViewUniformBlur}};
    for (auto [k, view] : accelerators) {
        QTest::keyClick(window->clientView(), k, Qt::AltModifier);
        EXPECT_EQ(state().viewState, view) << k;
    }
    key(Qt::Key_F4);
    EXPECT_EQ(state().viewState, kViewStandardPlot);
    const double half = state().frame.scale;
    key(Qt::Key_F5);
    EXPECT_DOUBLE_EQ(state().frame.scale, half * 2);
    key(Qt::Key_F6);
    EXPECT_DOUBLE_EQ(state().frame.scale, half * 4);
    EXPECT_EQ(state().frame.fieldOffset, 288);

    // A focus step moves the focal plane and marks the design changed.
    const double before = state().design.surfaces[2].separation;
    key(Qt::Key_F11);
    EXPECT_DOUBLE_EQ(state().design.surfaces[2].separation, before - state().frame.focusStep);
    EXPECT_TRUE(state().modified);
    key(Qt::Key_F12);
    EXPECT_NEAR(state().design.surfaces[2].separation, before, orvelin::testing::kWorkedFigure);

    // English while a plot is shown returns to the design view.
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(state().design.units, "inches");
    EXPECT_EQ(state().viewState, kViewDesign);
}

TEST_F(Window, ZCurvesAtOnceAndFocusUsesTheLastAnalysis) {
    open(kNewtonian);
    window->runCommand(kCmdTrace);
    // "Z" acts at once, even away from the design view, without repainting.
    window->queueKey('Z');
    EXPECT_EQ(state().design.surfaces[3].radius, -500);  // -1 / (2 * 1/1000)
    EXPECT_EQ(state().viewState, kViewTraceReport);
    EXPECT_TRUE(state().modified);

    window->runCommand(kCmdDisplay);
    window->clientView()->repaint();
    const AnalysisResults before = state().analysis().results;
    window->queueKey('f');
    drainEvents();
    EXPECT_EQ(state().design.surfaces[2].signedSeparation, before.bestFocus);
    EXPECT_EQ(state().design.surfaces[3].tilt, before.bestFitTilt);
}

TEST_F(Window, ATraceProblemRefusesReportFocusAndPlots) {
    open(oneMirror("Aperture 0 mm Field 1 Degrees f/5"), "zero.ov");
    EXPECT_EQ(state().trace.status, kTraceApertureZero);
    const double separation = state().design.surfaces[1].separation;
    for (int id : {105, 106, 300, 400, 601, 602, 603, 604, 903}) {
        window->runCommand(id);
        EXPECT_EQ(state().viewState, kViewDesign) << id;
    }
    EXPECT_EQ(state().design.surfaces[1].separation, separation);
    // The banner is painted in place of the layout: its blue title text.
    const QImage shot = window->clientView()->grab().toImage();
    bool blue = false;
    for (int y = 0; y < shot.height() && !blue; ++y)
        for (int x = 0; x < shot.width() && !blue; ++x) blue = shot.pixel(x, y) == qRgb(0, 32, 192);
    EXPECT_TRUE(blue);
}

TEST_F(Window, PlotViewShowsTheBufferCentredAndNoMore) {
    open(kNewtonian);
    window->runCommand(kCmdStandardPlot);
    // Mark the buffer's centre pixel and its corner, then look.
    QImage& buffer = const_cast<QImage&>(window->plotBuffer());
    const int bw = buffer.width(), bh = buffer.height();
    buffer.setPixel(bw / 2, bh / 2, qRgb(0, 255, 0));
    buffer.setPixel(0, 0, qRgb(255, 0, 0));
    const int cw = window->clientView()->width(), ch = window->clientView()->height();
    EXPECT_EQ(clientPixel(bw / 2 - (bw - cw) / 2, bh / 2 - (bh - ch) / 2), qRgb(0, 255, 0));

    // A client area larger than the buffer: the whole buffer, centred, and
    // the background around it.
    window->clientView()->setMinimumSize(bw + 40, bh + 20);
    window->resize(bw + 40, bh + 20 + window->menuBar()->height());
    drainEvents();
    ASSERT_GE(window->clientView()->width(), bw + 40);
    const int w = window->clientView()->width(), h = window->clientView()->height();
    const QImage shot = window->clientView()->grab().toImage();
    const int left = -((bw - w) / 2), top = -((bh - h) / 2);
    EXPECT_EQ(shot.pixel(left, top), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(left + bw / 2, top + bh / 2), qRgb(0, 255, 0));
    for (QPoint p : {QPoint(left - 1, top), QPoint(left, top - 1), QPoint(w - 1, h - 1)})
        EXPECT_EQ(shot.pixel(p), qRgb(160, 96, 32));
}

TEST_F(Window, ClicksOnTheTableOpenTheCellDialog) {
    open(kNewtonian);
    QWidget* client = window->clientView();
    const int cx = client->width() / 2;
    whenModal<CellDialog>([](CellDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "text21")->text(), "Edit radius #1");
        EXPECT_EQ(child<QLineEdit>(d, "edit8")->text(), " 1000");
        typeInto(d, "edit8", "1200");
        clickButton(d, "ok");
    });
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx - 100, 30));
    EXPECT_EQ(state().editRow, 1);
    EXPECT_EQ(state().editColumn, 1);
    EXPECT_EQ(state().design.surfaces[1].sagRadius, 1200);
    EXPECT_TRUE(state().modified);

    // The aperture row, field half.
    whenModal<CellDialog>([](CellDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "text21")->text(), "Edit field semi-angle");
        typeInto(d, "edit8", "0");
        clickButton(d, "ok");
    });
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx + 200, 4 * 14 + 10));
    EXPECT_EQ(state().design.sinField, 0);
    EXPECT_EQ(state().design.cosField, 1);

    // A mirror's name cell: the tangential diameters of the last drawing.
    client->repaint();
    const double central = state().analysis().geometry.centralSemiDiameter[1];
    EXPECT_GT(central, 0);
    QString title, text;
    answerBox(&title, &text);
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx - 250, 30));
    EXPECT_EQ(title, "Tangential diameters");
    EXPECT_EQ(text.toStdString(), diametersText(central, state().analysis().geometry.unvignettedSemiDiameter[1]));

    // Clicks outside the table or outside the design view do nothing.
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx, 5));
    window->runCommand(kCmdTrace);
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx - 100, 30));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Window, RightClickAndEditMenuDialogs) {
    open(kNewtonian);
    whenModal<ApertureDialog>([](ApertureDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit aperture and field semi-angle");
        EXPECT_EQ(child<QLineEdit>(d, "edit20")->text(), " 0.25");  // half the full field
        typeInto(d, "edit19", "150");
        clickButton(d, "cancel");
    });
    QTest::mouseClick(window->clientView(), Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_EQ(state().design.aperture, 100);
    EXPECT_FALSE(state().modified);

    // Edit > Aperture... from a plot: the single-value dialog, then the design view.
    window->runCommand(kCmdStandardPlot);
    whenModal<CellDialog>([](CellDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "text21")->text(), "Edit aperture");
        typeInto(d, "edit8", "120");
        clickButton(d, "ok");
    });
    window->action(kCmdAperture)->trigger();
    EXPECT_EQ(state().design.semiAperture, 60);
    EXPECT_EQ(state().editRow, 4);
    EXPECT_EQ(state().editColumn, 1);
    EXPECT_EQ(state().viewState, kViewDesign);

    // Ticking the toroid box and OK: box 11 becomes the sagittal radius.
    whenModal<SurfaceDialog>([](SurfaceDialog* d) {
        QTest::mouseClick(child<QCheckBox>(d, "toroid14"), Qt::LeftButton);
        EXPECT_EQ(child<QLineEdit>(d, "edit11")->text(), " 1000");  // the stored Rsag
        typeInto(d, "edit11", "1100");
        clickButton(d, "ok");
    });
    window->action(201)->trigger();
    EXPECT_EQ(state().design.surfaces[1].kind, kToroid);
    EXPECT_EQ(state().design.surfaces[1].sagRadius, 1100);
    EXPECT_EQ(state().design.surfaces[1].conic, 0);

    // The focal plane's dialog: no separation, and the best-fit box never ticks.
    whenModal<SurfaceDialog>([](SurfaceDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit focal plane parameters (optional)");
        EXPECT_EQ(d->findChild<QLineEdit*>("edit13"), nullptr);
        auto* bestFit = child<QCheckBox>(d, "bestFit22");
        QTest::mouseClick(bestFit, Qt::LeftButton);
        EXPECT_FALSE(bestFit->isChecked());
        typeInto(d, "edit10", "-400");
        clickButton(d, "ok");
    });
    window->runCommand(203);
    EXPECT_EQ(state().design.surfaces[3].radius, -400);
    // Ids past the focal plane open nothing.
    window->runCommand(204);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Window, HelpAndAbout) {
    // The window low on the screen: the guide still opens whole on it.
    const QRect room = window->QWidget::screen()->availableGeometry();
    window->move(room.left() + 40, room.bottom() - window->frameGeometry().height() + 1);
    key(Qt::Key_F1);
    ASSERT_NE(window->helpViewer(), nullptr);
    const QRect help = window->helpViewer()->geometry();
    EXPECT_TRUE(
        room.contains(help.adjusted(-kFrameAllowance, -kTitleAllowance, kFrameAllowance, kFrameAllowance)))
        << help.x() << "," << help.y() << " " << help.width() << "x" << help.height();
    EXPECT_EQ(window->helpViewer()->browser()->documentTitle(), "Orvelin Help");
    EXPECT_TRUE(window->helpViewer()->browser()->toPlainText().contains("Spot diagrams"));
    window->helpViewer()->close();
    window->runCommand(kCmdHelpContents);
    EXPECT_TRUE(window->helpViewer()->isVisible());

    bool escaped = false;
    whenModal<AboutDialog>([&](AboutDialog* d) {
        EXPECT_EQ(d->windowTitle(), "About Orvelin");
        EXPECT_EQ(child<QLabel>(d, "version")->text(), "Quorvex V0.90");
        EXPECT_FALSE(child<QLabel>(d, "icon")->pixmap().isNull());
        QTest::keyClick(d, Qt::Key_Escape);  // refused: only OK closes it
        escaped = d->isVisible();
        clickButton(d, "ok");
    });
    window->runCommand(kCmdAbout);
    EXPECT_TRUE(escaped);
}

TEST_F(Window, ToolsClearanceShowsTheClearanceView) {
    EXPECT_FALSE(window->action(kCmdClearance)->isEnabled());
    open(kNewtonian);
    EXPECT_EQ(window->action(kCmdClearance)->text(), "&Clearance...");
    ASSERT_TRUE(window->action(kCmdClearance)->isEnabled());
    window->runCommand(kCmdClearance);
    drainEvents();
    EXPECT_EQ(state().viewState, kViewClearance);
    EXPECT_EQ(clientPixel(2, 2), qRgb(240, 240, 236));  // the view's own background
    window->runCommand(kCmdDisplay);
    EXPECT_EQ(state().viewState, kViewDesign);
}

TEST_F(Window, ToolsDiffractionAndItsIntensityKey) {
    open(kNewtonian);
    QAction* diffraction = window->action(kCmdDiffraction);
    EXPECT_EQ(diffraction->text(), "&Diffraction");
    diffraction->trigger();
    drainEvents();
    EXPECT_EQ(state().viewState, kViewDiffraction);
    EXPECT_EQ(clientPixel(2, 2), qRgb(255, 255, 255));
    // "I" switches the scale there and back, and leaves the view as it is.
    key(Qt::Key_I);
    EXPECT_TRUE(state().diffractionLog);
    EXPECT_EQ(state().viewState, kViewDiffraction);
    key(Qt::Key_I);
    EXPECT_FALSE(state().diffractionLog);
    key(Qt::Key_D);
    key(Qt::Key_I);  // nothing outside the view
    EXPECT_EQ(state().viewState, kViewDesign);
    EXPECT_FALSE(state().diffractionLog);
}

TEST_F(Window, TheReportsLabelsExplainThemselves) {
    open(kNewtonian);
    window->runCommand(kCmdTrace);
    const int cx = window->clientView()->width() / 2;
    auto tipAt = [this](int x, int y) {
        QHelpEvent help(QEvent::ToolTip, QPoint(x, y), window->clientView()->mapToGlobal(QPoint(x, y)));
        QApplication::sendEvent(window->clientView(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // Coma'T of the field centre: its label (box at cx - 297, 33; label at
    // 129, 81) and its value 16 pixels below.
    const QString coma =
        "Coma'T, Field center (mm)\nTangential coma on axis: lateral offset of the tangential "
        "focus, in mm.";
    EXPECT_EQ(tipAt(cx - 297 + 129 + 3, 33 + 81 + 3), coma);
    EXPECT_EQ(tipAt(cx - 297 + 98 + 40, 33 + 97 + 3), coma);
    EXPECT_TRUE(tipAt(cx + 24 + 37 + 2, 228 + 9 + 2).startsWith("AST', + Field angle (mm)\n"));
    EXPECT_TRUE(tipAt(cx - 297 + 206 + 2, 33 + 117 + 2).endsWith("; a pure number."));
    EXPECT_EQ(window->toolTipAt(QPoint(cx, 4)), "");  // nothing there
    QToolTip::hideText();
}

TEST_F(Window, TheStatusBarSaysTheViewUnitsFocusStepsScaleAndFile) {
    auto field = [this](const char* name) {
        const QLabel* l = child<QLabel>(window.get(), name);
        return l->isVisibleTo(window.get()) ? l->text() : QString();
    };
    EXPECT_EQ(field("statusView"), "Welcome");
    EXPECT_EQ(field("statusFile"), "No design");
    open(kNewtonian);
    EXPECT_EQ(field("statusView"), "Design");
    EXPECT_EQ(field("statusUnits"), "Units: mm");
    EXPECT_EQ(field("statusFocus"), "Focus steps: none");
    EXPECT_EQ(field("statusScale"), "");
    EXPECT_EQ(field("statusFile"), "Saved");
    // The client area keeps its size below the menu and above the bar.
    EXPECT_EQ(window->clientView()->size(), QSize(632, 408));

    // A standard plot at the default 1900 pixels per mm, then two steps in
    // of 32 pixels each: 2 x 32 / 1900 mm.
    key(Qt::Key_P);
    EXPECT_EQ(field("statusView"), "Standard plot");
    EXPECT_EQ(field("statusScale"), "1 pixel = 0.5263 \u00b5m");
    const double before = state().design.surfaces[2].separation;
    key(Qt::Key_F11);
    key(Qt::Key_F11);
    const double moved = state().design.surfaces[2].separation - before;
    EXPECT_NEAR(std::fabs(moved), 64.0 / 1900, 1e-12);
    EXPECT_EQ(field("statusFocus"),
              "Focus steps: " + QString(moved > 0 ? "+" : "") + QString::number(moved, 'g', 7) + " mm");
    EXPECT_EQ(field("statusFile"), "Changed since saved");
    // Ctrl+Z takes one step back; Escape leaves the plot and its scale.
    window->undo();
    EXPECT_EQ(field("statusFocus"),
              "Focus steps: " + QString(moved > 0 ? "+" : "") + QString::number(moved / 2, 'g', 7) + " mm");
    EXPECT_EQ(field("statusView"), "Design");
    EXPECT_EQ(field("statusScale"), "");
    key(Qt::Key_T);
    EXPECT_EQ(field("statusView"), "Trace report");
    window->undo();
    EXPECT_EQ(field("statusFocus"), "Focus steps: none");
    EXPECT_EQ(field("statusFile"), "Saved");
}

TEST_F(Window, RepaintingAViewComputesNothingUntilTheDesignChanges) {
    open(kNewtonian);
    const Design opened = state().design;
    const int before = state().evaluation.computations();
    for (int view : {kCmdImageQuality, kCmdClearance}) {
        window->runCommand(view);
        drainEvents();
        const int computed = state().evaluation.computations();
        for (int k = 0; k < 3; ++k) window->clientView()->grab();
        EXPECT_EQ(state().evaluation.computations(), computed) << view;
    }
    EXPECT_EQ(state().evaluation.computations(), before + 2);
    // Painting only read the design; a change analyses it once and computes
    // the view once more.
    EXPECT_TRUE(bitIdentical(state().design, opened));
    window->runCommand(kCmdFocus);
    window->runCommand(kCmdImageQuality);
    for (int k = 0; k < 2; ++k) window->clientView()->grab();
    EXPECT_EQ(state().evaluation.computations(), before + 4);
}

TEST_F(Window, AnUnchangedAnalysisViewIsCopiedAndAnyChangeDrawsItAfresh) {
    open(kNewtonian);
    auto* client = static_cast<ClientView*>(window->clientView());
    // The view painted straight onto an image of the grab's format over the
    // client's background, as the window painted before it kept pictures.
    auto direct = [&](const QImage& like) {
        QImage image(like.size(), like.format());
        image.fill(client->palette().color(QPalette::Window));
        QPainter painter(&image);
        window->paintClient(painter, client->rect());
        painter.end();
        return image;
    };
    // After `change` (and the screen's paint, whose format may differ from
    // a grab's), a grab shows the view as drawn directly, drawn afresh.
    auto afterChange = [&](const std::function<void()>& change, const char* what) {
        const int draws = client->pictureDraws();
        change();
        drainEvents();
        const QImage shot = client->grab().toImage();
        EXPECT_GT(client->pictureDraws(), draws) << what;
        EXPECT_EQ(shot, direct(shot)) << what;
        return shot;
    };
    // Nothing changed: the grab copies the same picture.
    auto unchanged = [&](const QImage& last, const char* what) {
        const int draws = client->pictureDraws();
        EXPECT_EQ(client->grab().toImage(), last) << what;
        EXPECT_EQ(client->pictureDraws(), draws) << what;
    };
    QImage before;
    for (int view : {kCmdImageQuality, kCmdClearance, kCmdImageQuality}) {
        before = afterChange([&] { window->runCommand(view); }, "another view");
        unchanged(before, "view unchanged");
        unchanged(before, "view unchanged again");
    }
    // A changed design, the design as it was again, and a larger window.
    const QImage inches = afterChange(
        [&] {
            window->runCommand(kCmdEnglish);
            window->runCommand(kCmdImageQuality);
        },
        "inches");
    EXPECT_NE(inches, before);
    unchanged(inches, "inches, unchanged");
    EXPECT_EQ(afterChange(
                  [&] {
                      window->runCommand(kCmdMetric);
                      window->runCommand(kCmdImageQuality);
                  },
                  "millimetres again"),
              before);
    const QImage larger =
        afterChange([&] { window->resize(window->width() + 40, window->height() + 20); }, "resized");
    EXPECT_EQ(larger.size(), client->size());
    EXPECT_NE(larger.size(), before.size());
    unchanged(larger, "resized, unchanged");
    // Views drawn from no kept figures are drawn as they stand.
    window->runCommand(kCmdDisplay);
    drainEvents();
    const int draws = client->pictureDraws();
    const QImage design = client->grab().toImage();
    EXPECT_EQ(design, direct(design));
    EXPECT_EQ(client->pictureDraws(), draws);
}
