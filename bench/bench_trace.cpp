// Speed of the trace and the analysis: one ray through one surface of each
// kind, and the whole analysis of the examples and of a three-mirror tilted
// design.  The goal is to be limited by the arithmetic.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "design/design_file.h"
#include "support/test_designs.h"
#include "trace/analysis.h"
#include "trace/ray_trace.h"

using namespace orvelin;

namespace {

/// One ray through surface 1 of a one-mirror design, tilted by 3 degrees so
/// that the rotation into the surface is part of the cost.
void traceOne(benchmark::State& st, double radius, double second, int kind) {
    Design d = testing::makeDesign({{radius, second, 3, 500, kind}, {0, 0, 0, 0}}, 100, 0.5);
    TraceState s;
    setEntranceTangential(d, s);
    double x = 30;
    for (auto _ : st) {
        s.ray = RayState{x, 12, 0, 0.0087, 0, 0.99996};
        benchmark::DoNotOptimize(traceSurface(d, s, 1));
        benchmark::DoNotOptimize(s.ray);
    }
}

void BM_RayThroughConic(benchmark::State& st) {
    traceOne(st, 1000, 1, kConic);
}
void BM_RayThroughSphere(benchmark::State& st) {
    traceOne(st, 1000, 0, kConic);
}
void BM_RayThroughFlat(benchmark::State& st) {
    traceOne(st, 0, 0, kConic);
}
void BM_RayThroughToroid(benchmark::State& st) {
    traceOne(st, 1000, 980, kToroid);
}
BENCHMARK(BM_RayThroughConic);
BENCHMARK(BM_RayThroughSphere);
BENCHMARK(BM_RayThroughFlat);
BENCHMARK(BM_RayThroughToroid);

/// A ray through a whole tilted three-mirror system to the focal plane.
Design threeMirrorTilted() { return testing::threeMirrorTilted(); }

void BM_RayToImageThreeMirrors(benchmark::State& st) {
    Design d = threeMirrorTilted();
    TraceState s;
    setEntranceTangential(d, s);
    for (auto _ : st) {
        startFieldRayPlus(d, s.ray);
        s.ray.x = 30;
        s.ray.y = 12;
        benchmark::DoNotOptimize(traceToImage(d, s));
        benchmark::DoNotOptimize(s.ray);
    }
}
BENCHMARK(BM_RayToImageThreeMirrors);

void analyse(benchmark::State& st, Design d) {
    TraceState s;
    AnalysisResults r;
    if (!analyseSystem(d, s, r)) {
        st.SkipWithError(("trace problem: " + traceProblemMessage(s.status)).c_str());
        return;
    }
    for (auto _ : st) {
        benchmark::DoNotOptimize(analyseSystem(d, s, r));
        benchmark::DoNotOptimize(r);
    }
}

void BM_AnalyseThreeMirrorTilted(benchmark::State& st) {
    analyse(st, threeMirrorTilted());
}
BENCHMARK(BM_AnalyseThreeMirrorTilted);

/// analyseSystem on every shipped example, one benchmark each.
const bool kExamplesRegistered = [] {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ORVELIN_EXAMPLES, ec)) {
        if (entry.path().extension() != ".ov") continue;
        Design d;
        if (!loadDesign(d, entry.path().string()).accepted()) continue;
        benchmark::RegisterBenchmark(("BM_AnalyseExample/" + entry.path().stem().string()).c_str(),
                                     [d](benchmark::State& st) { analyse(st, d); });
    }
    return true;
}();

}  // namespace
