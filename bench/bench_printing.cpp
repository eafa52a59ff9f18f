// Speed of the printed spot plots on a real PDF page, and how long the user
// waits for Cancel: the longest time between two looks for input, which is
// one step (a ring of the largest pattern, traced four ways for the
// sagittal spot of a tilted system; or four Monte-Carlo rays).
#include <benchmark/benchmark.h>

#include <QDir>
#include <algorithm>
#include <chrono>

#include "app/evaluation.h"
#include "app/view_painters.h"
#include "design/design.h"
#include "platform/qt/headless.h"
#include "platform/qt/printing.h"
#include "reports/print_page.h"

using namespace orvelin;

namespace {

using Clock = std::chrono::steady_clock;

// Measures the time between pumps: the delay a Cancel can meet.
struct StepTimer : PrintProgress {
    Clock::time_point last = Clock::now();
    double longestMs = 0;
    long steps = 0;
    void pump() override {
        const Clock::time_point now = Clock::now();
        longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        ++steps;
    }
};

// A sphere tilted by 5 degrees with a field: three field spots traced, the
// sagittal one in all four quadrants.
Design tiltedSphere() {
    Design d;
    d.surfaceCount = 2;
    initMediumSigns(d);
    resetDesign(d);
    d.surfaces[1].radius = d.surfaces[1].sagRadius = 1000;
    d.surfaces[1].tilt = 5;
    d.surfaces[1].separation = 500;
    for (int i = 1; i <= 2; ++i) recomputeSurface(d, i);
    d.aperture = 100;
    recomputeAperture(d);
    d.fieldSemiAngle = 0.5;
    recomputeField(d);
    d.designTitle = "bench";
    return d;
}

void printView(benchmark::State& state, int view) {
    qt::ensureQtApplication();
    double longest = 0;
    long steps = 0;
    for (auto _ : state) {
        const Design design = tiltedSphere();
        const Evaluation evaluation;
        TraceState trace;
        PlotFrame frame;
        RandomSource random;
        frame.scale = 20;
        frame.fieldOffset = 144;
        PrintRecords records{design, trace, evaluation.analysis(design), frame, random};
        qt::PrintTarget target;
        target.pdfFile = QDir::tempPath() + QStringLiteral("/orvelin-bench-print.pdf");
        target.resolution = 600;  // the largest pattern, 108 rings
        qt::QtPrintDocument doc(target);
        StepTimer timer;
        printViewPage(doc, view, ViewInputs{design, evaluation}, records, timer, tm{});
        longest = std::max(longest, timer.longestMs);
        steps = timer.steps;
    }
    state.counters["longest_step_ms"] = longest;
    state.counters["steps"] = static_cast<double>(steps);
    QFile::remove(QDir::tempPath() + QStringLiteral("/orvelin-bench-print.pdf"));
}

void BM_PrintedStandardPlotPage(benchmark::State& state) {
    printView(state, 600);
}
BENCHMARK(BM_PrintedStandardPlotPage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintedUniformBlurPage(benchmark::State& state) {
    printView(state, 603);
}
BENCHMARK(BM_PrintedUniformBlurPage)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
