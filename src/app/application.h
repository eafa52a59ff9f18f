// The application core: the one design and everything kept with it, and the
// rules of every command, as the window and the command line both run them.
// It draws nothing and shows nothing itself; it reaches the outside through
// AppHost: file choice, questions and messages to the user, the editing
// dialogs, and the work a platform does (plots, printing, help).
#pragma once

#include <memory>
#include <string>

#include "app/app_state.h"
#include "design/design_file.h"

namespace orvelin {

/// The answer to "save the changes first?".
enum class SaveChangesAnswer { save, discard, cancel };

/// The kinds of message box: a plain note (no icon), information, a
/// warning, an error; and a passing word that needs no answer (the window
/// shows it in its status bar, not in a box).
enum class MessageKind { note, information, warning, error, passing };

/// A message for the user: its kind, a name that tests and scripts find it
/// by, the caption and the text.
struct UserMessage {
    MessageKind kind = MessageKind::information;
    std::string name;
    std::string caption;
    std::string text;
    std::string details;  ///< a second paragraph, may be empty
};

/// What the application core asks of the program around it.
class AppHost {
  public:
    virtual ~AppHost() = default;

    // File choice: the chosen path, or "" when cancelled.
    virtual std::string chooseOpenFile() = 0;
    virtual std::string chooseSaveFile() = 0;
    virtual std::string chooseImportFile() = 0;
    virtual std::string chooseExportFile() = 0;

    // Questions and messages.
    virtual SaveChangesAnswer askSaveChanges(const std::string& designTitle) = 0;
    /// A file read with damage: open what could be read (true) or keep the
    /// current design (false).
    virtual bool askOpenDamaged(const std::string& path, const LoadResult& result) = 0;
    virtual void tell(const UserMessage& message) = 0;

    // The editing dialogs.  Each edits `design` in place and says whether it
    // was accepted (OK) or cancelled.
    /// The mirror count of a new design (0 is a focal plane alone), or -1
    /// when cancelled.
    virtual int askMirrorCount() = 0;
    virtual bool editSurface(Design& design, int k) = 0;
    virtual bool editApertureField(Design& design) = 0;
    virtual bool editCell(Design& design, int row, int column) = 0;
    /// The optimiser's dialog: true when its result was applied to `design`.
    virtual bool optimise(Design& design) = 0;
    /// New from a family: the design the user took into `out`, or false
    /// when cancelled (`out` is then left alone).
    virtual bool designFromFamily(Design& out) = 0;
    /// The tolerance dialog, which never changes the design: the last
    /// analysis it finished (null when none), starting from `last`'s
    /// settings when there is one.
    virtual std::shared_ptr<const ToleranceResult> analyseTolerances(const Design& design,
                                                                     const ToleranceResult* last) = 0;

    // What the program shows follows the core.
    /// The view state changed (its background too): repaint all of it, at
    /// once when `now`.
    virtual void showView(int viewState, bool now) = 0;
    /// The design changed in place: repaint the view if it shows the design.
    virtual void designEdited() = 0;
    /// The design was replaced (open, new, import, undo): its surface count
    /// went from `oldCount` to the design's, its units may differ.
    virtual void designReplaced(int oldCount) = 0;
    /// The design's units changed (or were chosen again).
    virtual void unitsChanged() = 0;
    /// The caption, the unsaved marker or the undo history changed.
    virtual void documentChanged() = 0;
    /// A design file was opened or saved (for a list of recent files).
    virtual void fileUsed(const std::string& path) = 0;

