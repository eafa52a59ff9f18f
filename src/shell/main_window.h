// The main window: a thin adapter around the application core.  It owns the
// menu, the accelerators and character keys, the Edit menu's surface items,
// the caption, the plot buffer and painting by view; every command's rules
// are the core's (app/application.h), reached through the window's host
// (app/host.h).
#pragma once

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/application.h"
#include "shell/help_viewer.h"
#include "shell/status_line.h"
#include "shell/view_paint.h"

class QAction;
class QMenu;

namespace orvelin {

class ClientView;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    /// Places itself on `screen` (the primary screen when null) and creates
    /// the screen-sized plot buffer.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& state() { return app_->state(); }
    const AppState& state() const { return app_->state(); }
    Application& application() { return *app_; }

    /// A menu command or accelerator: runs at once.
    void runCommand(int id);
    /// A character key: the command it stands for is queued behind the
    /// events already waiting ("Z" acts at once).
    void queueKey(char c);
    /// An accelerator key: its command runs at once.
    void runAccelerator(AccelKey key);
    /// Mouse buttons on the client area (client pixels).
    void leftClick(int x, int y);
    void rightClick();

    /// Open `path` as the Open command does after its file dialog.  Returns
    /// whether the design was taken.
    bool openDesignFile(const std::string& path);

    /// Import the .zmx file at `path` as File > Import... does after its
    /// file dialog.  Returns whether the design was taken.
    bool importDesignFile(const std::string& path);

    /// The New command; 1 when a new design was made, 0 when cancelled.
    int newDesign();

    /// File choice; replaceable so the commands can be driven without the
    /// system dialogs.  They return the chosen path, or "" when cancelled.
    std::function<std::string()> chooseOpenFile;
    std::function<std::string()> chooseSaveFile;
    std::function<std::string()> chooseImportFile;  ///< a .zmx file to read
    std::function<std::string()> chooseExportFile;  ///< a .zmx file to write

    QWidget* clientView() const;
    QAction* action(int id) const;
    QMenu* editMenu() const { return editMenu_; }
    const QImage& plotBuffer() const { return plotBuffer_; }
    int screenWidth() const { return screenWidth_; }
    int screenHeight() const { return screenHeight_; }
    QColor background() const { return background_; }
    HelpViewer* helpViewer() const { return help_; }

    /// Undo and Redo of the Edit menu, and the File menu's Recent submenu.
    QAction* undoAction() const { return undoAction_; }
    QAction* redoAction() const { return redoAction_; }
    QMenu* recentMenu() const { return recentMenu_; }
    /// Undo or redo the last change to the design.
    void undo();
    void redo();

    /// What a tooltip says at a client pixel: the meaning and unit of the
    /// report's figure there; "" for nothing.
    QString toolTipAt(const QPoint& at) const;

    /// Paint the client area for the current view (the paint handler).
    void paintClient(QPainter& painter, const QRect& client);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Host;

    void buildMenu();
    QAction* addCommand(QMenu* menu, const QString& text, int id);
    QAction* addTopCommand(const QString& text, int id);

    void removeSurfaceMenu(int count);
    void buildSurfaceMenu(int count);
    void enableDesignCommands();
    void checkUnitsMenu();
    ScreenSize screen() const { return {screenWidth_, screenHeight_ + kCaptionAllowance}; }
    /// The caption, its unsaved marker and Undo/Redo follow the history.
    void followHistory();
    /// The status bar follows the state and what the window knows besides.
    void updateStatus();
    /// Recent files and the folder the file dialogs open in.
    void rememberFile(const std::string& path);
    void rebuildRecentMenu();
    void openRecent(const QString& path);
    QString lastFolder() const;

    std::string defaultChooseOpenFile();
    std::string defaultChooseSaveFile();

    std::unique_ptr<Host> host_;
    std::unique_ptr<Application> app_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;  ///< the screen less a 38-pixel band
    QImage plotBuffer_;
    QColor background_;
    ClientView* view_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* undoSeparator_ = nullptr;
    std::map<int, QAction*> actions_;
    QPointer<HelpViewer> help_;
    bool closing_ = false;
    std::unique_ptr<StatusLine> status_;
    StatusFacts facts_;
    bool newPending_ = false;  ///< New has its mirror count; its design is on the way
    bool undoing_ = false;     ///< Undo or Redo is replacing the design
    double focusBase_ = 0;     ///< the last separation before the focus steps since the last other change
};

}  // namespace orvelin
