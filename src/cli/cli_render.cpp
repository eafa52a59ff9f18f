// `render FILE --view welcome|design|report|standard|airy|blur|overlay|...|diffraction -o out.png
// [--size WxH] [--focus-steps K] [--log]`; the plot views live in cli_render_plots.cpp.
#include "cli/cli_render.h"

#include <QBuffer>
#include <QSvgGenerator>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/view_painters.h"
#include "cli/cli.h"
#include "cli/cli_render_plots.h"
#include "cli/cli_tolerance_view.h"
#include "platform/qt/headless.h"
#include "reports/design_view.h"
#include "tolerance/tolerance.h"

namespace orvelin::cli {

int RenderHost::clientWidth() const {
    return job ? job->window.size().width : 0;
}

namespace {

// Every view but the spot plots, drawn by its painter in the view table as
// the window draws it: the design is shown first, which analyses it, and a
// view that needs a design that traces is refused, as in the window, when
// the analysis or the layout's own traces failed.  The design view shows
// the banner instead and the command says so afterwards; the clearance
// view's status is its own report's.
void renderView(RenderJob& job, const ViewEntry& view) {
    AppState& s = job.app.state();
    const bool logIntensity = s.diffractionLog;
    if (view.view != kViewWelcome) job.app.showDesign(job.design);
    if (view.needsTrace && s.trace.status != kTraceOk) failTrace(s.trace.status);
    ViewInputs in = s.viewInputs();
    in.diffractionLog = logIntensity;
    // The tolerance view draws the default analysis: nobody ran one.
    std::optional<ToleranceResult> tolerances;
    if (view.view == kViewTolerances) {
        tolerances = viewTolerances(job.design);
        in.tolerances = &*tolerances;
    }
    view.paint(job.window, in);
    if (view.view == kViewClearance) s.trace.status = s.evaluation.clearance(job.design).status;
}

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
    for (const ViewEntry& v : viewTable()) viewNames += std::string(viewNames.empty() ? "" : "|") + v.word;

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
        const ViewEntry* view = viewForWord(options->view);
        if (!view) throw Failure(kExitUsage, "unknown view '" + options->view + "'");
        int w = qt::kInitialClientWidth, h = qt::kInitialClientHeight;
        if (!options->size.empty() && !parseSize(options->size, w, h))
            throw Failure(kExitUsage, "--size wants WIDTHxHEIGHT, e.g. 640x454, not '" + options->size + "'");

        RenderHost host;
        Application app({.view = host, .platform = host});
        AppState& s = app.state();
        s.design = loadForCommand(options->file);
        const Design& design = s.design;
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
            eraseBackground(*window, view->background);
            RenderJob job{app, &host, design, s.trace, *window, screen};
            host.job = &job;
            if (isPlotView(view->view))
                renderPlotView(job, *view);
            else
                renderView(job, *view);
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
