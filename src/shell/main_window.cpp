#include "shell/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
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
#include <QSettings>
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
#include "shell/optimise_dialog.h"
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

QColor toQColor(gdi::Colour c) {
    return QColor(c.r, c.g, c.b);
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The smallest client area that shows the design table (541 pixels wide,
// 14n + 44 high for the largest n = 21) and the trace report (600 wide)
// whole; a smaller window would cut them at both sides.
constexpr int kMinimumClientWidth = 600;
constexpr int kMinimumClientHeight = 340;

// Recent files: the newest first, at most this many.
constexpr int kRecentFiles = 8;

/// The program's own settings (recent files, the last folder); the only
/// ones it keeps between runs.
QSettings settings() {
    return QSettings(QStringLiteral("Orvelin"), QStringLiteral("Orvelin"));
}

/// A change's name from the single-value dialog's line: "Edit radius #2"
/// gives "Radius #2", "Sagittal radius #1" stays.
std::string cellChangeName(const std::string& prompt) {
    std::string name = prompt.rfind("Edit ", 0) == 0 ? prompt.substr(5) : prompt;
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
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
    view_->setMinimumSize(kMinimumClientWidth, kMinimumClientHeight);
    state_.history.reset({state_.design, state_.files}, true);

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
    // The desktop's usual keys stand beside the letter keys.
    addCommand(file, QStringLiteral("&New"), kCmdNew)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
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
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    addCommand(tools, QStringLiteral("Clearance..."), kCmdClearance)->setEnabled(false);
    addCommand(tools, QStringLiteral("Image &quality"), kCmdImageQuality);
    addCommand(tools, QStringLiteral("&Optimise..."), kCmdOptimise)->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, QStringLiteral("&Contents..."), kCmdHelpContents);
    addCommand(help, QStringLiteral("&About..."), kCmdAbout);

    // A menu opened with Alt and a letter and closed with Escape leaves the
    // menu bar waiting for more letters; the letter keys belong to the view,
    // so the keyboard goes back there once no menu is open.
    for (QMenu* menu : {file, editMenu_, plot, help})
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (!QApplication::activePopupWidget() && isActiveWindow())
                    view_->setFocus(Qt::OtherFocusReason);
            });
        });
}

// ---------------------------------------------------------------------------
// Window operations.

void MainWindow::removeSurfaceMenu(int count) {
    if (count == 0) return;
    for (QAction* a : editMenu_->actions()) {
        const int id = a->data().toInt();
        const bool separator = a->isSeparator() && a != undoSeparator_;
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
    // A star marks changes that are not in the design's file.
    designCaption_ = true;
    setWindowTitle(q(designCaption(state_.design.designTitle)) + (state_.modified ? "*" : ""));
}

void MainWindow::markModified(const std::string& change) {
    state_.history.record(change, {state_.design, state_.files});
    followHistory();
}

void MainWindow::followHistory() {
    const History& h = state_.history;
    state_.modified = h.modified();
    if (designCaption_) setDesignCaption();
    undoAction_->setEnabled(h.canUndo());
    undoAction_->setText(h.canUndo() ? QStringLiteral("&Undo %1").arg(q(h.undoName()))
                                     : QStringLiteral("&Undo"));
    redoAction_->setEnabled(h.canRedo());
    redoAction_->setText(h.canRedo() ? QStringLiteral("&Redo %1").arg(q(h.redoName()))
                                     : QStringLiteral("&Redo"));
}

void MainWindow::undo() {
    if (state_.history.canUndo()) restore(state_.history.undo());
}

void MainWindow::redo() {
    if (state_.history.canRedo()) restore(state_.history.redo());
}

void MainWindow::restore(const DesignSnapshot& snapshot) {
    // The whole design comes back with the file it belongs to; the surface
    // items follow its count, and the design view shows it.
    const int oldCount = state_.design.surfaceCount;
    state_.design = snapshot.design;
    state_.files = snapshot.files;
    removeSurfaceMenu(oldCount);
    buildSurfaceMenu(state_.design.surfaceCount);
    checkUnitsMenu();
    followHistory();
    setDesignCaption();
    changeView(kViewDesign);
}

void MainWindow::enableDesignCommands() {
    for (int id : {kCmdAperture, kCmdField, kCmdSave, kCmdSaveAs, kCmdExport, kCmdPrintPage, kCmdQuickPrint,
                   kCmdStandardPlot, kCmdUniformAiry, kCmdUniformBlur, kCmdClearance, kCmdOptimise})
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
                markModified("Focus");
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
        case kCmdOptimise:
            if (designShown && optimiseDesign(this, s.design)) {
                markModified("Optimise");
                changeView(kViewDesign);
            }
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
        markModified("Curve Focal Plane");
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
        markModified(k == n ? std::string("Focal Plane") : "Surface #" + std::to_string(k));
        changeView(kViewDesign);
    }
}

