// What users of a desktop program expect beside the window's own keys, and
// the faults found by using the real window as a new user would: undo and
// redo, the unsaved marker, the usual shortcuts, recent files, the smallest
// window, typing into dialogs, the keyboard after a menu, closing help from
// the keyboard, dialogs whose captions and labels show whole, the welcome
// picture clear of its texts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QTextBrowser>
#include <map>

#include "dialogs/about_dialog.h"
#include "dialogs/aperture_dialog.h"
#include "dialogs/cell_dialog.h"
#include "dialogs/dialog_base.h"
#include "dialogs/new_dialog.h"
#include "dialogs/surface_dialog.h"
#include "shell_test_support.h"
#include "support/test_designs.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class Habits : public WindowTest {
  protected:
    std::vector<int> editIds() {
        std::vector<int> ids;
        for (QAction* a : editActions()) ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return ids;
    }
    QString caption() { return window->windowTitle(); }
};

QStringList recentTexts(MainWindow& w) {
    QStringList texts;
    for (QAction* a : w.recentMenu()->actions()) texts << a->text();
    return texts;
}

}  // namespace

TEST_F(Habits, UndoAndRedoNameTheChangeAndFollowTheSavedFile) {
    open(kNewtonian);
    // Undo and Redo head the Edit menu with their own separator.
    const QList<QAction*> items = window->editMenu()->actions();
    ASSERT_GE(items.size(), 4);
    EXPECT_EQ(items[0], window->undoAction());
    EXPECT_EQ(items[1], window->redoAction());
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->data().toInt(), kCmdAperture);
    EXPECT_FALSE(window->undoAction()->isEnabled());  // opening the first design is no step
    EXPECT_EQ(window->undoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(window->redoAction()->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                   QKeySequence(Qt::CTRL | Qt::Key_Y)}));

    const Design opened = state().design;
    window->clientView()->repaint();  // the analysis that Focus uses
    key(Qt::Key_F);
    const Design focused = state().design;
    ASSERT_FALSE(bitIdentical(focused, opened));
    EXPECT_EQ(window->undoAction()->text(), "&Undo Focus");
    EXPECT_EQ(caption(), "ORVELIN - newtonian*");

    // Back to what the file holds: the marker goes.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(bitIdentical(state().design, opened));
    EXPECT_EQ(caption(), "ORVELIN - newtonian");
    EXPECT_FALSE(state().modified);
    EXPECT_EQ(window->redoAction()->text(), "&Redo Focus");
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(bitIdentical(state().design, focused));
    EXPECT_EQ(caption(), "ORVELIN - newtonian*");

    // Saved here, the focused design is the file's; undoing leaves it.
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(caption(), "ORVELIN - newtonian");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(caption(), "ORVELIN - newtonian*");
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(caption(), "ORVELIN - newtonian");

    // Each change is a step named after it; one that changes nothing is none.
    key(Qt::Key_Z);
    EXPECT_EQ(window->undoAction()->text(), "&Undo Curve Focal Plane");
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(window->undoAction()->text(), "&Undo Units");
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(window->undoAction()->text(), "&Undo Units");
    whenModal<CellDialog>([](CellDialog* d) {
        typeInto(d, "edit8", "30");
        clickButton(d, "ok");
    });
    window->action(kCmdField)->trigger();
    EXPECT_EQ(window->undoAction()->text(), "&Undo Field semi-angle");
    window->undo();
    EXPECT_EQ(state().design.fieldSemiAngle, 0.25);
    EXPECT_EQ(window->action(kCmdEnglish)->isChecked(), true);
    window->undo();
    EXPECT_EQ(state().design.units, "mm");
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());

    // Open is a step too: undoing it brings back the design, its file and
    // its surface items, rebuilt below Undo and Redo as ever.
    answerBox(nullptr, nullptr, QMessageBox::Discard);
    open(oneMirror("Aperture 4 Inches Field 1 Degrees f/5"), "small.ov");
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202}));
    EXPECT_EQ(window->undoAction()->text(), "&Undo Open");
    window->undo();
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202, 203}));
    EXPECT_EQ(state().files.fileTitle, "newtonian.ov");
    EXPECT_EQ(caption(), "ORVELIN - newtonian*");
    EXPECT_EQ(state().viewState, kViewDesign);
    window->redo();
    EXPECT_EQ(editIds(), (std::vector<int>{19, 20, 0, 201, 202}));
    EXPECT_EQ(caption(), "ORVELIN - small");
    EXPECT_EQ(window->editMenu()->actions().size(), 3 + 5);
}

