// The window's menus: every command by its number, in the order and with
// the letters of the menu bar.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "app/command_ids.h"
#include "shell/client_view.h"
#include "shell/main_window.h"

namespace orvelin {

void MainWindow::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    // The desktop's usual keys stand beside the letter keys.
    addCommand(file, QStringLiteral("&New"), kCmdNew)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addCommand(file, QStringLiteral("New from a &family..."), kCmdNewFromFamily);
    addCommand(file, QStringLiteral("&Open..."), kCmdOpen)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    recentMenu_ = file->addMenu(QStringLiteral("&Recent"));
    recentMenu_->setObjectName(QStringLiteral("recent"));
    rebuildRecentMenu();
    QAction* save = addCommand(file, QStringLiteral("&Save"), kCmdSave);
    save->setEnabled(false);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = addCommand(file, QStringLiteral("Save &As..."), kCmdSaveAs);
    saveAs->setEnabled(false);
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    addCommand(file, QStringLiteral("&Import..."), kCmdImport);
    addCommand(file, QStringLiteral("&Export..."), kCmdExport)->setEnabled(false);
    file->addSeparator();
    QAction* print = addCommand(file, QStringLiteral("&Print Page..."), kCmdPrintPage);
    print->setEnabled(false);
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    addCommand(file, QStringLiteral("&Quick Print"), kCmdQuickPrint)->setEnabled(false);
    file->addSeparator();
    QMenu* measure = file->addMenu(QStringLiteral("&Measure..."));
    QAction* metric = addCommand(measure, QStringLiteral("&Metric"), kCmdMetric);
    metric->setCheckable(true);
    metric->setChecked(true);
    QAction* english = addCommand(measure, QStringLiteral("&English"), kCmdEnglish);
    english->setCheckable(true);
    // The check marks follow the units only; clicking sets them through the
    // command, never by the action's own toggling.
    for (QAction* a : {metric, english}) connect(a, &QAction::triggered, this, [this] { checkUnitsMenu(); });
    file->addSeparator();
    addCommand(file, QStringLiteral("E&xit"), kCmdExit)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    // Undo and Redo head the Edit menu with a separator of their own; the
    // surface items below are removed and rebuilt without touching them.
    undoAction_ = editMenu_->addAction(QStringLiteral("&Undo"));
    undoAction_->setObjectName(QStringLiteral("undo"));
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undoAction_, &QAction::triggered, this, &MainWindow::undo);
    redoAction_ = editMenu_->addAction(QStringLiteral("&Redo"));
    redoAction_->setObjectName(QStringLiteral("redo"));
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redoAction_, &QAction::triggered, this, &MainWindow::redo);
    undoSeparator_ = editMenu_->addSeparator();
    undoAction_->setEnabled(false);
    redoAction_->setEnabled(false);
    addCommand(editMenu_, QStringLiteral("&Aperture..."), kCmdAperture)->setEnabled(false);
    addCommand(editMenu_, QStringLiteral("&Field semi-angle..."), kCmdField)->setEnabled(false);

    addTopCommand(QStringLiteral("&Trace!"), kCmdTrace);
    addTopCommand(QStringLiteral("Fo&cus!"), kCmdFocus);
    addTopCommand(QStringLiteral("&Display!"), kCmdDisplay);

    QMenu* plot = menuBar()->addMenu(QStringLiteral("&Plot"));
    addCommand(plot, QStringLiteral("Standard &Plot"), kCmdStandardPlot)->setEnabled(false);
    addCommand(plot, QStringLiteral("Uniform &Airy"), kCmdUniformAiry)->setEnabled(false);
    addCommand(plot, QStringLiteral("Uniform &Blur"), kCmdUniformBlur)->setEnabled(false);

    addTopCommand(QStringLiteral("&Airy!"), kCmdAiry);
    // "T" is Trace!'s: Tools takes the next letter of its name.
    QMenu* tools = menuBar()->addMenu(QStringLiteral("T&ools"));
    addCommand(tools, QStringLiteral("&Clearance..."), kCmdClearance)->setEnabled(false);
    addCommand(tools, QStringLiteral("Image &quality"), kCmdImageQuality);
    addCommand(tools, QStringLiteral("Ray &fans"), kCmdFans);
    addCommand(tools, QStringLiteral("Field c&urves and distortion"), kCmdFieldCurves);
    addCommand(tools, QStringLiteral("Field &map"), kCmdFieldMap);
    addCommand(tools, QStringLiteral("Spots &through focus"), kCmdThroughFocus);
    addCommand(tools, QStringLiteral("&Diffraction"), kCmdDiffraction);
    addCommand(tools, QStringLiteral("&Optimise..."), kCmdOptimise)->setEnabled(false);
    addCommand(tools, QStringLiteral("To&lerances..."), kCmdTolerances)->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, QStringLiteral("&Contents..."), kCmdHelpContents);
    addCommand(help, QStringLiteral("&About..."), kCmdAbout);

    // A menu opened with Alt and a letter and closed with Escape leaves the
    // menu bar waiting for more letters; the letter keys belong to the view,
    // so the keyboard goes back there once no menu is open.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (!QApplication::activePopupWidget() && isActiveWindow())
                    view_->setFocus(Qt::OtherFocusReason);
            });
        });
}

}  // namespace orvelin
