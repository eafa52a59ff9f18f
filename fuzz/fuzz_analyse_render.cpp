// Load, analyse and draw any design that loads: the layout drawing and one
// spot plot into recording devices.  The analysis must end cleanly with
// finite figures or with a status that names a real reason, must give back
// every design value it borrowed, and the drawings must show no NaN or
// infinity.
#include <cctype>
#include <cmath>
#include <string>

#include "fuzz_common.h"
#include "platform/recording_device.h"
#include "plots/plot_dispatch.h"
#include "reports/design_view.h"
#include "reports/report_figures.h"
#include "reports/screen_report.h"
#include "trace/analysis.h"
#include "trace/layout.h"

using namespace orvelin;

namespace {

// No text the user is shown may hold a NaN or an infinity.
void requireNoNonFiniteText(const draw::RecordingDevice& dev) {
    for (const draw::DrawCall& c : dev.calls()) {
        if (c.text.empty()) continue;
        std::string lower = c.text;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        fuzz::require(lower.find("nan") == std::string::npos && lower.find("inf") == std::string::npos,
                      "no NaN or infinity is shown");
    }
}

void requireSaneStatus(TraceStatus status, int n) {
    const bool known = status == kTraceApertureZero || status == kTraceNoFocus ||
                       (status >= traceMissStatus(1) && status <= traceMissStatus(n));
    fuzz::require(known, "a failed trace names a real reason");
    fuzz::require(!traceProblemMessage(status).empty(), "a failed trace has a message");
}

// The design with the values a drawing may legitimately leave changed put
// back from `before`: the entrance distance, which every trace writes, and,
// after a layout drawing, the derived values of the last mirror and the
// focal plane, which it recomputes from their entered values when it
// restores them (a numeric-layout file stores its own tilt sines and
// cosines and 1 - K, which need not agree with the recomputed ones).
Design withoutScratch(Design d, const Design& before, bool layout) {
    d.surfaces[0].signedSeparation = before.surfaces[0].signedSeparation;
    const int n = d.surfaceCount;
    if (layout && n >= 1 && n <= kMaxSurfaces) {
        static constexpr double Surface::*kDerived[] = {
            &Surface::signedRadius,  &Surface::signedSagRadius,  &Surface::curvature, &Surface::sagCurvature,
            &Surface::oneMinusConic, &Surface::signedSeparation, &Surface::sinTilt,   &Surface::cosTilt};
        for (int i = n - 1; i <= n; ++i) {
            if (i < 1) continue;
            Design expected = before;
            recomputeSurface(expected, i);
            Surface& got = d.surfaces[i];
            const Surface& was = before.surfaces[i];
            const Surface& recomputed = expected.surfaces[i];
            for (double Surface::*f : kDerived) {
                fuzz::require(got.*f == was.*f || got.*f == recomputed.*f ||
                                  (std::isnan(got.*f) && std::isnan(recomputed.*f)),
                              "a restored value is the stored or the recomputed one");
                got.*f = was.*f;
            }
        }
    }
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Design design;
    if (!fuzz::checkedLoad(design, fuzz::asText(data, size), "fuzz.ov").accepted()) return 0;
    const int n = design.surfaceCount;

    TraceState trace;
    AnalysisResults results;
    const Design before = design;
    const bool analysed = analyseSystem(design, trace, results);
    fuzz::require(bitIdentical(withoutScratch(design, before, false), before),
                  "the analysis restores the design");
    if (analysed) {
        fuzz::require(trace.status == kTraceOk, "a clean analysis leaves status 0");
        for (const AnalysisFigure& f : analysisFigures(results))
            fuzz::require(std::isfinite(f.value), "every figure of a clean analysis is finite");
    } else {
        requireSaneStatus(trace.status, n);
    }

    // The design view: the table, then the layout drawing, which runs the
    // analysis again, or the trace-problem banner.
    PlotFrame frame;
    RandomSource random;
    draw::RecordingDevice window(640, 413, 1024, 768);
    draw::RecordingDevice buffer(1024, 730, 1024, 768);
    SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
    const Design beforeView = design;
    const DesignAnalysis analysis = analyseDesign(design);
    drawDesignView(window, design, analysis);
    const bool drawn = analysis.traced();
    const LayoutGeometry& geometry = analysis.geometry;
    trace.status = analysis.status;
    fuzz::require(bitIdentical(withoutScratch(design, beforeView, true), beforeView),
                  "the design view restores the design");
    // The drawing runs the analysis first, so it cannot succeed where the
    // analysis failed.  It traces more rays (the field edges with the
    // stored field sine and cosine), so it may fail where the analysis did
    // not, with a status of its own.
    fuzz::require(analysed || !drawn, "the layout drawing fails where the analysis fails");
    fuzz::require(std::isfinite(geometry.layoutFRatio) || !drawn, "the layout's focal ratio is finite");
    requireNoNonFiniteText(window);
    if (!drawn) {
        requireSaneStatus(trace.status, n);
        return 0;
    }

    // The trace report shows the 30 figures.
    draw::RecordingDevice report(640, 413, 1024, 768);
    PaintViewPage(report, kViewTraceReport, design, results);
    requireNoNonFiniteText(report);

    // A spot plot, as the commands allow only after a clean design view.
    // Which one follows from the input, so the corpus reaches all of them.
    static const int kPlots[] = {kCmdStandardPlot, kCmdUniformAiry, kCmdUniformBlur, kCmdAiry, kCmdFocusIn};
    const int command = kPlots[size % (sizeof kPlots / sizeof kPlots[0])];
    window.clearCalls();
    clearPlotBuffer(buffer);
    if (command == kCmdFocusIn) stepFocus(design, frame, command);  // the application's step
    dispatchPlot(plot, command);
    fuzz::require(
        bitIdentical(withoutScratch(design, beforeView, true), beforeView) || command == kCmdFocusIn,
        "a plot leaves the design alone");
    return 0;
}