TEST_F(Habits, ADesignBuiltWithNewIsUnsavedWorkAndExitAsks) {
    whenModal<NewDialog>([](NewDialog* d) {
        typeAsUser(d, "0");
        clickButton(d, "ok");
        whenModal<SurfaceDialog>([](SurfaceDialog* f) {
            whenModal<ApertureDialog>([](ApertureDialog* a) {
                typeAsUser(a, "100");
                clickButton(a, "ok");
            });
            clickButton(f, "ok");
        });
    });
    key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(state().design.surfaceCount, 1);
    EXPECT_TRUE(state().modified);
    EXPECT_EQ(caption(), "ORVELIN - (New Design)*");

    // Ctrl+Q asks; Cancel leaves the window open.
    QString text;
    answerBox(nullptr, &text, QMessageBox::Cancel);
    key(Qt::Key_Q, Qt::ControlModifier);
    drainEvents();
    EXPECT_TRUE(text.contains("(New Design)")) << text.toStdString();
    EXPECT_TRUE(window->isVisible());
    // And Open asks before the new design would go.
    answerBox(nullptr, nullptr, QMessageBox::Cancel);
    window->runCommand(kCmdOpen);
    EXPECT_EQ(state().design.surfaceCount, 1);
}

TEST_F(Habits, TypingIntoTheFirstBoxReplacesItsValue) {
    open(kNewtonian);
    // The surface dialog: "1600" replaces the radius, Tab selects the next box.
    whenModal<SurfaceDialog>([](SurfaceDialog* d) {
        typeAsUser(d, "1600");
        pressKey(d, Qt::Key_Tab);
        typeAsUser(d, "0.5");
        clickButton(d, "ok");
    });
    window->action(201)->trigger();
    EXPECT_EQ(state().design.surfaces[1].radius, 1600);
    EXPECT_EQ(state().design.surfaces[1].conic, 0.5);

    // The single-value dialog over a clicked cell, and the aperture dialog.
    whenModal<CellDialog>([](CellDialog* d) {
        typeAsUser(d, "450");
        clickButton(d, "ok");
    });
    const int cx = window->clientView()->width() / 2;
    QTest::mouseClick(window->clientView(), Qt::LeftButton, {}, QPoint(cx + 200, 30));
    EXPECT_EQ(state().design.surfaces[1].separation, 450);
    whenModal<ApertureDialog>([](ApertureDialog* d) {
        typeAsUser(d, "150");
        pressKey(d, Qt::Key_Tab);
        typeAsUser(d, "1");
        clickButton(d, "ok");
    });
    QTest::mouseClick(window->clientView(), Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_EQ(state().design.aperture, 150);
    EXPECT_EQ(state().design.fieldSemiAngle, 1);

    // The New Design dialog's count box opens as " 1": typing replaces it.
    NewDialog count(window.get());
    count.show();
    typeAsUser(&count, "3");
    clickButton(&count, "ok");
    EXPECT_EQ(count.mirrors(), 3);
}

TEST_F(Habits, AfterAMenuClosesWithEscapeLettersReachTheViewAgain) {
    open(kNewtonian);
    window->runCommand(kCmdTrace);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (Qt::Key menu : {Qt::Key_E, Qt::Key_F, Qt::Key_O}) {
        QTest::keyClick(window.get(), menu, Qt::AltModifier);
        drainEvents();
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr) << "Alt+letter opened no menu";
        QTest::keyClick(popup, Qt::Key_Escape);
        drainEvents();
        ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D);
        drainEvents();
        EXPECT_EQ(QApplication::focusWidget(), window->clientView());
        EXPECT_EQ(state().viewState, kViewDesign) << "D went to the menu bar";
        window->runCommand(kCmdTrace);
    }
}

/// The letter a menu text underlines ("&&" shows an ampersand), or 0.
QChar mnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1].toUpper();
        ++i;
    }
    return {};
}

