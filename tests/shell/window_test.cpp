// The real main window driven by commands, keys and clicks: view states,
// backgrounds, menu states, the Edit menu's surface items, painting.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "dialogs/about_dialog.h"
#include "dialogs/aperture_dialog.h"
#include "dialogs/cell_dialog.h"
#include "dialogs/surface_dialog.h"
#include "shell/help_viewer.h"
#include "shell_test_support.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApp();
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        expectNoPendingAnswers();
        window->state().modified = false;  // no question on the way out
        window.reset();
        drainEvents();
    }

    std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }

    void open(const char* text, const char* name = "newtonian.ov") {
        window->chooseOpenFile = [p = writeFile(path(name), text)] { return p; };
        window->runCommand(kCmdOpen);
    }

    /// Surface items of the Edit menu after the fixed ones: ids, separators as 0.
    std::vector<int> editIds() {
        std::vector<int> ids;
        for (QAction* a : window->editMenu()->actions())
            ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return ids;
    }

    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(window->clientView(), k, m);
    }

    QRgb clientPixel(int x, int y) { return window->clientView()->grab().toImage().pixel(x, y); }

    std::unique_ptr<MainWindow> window;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(Window, StartsOnTheWelcomePageWithDesignCommandsGreyed) {
    EXPECT_EQ(window->windowTitle(), "ORVELIN");
    EXPECT_EQ(window->state().viewState, kStateWelcome);
    EXPECT_EQ(window->background(), QColor(128, 128, 128));
    for (int id : {19, 20, 103, 104, 105, 106, 601, 602, 603})
        EXPECT_FALSE(window->action(id)->isEnabled()) << id;
    for (int id : {101, 102, 107, 108, 109, 300, 400, 500, 700, 801, 802})
        EXPECT_TRUE(window->action(id)->isEnabled()) << id;
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());
    EXPECT_FALSE(window->action(kCmdEnglish)->isChecked());
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20}));
    // The plot buffer is the screen less the caption band.
    EXPECT_EQ(window->plotBuffer().width(), window->screenWidth());
    EXPECT_EQ(window->plotBuffer().height(), window->screenHeight());
    EXPECT_EQ(window->clientView()->width(), 632);
    EXPECT_EQ(window->clientView()->height(), 408);

    // Menu texts as shown.
    QStringList top;
    for (QAction* a : window->menuBar()->actions()) top << a->text();
    EXPECT_EQ(top,
              (QStringList{"&File", "&Edit", "&Trace!", "Fo&cus!", "&Display!", "&Plot", "&Airy!", "&Help"}));
    EXPECT_EQ(window->action(104)->text(), "Save &As...");
    EXPECT_EQ(window->action(603)->text(), "Uniform &Blur");

    // Nothing that needs a design works yet; the welcome page stays.
    for (int id : {300, 400, 500, 601, 602, 603, 700}) window->runCommand(id);
    window->queueKey(27);
    window->queueKey('z');
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateWelcome);
    // Units change only the check marks before a design exists.
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(window->state().design.units, "inches");
    EXPECT_TRUE(window->action(kCmdEnglish)->isChecked());
    EXPECT_FALSE(window->action(kCmdMetric)->isChecked());
    EXPECT_EQ(window->state().viewState, kStateWelcome);
    EXPECT_EQ(clientPixel(2, 400), qRgb(128, 128, 128));

    // "S" still reaches Save As: the empty design is written (no rows, -1
    // mirrors) and named, and the welcome page stays.
    window->chooseSaveFile = [p = path("empty.ov")] { return p; };
    key(Qt::Key_S);
    drainEvents();
    EXPECT_EQ(window->windowTitle(), "ORVELIN - empty");
    EXPECT_EQ(window->state().viewState, kStateWelcome);
    std::ifstream saved(path("empty.ov"));
    std::string header, blank, count;
    std::getline(saved, header);
    std::getline(saved, blank);
    std::getline(saved, count);
    EXPECT_EQ(count, "-1 surface design");
}

