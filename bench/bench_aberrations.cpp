// Speed of the aberration plots on a tilted three-mirror design: ray and
// wavefront fans of the four fields, the field curves, spots through focus
// (goal: each under 10 ms) and the 5 x 5 field map (goal: under 20 ms).
#include <benchmark/benchmark.h>

#include "aberrations/field_curves.h"
#include "aberrations/field_map.h"
#include "aberrations/ray_fans.h"
#include "aberrations/through_focus.h"
#include "support/test_designs.h"

using namespace orvelin;

namespace {

void BM_FansThreeMirrorsFourFields(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    for (auto _ : st) benchmark::DoNotOptimize(computeFans(d));
}
BENCHMARK(BM_FansThreeMirrorsFourFields)->Unit(benchmark::kMillisecond);

void BM_FieldCurvesThreeMirrors(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    for (auto _ : st) benchmark::DoNotOptimize(computeFieldCurves(d));
}
BENCHMARK(BM_FieldCurvesThreeMirrors)->Unit(benchmark::kMillisecond);

void BM_FieldMapThreeMirrors5x5(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    for (auto _ : st) benchmark::DoNotOptimize(computeFieldMap(d));
}
BENCHMARK(BM_FieldMapThreeMirrors5x5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ThroughFocusThreeMirrors(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    for (auto _ : st) benchmark::DoNotOptimize(computeThroughFocus(d));
}
BENCHMARK(BM_ThroughFocusThreeMirrors)->Unit(benchmark::kMillisecond);

}  // namespace
