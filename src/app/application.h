// The application core: the one design and everything kept with it, and the
// rules of every command, as the window and the command line both run them.
// It draws nothing and shows nothing itself; it reaches the outside through
// the pieces of its AppHost (app/host.h): file choice, questions and messages
// to the user, the editing dialogs, the view, and the work a platform does
// (plots, printing, help).
#pragma once

#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/host.h"
#include "design/design_file.h"

namespace orvelin {

/// The question a damaged file asks: the first damaged line, what was
/// expected there, and which values the file did not supply.
UserMessage damagedFileQuestion(const std::string& path, const LoadResult& result);

class Application {
  public:
    /// The pieces of `host` not given are headless: files and questions
    /// cancelled, nothing shown.
    explicit Application(AppHost host = {});

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

    AppHost host_;
    AppState state_;
};

}  // namespace orvelin