void MainWindow::cellDialog(int row, int column, bool fromMenu) {
    state_.editRow = row;
    state_.editColumn = column;
    CellDialog dialog(state_.design, row, column, this);
    if (dialog.exec() != 1) return;
    markModified(cellChangeName(cellPrompt(state_.design, row, column).text));
    if (fromMenu)
        changeView(kViewDesign);
    else
        view_->update();
}

void MainWindow::setUnits(const char* units) {
    if (state_.design.units != units) {
        state_.design.units = units;
        // Units are part of the saved design.
        if (state_.design.surfaceCount > 0) markModified("Units");
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
    if (dialog.exec() == 1) markModified("Aperture and Field");
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
    // The platform's own dialog where there is one; Qt's, in the folder last
    // used and wide enough for its columns, where there is not.
    dialog.setDirectory(lastFolder());
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(760, 460);
    if (!state_.files.filePath.empty()) dialog.selectFile(q(state_.files.filePath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

QString MainWindow::lastFolder() const {
    const QString folder = settings().value(QStringLiteral("lastFolder")).toString();
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

void MainWindow::rememberFile(const std::string& path) {
    const QString file = QFileInfo(q(path)).absoluteFilePath();
    QSettings store = settings();
    QStringList recent = store.value(QStringLiteral("recentFiles")).toStringList();
    recent.removeAll(file);
    recent.prepend(file);
    while (recent.size() > kRecentFiles) recent.removeLast();
    store.setValue(QStringLiteral("recentFiles"), recent);
    store.setValue(QStringLiteral("lastFolder"), QFileInfo(file).absolutePath());
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = settings().value(QStringLiteral("recentFiles")).toStringList();
    const QString home = QDir::homePath();
    for (int i = 0; i < recent.size() && i < kRecentFiles; ++i) {
        QString shown = recent[i];
        if (shown.startsWith(home + "/")) shown = "~" + shown.mid(home.size());
        // "&" would underline the next letter instead of showing itself.
        shown.replace(QStringLiteral("&"), QStringLiteral("&&"));
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        const QString path = recent[i];
        connect(a, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    recentMenu_->setEnabled(!recent.isEmpty());
}

void MainWindow::openRecent(const QString& path) {
    if (!saveChangesFirst()) return;
    if (!QFileInfo::exists(path)) {
        // A file that has gone is dropped from the list, with a word why.
        QSettings store = settings();
        QStringList recent = store.value(QStringLiteral("recentFiles")).toStringList();
        recent.removeAll(path);
        store.setValue(QStringLiteral("recentFiles"), recent);
        rebuildRecentMenu();
    }
    openDesignFile(path.toStdString());
}

std::string MainWindow::defaultChooseSaveFile() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Orvelin Files (*.ov)"), QStringLiteral("All Files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("ov"));
    // Replacing an existing file is asked first (the dialog's default).
    dialog.setDirectory(lastFolder());
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(760, 460);
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
    // Read into a copy: the design in the window changes only once the file
    // is taken.
    Design loaded = s.design;
    const LoadResult result = loadDesign(loaded, path);
    if (!result.accepted()) {
        // Nothing was taken: the design, its file and the menu stay.
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Open"),
                        QStringLiteral("Cannot open \"%1\":\n%2").arg(q(path), q(result.message)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("openFailed"));
        box.exec();
        return false;
    }
    const bool damaged = result.status == LoadStatus::damaged;
    if (damaged && !openDamagedFile(path, result)) return false;
    const bool hadDesign = oldCount > 0;
    s.design = loaded;
    s.files.filePath = path;
    s.files.fileTitle = fileNameOfPath(path);
    s.design.designTitle = titleFromFileName(s.files.fileTitle);
    // A damaged file's design is not what the file holds: it is unsaved.
    const DesignSnapshot opened{s.design, s.files};
    if (hadDesign)
        s.history.record("Open", opened, true, !damaged);
    else
        s.history.reset(opened, !damaged);
    followHistory();
    removeSurfaceMenu(oldCount);
    setDesignCaption();
    buildSurfaceMenu(s.design.surfaceCount);
    enableDesignCommands();
    checkUnitsMenu();
    s.frame.scale = 0;
    rememberFile(path);
    showDesignViewNow();
    return true;
}

bool MainWindow::openDamagedFile(const std::string& path, const LoadResult& result) {
    // The reason comes as "line N: expected ..."; the box names the line itself.
    QString why = q(result.message);
    const QString linePrefix = QStringLiteral("line %1: ").arg(result.damagedLine);
    if (why.startsWith(linePrefix)) why.remove(0, linePrefix.size());
    QStringList kept;
    for (const std::string& k : result.kept) kept << q(k);
    QString details;
    if (!kept.isEmpty())
        details =
            QStringLiteral("Not in the file, so kept from the current design: %1.\n").arg(kept.join("; "));
    details += QStringLiteral("Values after line %1 may have been read from the wrong places.")
                   .arg(result.damagedLine);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Open"),
                    QStringLiteral("\"%1\" is damaged at line %2 (expected %3): "
                                   "open what could be read, or keep the current design?")
                        .arg(q(fileNameOfPath(path)))
                        .arg(result.damagedLine)
                        .arg(why),
                    QMessageBox::Open | QMessageBox::Cancel, this);
    box.setInformativeText(details);
    box.setObjectName(QStringLiteral("openDamaged"));
    box.setDefaultButton(QMessageBox::Cancel);
    box.button(QMessageBox::Open)->setText(QStringLiteral("&Open What Could Be Read"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("&Keep Current Design"));
    return box.exec() == QMessageBox::Open;
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
    // What is in the file now is this design, under this name.
    state_.history.renameDocument(state_.files, state_.design.designTitle);
    state_.history.markSaved();
    followHistory();
    rememberFile(state_.files.filePath);
    return true;
}

bool MainWindow::saveCommand() {
    if (state_.design.designTitle == kNewDesignTitle) return saveAsCommand();
    if (!writeDesign()) return false;
    setDesignCaption();
    return true;
}

bool MainWindow::saveAsCommand() {
    if (state_.design.surfaceCount == 0) {
        // Before any design there is nothing a file could give back.
        QMessageBox box(QMessageBox::Information, QStringLiteral("Save As"),
                        QStringLiteral("There is no design to save yet.\n"
                                       "Make one with New or open one with Open."),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("nothingToSave"));
        box.exec();
        return false;
    }
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
    // A design built with New is in no file yet: it is unsaved work.
    const DesignSnapshot made{s.design, s.files};
    if (oldCount > 0)
        s.history.record("New Design", made, true, false);
    else
        s.history.reset(made, false);
    followHistory();
    setDesignCaption();
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
    if (n > 1 && state_.design.surfaces[n - 1].separation != separationBefore)
        markModified(command == kCmdFocusOut ? "Focus Out" : "Focus In");
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