    // Work that needs the platform.
    /// Run a plot command (the standard and Monte-Carlo plots, the focus
    /// steps, the Airy overlay) on the program's drawing devices.
    virtual void runPlot(int command) = 0;
    virtual void printPage() = 0;
    virtual void quickPrint() = 0;
    virtual void showHelp() = 0;
    virtual void showAbout() = 0;
    /// End the program (after what is queued).
    virtual void closeProgram() = 0;
    /// The width of the client area in pixels (the design table is centred
    /// in it).
    virtual int clientWidth() const = 0;
};

/// A host with nobody to ask and nothing to show: every question is
/// answered "cancel", every dialog is cancelled, messages and view updates go
/// nowhere, and plots are not drawn.  The command line and the tests derive
/// from it and give what they need.
class HeadlessHost : public AppHost {
  public:
    std::string chooseOpenFile() override { return {}; }
    std::string chooseSaveFile() override { return {}; }
    std::string chooseImportFile() override { return {}; }
    std::string chooseExportFile() override { return {}; }
    SaveChangesAnswer askSaveChanges(const std::string&) override { return SaveChangesAnswer::cancel; }
    bool askOpenDamaged(const std::string&, const LoadResult&) override { return false; }
    void tell(const UserMessage&) override {}
    int askMirrorCount() override { return -1; }
    bool editSurface(Design&, int) override { return false; }
    bool editApertureField(Design&) override { return false; }
    bool editCell(Design&, int, int) override { return false; }
    bool optimise(Design&) override { return false; }
    bool designFromFamily(Design&) override { return false; }
    std::shared_ptr<const ToleranceResult> analyseTolerances(const Design&, const ToleranceResult*) override {
        return nullptr;
    }
    void showView(int, bool) override {}
    void designEdited() override {}
    void designReplaced(int) override {}
    void unitsChanged() override {}
    void documentChanged() override {}
    void fileUsed(const std::string&) override {}
    void runPlot(int) override {}
    void printPage() override {}
    void quickPrint() override {}
    void showHelp() override {}
    void showAbout() override {}
    void closeProgram() override {}
    int clientWidth() const override { return 0; }
};

/// The question a damaged file asks: the first damaged line, what was
/// expected there, and which values the file did not supply.
UserMessage damagedFileQuestion(const std::string& path, const LoadResult& result);

class Application {
  public:
    explicit Application(AppHost& host);

    AppState& state() { return state_; }
    const AppState& state() const { return state_; }

    /// The caption: "ORVELIN" before any design, else the design's, with a
    /// star while there are unsaved changes.
    std::string caption() const;

    /// A menu command, an accelerator or a queued character key.  Commands
    /// that need a design on screen, or one that traced cleanly, do nothing
    /// without it.
    void runCommand(int id);
    /// "Z": curve the focal plane at once.
    void curveFocalPlane();
    /// Mouse buttons on the design view (client pixels).
    void leftClick(int x, int y);
    void rightClick();

    /// Show a design read elsewhere (the command line's loader reports its
    /// own damage) in the design view, as Open shows a file it has taken.
    void showDesign(const Design& design);

    // Files.
    /// Open `path` as Open does after its file dialog; whether it was taken.
    bool openDesignFile(const std::string& path);
    /// Import a .zmx file as Import does after its file dialog.
    bool importDesignFile(const std::string& path);
    /// Save; Save As when the design has no file yet.  Whether it was written.
    bool save();
    bool saveAs();
    /// The New command: 1 when a design was made, 0 when cancelled.
    int newDesign();
    /// File > New from a family: as New, with the design the host's dialog
    /// made.  1 when a design was taken, 0 when cancelled.
    int newDesignFromFamily();
    /// With unsaved changes, ask whether to save them first.  True when the
    /// caller may go on (saved or discarded).
    bool saveChangesFirst();

    // The undo history.
    void undo();
    void redo();
    /// The design has changed: one step for Undo, named after the change.
    void markModified(const std::string& change);

  private:
    void changeView(int view, bool now = false);
    void setUnits(const char* units);
    void surfaceItem(int id);
    void cellDialog(int row, int column, bool fromMenu);
    void startPlot(int command);
    void airyOverlay();
    void exportDesign();
    bool writeDesign();
    /// The unsaved marker follows the history, and the host shows it.
    void followHistory();
    /// A design read or made afresh starts a document in the history (the
    /// first one starts the history itself); `saved` when a file holds it.
    void beginDocument(const char* change, int oldCount, bool saved);
    /// Take a design read from a file or made afresh, and show it.
    void takeDesign(int oldCount);
    void restore(const DesignSnapshot& snapshot);

    AppHost& host_;
    AppState state_;
};

}  // namespace orvelin
