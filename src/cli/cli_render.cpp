// `render FILE --view welcome|design|report|standard|airy|blur|overlay|...|diffraction -o out.png
// [--size WxH] [--focus-steps K] [--log]`; the plot views live in cli_render_plots.cpp.
#include "cli/cli_render.h"

#include <QBuffer>
#include <QSvgGenerator>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "aberrations/aberration_views.h"
#include "clearance/clearance_view.h"
#include "cli/cli.h"
#include "cli/cli_render_plots.h"
#include "diffraction/diffraction_view.h"
#include "cli/cli_tolerance_view.h"
#include "platform/qt/headless.h"
#include "quality/quality_view.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"

namespace orvelin::cli {

void RenderHost::showView(int viewState, bool) {
    // The design view's painting runs the analysis and the layout's traces.
    if (viewState == kViewDesign && job)
        paintDesignView(job->window, job->design, job->trace, job->results, job->geometry);
}

int RenderHost::clientWidth() const {
    return job ? job->window.size().width : 0;
}

namespace {

void renderWelcome(RenderJob& job) {
    PaintViewPage(job.window, kViewWelcome, job.design, job.results);
}

// The design view runs the analysis as part of its painting; a design that
// does not trace shows the trace-problem banner, and the command says so.
void renderDesign(RenderJob& job) {
    paintDesignView(job.window, job.design, job.trace, job.results, job.geometry);
}

// The trace report shows the figures of the design view's last painting,
// and is refused, as in the window, when that painting met a trace problem:
// in the analysis, or in the layout's own traces to the best-fit focal plane.
// The report then replaces the design view's picture.
void renderReport(RenderJob& job) {
    job.app.showDesign(job.design);
    job.app.runCommand(kCmdTrace);
    if (job.app.state().viewState != kViewTraceReport) failTrace(job.trace.status);
    eraseBackground(job.window, viewBackground(kViewTraceReport));
    PaintViewPage(job.window, kViewTraceReport, job.design, job.results);
}

// The clearance view, with the default edge, blank thickness and margin.
void renderClearance(RenderJob& job) {
    job.trace.status = paintClearanceView(job.window, job.design, {}).status;
}

// The image-quality view, refused like the report for a design whose design
// view would not trace.
void renderQuality(RenderJob& job) {
    job.app.showDesign(job.design);
    job.app.runCommand(kCmdImageQuality);
    if (job.app.state().viewState != kViewImageQuality) failTrace(job.trace.status);
    eraseBackground(job.window, viewBackground(kViewImageQuality));
    drawQualityView(job.window, {0, 0, job.window.size().width, job.window.size().height},
                    computeQualityView(job.design));
}

// The aberration plots, refused like the report for a design whose design
// view would not trace.
void renderAberrations(RenderJob& job, int command) {
    job.app.showDesign(job.design);
    job.app.runCommand(command);
    if (job.app.state().viewState != command) failTrace(job.trace.status);
    eraseBackground(job.window, viewBackground(command));
    AberrationViewCache cache;
    drawAberrationView(job.window, {0, 0, job.window.size().width, job.window.size().height}, command,
                       job.design, cache);
}

// The diffraction view, refused like the aberration plots; --log gives the
// PSF on the logarithmic scale, as the "I" key does in the window.
void renderDiffraction(RenderJob& job) {
    const bool logIntensity = job.app.state().diffractionLog;
    job.app.showDesign(job.design);
    job.app.runCommand(kCmdDiffraction);
    if (job.app.state().viewState != kViewDiffraction) failTrace(job.trace.status);
    eraseBackground(job.window, viewBackground(kViewDiffraction));
    DiffractionViewCache cache;
    drawDiffractionViewOf(job.window, {0, 0, job.window.size().width, job.window.size().height}, job.design,
                          cache, logIntensity);
}

const RenderView kViews[] = {
    {"fans", kViewFans, [](RenderJob& job) { renderAberrations(job, kCmdFans); }},
    {"fieldcurves", kViewFieldCurves, [](RenderJob& job) { renderAberrations(job, kCmdFieldCurves); }},
    {"fieldmap", kViewFieldMap, [](RenderJob& job) { renderAberrations(job, kCmdFieldMap); }},
    {"throughfocus", kViewThroughFocus, [](RenderJob& job) { renderAberrations(job, kCmdThroughFocus); }},
    {"diffraction", kViewDiffraction, renderDiffraction},
    {"welcome", kViewWelcome, renderWelcome},
    {"design", kViewDesign, renderDesign},
    {"report", kViewTraceReport, renderReport},
    {"clearance", kViewClearance, renderClearance},
    {"quality", kViewImageQuality, renderQuality},
    {"tolerances", kViewTolerances, renderTolerances},
};

bool parseSize(const std::string& text, int& w, int& h) {
    char x = 0, extra = 0;
    return std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) == 3 && (x == 'x' || x == 'X') &&
           w > 0 && h > 0 && w <= 16384 && h <= 16384;
}

}  // namespace