TEST_F(Habits, EveryMenuUnderlinesEachLetterOnce) {
    open(kNewtonian);  // the Edit menu's surface items and everything enabled
    std::vector<QWidget*> menus{window->menuBar()};
    for (QMenu* m : window->menuBar()->findChildren<QMenu*>()) menus.push_back(m);
    for (QWidget* menu : menus) {
        std::map<QChar, QString> seen;
        for (QAction* a : menu->actions()) {
            const QChar letter = mnemonic(a->text());
            if (a->isSeparator() || letter.isNull()) continue;
            const auto [at, fresh] = seen.emplace(letter, a->text());
            EXPECT_TRUE(fresh) << "\"" << a->text().toStdString() << "\" and \"" << at->second.toStdString()
                               << "\" share " << QString(letter).toStdString();
        }
    }
    // The long-standing menus keep their letters; Tools has one of its own.
    QStringList top;
    for (QAction* a : window->menuBar()->actions()) top << a->text();
    EXPECT_EQ(top, (QStringList{"&File", "&Edit", "&Trace!", "Fo&cus!", "&Display!", "&Plot", "&Airy!",
                                "T&ools", "&Help"}));
}

TEST_F(Habits, TheHelpWindowClosesWithEscapeAndCtrlW) {
    for (auto [k, mods] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()},
                           std::pair{Qt::Key_W, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
        key(Qt::Key_F1);
        HelpViewer* help = window->helpViewer();
        ASSERT_NE(help, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help->browser(), k, mods);
        drainEvents();
        EXPECT_FALSE(help->isVisible()) << k;
    }
}

TEST_F(Habits, TheUsualShortcutsStandBesideTheLetterKeys) {
    const std::pair<int, QKeySequence> keys[] = {{kCmdNew, QKeySequence(Qt::CTRL | Qt::Key_N)},
                                                 {kCmdOpen, QKeySequence(Qt::CTRL | Qt::Key_O)},
                                                 {kCmdSave, QKeySequence(Qt::CTRL | Qt::Key_S)},
                                                 {kCmdSaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
                                                 {kCmdPrintPage, QKeySequence(Qt::CTRL | Qt::Key_P)},
                                                 {kCmdExit, QKeySequence(Qt::CTRL | Qt::Key_Q)}};
    for (auto [id, keySequence] : keys) EXPECT_EQ(window->action(id)->shortcut(), keySequence) << id;
    // Ctrl+O opens through the file chooser; the letter keys still work.
    window->chooseOpenFile = [p = writeFile(path("keys.ov"), kNewtonian)] { return p; };
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(caption(), "ORVELIN - keys");
    key(Qt::Key_T);
    EXPECT_EQ(state().viewState, kViewTraceReport);
    // Ctrl+Shift+S is Save As.
    window->chooseSaveFile = [this] { return path("other.ov"); };
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(caption(), "ORVELIN - other");
}

TEST_F(Habits, RecentFilesAndTheFolderLastUsed) {
    EXPECT_FALSE(window->recentMenu()->isEnabled());
    open(kNewtonian, "first.ov");
    open(kNewtonian, "second&third.ov");
    const QString home = QDir::homePath();
    auto shown = [&](const char* name) {
        QString p = dir.path() + "/" + name;
        if (p.startsWith(home + "/")) p = "~" + p.mid(home.size());
        return p.replace("&", "&&");
    };
    EXPECT_EQ(recentTexts(*window),
              (QStringList{"&1 " + shown("second&third.ov"), "&2 " + shown("first.ov")}));
    const QSettings settings(QStringLiteral("Orvelin"), QStringLiteral("Orvelin"));
    EXPECT_EQ(settings.value("lastFolder").toString(), QFileInfo(dir.path()).absoluteFilePath());

    // The list is kept between runs, newest first, and opens what it names.
    MainWindow next;
    EXPECT_EQ(recentTexts(next), recentTexts(*window));
    window->recentMenu()->actions()[1]->trigger();
    EXPECT_EQ(caption(), "ORVELIN - first");
    EXPECT_EQ(recentTexts(*window)[0], "&1 " + shown("first.ov"));

    // At most eight; a file that has gone is dropped, with the reason shown.
    for (int i = 0; i < 9; ++i) open(kNewtonian, QString("d%1.ov").arg(i).toLatin1().constData());
    EXPECT_EQ(window->recentMenu()->actions().size(), 8);
    QFile::remove(dir.path() + "/d8.ov");
    QString title;
    answerBox(&title, nullptr);
    window->recentMenu()->actions()[0]->trigger();
    EXPECT_EQ(title, "Open");
    EXPECT_EQ(window->recentMenu()->actions().size(), 7);
    next.state().modified = false;
}

TEST_F(Habits, TheWindowKeepsTheTableWhole) {
    open(kNewtonian);
    window->resize(400, 300);
    drainEvents();
    EXPECT_GE(window->clientView()->width(), 600);
    EXPECT_GE(window->clientView()->height(), 340);
    // The table's outer bevel, 272 pixels left of the centre, is on screen.
    const QImage shot = window->clientView()->grab().toImage();
    const int cx = window->clientView()->width() / 2;
    EXPECT_EQ(shot.pixel(cx - 272, 30), qRgb(224, 224, 224));
    EXPECT_EQ(shot.pixel(cx + 268, 30), qRgb(96, 96, 96));
}

TEST_F(Habits, TheWelcomePictureStandsClearOfItsTexts) {
    const QImage shot = window->clientView()->grab().toImage();
    // Rows holding text (the yellow faces and their black shadows) and rows
    // holding the picture's light-cyan dots.
    std::vector<bool> textRow(shot.height()), dotRow(shot.height());
    int dots = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (p == qRgb(224, 224, 0) || p == qRgb(255, 255, 0) || p == qRgb(0, 0, 0)) textRow[y] = true;
            if (p == qRgb(128, 255, 255)) {
                dotRow[y] = true;
                ++dots;
            }
        }
    EXPECT_GT(dots, 300);
    for (int y = 0; y < shot.height(); ++y) EXPECT_FALSE(textRow[y] && dotRow[y]) << "row " << y;
}

