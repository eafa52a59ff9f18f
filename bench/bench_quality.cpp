// Speed of the image-quality figures: all four fields of a tilted
// three-mirror design with the default pupil rays (goal: under 20 ms), and
// the drawing of the window's view of them.
#include <benchmark/benchmark.h>

#include <QImage>

#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "quality/image_quality.h"
#include "quality/quality_view.h"
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

/// One field of the classical Cassegrain (paraboloid R 2000, hyperboloid
/// 750 in front of it) with a million pupil rays: the computation the
/// command `quality --field plus --rays 1000000` runs (the whole process,
/// start to end, is timed by bench/million_rays.sh; goal 40 ms).
void BM_QualityMillionRays_CassegrainPlusField(benchmark::State& st) {
    const Design d = testing::makeDesign({{2000, 1, 0, 750}, {-625, 2.25, 0, 1250}, {}}, 200, 0.4);
    const QualityOptions options{kMaxQualityRays};
    for (auto _ : st) benchmark::DoNotOptimize(computeFieldQuality(d, QualityField::plus, options));
}
BENCHMARK(BM_QualityMillionRays_CassegrainPlusField)->Unit(benchmark::kMillisecond)->UseRealTime();

/// A repaint of the window's quality view from the kept figures and spots
/// (the evaluation keeps them until the design changes): only the drawing
/// through the Qt device into a 640 x 454 client area.
void BM_QualityViewRepaint(benchmark::State& st) {
    qt::ensureQtApplication();
    const QualityViewData data = computeQualityView(testing::threeMirrorTilted());
    QImage image(640, 454, QImage::Format_RGB32);
    for (auto _ : st) {
        image.fill(Qt::white);
        qt::QtDevice dc(image);
        drawQualityView(dc, draw::Rect{0, 0, 640, 454}, data);
    }
}
BENCHMARK(BM_QualityViewRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
