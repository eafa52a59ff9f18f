#include "app/application.h"

#include "app/command_rules.h"
#include "app/dialog_logic.h"
#include "exchange/zmx_export.h"
#include "exchange/zmx_import.h"
#include "trace/analysis.h"
#include "trace/design_saving.h"

namespace orvelin {

namespace {

/// A change's name from the single-value dialog's line: "Edit radius #2"
/// gives "Radius #2", "Sagittal radius #1" stays.
std::string cellChangeName(const std::string& prompt) {
    std::string name = prompt.rfind("Edit ", 0) == 0 ? prompt.substr(5) : prompt;
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

/// A file's name in quotes, as the messages name it.  Built by appending:
/// GCC 12 at -O3 takes prepending to a string for an overlapping copy
/// (-Wrestrict) where there is none.
std::string quotedFileName(const std::string& path) {
    std::string quoted = "\"";
    quoted.append(fileNameOfPath(path)).append("\"");
    return quoted;
}

/// "Cannot open "x.ov":\n<why>", as every failed file operation says it.
UserMessage cannotMessage(const char* name, const char* caption, const char* verb, const std::string& path,
                          const std::string& why) {
    return {
        MessageKind::error, name, caption, std::string("Cannot ") + verb + " \"" + path + "\":\n" + why, {}};
}

}  // namespace

// The reason comes as "line N: expected WHAT"; the question names the line
// and WHAT in words of its own, and speaks of later lines only where the
// file has some.
UserMessage damagedFileQuestion(const std::string& path, const LoadResult& result) {
    std::string what = result.message;
    const std::string prefix = "line " + std::to_string(result.damagedLine) + ": expected ";
    if (what.rfind(prefix, 0) == 0) what.erase(0, prefix.size());
    const std::string name = quotedFileName(path);
    const std::string line = std::to_string(result.damagedLine);
    UserMessage m;
    m.kind = MessageKind::warning;
    m.name = "openDamaged";
    m.caption = "Open";
    if (result.lastLine == 0)
        m.text = name + " is empty";
    else if (result.endedEarly)
        m.text = name + " ends too soon, at line " + std::to_string(result.lastLine) +
                 (what == "more lines" ? std::string() : "; it lacks " + what);
    else
        m.text = name + " is damaged at line " + line + ", where " + what + " should be";
    m.text += ": open what could be read, or keep the current design?";
    if (!result.kept.empty()) {
        m.details = "Not in the file, so kept from the current design: ";
        for (std::size_t i = 0; i < result.kept.size(); ++i) m.details += (i ? "; " : "") + result.kept[i];
        m.details += ".";
    }
    if (!result.endedEarly && result.damagedLine < result.lastLine)
        m.details += std::string(m.details.empty() ? "" : "\n") + "Values after line " + line +
                     " may have been read from the wrong places.";
    return m;
}

Application::Application(AppHost host) : host_(host) {
    state_.history.reset({state_.design, state_.files}, true);
}

std::string Application::caption() const {
    // Before any design the caption is the program's name; a star marks
    // changes that are not in the design's file.
    if (state_.design.surfaceCount == 0) return kInitialCaption;
    return designCaption(state_.design.designTitle) + (state_.modified ? "*" : "");
}

void Application::changeView(int view, bool now) {
    // Showing the design runs its analysis again, as far as the user can
    // tell: a plot's failure no longer blocks what follows.  It is computed
    // once per change of the design, and only read afterwards.
    if (view == kViewDesign) state_.trace.status = state_.analysis().status;
    state_.viewState = view;
    host_.view.showView(view, now);
}

void Application::markModified(const std::string& change) {
    state_.tolerances.reset();  // analysed for the design as it was
    state_.trace.status = state_.analysis().status;
    state_.history.record(change, {state_.design, state_.files});
    followHistory();
}

void Application::followHistory() {
    state_.modified = state_.history.modified();
    host_.view.documentChanged();
}

void Application::beginDocument(const char* change, int oldCount, bool saved) {
    // A design that replaces another is one step for Undo; the first design
    // of the session starts the history.
    const DesignSnapshot begun{state_.design, state_.files};
    if (oldCount > 0)
        state_.history.record(change, begun, true, saved);
    else
        state_.history.reset(begun, saved);
}

void Application::undo() {
    if (state_.history.canUndo()) restore(state_.history.undo());
}

void Application::redo() {
    if (state_.history.canRedo()) restore(state_.history.redo());
}

void Application::restore(const DesignSnapshot& snapshot) {
    // The whole design comes back with the file it belongs to, and the
    // design view shows it.
    const int oldCount = state_.design.surfaceCount;
    state_.design = snapshot.design;
    state_.files = snapshot.files;
    state_.tolerances.reset();
    host_.view.designReplaced(oldCount);
    followHistory();
    changeView(kViewDesign);
}

// ---------------------------------------------------------------------------
// Commands.

void Application::runCommand(int id) {
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
        case kCmdNewFromFamily:
            newDesignFromFamily();
            break;
        case kCmdOpen:
            if (saveChangesFirst()) {
                const std::string path = host_.files.chooseOpenFile();
                if (!path.empty()) openDesignFile(path);
            }
            break;
        case kCmdSave:
            save();
            break;
        case kCmdSaveAs:
            saveAs();
            break;
        case kCmdImport:
            if (saveChangesFirst()) {
                const std::string path = host_.files.chooseImportFile();
                if (!path.empty()) importDesignFile(path);
            }
            break;
        case kCmdExport:
            exportDesign();
            break;
        case kCmdPrintPage:
            if (traced) host_.platform.printPage();
            break;
        case kCmdQuickPrint:
            if (traced) host_.platform.quickPrint();
            break;
        case kCmdMetric:
            setUnits("mm");
            break;
        case kCmdEnglish:
            setUnits("inches");
            break;
        case kCmdExit:
            host_.platform.closeProgram();
            break;
        case kCmdTrace:
            if (designShown && traced) changeView(kViewTraceReport);
            break;
        case kCmdFocus:
            if (designShown && traced) {
                const AnalysisResults& r = s.analysis().results;
                focusToBestFit(s.design, r.bestFocus, r.bestFitTilt);
                markModified("Focus");
                host_.view.designEdited();
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
        case kCmdFans:
        case kCmdFieldCurves:
        case kCmdFieldMap:
        case kCmdThroughFocus:
            // Each command's view bears its number.
            if (designShown && traced) changeView(id);
            break;
        case kCmdDiffraction:
            if (designShown && traced) changeView(kViewDiffraction);
            break;
        case kCmdDiffractionScale:
            if (s.viewState == kViewDiffraction) {
                s.diffractionLog = !s.diffractionLog;
                changeView(kViewDiffraction);
            }
            break;
        case kCmdOptimise:
            // The optimiser's result is one step for Undo.
            if (designShown && host_.editors.optimise(s.design)) {
                markModified("Optimise");
                changeView(kViewDesign);
            }
            break;
        case kCmdTolerances:
            // The dialog leaves the design alone; its last analysis is
            // kept and shown.
            if (!designShown) break;
            if (auto r = host_.editors.analyseTolerances(s.design, s.tolerances.get())) {
                s.tolerances = std::move(r);
                changeView(kViewTolerances);
            }
            break;
        case kCmdHelpContents:
            host_.platform.showHelp();
            break;
        case kCmdAbout:
            host_.platform.showAbout();
            break;
        default:
            if (isPlotCommand(id) && designShown && traced) startPlot(id);
            break;
    }
}

void Application::curveFocalPlane() {
    if (state_.viewState == kViewWelcome) return;
    orvelin::curveFocalPlane(state_.design);
    markModified("Curve Focal Plane");
    host_.view.designEdited();
}

void Application::surfaceItem(int id) {
    const int n = state_.design.surfaceCount;
    const int k = id - kCmdSurfaceBase;
    if (k < 1 || k > n) return;  // no such surface in this design
    if (host_.editors.editSurface(state_.design, k)) {
        markModified(k == n ? std::string("Focal Plane") : "Surface #" + std::to_string(k));
        changeView(kViewDesign);
    }
}

void Application::cellDialog(int row, int column, bool fromMenu) {
    state_.editRow = row;
    state_.editColumn = column;
    if (!host_.editors.editCell(state_.design, row, column)) return;
    markModified(cellChangeName(cellPrompt(state_.design, row, column).text));
    if (fromMenu)
        changeView(kViewDesign);
    else
        host_.view.designEdited();
}

void Application::setUnits(const char* units) {
    if (state_.design.units != units) {
        state_.design.units = units;
        // Units are part of the saved design.
        if (state_.design.surfaceCount > 0) markModified("Units");
    }
    host_.view.unitsChanged();
    if (state_.viewState != kViewWelcome) changeView(kViewDesign);
}

void Application::leftClick(int x, int y) {
    if (state_.viewState != kViewDesign) return;
    const TableHit hit = hitDesignTable(x, y, host_.view.clientWidth(), state_.design.surfaceCount);
    if (hit.kind == TableHit::outside) return;
    state_.editRow = hit.row;
    state_.editColumn = hit.column;
    if (hit.kind == TableHit::diameters) {
        const LayoutGeometry& g = state_.analysis().geometry;
        host_.questions.tell({MessageKind::note,
                              "diameters",
                              "Tangential diameters",
                              diametersText(g.centralSemiDiameter[hit.row], g.unvignettedSemiDiameter[hit.row]),
                              {}});
    } else if (hit.kind == TableHit::cell) {
        cellDialog(hit.row, hit.column, false);
    }
}

void Application::rightClick() {
    if (state_.viewState != kViewDesign) return;
    if (host_.editors.editApertureField(state_.design)) markModified("Aperture and Field");
    host_.view.designEdited();
}

// ---------------------------------------------------------------------------
// Files.

bool Application::saveChangesFirst() {
    if (!state_.modified) return true;
    switch (host_.questions.askSaveChanges(state_.design.designTitle)) {
        case SaveChangesAnswer::save:
            return save();
        case SaveChangesAnswer::discard:
            return true;
        default:
            return false;
    }
}

void Application::takeDesign(int oldCount) {
    state_.frame.scale = 0;
    state_.tolerances.reset();
    host_.view.designReplaced(oldCount);
    followHistory();
    changeView(kViewDesign, true);
}

void Application::showDesign(const Design& design) {
    const int oldCount = state_.design.surfaceCount;
    state_.design = design;
    state_.history.reset({state_.design, state_.files}, true);
    takeDesign(oldCount);
}

bool Application::openDesignFile(const std::string& path) {
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    // Read into a copy: the design changes only once the file is taken.
    Design loaded = s.design;
    const LoadResult result = loadDesign(loaded, path);
    if (!result.accepted()) {
        // Nothing was taken: the design, its file and the menu stay.
        host_.questions.tell(cannotMessage("openFailed", "Open", "open", path, result.message));
        return false;
    }
    const bool damaged = result.status == LoadStatus::damaged;
    if (damaged && !host_.questions.askOpenDamaged(path, result)) return false;
    s.design = loaded;
    s.files.filePath = path;
    s.files.fileTitle = fileNameOfPath(path);
    s.design.designTitle = titleFromFileName(s.files.fileTitle);
    // A damaged file's design is not what the file holds: it is unsaved.
    beginDocument("Open", oldCount, !damaged);
    host_.view.fileUsed(path);
    takeDesign(oldCount);
    return true;
}

bool Application::importDesignFile(const std::string& path) {
    const exchange::ZmxImportResult r = exchange::importZmxFile(path);
    if (!r.accepted()) {
        // Nothing was taken: the design, its file and the menu stay.
        host_.questions.tell(cannotMessage("importFailed", "Import", "import", path, r.message));
        return false;
    }
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    s.design = r.design;
    // An imported design has no design file yet: Save asks for its name.
    s.files = FileSelection{};
    s.design.designTitle = kNewDesignTitle;
    s.history.record("Import", {s.design, s.files});
    takeDesign(oldCount);
    if (!r.warnings.empty()) {
        std::string text = quotedFileName(path) + " was read with these warnings:";
        for (const std::string& w : r.warnings) text += "\n\n" + w;
        host_.questions.tell({MessageKind::warning, "importWarnings", "Import", text, {}});
    }
    return true;
}

void Application::exportDesign() {
    const std::string path = host_.files.chooseExportFile();
    if (path.empty()) return;
    const WriteResult r = exchange::exportZmxFile(state_.design, path);
    if (!r.ok)
        host_.questions.tell(cannotMessage("exportFailed", "Export", "export", path, r.message));
    else
        host_.questions.tell({MessageKind::passing, "exported", "Export", "Exported to " + path, {}});
}

bool Application::writeDesign() {
    const SaveResult result = saveWithFRatio(state_.design, state_.files.filePath);
    if (!result.ok) {
        host_.questions.tell(
            cannotMessage("saveFailed", "Save", "save", state_.files.filePath, result.message));
        return false;
    }
    // What is in the file now is this design, under this name.
    state_.history.renameDocument(state_.files, state_.design.designTitle);
    state_.history.markSaved();
    host_.view.fileUsed(state_.files.filePath);
    followHistory();
    return true;
}

bool Application::save() {
    if (state_.design.designTitle == kNewDesignTitle) return saveAs();
    return writeDesign();
}

bool Application::saveAs() {
    if (state_.design.surfaceCount == 0) {
        // Before any design there is nothing a file could give back.
        host_.questions.tell({MessageKind::information,
                              "nothingToSave",
                              "Save As",
                              "There is no design to save yet.\nMake one with New or open one with Open.",
                              {}});
        return false;
    }
    const std::string path = host_.files.chooseSaveFile();
    if (path.empty()) return false;
    // Keep what the caption and the file names said, to put back if the
    // file cannot be written.
    const FileSelection oldFiles = state_.files;
    const std::string oldTitle = state_.design.designTitle;
    state_.files.filePath = path;
    state_.files.fileTitle = fileNameOfPath(path);
    state_.design.designTitle = titleFromFileName(state_.files.fileTitle);
    // A file named like an unsaved design gives that title back: ask again.
    const bool saved = state_.design.designTitle == kNewDesignTitle ? saveAs() : writeDesign();
    if (!saved) {
        state_.files = oldFiles;
        state_.design.designTitle = oldTitle;
    }
    return saved;
}

int Application::newDesign() {
    if (!saveChangesFirst()) return 0;
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    const int mirrors = host_.questions.askMirrorCount();
    if (mirrors < 0) return 0;
    startNewDesign(s.design, mirrors);
    const int n = s.design.surfaceCount;
    s.files = {};
    s.design.designTitle = kNewDesignTitle;
    host_.view.documentChanged();
    // One dialog per mirror, the focal plane, then aperture and field; a
    // cancelled one leaves its values at zero.
    for (int k = 1; k <= n; ++k) host_.editors.editSurface(s.design, k);
    host_.editors.editApertureField(s.design);
    s.design.units = unitsForNewAperture(s.design.semiAperture);
    // A design built with New is in no file yet: it is unsaved work.
    beginDocument("New Design", oldCount, false);
    takeDesign(oldCount);
    return 1;
}

int Application::newDesignFromFamily() {
    if (!saveChangesFirst()) return 0;
    Design made;
    if (!host_.editors.designFromFamily(made)) return 0;
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    s.design = made;
    // Like a design built with New, it is in no file yet.
    s.files = {};
    s.design.designTitle = kNewDesignTitle;
    beginDocument("New from a Family", oldCount, false);
    takeDesign(oldCount);
    return 1;
}

// ---------------------------------------------------------------------------
// Plots.

void Application::startPlot(int command) {
    // A focus step moves the focal plane by the step of the last standard
    // plot (none before the first), a change for Undo; the standard plot
    // that follows shows the spots where the plane now stands.
    if (command == kCmdFocusIn || command == kCmdFocusOut) {
        Design& d = state_.design;
        const int n = d.surfaceCount;
        const double separationBefore = n > 1 ? d.surfaces[n - 1].separation : 0;
        stepFocus(d, state_.frame, command);
        if (n > 1 && d.surfaces[n - 1].separation != separationBefore)
            markModified(command == kCmdFocusOut ? "Focus Out" : "Focus In");
    }
    changeView(viewStateForPlotCommand(command));
    host_.platform.runPlot(command);
}

void Application::airyOverlay() {
    host_.platform.runPlot(kCmdAiry);
    state_.viewState = kViewAiryOverlay;
    host_.view.showView(kViewAiryOverlay, false);
}

}  // namespace orvelin
