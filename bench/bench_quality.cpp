// Speed of the image-quality figures: all four fields of a tilted
// three-mirror design with the default pupil rays (goal: under 20 ms).
#include <benchmark/benchmark.h>

#include "quality/image_quality.h"
#include "support/test_designs.h"

using namespace orvelin;

namespace {

void BM_QualityThreeMirrorsFourFields(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    for (auto _ : st) benchmark::DoNotOptimize(computeQuality(d));
}
BENCHMARK(BM_QualityThreeMirrorsFourFields)->Unit(benchmark::kMillisecond);

/// The same with a curved focal plane, whose best focus is searched.
void BM_QualityThreeMirrorsCurvedFocalPlane(benchmark::State& st) {
    Design d = testing::threeMirrorTilted();
    d.surfaces[4].radius = -800;
    d.surfaces[4].sagRadius = -800;
    recomputeSurface(d, 4);
    for (auto _ : st) benchmark::DoNotOptimize(computeQuality(d));
}
BENCHMARK(BM_QualityThreeMirrorsCurvedFocalPlane)->Unit(benchmark::kMillisecond);

}  // namespace
