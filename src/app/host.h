// What the application core asks of the program around it, in five small
// pieces: file choice, questions to the user, the editing dialogs, the view
// that follows the core, and the work a platform does (plots, printing,
// help).  The window serves all five; the command line and the tests serve
// only the pieces their work touches, and the core takes the headless piece
// (every question answered "cancel", nothing shown) for the rest, so none of
// them has to stub out dialogs it never opens.
#pragma once

#include <memory>
#include <string>

#include "design/design.h"
#include "design/design_file.h"

namespace orvelin {

struct ToleranceResult;

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

/// The file dialogs: the chosen path, or "" when cancelled.
class FileChooser {
  public:
    virtual ~FileChooser() = default;
    virtual std::string chooseOpenFile() = 0;
    virtual std::string chooseSaveFile() = 0;
    virtual std::string chooseImportFile() = 0;
    virtual std::string chooseExportFile() = 0;
};

/// Questions and messages to the user.
class UserQuestions {
  public:
    virtual ~UserQuestions() = default;
    virtual SaveChangesAnswer askSaveChanges(const std::string& designTitle) = 0;
    /// A file read with damage: open what could be read (true) or keep the
    /// current design (false).
    virtual bool askOpenDamaged(const std::string& path, const LoadResult& result) = 0;
    virtual void tell(const UserMessage& message) = 0;
    /// The mirror count of a new design (0 is a focal plane alone), or -1
    /// when cancelled.
    virtual int askMirrorCount() = 0;
};

/// The editing dialogs.  Each edits `design` in place and says whether it
/// was accepted (OK) or cancelled.
class DesignEditors {
  public:
    virtual ~DesignEditors() = default;
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
};

/// What the program shows follows the core.
class ViewNotices {
  public:
    virtual ~ViewNotices() = default;
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
    /// The width of the client area in pixels (the design table is centred
    /// in it, so a click is placed by the view that shows it).
    virtual int clientWidth() const = 0;
};

/// Work that needs the platform.
class PlatformWork {
  public:
    virtual ~PlatformWork() = default;
    /// Run a plot command (the standard and Monte-Carlo plots, the focus
    /// steps, the Airy overlay) on the program's drawing devices.
    virtual void runPlot(int command) = 0;
    virtual void printPage() = 0;
    virtual void quickPrint() = 0;
    virtual void showHelp() = 0;
    virtual void showAbout() = 0;
    /// End the program (after what is queued).
    virtual void closeProgram() = 0;
};

// The headless pieces: nobody to ask and nothing to show.  A host derives
// from one to serve a few of its calls and leave the rest cancelled.

/// Every file dialog is cancelled.
class HeadlessFileChooser : public FileChooser {
  public:
    std::string chooseOpenFile() override { return {}; }
    std::string chooseSaveFile() override { return {}; }
    std::string chooseImportFile() override { return {}; }
    std::string chooseExportFile() override { return {}; }
};

/// Every question is answered "cancel"; messages go nowhere.
class HeadlessQuestions : public UserQuestions {
  public:
    SaveChangesAnswer askSaveChanges(const std::string&) override { return SaveChangesAnswer::cancel; }
    bool askOpenDamaged(const std::string&, const LoadResult&) override { return false; }
    void tell(const UserMessage&) override {}
    int askMirrorCount() override { return -1; }
};

/// Every dialog is cancelled and leaves the design alone.
class HeadlessEditors : public DesignEditors {
  public:
    bool editSurface(Design&, int) override { return false; }
    bool editApertureField(Design&) override { return false; }
    bool editCell(Design&, int, int) override { return false; }
    bool optimise(Design&) override { return false; }
    bool designFromFamily(Design&) override { return false; }
    std::shared_ptr<const ToleranceResult> analyseTolerances(const Design&, const ToleranceResult*) override {
        return nullptr;
    }
};

/// Nothing is shown: no view is painted, so no design is traced.
class HeadlessViewNotices : public ViewNotices {
  public:
    void showView(int, bool) override {}
    void designEdited() override {}
    void designReplaced(int) override {}
    void unitsChanged() override {}
    void documentChanged() override {}
    void fileUsed(const std::string&) override {}
    int clientWidth() const override { return 0; }
};

/// No plot is drawn, nothing printed, no help shown, and nothing to close.
class HeadlessPlatformWork : public PlatformWork {
  public:
    void runPlot(int) override {}
    void printPage() override {}
    void quickPrint() override {}
    void showHelp() override {}
    void showAbout() override {}
    void closeProgram() override {}
};

/// The one instance of a headless piece.  They keep nothing, so every
/// application without a piece of its own shares it.
template <class Headless>
Headless& headlessPiece() {
    static Headless piece;
    return piece;
}

/// The pieces an application is given; any left out is headless, e.g.
/// `Application app({.questions = myQuestions});`.
struct AppHost {
    FileChooser& files = headlessPiece<HeadlessFileChooser>();
    UserQuestions& questions = headlessPiece<HeadlessQuestions>();
    DesignEditors& editors = headlessPiece<HeadlessEditors>();
    ViewNotices& view = headlessPiece<HeadlessViewNotices>();
    PlatformWork& platform = headlessPiece<HeadlessPlatformWork>();
};

}  // namespace orvelin
