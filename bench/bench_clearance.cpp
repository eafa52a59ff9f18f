// Clearance of every space against every surface, for a design as long as
// the program allows: the window redraws it live and the optimiser calls it
// in every step, so it must stay well under a millisecond.
#include <benchmark/benchmark.h>

#include <QImage>

#include "clearance/clearance.h"
#include "clearance/clearance_view.h"
#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "support/test_designs.h"

namespace {

using namespace orvelin;

// A concave primary and nineteen weak mirrors folding the beam back and
// forth in a zigzag, with a field: twenty mirrors, 361 pairs.
Design zigzag20() {
    std::vector<testing::SurfaceSpec> specs{{8000, 1, 4, 150}};
    for (int i = 1; i < 20; ++i) specs.push_back({i % 2 ? 40000.0 : -40000.0, 0, i % 2 ? -8.0 : 8.0, 150});
    specs.push_back({0, 0, 0, 0});
    specs[19].separation = 1150;
    return testing::makeDesign(specs, 100, 0.25);
}

void BM_Clearance20Mirrors(benchmark::State& state) {
    const Design d = zigzag20();
    const ClearanceReport first = checkClearance(d, {});
    if (first.status != kTraceOk || first.pairs.size() != 400) {
        state.SkipWithError("the 20-mirror design does not trace");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(checkClearance(d, {}));
}
BENCHMARK(BM_Clearance20Mirrors)->Unit(benchmark::kMicrosecond);

/// A repaint of the window's clearance view of the tilted three-mirror
/// design from its kept report: only the drawing through the Qt device
/// into the initial client area.
void BM_ClearanceViewRepaint(benchmark::State& state) {
    qt::ensureQtApplication();
    const Design d = testing::threeMirrorTilted();
    const ClearanceReport report = checkClearance(d, {});
    QImage image(qt::kInitialClientWidth, qt::kInitialClientHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        qt::QtDevice dc(image);
        paintClearanceView(dc, d, {}, report);
    }
}
BENCHMARK(BM_ClearanceViewRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
