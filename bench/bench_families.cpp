// Speed of New from a family: each family's typical request from the four
// numbers to the judged design (goal: under 2 s each on a 2-core machine),
// and the refusal of a 200 mm f/4 Kutter with its search for the f-ratio the
// family needs.
#include <benchmark/benchmark.h>

#include "families/family.h"

using namespace orvelin;

namespace {

void run(benchmark::State& st, FamilyRequest req, bool expectOk) {
    for (auto _ : st) {
        const FamilyResult r = designFamily(req);
        benchmark::DoNotOptimize(r.fRatio);
        if (r.ok != expectOk) st.SkipWithError(r.reason.c_str());
    }
}

}  // namespace

BENCHMARK_CAPTURE(run, Herschelian100f20, FamilyRequest{Family::herschelian, 100, 20, 0.25, 5, "mm"}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, Kutter110f28, FamilyRequest{Family::kutter, 110, 28, 0.25, 5, "mm"}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, Yolo150f20, FamilyRequest{Family::yolo, 150, 20, 0.25, 5, "mm"}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, TriSchiefspiegler200f20,
                  FamilyRequest{Family::trischiefspiegler, 200, 20, 0.25, 5, "mm"}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, KutterRefused200f4, FamilyRequest{Family::kutter, 200, 4, 0.25, 5, "mm"}, false)
    ->Unit(benchmark::kMillisecond);