void addRenderCommand(CLI::App& app) {
    struct Options {
        std::string file, view = "design", output, size;
        bool log = false;
    };
    auto options = std::make_shared<Options>();
    std::string viewNames;
    for (const RenderView& v : kViews) viewNames += std::string(viewNames.empty() ? "" : "|") + v.name;
    for (const RenderView& v : kPlotViews) viewNames += std::string("|") + v.name;

    CLI::App* cmd = app.add_subcommand(kRenderCommand.name, kRenderCommand.description);
    cmd->add_option("file", options->file, "design file (.ov)")->required();
    cmd->add_option("--view", options->view, "the view: " + viewNames)->capture_default_str();
    cmd->add_option("-o,--output", options->output,
                    "PNG file to write (SVG when its name ends in .svg); written also when the design meets "
                    "a trace problem (exit 4)")
        ->required();
    cmd->add_option("--size", options->size,
                    "client area WIDTHxHEIGHT (default " + std::to_string(qt::kInitialClientWidth) + "x" +
                        std::to_string(qt::kInitialClientHeight) +
                        ", the client area of the initial 640x454 window)");
    cmd->add_flag("--log", options->log, "the diffraction view's PSF on a logarithmic intensity scale");
    addPlotRenderOptions(cmd);
    cmd->footer(toleranceViewHelp());
    cmd->callback([options]() {
        const RenderView* view = nullptr;
        for (const RenderView& v : kViews)
            if (options->view == v.name) view = &v;
        for (const RenderView& v : kPlotViews)
            if (options->view == v.name) view = &v;
        if (!view) throw Failure(kExitUsage, "unknown view '" + options->view + "'");
        int w = qt::kInitialClientWidth, h = qt::kInitialClientHeight;
        if (!options->size.empty() && !parseSize(options->size, w, h))
            throw Failure(kExitUsage, "--size wants WIDTHxHEIGHT, e.g. 640x454, not '" + options->size + "'");

        RenderHost host;
        Application app({.view = host, .platform = host});
        AppState& s = app.state();
        Design& design = s.design;
        design = loadForCommand(options->file);
        s.diffractionLog = options->log;
        qt::ensureQtApplication();
        // The window stands on a 1024 x 768 screen (the screen less the
        // 38-row allowance below, as the program measures it), or on one
        // just large enough for a larger window.
        qt::ScreenMetrics screen{std::max(1024, w + 8), std::max(768, h + 46)};
        // A file named .svg gets the view as vector drawing, any other a PNG.
        const std::string& out = options->output;
        const bool svg = out.size() >= 4 && (out.compare(out.size() - 4, 4, ".svg") == 0 ||
                                             out.compare(out.size() - 4, 4, ".SVG") == 0);
        QImage image(w, h, QImage::Format_RGB32);
        // Drawn into memory, then written whole: a full disk keeps any
        // earlier file as it was.
        QBuffer svgBytes;
        QSvgGenerator generator;
        if (svg) {
            generator.setOutputDevice(&svgBytes);
            generator.setSize(QSize(w, h));
            generator.setViewBox(QRect(0, 0, w, h));
            generator.setTitle(QString::fromStdString(design.designTitle));
        }
        {
            std::unique_ptr<qt::QtDevice> window =
                svg ? std::make_unique<qt::QtDevice>(generator, draw::Rect{0, 0, w, h}, screen)
                    : std::make_unique<qt::QtDevice>(image, draw::Rect{0, 0, w, h}, screen);
            eraseBackground(*window, viewBackground(view->viewState));
            RenderJob job{app, &host, design, s.trace, s.results, s.geometry, *window, screen};
            host.job = &job;
            view->render(job);
            host.job = nullptr;
        }
        QBuffer pngBytes;
        if (!svg && !image.save(&pngBytes, "PNG")) throw Failure(kExitOutputFailed, out + ": cannot write");
        const QByteArray& bytes = svg ? svgBytes.data() : pngBytes.data();
        writeOutputFile(out, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        // The image is kept: the design view shows the banner, a plot what
        // was drawn before the problem.
        if (s.trace.status != kTraceOk) failTrace(s.trace.status);
    });
}

}  // namespace orvelin::cli
