#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "dialogs/about_dialog.h"
#include "dialogs/aperture_dialog.h"
#include "dialogs/cell_dialog.h"
#include "dialogs/dialog_logic.h"
#include "dialogs/new_dialog.h"
#include "dialogs/surface_dialog.h"
#include "platform/qt/qt_device.h"
#include "reports/design_view.h"
#include "shell/client_view.h"
#include "shell/help_viewer.h"
#include "shell/printing.h"
#include "shell/view_paint.h"

// The guide and the pictures live in the platform library's resource
// file, registered by name outside any namespace.
static void initShellResources() {
    static bool done = false;
    if (done) return;
    done = true;
    Q_INIT_RESOURCE(orvelin);
}

namespace orvelin {

namespace {

QColor toQColor(gdi::COLORREF c) {
    return QColor(gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c));
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

/// The accelerator a key press stands for, if any.
std::optional<AccelKey> acceleratorOf(const QKeyEvent& e) {
    const auto mods =
        e.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier | Qt::MetaModifier);
    const bool alt = (mods & Qt::AltModifier) && !(mods & (Qt::ControlModifier | Qt::MetaModifier));
    if (alt) {
        switch (e.key()) {
            case Qt::Key_A:
                return AccelKey::AltA;
            case Qt::Key_B:
                return AccelKey::AltB;
            case Qt::Key_R:
                return AccelKey::AltR;
            default:
                return std::nullopt;
        }
    }
    if (mods != Qt::NoModifier) return std::nullopt;
    switch (e.key()) {
        case Qt::Key_F1:
            return AccelKey::F1;
        case Qt::Key_F4:
            return AccelKey::F4;
        case Qt::Key_F5:
            return AccelKey::F5;
        case Qt::Key_F6:
            return AccelKey::F6;
        case Qt::Key_F11:
            return AccelKey::F11;
        case Qt::Key_F12:
            return AccelKey::F12;
        default:
            return std::nullopt;
    }
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    initShellResources();
    setWindowIcon(QIcon(QStringLiteral(":/orvelin/icon.png")));
    setObjectName(QStringLiteral("QUORVEX"));
    setWindowTitle(QString::fromLatin1(kInitialCaption));
    chooseOpenFile = [this] { return defaultChooseOpenFile(); };
    chooseSaveFile = [this] { return defaultChooseSaveFile(); };

    view_ = new ClientView(this);
    setCentralWidget(view_);
    background_ = toQColor(viewBackground(kViewWelcome));
    view_->setBackground(background_);
    buildMenu();

    // The screen less a band for the caption; the window is centred in it
    // and the plot buffer has its size, once and for all.
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect geometry = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    screenWidth_ = geometry.width();
    screenHeight_ = geometry.height() - kCaptionAllowance;
    // The client area of a 640 x 454 window with the classic frame, caption
    // and menu bar; the window manager adds its own frame around it.
    const Placement at = mainWindowPlacement(screenWidth_, screenHeight_);
    resize(qt::kInitialClientWidth, qt::kInitialClientHeight + menuBar()->sizeHint().height());
    move(geometry.left() + at.left, geometry.top() + at.top);
    plotBuffer_ = QImage(std::max(1, screenWidth_), std::max(1, screenHeight_), QImage::Format_RGB32);
    plotBuffer_.fill(toQColor(viewBackground(kViewStandardPlot)));

    qApp->installEventFilter(this);
    view_->setFocus();
}

MainWindow::~MainWindow() {
    if (qApp) qApp->removeEventFilter(this);
}

QWidget* MainWindow::clientView() const {
    return view_;
}

QAction* MainWindow::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* MainWindow::addCommand(QMenu* menu, const QString& text, int id) {
    QAction* a = menu->addAction(text);
    a->setData(id);
    a->setObjectName(QStringLiteral("cmd%1").arg(id));
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = a;
    return a;
}

QAction* MainWindow::addTopCommand(const QString& text, int id) {
    QAction* a = menuBar()->addAction(text);
    a->setData(id);
    a->setObjectName(QStringLiteral("cmd%1").arg(id));
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = a;
    return a;
}

void MainWindow::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, QStringLiteral("&New"), kCmdNew);
    addCommand(file, QStringLiteral("&Open..."), kCmdOpen);
    addCommand(file, QStringLiteral("&Save"), kCmdSave)->setEnabled(false);
    addCommand(file, QStringLiteral("Save &As..."), kCmdSaveAs)->setEnabled(false);
    addCommand(file, QStringLiteral("&Import..."), kCmdImport);
    addCommand(file, QStringLiteral("&Export..."), kCmdExport)->setEnabled(false);
    file->addSeparator();
    addCommand(file, QStringLiteral("&Print Page..."), kCmdPrintPage)->setEnabled(false);
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
    addCommand(file, QStringLiteral("E&xit"), kCmdExit);

    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
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
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    addCommand(tools, QStringLiteral("Clearance..."), kCmdClearance)->setEnabled(false);
    addCommand(tools, QStringLiteral("Image &quality"), kCmdImageQuality);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, QStringLiteral("&Contents..."), kCmdHelpContents);
    addCommand(help, QStringLiteral("&About..."), kCmdAbout);
}

