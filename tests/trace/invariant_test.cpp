// Over many designs -- the examples, random ones, hostile ones -- the
// analysis either reports a trace problem or gives 30 finite figures, and it
// leaves every entered and derived value of the design as it found it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "design/design_file.h"
#include "trace/analysis.h"
#include "trace_test_util.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::SurfaceSpec;

namespace {

template <typename T, size_t N>
bool sameBits(const T (&a)[N], const T (&b)[N], size_t from = 0) {
    return std::memcmp(a + from, b + from, sizeof(T) * (N - from)) == 0;
}
bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

/// Every field, bit for bit (NaN included), except the entrance distance,
/// which is the trace's working value.
::testing::AssertionResult unchanged(const Design& a, const Design& b) {
    if (a.surfaceCount != b.surfaceCount) return ::testing::AssertionFailure() << "surfaceCount";
    if (a.units != b.units || a.designTitle != b.designTitle) return ::testing::AssertionFailure() << "text";
    if (!sameBits(a.aperture, b.aperture) || !sameBits(a.semiAperture, b.semiAperture))
        return ::testing::AssertionFailure() << "aperture";
    if (!sameBits(a.fieldSemiAngle, b.fieldSemiAngle) || !sameBits(a.sinField, b.sinField) ||
        !sameBits(a.cosField, b.cosField))
        return ::testing::AssertionFailure() << "field";
    if (!sameBits(a.kind, b.kind)) return ::testing::AssertionFailure() << "kind";
    if (!sameBits(a.radius, b.radius) || !sameBits(a.sagRadius, b.sagRadius) || !sameBits(a.conic, b.conic) ||
        !sameBits(a.tilt, b.tilt) || !sameBits(a.separation, b.separation))
        return ::testing::AssertionFailure() << "entered values";
    if (!sameBits(a.mediumSign, b.mediumSign) || !sameBits(a.signedRadius, b.signedRadius) ||
        !sameBits(a.signedSagRadius, b.signedSagRadius) || !sameBits(a.curvature, b.curvature) ||
        !sameBits(a.sagCurvature, b.sagCurvature) || !sameBits(a.oneMinusConic, b.oneMinusConic) ||
        !sameBits(a.signedSeparation, b.signedSeparation, 1) || !sameBits(a.sinTilt, b.sinTilt) ||
        !sameBits(a.cosTilt, b.cosTilt))
        return ::testing::AssertionFailure() << "derived values";
    return ::testing::AssertionSuccess();
}

struct Tally {
    int ok = 0, failed = 0;
};

/// Analyse a copy and check both halves of the invariant.
void checkInvariant(const Design& design, const std::string& what, Tally& tally) {
    Design d = design;
    TraceState s;
    AnalysisResults r;
    const bool ok = analyseSystem(d, s, r);
    EXPECT_EQ(ok, s.status == kTraceOk) << what;
    if (ok) {
        ++tally.ok;
        for (const AnalysisFigure& f : analysisFigures(r))
            EXPECT_TRUE(std::isfinite(f.value)) << what << " " << f.name;
    } else {
        ++tally.failed;
        EXPECT_GE(s.status, 1) << what;
        EXPECT_LE(s.status, 3 + std::clamp(design.surfaceCount, 0, kMaxSurfaces)) << what;
    }
    EXPECT_TRUE(unchanged(d, design)) << what;
}

Design randomDesign(std::mt19937& rng) {
    std::uniform_int_distribution<int> mirrors(1, 5), kindPick(0, 6);
    std::uniform_real_distribution<double> unit(0, 1);
    auto pick = [&](double lo, double hi) { return lo + (hi - lo) * unit(rng); };
    std::vector<SurfaceSpec> surfaces;
    const int m = mirrors(rng);
    for (int i = 0; i < m; ++i) {
        SurfaceSpec s;
        const int k = kindPick(rng);
        s.kind = k == 0 ? kToroid : (k == 6 ? 2 : kConic);
        s.radius = unit(rng) < 0.15 ? 0 : (unit(rng) < 0.7 ? 1 : -1) * pick(100, 5000);
        s.conic = s.kind == kToroid ? s.radius * pick(0.8, 1.2) : (unit(rng) < 0.3 ? 0 : pick(-3, 4));
        s.tilt = unit(rng) < 0.3 ? 0 : pick(-25, 25);
        s.separation = pick(-2000, 2000);
        surfaces.push_back(s);
    }
    SurfaceSpec fp;
    fp.radius = unit(rng) < 0.6 ? 0 : pick(-3000, 3000);
    fp.tilt = unit(rng) < 0.7 ? 0 : pick(-10, 10);
    fp.kind = unit(rng) < 0.1 ? kToroid : kConic;
    fp.conic = fp.kind == kToroid ? fp.radius : 0;
    surfaces.push_back(fp);
    return makeDesign(surfaces, pick(1, 400), unit(rng) < 0.3 ? 0 : pick(0, 3),
                      unit(rng) < 0.5 ? "mm" : "inches");
}

}  // namespace

