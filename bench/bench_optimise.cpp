// Speed of the optimiser on the Schiefspiegler example: one variable and one
// target, two and two, and (where the image-quality figures are built in)
// the smallest spot over the four fields with four variables.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "design/design_file.h"
#include "optimise/optimiser.h"

using namespace orvelin;

namespace {

Design schiefspiegler() {
    Design d;
    loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov");
    return d;
}

void run(benchmark::State& st, std::initializer_list<const char*> vars,
         std::initializer_list<const char*> targets, MinimiseKind minimise = MinimiseKind::none,
         double keepClear = -1) {
    const Design d = schiefspiegler();
    OptimiseProblem p;
    p.minimise = minimise;
    p.keepClear = keepClear >= 0;
    p.clearMargin = std::max(0.0, keepClear);
    std::string e;
    for (const char* v : vars) p.variables.push_back(*parseVariable(v, d, e));
    for (const char* t : targets) {
        auto parsed = parseTarget(t, e);
        if (!parsed) {
            st.SkipWithError(e.c_str());
            return;
        }
        p.targets.push_back(*parsed);
    }
    bool converged = true;
    int iterations = 0;
    for (auto _ : st) {
        const OptimiseResult r = optimise(d, p);
        converged = converged && r.converged;
        iterations = r.iterations;
        benchmark::DoNotOptimize(r.endMerit);
    }
    st.counters["iterations"] = iterations;
    if (!converged) st.SkipWithError("did not converge");
}

void BM_OptimiseOneVariableOneTarget(benchmark::State& st) {
    run(st, {"tilt:2"}, {"comaT=0"});
}
BENCHMARK(BM_OptimiseOneVariableOneTarget)->Unit(benchmark::kMillisecond);

void BM_OptimiseTwoVariablesTwoTargets(benchmark::State& st) {
    run(st, {"tilt:2", "sep:1"}, {"comaT=0", "fRatio=30"});
}
BENCHMARK(BM_OptimiseTwoVariablesTwoTargets)->Unit(benchmark::kMillisecond);

void BM_OptimiseSpotFourVariables(benchmark::State& st) {
    run(st, {"tilt:1", "tilt:2", "tilt:3", "sep:2"}, {}, MinimiseKind::spot);
}
BENCHMARK(BM_OptimiseSpotFourVariables)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OptimiseWavefrontFourVariables(benchmark::State& st) {
    run(st, {"tilt:1", "tilt:2", "tilt:3", "sep:2"}, {}, MinimiseKind::wavefront);
}
BENCHMARK(BM_OptimiseWavefrontFourVariables)->Unit(benchmark::kMillisecond)->Iterations(3);

// The example's secondary stands in the incoming beam; the smallest spot
// with every clearance at least 1 mm, over the three tilts.
void BM_OptimiseSpotKeptClear(benchmark::State& st) {
    run(st, {"tilt:1", "tilt:2", "tilt:3"}, {}, MinimiseKind::spot, 1);
}
BENCHMARK(BM_OptimiseSpotKeptClear)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