// ---------------------------------------------------------------------------
// Window operations.

void MainWindow::removeSurfaceMenu(int count) {
    if (count == 0) return;
    for (QAction* a : editMenu_->actions()) {
        const int id = a->data().toInt();
        const bool separator = a->isSeparator();
        if (separator || (id > kCmdSurfaceBase && id <= kCmdSurfaceBase + count)) {
            editMenu_->removeAction(a);
            if (!separator) actions_.erase(id);
            a->deleteLater();
        }
    }
}

void MainWindow::buildSurfaceMenu(int count) {
    editMenu_->addSeparator();
    for (int k = 1; k < count; ++k)
        addCommand(editMenu_, QStringLiteral("Surface #%1...").arg(k), kCmdSurfaceBase + k);
    addCommand(editMenu_, QStringLiteral("Focal plane..."), kCmdSurfaceBase + count);
}

void MainWindow::setDesignCaption() {
    setWindowTitle(q(designCaption(state_.design.designTitle)));
}

void MainWindow::enableDesignCommands() {
    for (int id : {kCmdAperture, kCmdField, kCmdSave, kCmdSaveAs, kCmdExport, kCmdPrintPage, kCmdQuickPrint,
                   kCmdStandardPlot, kCmdUniformAiry, kCmdUniformBlur, kCmdClearance})
        action(id)->setEnabled(true);
}

void MainWindow::checkUnitsMenu() {
    const bool mm = state_.design.units == "mm";
    action(kCmdMetric)->setChecked(mm);
    action(kCmdEnglish)->setChecked(!mm);
}

void MainWindow::changeView(int view) {
    state_.viewState = view;
    background_ = toQColor(viewBackground(view));
    view_->setBackground(background_);
    view_->update();
}

void MainWindow::showDesignViewNow() {
    changeView(kViewDesign);
    view_->repaint();
}

// ---------------------------------------------------------------------------
// Commands.

void MainWindow::runCommand(int id) {
    AppState& s = state_;
    const bool designShown = s.viewState != kViewWelcome;
    const bool traced = s.trace.status == kTraceOk;
    if (id > kCmdSurfaceBase && id < kCmdTrace) {
        surfaceItem(id);
        return;
    }
    switch (id) {
        case kCmdAperture:
            cellDialog(s.design.surfaceCount + 1, 1, true);
            break;
        case kCmdField:
            cellDialog(s.design.surfaceCount + 1, 3, true);
            break;
        case kCmdNew:
            newDesign();
            break;
        case kCmdOpen:
            openCommand();
            break;
        case kCmdSave:
            saveCommand();
            break;
        case kCmdSaveAs:
            saveAsCommand();
            break;
        case kCmdImport:
            importCommand();
            break;
        case kCmdExport:
            exportCommand();
            break;
        case kCmdPrintPage:
            if (traced) printPage(this, s);
            break;
        case kCmdQuickPrint:
            if (traced) quickPrint(this, s);
            break;
        case kCmdMetric:
            setUnits("mm");
            break;
        case kCmdEnglish:
            setUnits("inches");
            break;
        case kCmdExit:
            // Closing goes through the close event, after what is queued.
            QTimer::singleShot(0, this, [this] { close(); });
            break;
        case kCmdTrace:
            if (designShown && traced) changeView(kViewTraceReport);
            break;
        case kCmdFocus:
            if (designShown && traced) {
                focusToBestFit(s.design, s.results.bestFocus, s.results.bestFitTilt);
                markModified();
                if (s.viewState == kViewDesign) view_->update();
            }
            break;
        case kCmdDisplay:
            if (designShown) changeView(kViewDesign);
            break;
        case kCmdClearance:
            if (designShown) changeView(kViewClearance);
            break;
        case kCmdAiry:
            if (s.viewState == kViewStandardPlot || s.viewState == kViewUniformAiry ||
                s.viewState == kViewUniformBlur)
                airyOverlay();
            break;
        case kCmdImageQuality:
            if (designShown && traced) changeView(kViewImageQuality);
            break;
        case kCmdHelpContents:
            showHelp();
            break;
        case kCmdAbout:
            showAbout();
            break;
        default:
            if (isPlotCommand(id) && designShown && traced) startPlot(id);
            break;
    }
}