// Captions and labels whole, fields where the templates put them.  Run at
// the desktop's scale and again at twice it (QT_SCALE_FACTOR=2).
TEST(DialogSizes, CaptionsAndLabelsShowWhole) {
    ensureApp();
    Design d = makeDesign({{1000, 1, 0, 400}, {0, 0, 45, 100}, {0, 0, 0, 0}}, 100, 0.5);
    Design many = d;
    many.surfaceCount = 13;
    many.surfaces[12].kind = kToroid;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.emplace_back(new NewDialog(nullptr));
    dialogs.emplace_back(new SurfaceDialog(d, 1, nullptr));
    dialogs.emplace_back(new SurfaceDialog(d, 2, nullptr));  // "b.f.l. (optional)"
    dialogs.emplace_back(new SurfaceDialog(many, 12, nullptr));
    dialogs.emplace_back(new SurfaceDialog(d, 3, nullptr));  // the focal plane
    dialogs.emplace_back(new ApertureDialog(d, nullptr));
    dialogs.emplace_back(new CellDialog(many, 12, 2, nullptr));  // "Sagittal radius #12"
    dialogs.emplace_back(new AboutDialog(nullptr));
    for (auto& dialog : dialogs) {
        SCOPED_TRACE(dialog->objectName().toStdString() + " " + dialog->windowTitle().toStdString());
        const QRect inside = dialog->rect();
        if (dialog->objectName() != "EditDlgBox")
            EXPECT_GE(dialog->width(), captionWidth(dialog.get(), dialog->windowTitle()));
        else
            EXPECT_EQ(dialog->size(), QSize(160, 84));
        const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* w : controls) {
            EXPECT_TRUE(inside.contains(w->geometry())) << w->objectName().toStdString();
            auto* label = qobject_cast<QLabel*>(w);
            if ((label && !label->wordWrap() && label->pixmap().isNull()) || qobject_cast<QCheckBox*>(w)) {
                EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
            }
        }
        // Boxes, buttons and check boxes never overlap one another.
        for (QWidget* a : controls)
            for (QWidget* b : controls) {
                auto solid = [](QWidget* w) {
                    return qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w) ||
                           qobject_cast<QCheckBox*>(w);
                };
                if (a != b && solid(a) && solid(b)) {
                    EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                        << a->objectName().toStdString() << " and " << b->objectName().toStdString();
                }
            }
    }
}
