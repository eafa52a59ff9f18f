// The parameter dialogs on their own: what they show when they open, what
// their controls do, and that the design changes only on OK.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>

#include "app/dialog_logic.h"
#include "dialogs/aperture_dialog.h"
#include "dialogs/cell_dialog.h"
#include "dialogs/new_dialog.h"
#include "dialogs/surface_dialog.h"
#include "shell_test_support.h"
#include "support/test_designs.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

/// A toroid, then a "duplicate" kind that keeps a conic constant from its file.
Design toroidDesign() {
    Design d = makeDesign({{1000, 1010, 0, 400, kToroid}, {0, 0, 45, 100, 2}, {0, 0, 0, 0}}, 100, 0.5);
    d.surfaces[2].conic = 0.75;
    return d;
}

QString text(QWidget* d, const char* name) {
    if (auto* l = d->findChild<QLabel*>(name)) return l->text();
    if (auto* e = d->findChild<QLineEdit*>(name)) return e->text();
    ADD_FAILURE() << "no " << name;
    return {};
}

}  // namespace

TEST(SurfaceDialogs, OpenWithTheKindsLabelsAndValues) {
    ensureApp();
    Design d = toroidDesign();
    SurfaceDialog toroid(d, 1, nullptr);
    EXPECT_TRUE(child<QCheckBox>(&toroid, "toroid14")->isChecked());
    EXPECT_EQ(text(&toroid, "label15"), "Rtan");
    EXPECT_EQ(text(&toroid, "label16"), "Rsag");
    EXPECT_EQ(text(&toroid, "edit10"), " 1000");
    EXPECT_EQ(text(&toroid, "edit11"), " 1010");
    EXPECT_EQ(text(&toroid, "label18"), "Separation");
    // The labels explain themselves, with the design's unit.
    auto tip = [](QWidget* d, const char* name) { return child<QLabel>(d, name)->toolTip(); };
    EXPECT_TRUE(tip(&toroid, "label15").startsWith("Radius of the toroid in the plane of the layout, in mm"));
    EXPECT_TRUE(tip(&toroid, "label17").endsWith("in degrees"));
    EXPECT_TRUE(tip(&toroid, "label18").startsWith("Distance to the next surface, in mm"));

    // A "duplicate" opens as a conic, showing its conic constant; on OK the
    // box is its sagittal radius and the conic constant goes.
    SurfaceDialog dup(d, 2, nullptr);
    EXPECT_FALSE(child<QCheckBox>(&dup, "toroid14")->isChecked());
    EXPECT_EQ(text(&dup, "label16"), "Conic Constant");
    EXPECT_EQ(text(&dup, "edit11"), " 0.75");
    EXPECT_EQ(text(&dup, "label18"), "b.f.l. (optional)");
    EXPECT_TRUE(tip(&dup, "label16").startsWith("Conic constant, a pure number: 0 a sphere, 1 a paraboloid"));
    EXPECT_TRUE(tip(&dup, "label18").contains("back focal length"));
    clickButton(&dup, "ok");
    EXPECT_EQ(dup.result(), 1);
    EXPECT_EQ(d.surfaces[2].kind, 2);
    EXPECT_EQ(d.surfaces[2].sagRadius, 0.75);
    EXPECT_EQ(d.surfaces[2].conic, 0);

    // Unticking a toroid refills box 11 with the stored conic constant, and
    // what was typed there is replaced; OK makes it a conic.
    d.surfaces[1].conic = 0.3;
    SurfaceDialog untick(d, 1, nullptr);
    typeInto(&untick, "edit11", "999");
    QTest::mouseClick(child<QCheckBox>(&untick, "toroid14"), Qt::LeftButton);
    EXPECT_EQ(text(&untick, "edit11"), " 0.3");
    EXPECT_EQ(d.surfaces[1].kind, kToroid);  // nothing stored before OK
    clickButton(&untick, "ok");
    EXPECT_EQ(d.surfaces[1].kind, kConic);
    EXPECT_EQ(d.surfaces[1].conic, 0.3);
    EXPECT_EQ(d.surfaces[1].sagRadius, 1000);
}

