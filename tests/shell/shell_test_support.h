// Helpers for driving the real main window under the offscreen platform:
// the application, modal dialogs answered as they appear, design files.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/headless.h"
#include "shell/main_window.h"
#include "support/files.h"

namespace orvelin::testing {

inline void ensureApp() {
    // Settings (recent files, the last folder) go to a test location, never
    // to the user's own.
    QStandardPaths::setTestModeEnabled(true);
    qt::ensureQtApplication();
    std::setlocale(LC_NUMERIC, "C");
}

/// Answers waiting for their dialog.
inline std::vector<QTimer*>& pendingAnswers() {
    static std::vector<QTimer*> timers;
    return timers;
}

/// Run `act` on the next modal dialog of type T as soon as it is the active
/// modal widget (polled from the event loop of whatever exec() is running).
template <class T>
void whenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    pendingAnswers().push_back(timer);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) return;
        timer->stop();
        std::erase(pendingAnswers(), timer);
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

/// Every expected dialog came; answers still waiting are dropped, so they
/// cannot click into a later test.
inline void expectNoPendingAnswers() {
    EXPECT_TRUE(pendingAnswers().empty()) << pendingAnswers().size() << " expected dialog(s) never appeared";
    for (QTimer* t : pendingAnswers()) {
        t->stop();
        t->deleteLater();
    }
    pendingAnswers().clear();
}

/// Answer the next message box: note its title and text, press `button`.
inline void answerBox(QString* title, QString* text, QMessageBox::StandardButton button = QMessageBox::Ok) {
    whenModal<QMessageBox>([=](QMessageBox* box) {
        if (title) *title = box->windowTitle();
        if (text) *text = box->text();
        box->button(button)->click();
    });
}

/// A named child widget of a dialog, failing the test when missing.
template <class T>
T* child(QWidget* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    if (!w) ADD_FAILURE() << "no child " << name;
    return w;
}

inline void typeInto(QWidget* dialog, const char* box, const QString& text) {
    auto* edit = child<QLineEdit>(dialog, box);
    if (!edit) return;
    edit->selectAll();
    if (text.isEmpty())
        edit->clear();
    else
        QTest::keyClicks(edit, text);
}

/// Type as a user does: the keys go to whatever has the dialog's focus, with
/// no selection made first.
inline void typeAsUser(QWidget* dialog, const QString& text) {
    // A user's keys reach a window once it is active.
    if (!dialog->isActiveWindow()) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }
    QWidget* target = dialog->focusWidget();
    if (!target) {
        ADD_FAILURE() << "nothing in the dialog has the focus";
        return;
    }
    QTest::keyClicks(target, text);
}

inline void pressKey(QWidget* dialog, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    if (!dialog->isActiveWindow()) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }
    QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    QTest::keyClick(target, key, mods);
}

inline void clickButton(QWidget* dialog, const char* name) {
    auto* b = child<QPushButton>(dialog, name);
    if (b) QTest::mouseClick(b, Qt::LeftButton);
}

/// A Newtonian: a paraboloid and a flat diagonal at 45 degrees, in the
/// program's own file layout.
inline const char* kNewtonian =
    "QuorVex V0.90                       newtonian\n\n"
    " 2 surface design\n\n"
    " Type         Radius        CC/Rsag       Tilt          Separation\n\n"
    " 0             1000          1             0             400\n"
    " 0             0             0             45            100\n"
    " 0             0             0             0            focal plane\n\n"
    " Aperture 100 mm         Field 0.5 Degrees     f/5.00\n";

/// A one-mirror design; `tail` is its aperture line.
inline std::string oneMirror(const char* tail) {
    return std::string(
               "QuorVex V0.90 x\n\n 1 surface design\n\n heading\n\n"
               " 0 1000 1 0 500\n 0 0 0 0 focal plane\n\n ") +
           tail + "\n";
}

/// Process posted events (queued key commands) until none are left.
inline void drainEvents() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

/// A shown main window whose file choosers fail the test unless replaced.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApp();
        QSettings(QStringLiteral("Orvelin"), QStringLiteral("Orvelin")).clear();
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(dir.isValid());
        window->chooseOpenFile =
            window->chooseSaveFile = [] { return ADD_FAILURE() << "unexpected file dialog", std::string(); };
    }
    void TearDown() override {
        expectNoPendingAnswers();
        window->state().modified = false;  // no question on the way out
        window.reset();
        drainEvents();
    }
    std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    void openFile(const std::string& p) {
        window->chooseOpenFile = [p] { return p; };
        window->runCommand(kCmdOpen);
    }
    void open(const std::string& text, const char* name = "newtonian.ov") {
        openFile(writeFile(path(name), text));
    }
    /// The Edit menu's items below Undo, Redo and their separator.
    QList<QAction*> editActions() { return window->editMenu()->actions().mid(3); }
    int editItems() { return static_cast<int>(editActions().size()); }
    AppState& state() { return window->state(); }
    /// A key pressed in the view.  Shortcuts reach only the active window,
    /// which a closed dialog hands back to the main window on a real
    /// desktop.
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window->clientView(), k, m);
        drainEvents();
    }

    std::unique_ptr<MainWindow> window;
    QTemporaryDir dir;
};

}  // namespace orvelin::testing
