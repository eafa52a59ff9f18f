// `render`: a view drawn exactly as the main window of a given client size
// would show it, written as a PNG.  Each view is one entry of a table of
// render functions (cli_render.cpp), so a new view is one function and one
// line.
#pragma once

#include <QImage>

#include "design/design.h"
#include "platform/qt/qt_device.h"
#include "trace/analysis.h"
#include "trace/layout.h"
#include "trace/ray_trace.h"

namespace orvelin::cli {

/// What a render function draws with: the design and the records the
/// window would hold, and the window's client area as an image device
/// standing on a screen of `screen` size.
struct RenderJob {
    Design& design;
    TraceState& trace;
    AnalysisResults& results;
    LayoutGeometry& geometry;
    qt::QtDevice& window;
    qt::DeviceCaps screen;
};

/// A view's painting, after the window background has been erased with
/// viewBackground(viewState).  Throws Failure for a refused view (for
/// example the report of a design that does not trace).
using RenderFunction = void (*)(RenderJob& job);

struct RenderView {
    const char* name;  ///< the --view word
    int viewState;     ///< selects the background colour
    RenderFunction render;
};

}  // namespace orvelin::cli