TEST_F(Window, OpenShowsTheDesignAndBuildsOneSetOfSurfaceItems) {
    open(kNewtonian);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
    EXPECT_EQ(window->state().viewState, kStateDesign);
    EXPECT_EQ(window->background(), QColor(160, 160, 160));
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202, 203}));
    EXPECT_EQ(window->action(201)->text(), "Surface #1...");
    EXPECT_EQ(window->action(203)->text(), "Focal plane...");
    for (int id : {19, 20, 103, 104, 105, 106, 601, 602, 603})
        EXPECT_TRUE(window->action(id)->isEnabled()) << id;
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());
    // Painting ran the analysis behind the layout.
    EXPECT_EQ(window->state().trace.status, kTraceOk);
    EXPECT_GT(window->state().results.bestFocus, 0);
    EXPECT_FALSE(window->state().modified);

    // A one-mirror design in inches, then the two-mirror one again.
    open(
        "QuorVex V0.90 x\n\n 1 surface design\n\n heading\n\n"
        " 0 1000 1 0 500\n 0 0 0 0 focal plane\n\n Aperture 4 Inches Field 1 Degrees f/5\n",
        "small.ov");
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202}));
    EXPECT_EQ(window->action(202)->text(), "Focal plane...");
    EXPECT_TRUE(window->action(kCmdEnglish)->isChecked());
    EXPECT_FALSE(window->action(kCmdMetric)->isChecked());
    EXPECT_EQ(window->windowTitle(), "ORVELIN - small");
    open(kNewtonian);
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202, 203}));
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());
}

