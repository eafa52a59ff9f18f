// File > New from a family... driven as a user drives it: numbers typed,
// Design on a worker thread while the dialog answers, the preview and the
// figures of the design, OK taking it as an unsaved new design that Undo
// takes back; entries the family cannot take and requests it cannot meet
// are named and never taken.
#include "dialogs/family_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>

#include "reports/layout_preview.h"
#include "platform/qt/qt_device.h"
#include "shell_test_support.h"
#include "support/test_designs.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

QString status(FamilyDialog* d) {
    return child<QLabel>(d, "status")->text();
}

bool waitForEnd(FamilyDialog* d) {
    return QTest::qWaitFor([d] { return !d->running(); }, 30000);
}

void chooseFamily(FamilyDialog* d, const char* word) {
    auto* family = child<QComboBox>(d, "family");
    family->setCurrentIndex(family->findData(QString::fromLatin1(word)));
}

}  // namespace

TEST_F(WindowTest, NewFromAFamilyPreviewsAndTakesAnUnsavedDesign) {
    // Right after New in the File menu.
    QAction* item = window->action(kCmdNewFromFamily);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), "New from a &family...");
    const QList<QAction*> file = window->menuBar()->actions().at(0)->menu()->actions();
    ASSERT_GE(file.size(), 2);
    EXPECT_EQ(file[0], window->action(kCmdNew));
    EXPECT_EQ(file[1], item);

    openFile(std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov");
    const Design opened = state().design;
    const FamilyRequest request{Family::herschelian, 100, 20, 0.25, 5, "mm"};
    const FamilyResult expected = designFamily(request);
    ASSERT_TRUE(expected.ok) << expected.reason;

    bool ran = false;
    whenModal<FamilyDialog>([&](FamilyDialog* d) {
        EXPECT_EQ(d->windowTitle(), "New from a Family");
        auto* family = child<QComboBox>(d, "family");
        EXPECT_EQ(family->count(), 4);
        EXPECT_EQ(family->currentText(), "Kutter (two-mirror Schiefspiegler)");
        EXPECT_EQ(child<QLabel>(d, "rule")->text(), familyLayoutRule(Family::kutter));
        EXPECT_FALSE(child<QPushButton>(d, "ok")->isEnabled());

        // What the family cannot take is named and starts nothing.
        typeInto(d, "aperture", "1oo");
        clickButton(d, "design");
        EXPECT_EQ(status(d), "Aperture: \"1oo\" is not a number.");
        typeInto(d, "aperture", "100");
        typeInto(d, "margin", "-1");
        clickButton(d, "design");
        EXPECT_EQ(status(d), "The margin must be at least 0.");
        EXPECT_FALSE(d->running());

        chooseFamily(d, "herschelian");
        EXPECT_EQ(child<QLabel>(d, "rule")->text(), familyLayoutRule(Family::herschelian));
        typeInto(d, "fRatio", "20");
        typeInto(d, "margin", "5");
        clickButton(d, "design");
        // The design is made on its own thread: the dialog answers meanwhile,
        // its entries held and the cursor busy.
        EXPECT_TRUE(d->running());
        EXPECT_FALSE(child<QPushButton>(d, "design")->isEnabled());
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        ASSERT_TRUE(waitForEnd(d));
        EXPECT_FALSE(QApplication::overrideCursor());
        EXPECT_EQ(status(d), "Every criterion is met: OK takes this design.");
        EXPECT_TRUE(child<QPushButton>(d, "ok")->isEnabled());
        // The command line's lines, without the last line end.
        EXPECT_EQ(child<QPlainTextEdit>(d, "figures")->toPlainText() + "\n",
                  QString::fromStdString(familyFiguresText(expected, "mm")));
        EXPECT_TRUE(bitIdentical(d->design(), expected.design));

        // The preview is the layout drawn for the design, as the drawing
        // device draws it; grey at the border, the picture inside.
        QImage drawn(FamilyDialog::kPreviewWidth, FamilyDialog::kPreviewHeight, QImage::Format_RGB32);
        {
            qt::QtDevice dc(drawn);
            EXPECT_TRUE(drawLayoutPreview(dc, expected.design));
        }
        EXPECT_EQ(d->preview(), drawn);
        EXPECT_EQ(d->preview().pixel(0, 0), qRgb(160, 160, 160));
        EXPECT_NE(d->preview().copy(24, 15, 432, 270).convertToFormat(QImage::Format_Indexed8).colorCount(),
                  1);

        // A changed entry may not be taken until it is designed again.
        typeInto(d, "field", "0.3");
        EXPECT_FALSE(child<QPushButton>(d, "ok")->isEnabled());
        typeInto(d, "field", "0.25");
        clickButton(d, "design");
        ASSERT_TRUE(waitForEnd(d));
        ran = true;
        clickButton(d, "ok");
    });
    window->runCommand(kCmdNewFromFamily);
    ASSERT_TRUE(ran);

    // An unsaved "(New Design)" in the design view, which traces it.
    EXPECT_TRUE(sameEnteredValues(state().design, expected.design));
    EXPECT_EQ(window->windowTitle(), "ORVELIN - (New Design)*");
    EXPECT_EQ(state().viewState, kViewDesign);
    window->clientView()->repaint();
    EXPECT_EQ(state().trace.status, kTraceOk);
    EXPECT_NEAR(state().analysis().geometry.layoutFRatio, 20, 0.02 * 20);
    EXPECT_EQ(window->undoAction()->text(), "&Undo New from a Family");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_EQ(window->windowTitle(), "ORVELIN - schiefspiegler");
}

// A request the family cannot meet shows its reason and the layout it
// reached, and cannot be taken; Cancel leaves the design as it was.
TEST_F(WindowTest, NewFromAFamilyRefusalIsShownAndNeverTaken) {
    openFile(std::string(ORVELIN_EXAMPLES) + "/sphere.ov");
    const Design opened = state().design;
    bool ran = false;
    whenModal<FamilyDialog>([&](FamilyDialog* d) {
        typeInto(d, "aperture", "200");
        typeInto(d, "fRatio", "4");
        clickButton(d, "design");
        ASSERT_TRUE(waitForEnd(d));
        EXPECT_FALSE(d->result().ok);
        EXPECT_EQ(status(d).toStdString(), "Not taken: " + d->result().reason + ".");
        EXPECT_NE(d->result().reason.find("faster than about f/"), std::string::npos) << d->result().reason;
        EXPECT_FALSE(child<QPushButton>(d, "ok")->isEnabled());
        EXPECT_FALSE(d->preview().isNull());
        // Cancel while a design is under way closes once it is back.
        typeInto(d, "fRatio", "20");
        clickButton(d, "design");
        ASSERT_TRUE(d->running());
        clickButton(d, "cancel");
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(status(d), "Cancelling once the design under way ends...");
        ran = true;
    });
    window->runCommand(kCmdNewFromFamily);
    ASSERT_TRUE(ran);
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_FALSE(state().modified);
}

// The guide tells where the command is and what its dialog does.
TEST(FamilyHelp, TheGuideNamesTheMenuEntry) {
    ensureApp();
    MainWindow window;  // registers the guide's resources
    QFile guide(QStringLiteral(":/orvelin/help/index.html"));
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(guide.readAll());
    EXPECT_EQ(text.count(QStringLiteral("<b>File &gt; New from a family...</b>")), 2);
    for (const char* word : {"<b>Design</b>", "<b>OK</b>", "(New Design)"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(word))) << word;
}
