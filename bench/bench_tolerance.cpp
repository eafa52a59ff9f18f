// Speed of the tolerance analyses (goals: the sensitivity of a three-mirror
// tilted design under 100 ms; 1000 Monte-Carlo trials with focus
// compensation under 2 s on two cores), in wall-clock time: both use every
// core.
#include <benchmark/benchmark.h>

#include <string>

#include "design/design_file.h"
#include "support/test_designs.h"
#include "tolerance/tolerance.h"

using namespace orvelin;

namespace {

/// Every value of every mirror of the three-mirror tilted design (a
/// prolate primary, a hyperbolic secondary, a toroidal tertiary): radius,
/// conic or sagittal radius, tilt and separation, 12 tolerances.
ToleranceOptions everyValue(const Design& d) {
    ToleranceOptions o;
    std::string e;
    for (const char* t :
         {"radius:*=±0.1%", "sagradius:*=±0.1%", "conic:*=±0.02", "tilt:*=±0.02", "sep:*=±0.2"})
        parseTolerance(t, d, o.tolerances, e);
    return o;
}

void BM_ToleranceSensitivity_ThreeMirrorTilted(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    const ToleranceOptions o = everyValue(d);
    for (auto _ : st) benchmark::DoNotOptimize(computeTolerances(d, o));
    st.counters["tolerances"] = static_cast<double>(o.tolerances.size());
}
BENCHMARK(BM_ToleranceSensitivity_ThreeMirrorTilted)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ToleranceMonteCarlo1000_ThreeMirrorTilted(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    ToleranceOptions o = everyValue(d);
    o.trials = 1000;
    for (auto _ : st) benchmark::DoNotOptimize(computeTolerances(d, o));
}
BENCHMARK(BM_ToleranceMonteCarlo1000_ThreeMirrorTilted)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ToleranceMonteCarlo1000_Schiefspiegler(benchmark::State& st) {
    Design d;
    loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov");
    ToleranceOptions o = everyValue(d);
    o.trials = 1000;
    for (auto _ : st) benchmark::DoNotOptimize(computeTolerances(d, o));
}
BENCHMARK(BM_ToleranceMonteCarlo1000_Schiefspiegler)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