void MainWindow::queueKey(char c) {
    if (isCurveKey(c)) {
        if (state_.viewState == kViewWelcome) return;
        curveFocalPlane(state_.design);
        markModified();
        if (state_.viewState == kViewDesign) view_->update();
        return;
    }
    if (const auto id = commandForCharacter(c, state_.viewState)) {
        const int command = *id;
        QMetaObject::invokeMethod(
            this, [this, command] { runCommand(command); }, Qt::QueuedConnection);
    }
}

void MainWindow::runAccelerator(AccelKey key) {
    runCommand(commandForAccelerator(key));
}

void MainWindow::surfaceItem(int id) {
    const int n = state_.design.surfaceCount;
    const int k = id - kCmdSurfaceBase;
    if (k < 1 || k > n) return;  // no such surface in this design
    SurfaceDialog dialog(state_.design, k, this);
    if (dialog.exec() == 1) {
        markModified();
        changeView(kViewDesign);
    }
}

void MainWindow::cellDialog(int row, int column, bool fromMenu) {
    state_.editRow = row;
    state_.editColumn = column;
    CellDialog dialog(state_.design, row, column, this);
    if (dialog.exec() != 1) return;
    markModified();
    if (fromMenu)
        changeView(kViewDesign);
    else
        view_->update();
}

void MainWindow::setUnits(const char* units) {
    if (state_.design.units != units) {
        state_.design.units = units;
        // Units are part of the saved design.
        if (state_.design.surfaceCount > 0) markModified();
    }
    checkUnitsMenu();
    if (state_.viewState != kViewWelcome) changeView(kViewDesign);
}

void MainWindow::leftClick(int x, int y) {
    if (state_.viewState != kViewDesign) return;
    const int n = state_.design.surfaceCount;
    const TableHit hit = hitDesignTable(x, y, view_->width(), n);
    if (hit.kind == TableHit::outside) return;
    state_.editRow = hit.row;
    state_.editColumn = hit.column;
    if (hit.kind == TableHit::diameters) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tangential diameters"),
                        q(diametersText(state_.geometry.centralSemiDiameter[hit.row],
                                        state_.geometry.unvignettedSemiDiameter[hit.row])),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("diameters"));
        box.exec();
    } else if (hit.kind == TableHit::cell) {
        cellDialog(hit.row, hit.column, false);
    }
}

void MainWindow::rightClick() {
    if (state_.viewState != kViewDesign) return;
    ApertureDialog dialog(state_.design, this);
    if (dialog.exec() == 1) markModified();
    view_->update();
}

// ---------------------------------------------------------------------------
// Files.