TEST_F(Window, ViewCommandsKeysAndBackgrounds) {
    open(kNewtonian);
    window->runCommand(kCmdTrace);
    EXPECT_EQ(window->state().viewState, kStateReport);
    EXPECT_EQ(window->background(), QColor(128, 160, 192));
    EXPECT_EQ(clientPixel(1, 400), qRgb(128, 160, 192));

    // Character keys are queued: nothing happens until the queue runs.
    window->queueKey('d');
    EXPECT_EQ(window->state().viewState, kStateReport);
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateDesign);
    // Escape in the design view does nothing, elsewhere returns to it.
    window->queueKey(27);
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateDesign);
    key(Qt::Key_T);
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateReport);
    key(Qt::Key_Escape);
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateDesign);

    // Airy needs a plot first; then once only.
    window->runCommand(kCmdAiry);
    EXPECT_EQ(window->state().viewState, kStateDesign);
    key(Qt::Key_P);
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateStandardPlot);
    EXPECT_EQ(window->background(), QColor(160, 96, 32));
    EXPECT_EQ(window->state().frame.scale, 1900);  // mm default after Open
    EXPECT_EQ(window->state().frame.fieldOffset, 144);
    key(Qt::Key_A);
    drainEvents();
    EXPECT_EQ(window->state().viewState, kStateAiryOverlay);
    window->runCommand(kCmdAiry);
    EXPECT_EQ(window->state().viewState, kStateAiryOverlay);

    // Accelerators act at once, before the menu bar's Alt keys.
    key(Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(window->state().viewState, kStateUniformAiry);
    key(Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(window->state().viewState, kStateUniformBlur);
    key(Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(window->state().viewState, kStateUniformBlur);
    key(Qt::Key_F4);
    EXPECT_EQ(window->state().viewState, kStateStandardPlot);
    const double blurHalf = window->state().frame.scale;
    key(Qt::Key_F5);
    EXPECT_DOUBLE_EQ(window->state().frame.scale, blurHalf * 2);
    key(Qt::Key_F6);
    EXPECT_DOUBLE_EQ(window->state().frame.scale, blurHalf * 4);
    EXPECT_EQ(window->state().frame.fieldOffset, 288);

    // A focus step moves the focal plane and marks the design changed.
    const double before = window->state().design.separation[2];
    key(Qt::Key_F11);
    EXPECT_DOUBLE_EQ(window->state().design.separation[2], before - window->state().frame.focusStep);
    EXPECT_TRUE(window->state().modified);
    key(Qt::Key_F12);
    EXPECT_NEAR(window->state().design.separation[2], before, 1e-9);

    // English while a plot is shown returns to the design view.
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(window->state().design.units, "inches");
    EXPECT_EQ(window->state().viewState, kStateDesign);
    window->runCommand(kCmdMetric);
    EXPECT_EQ(window->state().design.units, "mm");
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());
    EXPECT_FALSE(window->action(kCmdEnglish)->isChecked());
}

TEST_F(Window, ZCurvesAtOnceAndFocusUsesTheLastAnalysis) {
    open(kNewtonian);
    window->runCommand(kCmdTrace);
    // "Z" acts at once, even away from the design view, without repainting.
    window->queueKey('Z');
    EXPECT_EQ(window->state().design.radius[3], -500);  // -1 / (2 * 1/1000)
    EXPECT_EQ(window->state().viewState, kStateReport);
    EXPECT_TRUE(window->state().modified);

    window->runCommand(kCmdDisplay);
    window->clientView()->repaint();
    const double bestFocus = window->state().results.bestFocus;
    window->queueKey('f');
    drainEvents();
    EXPECT_EQ(window->state().design.signedSeparation[2], bestFocus);
    EXPECT_EQ(window->state().design.tilt[3], window->state().results.bestFitTilt);
}

TEST_F(Window, ATraceProblemRefusesReportFocusAndPlots) {
    // Zero aperture: the analysis fails with status 1.
    open(
        "QuorVex V0.90 x\n\n 1 surface design\n\n heading\n\n"
        " 0 1000 1 0 500\n 0 0 0 0 focal plane\n\n Aperture 0 mm Field 1 Degrees f/5\n",
        "zero.ov");
    EXPECT_EQ(window->state().trace.status, kTraceApertureZero);
    const double separation = window->state().design.separation[1];
    for (int id : {105, 106, 300, 400, 601, 602, 603, 604, 903}) {
        window->runCommand(id);
        EXPECT_EQ(window->state().viewState, kStateDesign) << id;
    }
    EXPECT_EQ(window->state().design.separation[1], separation);
    // The banner is painted in place of the layout: its blue title text.
    const QImage shot = window->clientView()->grab().toImage();
    bool blue = false;
    for (int y = 0; y < shot.height() && !blue; ++y)
        for (int x = 0; x < shot.width() && !blue; ++x) blue = shot.pixel(x, y) == qRgb(0, 32, 192);
    EXPECT_TRUE(blue);
    // Display and edits are never refused.
    window->runCommand(kCmdDisplay);
    EXPECT_EQ(window->state().viewState, kStateDesign);
}

TEST_F(Window, PlotViewShowsTheBufferCentredAndNoMore) {
    open(kNewtonian);
    window->runCommand(kCmdStandardPlot);
    // Mark the buffer's centre pixel and its corners, then look.
    QImage& buffer = const_cast<QImage&>(window->plotBuffer());
    const int bw = buffer.width(), bh = buffer.height();
    buffer.setPixel(bw / 2, bh / 2, qRgb(0, 255, 0));
    buffer.setPixel(0, 0, qRgb(255, 0, 0));
    const int cw = window->clientView()->width(), ch = window->clientView()->height();
    QImage shot = window->clientView()->grab().toImage();
    EXPECT_EQ(shot.pixel(bw / 2 - (bw - cw) / 2, bh / 2 - (bh - ch) / 2), qRgb(0, 255, 0));

    // A client area larger than the buffer: the whole buffer, centred, and
    // the background around it.
    window->clientView()->setMinimumSize(bw + 40, bh + 20);
    window->resize(bw + 40, bh + 20 + window->menuBar()->height());
    drainEvents();
    ASSERT_GE(window->clientView()->width(), bw + 40);
    const int w = window->clientView()->width(), h = window->clientView()->height();
    shot = window->clientView()->grab().toImage();
    const int left = -((bw - w) / 2), top = -((bh - h) / 2);
    EXPECT_EQ(shot.pixel(left, top), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(left + bw / 2, top + bh / 2), qRgb(0, 255, 0));
    EXPECT_EQ(shot.pixel(left - 1, top), qRgb(160, 96, 32));
    EXPECT_EQ(shot.pixel(left, top - 1), qRgb(160, 96, 32));
    EXPECT_EQ(shot.pixel(w - 1, h - 1), qRgb(160, 96, 32));
}

TEST_F(Window, ClicksOnTheTableOpenTheCellDialog) {
    open(kNewtonian);
    QWidget* client = window->clientView();
    const int cx = client->width() / 2;
    // Row 1, radius column: change the radius.
    whenModal<CellDialog>([](CellDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "text21")->text(), "Edit radius #1");
        EXPECT_EQ(child<QLineEdit>(d, "edit8")->text(), " 1000");
        EXPECT_EQ(d->size(), QSize(160, 84));
        typeInto(d, "edit8", "1200");
        clickButton(d, "ok");
    });
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx - 100, 30));
    EXPECT_EQ(window->state().editRow, 1);
    EXPECT_EQ(window->state().editColumn, 1);
    EXPECT_EQ(window->state().design.radius[1], 1200);
    EXPECT_EQ(window->state().design.sagRadius[1], 1200);
    EXPECT_TRUE(window->state().modified);
    EXPECT_EQ(window->state().viewState, kStateDesign);

    // Text that is not a number is refused and the dialog stays; Cancel
    // then leaves the value.
    QString title, text;
    whenModal<CellDialog>([&](CellDialog* d) {
        typeInto(d, "edit8", "abc");
        answerBox(&title, &text);
        clickButton(d, "ok");
        EXPECT_TRUE(d->isVisible());
        clickButton(d, "cancel");
    });
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx + 100, 2 * 14 + 10));  // tilt #2
    EXPECT_EQ(title, "Error");
    EXPECT_TRUE(text.contains("\"abc\" is not a number")) << text.toStdString();
    EXPECT_EQ(window->state().design.tilt[2], 45);

    // The aperture row, field half.
    whenModal<CellDialog>([](CellDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "text21")->text(), "Edit field semi-angle");
        typeInto(d, "edit8", "0");
        clickButton(d, "ok");
    });
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx + 200, 4 * 14 + 10));
    EXPECT_EQ(window->state().design.fieldSemiAngle, 0);
    EXPECT_EQ(window->state().design.sinField, 0);
    EXPECT_EQ(window->state().design.cosField, 1);

    // A mirror's name cell: the tangential diameters of the last drawing.
    client->repaint();
    const double central = window->state().geometry.centralSemiDiameter[1];
    EXPECT_GT(central, 0);
    whenModal<QMessageBox>([&](QMessageBox* b) {
        title = b->windowTitle();
        text = b->text();
        b->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx - 250, 30));
    EXPECT_EQ(title, "Tangential diameters");
    EXPECT_TRUE(text.startsWith("Central:")) << text.toStdString();
    EXPECT_EQ(text.toStdString(),
              diametersText(central, window->state().geometry.unvignettedSemiDiameter[1]));

    // Clicks outside the table or outside the design view do nothing.
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx, 5));
    window->runCommand(kCmdTrace);
    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(cx - 100, 30));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Window, RightClickAndEditMenuDialogs) {
    open(kNewtonian);
    window->state().modified = false;
    whenModal<ApertureDialog>([](ApertureDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit aperture and field semi-angle");
        EXPECT_EQ(child<QLineEdit>(d, "edit19")->text(), " 100");
        EXPECT_EQ(child<QLineEdit>(d, "edit20")->text(), " 0.25");  // half the full field
        typeInto(d, "edit19", "150");
        clickButton(d, "cancel");
    });
    QTest::mouseClick(window->clientView(), Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_EQ(window->state().design.aperture, 100);
    EXPECT_FALSE(window->state().modified);

    // Edit > Aperture... from a plot: the single-value dialog, then the design view.
    window->runCommand(kCmdStandardPlot);
    whenModal<CellDialog>([](CellDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "text21")->text(), "Edit aperture");
        typeInto(d, "edit8", "120");
        clickButton(d, "ok");
    });
    window->action(kCmdAperture)->trigger();
    EXPECT_EQ(window->state().design.aperture, 120);
    EXPECT_EQ(window->state().design.semiAperture, 60);
    EXPECT_EQ(window->state().editRow, 4);
    EXPECT_EQ(window->state().editColumn, 1);
    EXPECT_EQ(window->state().viewState, kStateDesign);

    // Surface #2 is the last mirror: its separation is the b.f.l.  Ticking
    // the toroid box and cancelling changes nothing.
    whenModal<SurfaceDialog>([](SurfaceDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit Surface #2 parameters");
        EXPECT_EQ(child<QLabel>(d, "label18")->text(), "b.f.l. (optional)");
        EXPECT_EQ(child<QLabel>(d, "label16")->text(), "Conic Constant");
        QTest::mouseClick(child<QCheckBox>(d, "toroid14"), Qt::LeftButton);
        EXPECT_EQ(child<QLabel>(d, "label15")->text(), "Rtan");
        EXPECT_EQ(child<QLabel>(d, "label16")->text(), "Rsag");
        clickButton(d, "cancel");
    });
    window->action(202)->trigger();
    EXPECT_EQ(window->state().design.kind[2], kConic);

    // Ticking it and OK: box 11 becomes the sagittal radius.
    whenModal<SurfaceDialog>([](SurfaceDialog* d) {
        EXPECT_EQ(child<QLabel>(d, "label18")->text(), "Separation");
        QTest::mouseClick(child<QCheckBox>(d, "toroid14"), Qt::LeftButton);
        EXPECT_EQ(child<QLineEdit>(d, "edit11")->text(), " 1000");  // the stored Rsag
        typeInto(d, "edit11", "1100");
        clickButton(d, "ok");
    });
    window->runCommand(201);
    EXPECT_EQ(window->state().design.kind[1], kToroid);
    EXPECT_EQ(window->state().design.sagRadius[1], 1100);
    EXPECT_EQ(window->state().design.conic[1], 0);
    EXPECT_EQ(window->state().design.radius[1], 1000);

    // The focal plane's dialog.
    whenModal<SurfaceDialog>([](SurfaceDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit focal plane parameters (optional)");
        EXPECT_EQ(d->findChild<QLineEdit*>("edit13"), nullptr);
        // The best-fit box is shown but never ticks.
        auto* bestFit = child<QCheckBox>(d, "bestFit22");
        QTest::mouseClick(bestFit, Qt::LeftButton);
        EXPECT_FALSE(bestFit->isChecked());
        typeInto(d, "edit10", "-400");
        clickButton(d, "ok");
    });
    window->runCommand(203);
    EXPECT_EQ(window->state().design.radius[3], -400);
    // Ids past the focal plane open nothing.
    window->runCommand(204);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Window, HelpAndAbout) {
    key(Qt::Key_F1);
    ASSERT_NE(window->helpViewer(), nullptr);
    EXPECT_TRUE(window->helpViewer()->isVisible());
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
        QTest::keyClick(d, Qt::Key_Escape);
        escaped = d->isVisible();
        clickButton(d, "ok");
    });
    window->runCommand(kCmdAbout);
    EXPECT_TRUE(escaped);
}
