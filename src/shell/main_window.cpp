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
#include <QStatusBar>
#include <QTimer>

#include "app/view_table.h"
#include "dialogs/about_dialog.h"
#include "dialogs/aperture_dialog.h"
#include "dialogs/cell_dialog.h"
#include "dialogs/family_dialog.h"
#include "dialogs/new_dialog.h"
#include "dialogs/surface_dialog.h"
#include "platform/qt/qt_device.h"
#include "reports/design_view.h"
#include "reports/figure_notes.h"
#include "reports/report_figures.h"
#include "shell/client_view.h"
#include "shell/help_viewer.h"
#include "shell/optimise_dialog.h"
#include "shell/printing.h"
#include "shell/status_line.h"
#include "shell/tolerance_dialog.h"
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

QColor toQColor(draw::Colour c) {
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

/// A file dialog for one kind of file: the platform's own dialog where there
/// is one; Qt's, in `folder` and wide enough for its columns, where there is
/// not.  Saving asks before it replaces a file (the dialog's default).  The
/// chosen path, or "" when cancelled.
std::string chooseFile(QWidget* parent, bool save, const QString& filter, const QString& suffix,
                       const QString& folder, const std::string& selected, const QString& title = {}) {
    QFileDialog dialog(parent);
    if (!title.isEmpty()) dialog.setWindowTitle(title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters({filter, QStringLiteral("All Files (*.*)")});
    dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(folder);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(760, 460);
    if (!selected.empty()) dialog.selectFile(q(selected));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

/// The file dialog of Import and Export, titled by its command; Export
/// offers the design's title as the name.
std::string chooseZmxFile(QWidget* parent, bool save, const QString& folder, const std::string& title = {}) {
    return chooseFile(parent, save, QStringLiteral("Zemax Files (*.zmx)"), QStringLiteral("zmx"), folder,
                      title.empty() ? title : title + ".zmx",
                      save ? QStringLiteral("Export") : QStringLiteral("Import"));
}

/// How long a passing word stays in the status bar.
constexpr int kPassingMessageMs = 10000;

/// The distance from the last mirror to the focal plane, which the focus
/// steps move.
double lastSeparation(const Design& d) {
    return d.surfaceCount > 1 ? d.surfaces[d.surfaceCount - 1].separation : 0;
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

/// The window's side of the application core: file dialogs, message boxes,
/// the parameter dialogs, the menus and the caption, the plot buffer.  The
/// window serves every piece of the host, and the pieces share its state
/// (New's mirror count decides how Aperture's units are taken), so one
/// class serves them all.
class MainWindow::Host : public FileChooser,
                         public UserQuestions,
                         public DesignEditors,
                         public ViewNotices,
                         public PlatformWork {
  public:
    explicit Host(MainWindow& w) : w_(w) {}

    std::string chooseOpenFile() override { return w_.chooseOpenFile ? w_.chooseOpenFile() : std::string(); }
    std::string chooseSaveFile() override { return w_.chooseSaveFile ? w_.chooseSaveFile() : std::string(); }
    std::string chooseImportFile() override {
        return w_.chooseImportFile ? w_.chooseImportFile() : chooseZmxFile(&w_, false, w_.lastFolder());
    }
    std::string chooseExportFile() override {
        return w_.chooseExportFile
                   ? w_.chooseExportFile()
                   : chooseZmxFile(&w_, true, w_.lastFolder(), w_.app_->state().design.designTitle);
    }

    SaveChangesAnswer askSaveChanges(const std::string& designTitle) override {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("ORVELIN"),
                        QStringLiteral("The design \"%1\" has changed since it was last saved.\n"
                                       "Do you want to save the changes?")
                            .arg(q(designTitle)),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, &w_);
        box.setObjectName(QStringLiteral("unsaved"));
        box.setDefaultButton(QMessageBox::Save);
        switch (box.exec()) {
            case QMessageBox::Save:
                return SaveChangesAnswer::save;
            case QMessageBox::Discard:
                return SaveChangesAnswer::discard;
            default:
                return SaveChangesAnswer::cancel;
        }
    }

    bool askOpenDamaged(const std::string& path, const LoadResult& result) override {
        const UserMessage m = damagedFileQuestion(path, result);
        QMessageBox box(QMessageBox::Warning, q(m.caption), q(m.text),
                        QMessageBox::Open | QMessageBox::Cancel, &w_);
        box.setInformativeText(q(m.details));
        box.setObjectName(q(m.name));
        box.setDefaultButton(QMessageBox::Cancel);
        box.button(QMessageBox::Open)->setText(QStringLiteral("&Open What Could Be Read"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("&Keep Current Design"));
        return box.exec() == QMessageBox::Open;
    }

    void tell(const UserMessage& m) override {
        if (m.kind == MessageKind::passing) {
            w_.statusBar()->showMessage(q(m.text), kPassingMessageMs);
            return;
        }
        const QMessageBox::Icon icon = m.kind == MessageKind::error         ? QMessageBox::Critical
                                       : m.kind == MessageKind::warning     ? QMessageBox::Warning
                                       : m.kind == MessageKind::information ? QMessageBox::Information
                                                                            : QMessageBox::NoIcon;
        QMessageBox box(icon, q(m.caption), q(m.text), QMessageBox::Ok, &w_);
        if (!m.details.empty()) box.setInformativeText(q(m.details));
        box.setObjectName(q(m.name));
        box.exec();
    }

    int askMirrorCount() override {
        NewDialog count(&w_);
        const int mirrors = count.exec() == 1 ? count.mirrors() : -1;
        w_.newPending_ = mirrors >= 0;
        return mirrors;
    }
    bool editSurface(Design& design, int k) override { return SurfaceDialog(design, k, &w_).exec() == 1; }
    bool editApertureField(Design& design) override { return ApertureDialog(design, &w_).exec() == 1; }
    bool editCell(Design& design, int row, int column) override {
        return CellDialog(design, row, column, &w_).exec() == 1;
    }
    bool optimise(Design& design) override { return optimiseDesign(&w_, design); }
    bool designFromFamily(Design& out) override { return orvelin::designFromFamily(&w_, out); }
    std::shared_ptr<const ToleranceResult> analyseTolerances(const Design& design,
                                                             const ToleranceResult* last) override {
        return orvelin::analyseTolerances(&w_, design, last);
    }

    void showView(int viewState, bool now) override {
        w_.background_ = toQColor(viewBackground(viewState));
        w_.view_->setBackground(w_.background_);
        if (now)
            w_.view_->repaint();
        else
            w_.view_->update();
        w_.updateStatus();
    }
    void designEdited() override {
        if (w_.app_->state().viewState == kViewDesign) w_.view_->update();
        w_.focusBase_ = lastSeparation(w_.app_->state().design);
        w_.updateStatus();
    }
    void designReplaced(int oldCount) override {
        w_.removeSurfaceMenu(oldCount);
        w_.buildSurfaceMenu(w_.app_->state().design.surfaceCount);
        w_.enableDesignCommands();
        w_.checkUnitsMenu();
        // Undo and Redo keep the count of the focus steps they move along.
        if (!w_.undoing_) w_.focusBase_ = lastSeparation(w_.app_->state().design);
        w_.facts_.unitsFromAperture = w_.newPending_;
        w_.newPending_ = false;
        w_.updateStatus();
    }
    void unitsChanged() override {
        w_.checkUnitsMenu();
        w_.facts_.unitsFromAperture = false;
        w_.updateStatus();
    }
    void documentChanged() override {
        w_.followHistory();
        w_.updateStatus();
    }
    void fileUsed(const std::string& path) override { w_.rememberFile(path); }

    void runPlot(int command) override {
        runPlotCommand(w_.view_, w_.view_->rect(), w_.app_->state(), w_.plotBuffer_, w_.screen(), command);
        w_.view_->update();
        w_.updateStatus();
    }
    void printPage() override { orvelin::printPage(&w_, w_.app_->state()); }
    void quickPrint() override { orvelin::quickPrint(&w_, w_.app_->state()); }
    void showHelp() override {
        if (!w_.help_) w_.help_ = new HelpViewer(&w_);
        w_.help_->showContents();
    }
    void showAbout() override {
        AboutDialog about(&w_);
        about.exec();
    }
    void closeProgram() override {
        // Closing goes through the close event, after what is queued.
        QTimer::singleShot(0, &w_, [this] { w_.close(); });
    }
    int clientWidth() const override { return w_.view_->width(); }

  private:
    MainWindow& w_;
};

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      host_(std::make_unique<Host>(*this)),
      app_(std::make_unique<Application>(AppHost{*host_, *host_, *host_, *host_, *host_})) {
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
    status_ = std::make_unique<StatusLine>(statusBar());
    updateStatus();

    // The screen less a band for the caption; the window is centred in it
    // and the plot buffer has its size, once and for all.
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect geometry = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    screenWidth_ = geometry.width();
    screenHeight_ = geometry.height() - kCaptionAllowance;
    // The client area of a 640 x 454 window with the classic frame, caption
    // and menu bar; the window manager adds its own frame around it.
    const Placement at = mainWindowPlacement(screenWidth_, screenHeight_);
    // The status bar sits below the client area, which keeps that size.
    resize(qt::kInitialClientWidth,
           qt::kInitialClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
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

void MainWindow::followHistory() {
    // The caption, its unsaved marker and Undo/Redo follow the core.
    setWindowTitle(q(app_->caption()));
    const History& h = app_->state().history;
    undoAction_->setEnabled(h.canUndo());
    undoAction_->setText(h.canUndo() ? QStringLiteral("&Undo %1").arg(q(h.undoName()))
                                     : QStringLiteral("&Undo"));
    redoAction_->setEnabled(h.canRedo());
    redoAction_->setText(h.canRedo() ? QStringLiteral("&Redo %1").arg(q(h.redoName()))
                                     : QStringLiteral("&Redo"));
}

void MainWindow::enableDesignCommands() {
    for (int id : {kCmdAperture, kCmdField, kCmdSave, kCmdSaveAs, kCmdExport, kCmdPrintPage, kCmdQuickPrint,
                   kCmdStandardPlot, kCmdUniformAiry, kCmdUniformBlur, kCmdClearance, kCmdOptimise})
        action(id)->setEnabled(true);
    action(kCmdTolerances)->setEnabled(true);  // as Optimise
}

void MainWindow::checkUnitsMenu() {
    const bool mm = isMetric(app_->state().design);
    action(kCmdMetric)->setChecked(mm);
    action(kCmdEnglish)->setChecked(!mm);
}

void MainWindow::runCommand(int id) {
    app_->runCommand(id);
}

void MainWindow::queueKey(char c) {
    if (isCurveKey(c)) {
        app_->curveFocalPlane();
        return;
    }
    if (const auto id = commandForCharacter(c, app_->state().viewState)) {
        const int command = *id;
        QMetaObject::invokeMethod(
            this, [this, command] { runCommand(command); }, Qt::QueuedConnection);
    }
}

void MainWindow::runAccelerator(AccelKey key) {
    runCommand(commandForAccelerator(key));
}

void MainWindow::leftClick(int x, int y) {
    app_->leftClick(x, y);
}

void MainWindow::rightClick() {
    app_->rightClick();
}

// ---------------------------------------------------------------------------
// Files.

std::string MainWindow::defaultChooseOpenFile() {
    return chooseFile(this, false, QStringLiteral("Orvelin Files (*.ov)"), QStringLiteral("ov"), lastFolder(),
                      app_->state().files.filePath);
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
    if (!app_->saveChangesFirst()) return;
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
    return chooseFile(this, true, QStringLiteral("Orvelin Files (*.ov)"), QStringLiteral("ov"), lastFolder(),
                      app_->state().files.filePath);
}

bool MainWindow::openDesignFile(const std::string& path) {
    return app_->openDesignFile(path);
}

bool MainWindow::importDesignFile(const std::string& path) {
    return app_->importDesignFile(path);
}

int MainWindow::newDesign() {
    return app_->newDesign();
}

void MainWindow::undo() {
    undoing_ = true;
    app_->undo();
    undoing_ = false;
}

void MainWindow::redo() {
    undoing_ = true;
    app_->redo();
    undoing_ = false;
}

void MainWindow::updateStatus() {
    if (!status_) return;
    facts_.focusOffset = lastSeparation(app_->state().design) - focusBase_;
    status_->show(app_->state(), facts_);
}

QString MainWindow::toolTipAt(const QPoint& at) const {
    const AppState& s = app_->state();
    if (s.viewState != kViewTraceReport || s.design.surfaceCount == 0) return {};
    const ReportFigure* f = reportFigureAt(s.design, view_->width(), at.x(), at.y());
    const auto note = f ? figureNote(f->name, s.design.units) : std::nullopt;
    return note ? q(figureTitle(*note) + "\n" + figureExplanation(*note)) : QString();
}

void MainWindow::paintClient(QPainter& painter, const QRect& client) {
    paintView(painter, client, app_->state(), plotBuffer_, screen());
}

// ---------------------------------------------------------------------------
// Help, about, keys and closing.

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
    if (!app_->saveChangesFirst()) {
        event->ignore();
        return;
    }
    if (help_) help_->close();
    event->accept();
}

}  // namespace orvelin