std::string MainWindow::defaultChooseOpenFile() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Orvelin Files (*.ov)"), QStringLiteral("All Files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("ov"));
    if (!state_.files.filePath.empty()) dialog.selectFile(q(state_.files.filePath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

std::string MainWindow::defaultChooseSaveFile() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Orvelin Files (*.ov)"), QStringLiteral("All Files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("ov"));
    // Replacing an existing file is asked first (the dialog's default).
    if (!state_.files.filePath.empty()) dialog.selectFile(q(state_.files.filePath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

bool MainWindow::saveChangesFirst() {
    if (!state_.modified) return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("ORVELIN"),
                    QStringLiteral("The design \"%1\" has changed since it was last saved.\n"
                                   "Do you want to save the changes?")
                        .arg(q(state_.design.designTitle)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("unsaved"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return saveCommand();
        case QMessageBox::Discard:
            return true;
        default:
            return false;
    }
}

void MainWindow::openCommand() {
    if (!saveChangesFirst()) return;
    const std::string path = chooseOpenFile ? chooseOpenFile() : std::string();
    if (path.empty()) return;
    openDesignFile(path);
}

bool MainWindow::openDesignFile(const std::string& path) {
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    const LoadResult result = loadDesign(s.design, path);
    if (!result.accepted()) {
        // Nothing was taken: the design, its file and the menu stay.
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Open"),
                        QStringLiteral("Cannot open \"%1\":\n%2").arg(q(path), q(result.message)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("openFailed"));
        box.exec();
        return false;
    }
    s.files.filePath = path;
    s.files.fileTitle = fileNameOfPath(path);
    s.design.designTitle = titleFromFileName(s.files.fileTitle);
    removeSurfaceMenu(oldCount);
    setDesignCaption();
    buildSurfaceMenu(s.design.surfaceCount);
    enableDesignCommands();
    checkUnitsMenu();
    s.frame.scale = 0;
    s.modified = false;
    showDesignViewNow();
    if (result.status == LoadStatus::damaged) {
        // The reason comes as "line N: expected ..."; the box names the line itself.
        QString why = q(result.message);
        const QString linePrefix = QStringLiteral("line %1: ").arg(result.damagedLine);
        if (why.startsWith(linePrefix)) why.remove(0, linePrefix.size());
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Open"),
                        QStringLiteral("\"%1\" is damaged at line %2: %3.\n\n"
                                       "The values that could be read have been loaded; "
                                       "the others kept their previous values.")
                            .arg(q(s.files.fileTitle))
                            .arg(result.damagedLine)
                            .arg(why),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("openDamaged"));
        box.exec();
    }
    return true;
}

bool MainWindow::writeDesign() {
    const SaveResult result = saveDesign(state_.design, state_.files.filePath, state_.geometry.layoutFRatio);
    if (!result.ok) {
        QMessageBox box(
            QMessageBox::Critical, QStringLiteral("Save"),
            QStringLiteral("Cannot save \"%1\":\n%2").arg(q(state_.files.filePath), q(result.message)),
            QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("saveFailed"));
        box.exec();
        return false;
    }
    state_.modified = false;
    return true;
}

bool MainWindow::saveCommand() {
    if (state_.design.designTitle == kNewDesignTitle) return saveAsCommand();
    if (!writeDesign()) return false;
    setDesignCaption();
    return true;
}

bool MainWindow::saveAsCommand() {
    const std::string path = chooseSaveFile ? chooseSaveFile() : std::string();
    if (path.empty()) return false;
    // Keep what the caption and the file names said, to put back if the
    // file cannot be written.
    const FileSelection oldFiles = state_.files;
    const std::string oldTitle = state_.design.designTitle;
    state_.files.filePath = path;
    state_.files.fileTitle = fileNameOfPath(path);
    state_.design.designTitle = titleFromFileName(state_.files.fileTitle);
    // A file named like an unsaved design gives that title back: ask again.
    if (state_.design.designTitle == kNewDesignTitle) {
        const bool saved = saveAsCommand();
        if (!saved) {
            state_.files = oldFiles;
            state_.design.designTitle = oldTitle;
        }
        return saved;
    }
    if (!writeDesign()) {
        state_.files = oldFiles;
        state_.design.designTitle = oldTitle;
        return false;
    }
    setDesignCaption();
    return true;
}

// ---------------------------------------------------------------------------
// New.

int MainWindow::newDesign() {
    if (!saveChangesFirst()) return 0;
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    NewDialog count(this);
    if (count.exec() != 1) return 0;
    startNewDesign(s.design, count.mirrors());
    const int n = s.design.surfaceCount;
    s.files = {};
    s.design.designTitle = kNewDesignTitle;
    setDesignCaption();
    removeSurfaceMenu(oldCount);
    // One dialog per mirror, the focal plane, then aperture and field; a
    // cancelled one leaves its values at zero.
    for (int k = 1; k < n; ++k) SurfaceDialog(s.design, k, this).exec();
    SurfaceDialog(s.design, n, this).exec();
    ApertureDialog(s.design, this).exec();
    buildSurfaceMenu(n);
    enableDesignCommands();
    s.design.units = unitsForNewAperture(s.design.semiAperture);
    checkUnitsMenu();
    s.frame.scale = 0;
    s.modified = false;
    showDesignViewNow();
    return 1;
}

// ---------------------------------------------------------------------------
// Plots.

void MainWindow::startPlot(int command) {
    const double separationBefore = state_.design.surfaceCount > 1
                                        ? state_.design.surfaces[state_.design.surfaceCount - 1].separation
                                        : 0;
    changeView(viewStateForPlotCommand(command));
    runPlotCommand(view_, view_->rect(), state_, plotBuffer_, screen(), command);
    view_->update();
    const int n = state_.design.surfaceCount;
    if (n > 1 && state_.design.surfaces[n - 1].separation != separationBefore) markModified();
}

void MainWindow::airyOverlay() {
    runPlotCommand(view_, view_->rect(), state_, plotBuffer_, screen(), kCmdAiry);
    state_.viewState = kViewAiryOverlay;
    view_->update();
}

void MainWindow::paintClient(QPainter& painter, const QRect& client) {
    paintView(painter, client, state_, plotBuffer_, screen());
}

// ---------------------------------------------------------------------------
// Help, about, keys and closing.

void MainWindow::showHelp() {
    if (!help_) help_ = new HelpViewer(this);
    help_->showContents();
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const auto mods = event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
    if (text.size() == 1 && mods == Qt::NoModifier && text[0].unicode() < 128) {
        queueKey(static_cast<char>(text[0].unicode()));
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The accelerator table comes before everything else, the menu bar's
    // own Alt keys included, but only for keys aimed at this window.
    const auto type = event->type();
    if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == this && !QApplication::activeModalWidget() &&
            !QApplication::activePopupWidget()) {
            if (const auto accel = acceleratorOf(*key)) {
                event->accept();
                if (type == QEvent::KeyPress) runAccelerator(*accel);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!saveChangesFirst()) {
        event->ignore();
        return;
    }
    if (help_) help_->close();
    event->accept();
}

}  // namespace orvelin
