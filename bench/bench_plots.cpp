// Speed of the spot plots: the Monte-Carlo loop and the standard plot
// without drawing (a device that drops every call), and a full headless
// render of a plot to a PNG file.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdio>
#include <string>

#include "app/view_table.h"
#include "design/design.h"
#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "plots/monte_carlo_plot.h"
#include "plots/plot_dispatch.h"
#include "plots/standard_plot.h"
#include "reports/design_view.h"
#include "support/test_designs.h"
#include "trace/analysis.h"

using namespace orvelin;

namespace {

// A device that draws nothing: the plots' cost without the pixels.
class NullDevice : public draw::Device {
  public:
    draw::Size size() const override { return {640, 400}; }
    draw::Size screenSize() const override { return {1024, 768}; }
    draw::Size resolution() const override { return {96, 96}; }
    draw::FontMetrics fontMetrics(const draw::Font&) const override { return {}; }
    draw::Size textSize(std::string_view, const draw::Font&) const override { return {}; }
    void line(draw::Point, draw::Point, const draw::Pen&) override {}
    void pixel(draw::Point at, draw::Colour) override { sum += at.x + at.y; }
    void rect(const draw::Rect&, const draw::Pen&, const draw::Fill&) override {}
    void ellipse(const draw::Rect&, const draw::Pen&, const draw::Fill&) override {}
    void fill(const draw::Rect&, draw::Colour) override {}
    void text(draw::Point, std::string_view, const draw::Font&, draw::Colour, const draw::Fill&) override {}
    int textBox(const draw::Rect&, std::string_view, const draw::Font&, draw::Colour, draw::Align,
                const draw::Fill&) override {
        return 0;
    }
    void copy(draw::Point, draw::Size, const draw::Device&, draw::Point) override {}
    void picture(draw::Point, draw::Size, std::string_view, draw::Point) override {}
    long sum = 0;
};

Design threeMirrorTilted() {
    return testing::threeMirrorTilted(true);
}

// The same with an ellipsoidal tertiary: conic surfaces only.
Design threeConicsTilted() {
    return testing::threeMirrorTilted(false);
}

Design paraboloid() {
    return testing::paraboloid(0.5);
}

struct Records {
    Design design;
    TraceState trace;
    PlotFrame frame;
    RandomSource random;
    NullDevice window, buffer;
    SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
    explicit Records(Design d) : design(d) { setUpPlotFrame(frame, 640, 400, 1024, 768); }
};

// The trace and the pixel mapping of 8000 Monte-Carlo rays, no device, as
// the plots now compute them: the samples drawn in the plot's order, traced
// as one bundle, then mapped to pixels ray by ray.
void monteCarloTraceAndMapping(benchmark::State& st, const Design& design) {
    Records r(design);
    setEntranceTangential(r.design, r.trace);
    MonteCarloBundle bundle;
    long sum = 0;
    bool missed = false;
    for (auto _ : st) {
        traceMonteCarloBundle(r.design, r.trace.entrance, r.random, kMonteCarloRays, bundle);
        const RayBundle& rays = bundle.rays;
        for (std::size_t i = 0; i < rays.size(); ++i) {
            if (rays.status[i] != kTraceOk) {
                missed = true;
                continue;
            }
            int dx, dy;
            if (roundedSpotOffsets(0, 5000, rays.x[i], rays.y[i], dx, dy)) sum += dx + dy;
        }
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * kMonteCarloRays);
    if (missed) st.SkipWithError("a ray missed");
}
void BM_MonteCarloTraceAndMapping_ThreeMirrorTilted(benchmark::State& st) {
    monteCarloTraceAndMapping(st, threeMirrorTilted());
}
BENCHMARK(BM_MonteCarloTraceAndMapping_ThreeMirrorTilted)->Unit(benchmark::kMicrosecond);
void BM_MonteCarloTraceAndMapping_ThreeConicsTilted(benchmark::State& st) {
    monteCarloTraceAndMapping(st, threeConicsTilted());
}
BENCHMARK(BM_MonteCarloTraceAndMapping_ThreeConicsTilted)->Unit(benchmark::kMicrosecond);

// The same computation one ray at a time, as the plots ran it before the
// batched trace: the figure the batched one is measured against.
void BM_MonteCarloOneRayTraceAndMapping_ThreeConicsTilted(benchmark::State& st) {
    Records r(threeConicsTilted());
    setEntranceTangential(r.design, r.trace);
    long sum = 0;
    for (auto _ : st) {
        for (int i = 0; i < kMonteCarloRays; ++i) {
            PupilSample s = samplePupilPoint(r.design, r.random, r.trace.ray);
            r.trace.ray.x = kQuadrantSigns[i & 3][0] * s.u;
            r.trace.ray.y = kQuadrantSigns[i & 3][1] * s.v;
            if (!traceToImage(r.design, r.trace)) continue;
            int dx, dy;
            if (roundedSpotOffsets(0, 5000, r.trace.ray.x, r.trace.ray.y, dx, dy)) sum += dx + dy;
        }
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * kMonteCarloRays);
    if (r.trace.status != kTraceOk) st.SkipWithError("a ray missed");
}
BENCHMARK(BM_MonteCarloOneRayTraceAndMapping_ThreeConicsTilted)->Unit(benchmark::kMicrosecond);

// The whole blur plot (ring extents + 8000 rays) through the dot writer.
void BM_UniformBlurPlot_ThreeMirrorTilted(benchmark::State& st) {
    Records r(threeMirrorTilted());
    for (auto _ : st) {
        plotUniformBlur(r.plot);
        benchmark::DoNotOptimize(r.window.sum);
    }
    if (r.trace.status != kTraceOk) st.SkipWithError("a ray missed");
}
BENCHMARK(BM_UniformBlurPlot_ThreeMirrorTilted)->Unit(benchmark::kMicrosecond);

// The standard plot: axial spot and three field spots of an asymmetric
// system (464 pattern rays and 28 centring rays), or the axial and one
// field spot of a symmetric one.
void BM_StandardPlot_ThreeMirrorTilted(benchmark::State& st) {
    Records r(threeMirrorTilted());
    for (auto _ : st) {
        plotStandardSpots(r.plot, kCmdStandardPlot);
        benchmark::DoNotOptimize(r.window.sum);
    }
    if (r.trace.status != kTraceOk) st.SkipWithError("a ray missed");
}
BENCHMARK(BM_StandardPlot_ThreeMirrorTilted)->Unit(benchmark::kMicrosecond);

void BM_StandardPlot_Paraboloid(benchmark::State& st) {
    Records r(paraboloid());
    for (auto _ : st) {
        plotStandardSpots(r.plot, kCmdStandardPlot);
        benchmark::DoNotOptimize(r.window.sum);
    }
}
BENCHMARK(BM_StandardPlot_Paraboloid)->Unit(benchmark::kMicrosecond);

// A plot rendered as `orvelin-cli render --view standard|blur` does it: the
// analysis, the window image and the screen-sized buffer, the plot command,
// the paint copy and the PNG file.
void renderToPng(benchmark::State& st, int command) {
    qt::ensureQtApplication();
    const Design base = threeMirrorTilted();
    const std::string path = "/tmp/orvelin_bench_plot.png";
    for (auto _ : st) {
        Design design = base;
        TraceState trace;
        AnalysisResults results;
        LayoutGeometry geometry;
        PlotFrame frame;
        RandomSource random;
        analyseSystem(design, trace, results);
        QImage windowImage(qt::kInitialClientWidth, qt::kInitialClientHeight, QImage::Format_RGB32);
        QImage bufferImage(1024, 768 - kCaptionAllowance, QImage::Format_RGB32);
        {
            qt::QtDevice window(windowImage, {0, 0, qt::kInitialClientWidth, qt::kInitialClientHeight},
                                qt::ScreenMetrics{1024, 768});
            qt::QtDevice buffer(bufferImage);
            clearPlotBuffer(buffer);
            eraseBackground(window, viewBackground(600));
            SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
            dispatchPlot(plot, command);
            paintPlotView(window, buffer);
        }
        if (!windowImage.save(QString::fromStdString(path), "PNG")) st.SkipWithError("cannot write the PNG");
    }
    std::remove(path.c_str());
}
void BM_RenderStandardPlotToPng(benchmark::State& st) {
    renderToPng(st, kCmdStandardPlot);
}
BENCHMARK(BM_RenderStandardPlotToPng)->Unit(benchmark::kMillisecond);
void BM_RenderBlurPlotToPng(benchmark::State& st) {
    renderToPng(st, kCmdUniformBlur);
}
BENCHMARK(BM_RenderBlurPlotToPng)->Unit(benchmark::kMillisecond);

}  // namespace