TEST(SurfaceDialogs, RefuseEntriesThatAreNotNumbersAndStoreNothing) {
    ensureApp();
    Design d = toroidDesign();
    SurfaceDialog dialog(d, 1, nullptr);
    typeInto(&dialog, "edit10", "1200");
    typeInto(&dialog, "edit12", "4 degrees");
    QString title, message;
    answerBox(&title, &message);
    clickButton(&dialog, "ok");
    EXPECT_EQ(title, "Error");
    EXPECT_TRUE(message.startsWith("Tilt: \"4 degrees\" is not a number")) << message.toStdString();
    EXPECT_NE(dialog.result(), 1);
    EXPECT_EQ(d.surfaces[1].radius, 1000);  // not even the good entry
    EXPECT_TRUE(child<QLineEdit>(&dialog, "edit12")->hasSelectedText());

    ApertureDialog aperture(d, nullptr);
    typeInto(&aperture, "edit19", "");
    answerBox(&title, &message);
    clickButton(&aperture, "ok");
    EXPECT_TRUE(message.startsWith("Aperture: \"\" is not a number")) << message.toStdString();
    EXPECT_EQ(d.aperture, 100);
    // A number beyond the range of a double is a number, only too large.
    typeInto(&aperture, "edit19", "1e309");
    answerBox(&title, &message);
    clickButton(&aperture, "ok");
    EXPECT_TRUE(message.startsWith("Aperture: \"1e309\" is too large.")) << message.toStdString();
    EXPECT_EQ(d.aperture, 100);
    // The file holds twice the field semi-angle: one whose double overflows
    // could not be saved and read back.
    typeInto(&aperture, "edit19", "100");
    typeInto(&aperture, "edit20", "1e308");
    answerBox(&title, &message);
    clickButton(&aperture, "ok");
    EXPECT_TRUE(message.startsWith("Field semi-angle: \"1e308\" is too large.")) << message.toStdString();
    EXPECT_EQ(d.fieldSemiAngle, 0.5);
    typeInto(&aperture, "edit19", "1e2");
    typeInto(&aperture, "edit20", "-0.25");
    clickButton(&aperture, "ok");
    EXPECT_EQ(aperture.result(), 1);
    EXPECT_DOUBLE_EQ(d.sinField, std::sin(-0.25 * kDegree));
    expectNoPendingAnswers();
}

TEST(NewDialogs, TheListSetsTheCountAndOnlyOneToTwentyIsTaken) {
    ensureApp();
    NewDialog dialog(nullptr);
    dialog.show();
    auto* list = child<QListWidget>(&dialog, "list9");
    ASSERT_EQ(list->count(), 20);
    EXPECT_EQ(list->item(19)->text(), "20");
    // Entering the list selects its first count without touching the box.
    typeInto(&dialog, "edit8", "7");
    list->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(text(&dialog, "edit8"), "7");
    list->setCurrentRow(11);
    EXPECT_EQ(text(&dialog, "edit8"), "12");
    // Coming back to the list starts it again from "1"; the box keeps "12".
    child<QLineEdit>(&dialog, "edit8")->setFocus();
    QApplication::processEvents();
    list->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(text(&dialog, "edit8"), "12");
    clickButton(&dialog, "ok");
    EXPECT_EQ(dialog.mirrors(), 12);
}

TEST(CellDialogs, SitOverTheirCellAndStoreOnlyOnOk) {
    ensureApp();
    Design d = toroidDesign();
    QWidget owner;
    owner.setGeometry(100, 50, 640, 454);
    CellDialog dialog(d, 1, 2, &owner);
    EXPECT_EQ(text(&dialog, "text21"), "Sagittal radius #1");
    EXPECT_EQ(text(&dialog, "edit8"), " 1010");
    const QRect frame = owner.frameGeometry();
    const ScreenPoint at =
        cellDialogPosition(d, 1, 2, frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1);
    EXPECT_EQ(dialog.pos(), QPoint(at.x, at.y));
    EXPECT_EQ(dialog.size(), QSize(160, 84));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    // Text that is not a number is refused and the dialog stays.
    typeInto(&dialog, "edit8", "abc");
    QString message;
    answerBox(nullptr, &message);
    clickButton(&dialog, "ok");
    EXPECT_TRUE(message.contains("\"abc\" is not a number")) << message.toStdString();
    EXPECT_NE(dialog.result(), 1);
    typeInto(&dialog, "edit8", "1234");
    clickButton(&dialog, "cancel");
    EXPECT_EQ(d.surfaces[1].sagRadius, 1010);
    expectNoPendingAnswers();
}
