// Everything the desktop program keeps from start to exit, in one place:
// the design and the file it came from, what the window shows, the cell the
// single-value dialog edits, and the records the trace, the analysis, the
// layout drawing and the plots leave for one another.
#pragma once

#include <memory>

#include "app/command_rules.h"
#include "app/evaluation.h"
#include "app/history.h"
#include "app/view_table.h"
#include "design/design.h"
#include "design/design_file.h"
#include "plots/plot_frame.h"
#include "plots/random.h"
#include "trace/analysis.h"
#include "trace/layout.h"
#include "trace/ray_trace.h"

namespace orvelin {

struct ToleranceResult;

/// State of the last Print Page job.
struct PrintJobState {
    int printAborted = 0;  ///< 1 when it was cancelled from its progress dialog
};

struct AppState {
    Design design;
    FileSelection files;
    int viewState = kViewWelcome;
    int editRow = 0;     ///< design-table row of the single-value dialog
    int editColumn = 0;  ///< and its column
    /// The plots' trace: the ray, the spot extent, and the status of the
    /// last trace the program ran (the analysis when the design changed or
    /// the design view was shown, else the last plot's), which blocks the
    /// plots and the analysed views while it is a failure.
    TraceState trace;
    PlotFrame frame;
    RandomSource random;
    PrintJobState print;
    /// The design differs from its file (a design made by New has none).
    bool modified = false;
    /// Every change to the design, for Undo and Redo.
    History history;
    /// The diffraction view shows the PSF's intensity on a logarithmic
    /// scale (the "I" key switches it there); linear at first.
    bool diffractionLog = false;
    /// The last tolerance analysis of the design as it stands, for its view
    /// and printed page; dropped with any change to the design.
    std::shared_ptr<const ToleranceResult> tolerances;
    /// The analyses the views draw, kept until the design changes.
    Evaluation evaluation;

    /// The analysis of the design as it stands.
    const DesignAnalysis& analysis() const { return evaluation.analysis(design); }
    /// What the views are drawn from.
    ViewInputs viewInputs() const { return {design, evaluation, diffractionLog, tolerances.get()}; }
};

}  // namespace orvelin
