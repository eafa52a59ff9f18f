// Speed of the diffraction image: all four fields of a tilted three-mirror
// design at the default grid (goal: under 20 ms), and the transform alone
// at the largest sizes.
#include <benchmark/benchmark.h>

#include "diffraction/diffraction.h"
#include "diffraction/fft.h"
#include "support/test_designs.h"

using namespace orvelin;

namespace {

void BM_DiffractionThreeMirrorsFourFields(benchmark::State& st) {
    const Design d = testing::threeMirrorTilted();
    const DiffractionOptions options{static_cast<int>(st.range(0))};
    for (auto _ : st) benchmark::DoNotOptimize(computeDiffraction(d, options));
}
BENCHMARK(BM_DiffractionThreeMirrorsFourFields)
    ->Arg(kDefaultDiffractionGrid)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond);

/// The same design corrected to the diffraction limit on the axis (the
/// ellipsoidal tertiary): a compact image.
void BM_DiffractionSchiefspieglerFourFields(benchmark::State& st) {
    const Design d =
        testing::makeDesign({{3300, 0, 3.8, 700}, {-3300, 0, -6.6, 2239}, {0, 0, -5.41, 0}}, 110, 0.5);
    for (auto _ : st) benchmark::DoNotOptimize(computeDiffraction(d));
}
BENCHMARK(BM_DiffractionSchiefspieglerFourFields)->Unit(benchmark::kMillisecond);

/// One forward transform of the padded pupil at the default grid.
void BM_DiffractionTransform(benchmark::State& st) {
    const int m = diffractionFftSize(static_cast<int>(st.range(0)));
    FftArray<Complex> a(static_cast<size_t>(m) * m);
    for (int k = 0; k < m * m; ++k) a[k] = Complex(k % 7, 0);
    for (auto _ : st) fftForward2d(m, m / 2, a);
}
BENCHMARK(BM_DiffractionTransform)->Arg(kDefaultDiffractionGrid)->Arg(512)->Unit(benchmark::kMicrosecond);

}  // namespace