TEST(AnalysisInvariant, ExampleDesigns) {
    Tally tally;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ORVELIN_EXAMPLES, ec)) {
        if (entry.path().extension() != ".ov") continue;
        Design d;
        const LoadResult lr = loadDesign(d, entry.path().string());
        ASSERT_TRUE(lr.accepted()) << entry.path() << ": " << lr.message;
        checkInvariant(d, entry.path().filename().string(), tally);
        // The shipped examples are sound designs: they trace cleanly.
        TraceState s;
        AnalysisResults r;
        EXPECT_TRUE(analyseSystem(d, s, r)) << entry.path() << " status " << s.status;
    }
}

TEST(AnalysisInvariant, RandomDesigns) {
    std::mt19937 rng(20240611);
    Tally tally;
    for (int i = 0; i < 4000; ++i) checkInvariant(randomDesign(rng), "random #" + std::to_string(i), tally);
    // The sample must exercise both outcomes to mean anything.
    EXPECT_GT(tally.ok, 200);
    EXPECT_GT(tally.failed, 200);
}

TEST(AnalysisInvariant, HostileDesigns) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0, -0.0, 1e-300, -1e-300, 1e300, -1e300, inf, -inf, nan, 1, -1, 1e-8, 1e8};
    Tally tally;
    const Design base =
        makeDesign({{1000, 0, 5, 400}, {-1500, 60, -8, 500, kToroid}, {0, 0, 0, 0}}, 100, 0.5);
    {
        Tally t;
        checkInvariant(base, "base", t);
        ASSERT_EQ(t.ok, 1);
    }
    // One value at a time, through the entered values and the recomputation
    // (as a dialog would) and straight into the derived values (as a
    // numeric file can).
    for (double v : values) {
        for (int i = 1; i <= 3; ++i) {
            for (int field = 0; field < 5; ++field) {
                Design d = base;
                double* entered[] = {&d.radius[i], &d.sagRadius[i], &d.conic[i], &d.tilt[i],
                                     &d.separation[i]};
                *entered[field] = v;
                recomputeSurface(d, i);
                checkInvariant(d, "entered " + std::to_string(field) + " #" + std::to_string(i), tally);
            }
            for (int field = 0; field < 9; ++field) {
                Design d = base;
                double* derived[] = {&d.signedRadius[i],  &d.curvature[i],        &d.sagCurvature[i],
                                     &d.oneMinusConic[i], &d.signedSeparation[i], &d.sinTilt[i],
                                     &d.cosTilt[i],       &d.mediumSign[i],       &d.signedSagRadius[i]};
                *derived[field] = v;
                checkInvariant(d, "derived " + std::to_string(field) + " #" + std::to_string(i), tally);
            }
        }
        for (int field = 0; field < 5; ++field) {
            Design d = base;
            double* scalar[] = {&d.semiAperture, &d.sinField, &d.cosField, &d.aperture, &d.fieldSemiAngle};
            *scalar[field] = v;
            checkInvariant(d, "scalar " + std::to_string(field), tally);
        }
    }
    // Surface counts outside what a design can hold, and kinds no dialog makes.
    for (int n : {-5, 0, 1, 22, 1000}) {
        Design d = base;
        d.surfaceCount = n;
        checkInvariant(d, "count " + std::to_string(n), tally);
    }
    for (int kind : {-1, 2, 7}) {
        Design d = base;
        d.kind[1] = d.kind[2] = kind;
        checkInvariant(d, "kind " + std::to_string(kind), tally);
    }
    // The full 20 mirrors, alternating, slightly tilted.
    std::vector<SurfaceSpec> many;
    for (int i = 0; i < 20; ++i)
        many.push_back({i % 2 ? -900.0 : 1000.0, 0, i % 3 - 1.0, i % 2 ? 600.0 : -600.0});
    many.push_back({});
    checkInvariant(makeDesign(many, 20, 0.2), "20 mirrors", tally);
    EXPECT_GT(tally.failed, 0);
}
