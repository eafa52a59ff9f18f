// The optimiser against answers found another way: a root of the report's
// comaT by bisection, two targets met at once, a bound that holds, a search
// whose first step leaves the mirrors; and the parsing of its arguments.
#include "optimise/optimiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "clearance/clearance.h"
#include "quality/image_quality.h"
#include "reports/report_figures.h"
#include "support/test_designs.h"
#include "support/tolerances.h"
#include "trace/analysis.h"

using namespace orvelin;
using orvelin::testing::makeDesign;

namespace {

/// A Schiefspiegler: two spheres of radius 3300, tilted, 700 apart.
Design schiefspiegler(double secondaryTilt) {
    return makeDesign({{3300, 0, 3.8, 700}, {-3300, 0, secondaryTilt, 2239}, {0, 0, -5.41, 0}}, 110, 0.5);
}

double figureOf(Design d, const char* name) {
    TraceState s;
    AnalysisResults r;
    EXPECT_TRUE(analyseSystem(d, s, r));
    for (const AnalysisFigure& f : analysisFigures(r))
        if (std::string(f.name) == name) return f.value;
    ADD_FAILURE() << name;
    return NAN;
}

/// The secondary's tilt at which comaT changes sign, by bisection on the
/// report's figure alone.
double comaFreeTiltByBisection(double lo, double hi) {
    double flo = figureOf(schiefspiegler(lo), "comaT");
    EXPECT_LT(flo * figureOf(schiefspiegler(hi), "comaT"), 0)
        << "no sign change in [" << lo << ", " << hi << "]";
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        const double fm = figureOf(schiefspiegler(mid), "comaT");
        if ((fm < 0) == (flo < 0)) {
            lo = mid;
            flo = fm;
        } else {
            hi = mid;
        }
    }
    return 0.5 * (lo + hi);
}

OptimiseProblem problem(const Design& d, std::initializer_list<const char*> vars,
                        std::initializer_list<const char*> targets) {
    OptimiseProblem p;
    std::string error;
    for (const char* v : vars) {
        auto parsed = parseVariable(v, d, error);
        EXPECT_TRUE(parsed) << v << ": " << error;
        if (parsed) p.variables.push_back(*parsed);
    }
    for (const char* t : targets) {
        auto parsed = parseTarget(t, error);
        EXPECT_TRUE(parsed) << t << ": " << error;
        if (parsed) p.targets.push_back(*parsed);
    }
    return p;
}

}  // namespace

TEST(Optimiser, FindsTheTiltThatNullsComaAsBisectionDoes) {
    const double root = comaFreeTiltByBisection(-12, -3);
    const Design start = schiefspiegler(-6.6);
    ASSERT_GT(std::fabs(figureOf(start, "comaT")), 1e-4);  // the start has coma
    const OptimiseResult r = optimise(start, problem(start, {"tilt:2"}, {"comaT=0"}));
    EXPECT_TRUE(r.converged) << r.reason;
    ASSERT_EQ(r.endValues.size(), 1u);
    EXPECT_NEAR(r.endValues[0], root, 1e-7);
    EXPECT_EQ(r.design.surfaces[2].tilt, r.endValues[0]);
    EXPECT_LE(std::fabs(figureOf(r.design, "comaT")), 1e-6);
    EXPECT_EQ(r.startValues[0], -6.6);
    EXPECT_NEAR(r.startFigures[0], figureOf(start, "comaT"), 1e-15);
    EXPECT_LT(r.endMerit, 1e-12);
    EXPECT_GT(r.startMerit, r.endMerit);
    // The start design is left as it was.
    EXPECT_TRUE(bitIdentical(start, schiefspiegler(-6.6)));
}

TEST(Optimiser, MeetsTwoTargetsWithTwoVariables) {
    // The secondary's tilt and the mirrors' separation: no coma on the axis
    // and a chosen focal ratio, the focal ratio weighted 2.
    const Design start = schiefspiegler(-6.6);
    const OptimiseResult r = optimise(start, problem(start, {"tilt:2", "sep:1"}, {"comaT=0", "fRatio=30:2"}));
    EXPECT_TRUE(r.converged) << r.reason;
    EXPECT_LE(std::fabs(figureOf(r.design, "comaT")), 1e-6);
    EXPECT_NEAR(figureOf(r.design, "fRatio"), 30, 30e-6);
    EXPECT_NE(r.endValues[1], 700);
    // Weighted merit: 2 (fRatio - 30)^2 at the start.
    const double f0 = figureOf(start, "fRatio"), c0 = figureOf(start, "comaT");
    EXPECT_NEAR(r.startMerit, c0 * c0 + 2 * (f0 - 30) * (f0 - 30), 1e-9 * r.startMerit);
}

TEST(Optimiser, ABoundStopsTheVariable) {
    const double root = comaFreeTiltByBisection(-12, -3);
    ASSERT_LT(root, -6.7);
    // The root lies below -6.7; bounded to [-6.7, -5], the tilt ends on its
    // bound and the target is not met.
    const Design start = schiefspiegler(-6.0);
    OptimiseResult r = optimise(start, problem(start, {"tilt:2=-6.7..-5"}, {"comaT=0"}));
    EXPECT_FALSE(r.converged);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_DOUBLE_EQ(r.endValues[0], -6.7);
    // A start outside the bounds is first clamped to them.
    r = optimise(start, problem(start, {"tilt:2=-20..-6.5"}, {"comaT=0"}));
    EXPECT_EQ(r.startValues[0], -6.5);
    EXPECT_TRUE(r.converged) << r.reason;
    EXPECT_NEAR(r.endValues[0], root, 1e-7);
}

TEST(Optimiser, StepsBackWhenATrialDesignMissesAMirror) {
    // A paraboloid of focal length 1000 and a convex sphere of radius 30:
    // the beam meets the sphere only while the sphere stands more than about
    // 400 from the primary.  The focal ratio is flat near 550, so from 520
    // the first (Gauss-Newton) step towards f/-0.6 lands near 300, where
    // the light misses the sphere.  The search refuses those trials, steps
    // back and ends on the target, near 450.
    const Design start = makeDesign({{2000, 1, 0, 520}, {-30, 0, 0, 400}, {0, 0, 0, 0}}, 100);
    ASSERT_TRUE(std::isfinite(figureOf(start, "fRatio")));
    const OptimiseResult r = optimise(start, problem(start, {"sep:1"}, {"fRatio=-0.6"}));
    EXPECT_GT(r.refusedTrials, 0);
    EXPECT_TRUE(r.converged) << r.reason;
    EXPECT_NEAR(figureOf(r.design, "fRatio"), -0.6, 1e-6);
    EXPECT_GT(r.endValues[0], 400);
    EXPECT_LT(r.endValues[0], 500);

    // A start that does not trace at all ends at once, with the reason.
    Design broken = start;
    broken.surfaces[2].radius = 5;
    recomputeSurface(broken, 2);
    const OptimiseResult b = optimise(broken, problem(broken, {"sep:1"}, {"fRatio=4"}));
    EXPECT_FALSE(b.converged);
    EXPECT_NE(b.reason.find("does not trace"), std::string::npos) << b.reason;
}

TEST(Optimiser, ParsesVariablesAndTargetsAndNamesWhatIsWrong) {
    Design d = makeDesign({{1000, 0.5, 2, 400}, {900, 880, 0, 300, kToroid}, {0, 0, 0, 0}}, 100);
    std::string e;
    auto v = parseVariable("tilt:2=-5..-1.5", d, e);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->kind, VariableKind::tilt);
    EXPECT_EQ(v->surface, 2);
    EXPECT_TRUE(v->bounded);
    EXPECT_EQ(v->low, -5);
    EXPECT_EQ(v->high, -1.5);
    EXPECT_EQ(v->name(), "tilt:2");
    EXPECT_TRUE(parseVariable("radius:3", d, e));  // the focal plane's radius
    EXPECT_TRUE(parseVariable("conic:3", d, e));
    EXPECT_TRUE(parseVariable("tilt:3", d, e));
    EXPECT_TRUE(parseVariable("sep:2", d, e));  // to the focal plane
    EXPECT_TRUE(parseVariable("rsag:2", d, e));

    const std::pair<const char*, const char*> bad[] = {
        {"focus:1", "'focus'"},       {"tilt", "KIND:SURFACE"},      {"tilt:0", "out of range"},
        {"tilt:4", "out of range"},   {"sep:3", "out of range"},     {"rsag:3", "out of range"},
        {"rsag:1", "not a toroid"},   {"conic:2", "a toroid"},       {"tilt:1.5", "surface number"},
        {"tilt:x", "surface number"}, {"tilt:1=3..2", "LOW > HIGH"}, {"tilt:1=3", "LOW..HIGH"},
        {"tilt:1=", "no bounds"},     {"tilt:1=a..2", "LOW..HIGH"},
    };
    for (auto [text, why] : bad) {
        e.clear();
        EXPECT_FALSE(parseVariable(text, d, e)) << text;
        EXPECT_NE(e.find(why), std::string::npos) << text << ": " << e;
    }

    auto t = parseTarget("fieldPanelPlus.ast=-0.25:3", e);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->figure, "fieldPanelPlus.ast");
    EXPECT_EQ(t->value, -0.25);
    EXPECT_EQ(t->weight, 3);
    EXPECT_EQ(parseTarget("comaT=0", e)->weight, 1);
    const std::pair<const char*, const char*> badTargets[] = {
        {"coma=0", "'coma'"},     {"comaT", "FIGURE=VALUE"}, {"comaT=x", "value"},
        {"comaT=0:-1", "weight"}, {"comaT=0:", "weight"},    {"=0", "not a figure"},
    };
    for (auto [text, why] : badTargets) {
        e.clear();
        EXPECT_FALSE(parseTarget(text, e)) << text;
        EXPECT_NE(e.find(why), std::string::npos) << text << ": " << e;
    }
    // A conic's sagittal radius follows its radius; a toroid's does not.
    setVariable(d, *parseVariable("radius:1", d, e), 1200);
    EXPECT_EQ(d.surfaces[1].sagRadius, 1200);
    EXPECT_EQ(d.surfaces[1].signedRadius, -d.surfaces[1].mediumSign * 1200);
    setVariable(d, *parseVariable("radius:2", d, e), 950);
    EXPECT_EQ(d.surfaces[2].sagRadius, 880);
    EXPECT_TRUE(targetMet(1e-6, 0));
    EXPECT_FALSE(targetMet(1.1e-6, 0));
    EXPECT_TRUE(targetMet(1000.001, 1000));
    EXPECT_FALSE(targetMet(1000.0011, 1000));
}

TEST(Optimiser, MinimisesTheSpot) {
    if (!knownFigure("quality.center.rmsSpot")) GTEST_SKIP() << "no image-quality figures in this build";
    // Without a field every field is the axis, and a paraboloid's axial
    // rays all meet 500 from it: the smallest spot is a point, there.
    const Design start = orvelin::testing::singleMirror(1);
    Design off = start;
    off.surfaces[1].separation = 493;
    recomputeSurface(off, 1);
    OptimiseProblem p = problem(off, {"sep:1"}, {});
    p.minimise = MinimiseKind::spot;
    const OptimiseResult r = optimise(off, p);
    EXPECT_TRUE(r.converged) << r.reason;
    EXPECT_NEAR(r.endValues[0], 500, 1e-6);
    EXPECT_LT(r.endMerit, 1e-6);
    EXPECT_GT(r.startMerit, 1);

    // The Schiefspiegler's spot over its four fields with the secondary's
    // tilt and the focal plane's: the merit falls (a little: the tilts
    // trade the fields' spots against each other), and is the sum of the
    // squared RMS spots of the design found; a target of weight 0 on a
    // quality figure adds nothing.
    const Design s = schiefspiegler(-6.6);
    OptimiseProblem q = problem(s, {"tilt:2", "tilt:3"}, {"quality.plus.rmsSpot=0:0"});
    q.minimise = MinimiseKind::spot;
    const OptimiseResult t = optimise(s, q);
    EXPECT_LT(t.endMerit, t.startMerit - 10);
    FigureEvaluator e;
    ASSERT_TRUE(e.evaluate(t.design, {}, MinimiseKind::spot));
    double sum = 0;
    for (double v : e.minimised()) sum += v * v;
    EXPECT_NEAR(sum, t.endMerit, 1e-9 * sum);
}

TEST(Optimiser, HoldsAVariableWhoseBoundsAreEqual) {
    // The focal plane's tilt held at -5.41 by equal bounds: the search over
    // the secondary's tilt finds the same root as alone, and the held value
    // is written as given, bit for bit.
    const double root = comaFreeTiltByBisection(-12, -3);
    const Design start = schiefspiegler(-6.6);
    OptimiseResult r = optimise(start, problem(start, {"tilt:2", "tilt:3=-5.41..-5.41"}, {"comaT=0"}));
    EXPECT_TRUE(r.converged) << r.reason;
    EXPECT_NEAR(r.endValues[0], root, 1e-7);
    EXPECT_EQ(r.endValues[1], -5.41);
    EXPECT_EQ(r.design.surfaces[3].tilt, -5.41);
    EXPECT_GT(r.iterations, 0);

    // Held at another value than the start's: the design takes it, and the
    // secondary's tilt is searched for with it.
    r = optimise(start, problem(start, {"tilt:3=-4..-4", "tilt:2"}, {"comaT=0"}));
    EXPECT_TRUE(r.converged) << r.reason;
    EXPECT_EQ(r.startValues[0], -4);
    EXPECT_EQ(r.design.surfaces[3].tilt, -4);
    EXPECT_LE(std::fabs(figureOf(r.design, "comaT")), 1e-6);

    // Every variable held: nothing to search; the verdict is the targets'.
    r = optimise(start, problem(start, {"tilt:2=-6.6..-6.6"}, {"comaT=0"}));
    EXPECT_FALSE(r.converged);
    EXPECT_EQ(r.iterations, 0);
    EXPECT_EQ(r.endValues[0], -6.6);
    r = optimise(start, problem(start, {"tilt:2=-7..-7"}, {"comaT=0"}));
    EXPECT_EQ(r.design.surfaces[2].tilt, -7);
    EXPECT_EQ(r.endFigures[0], figureOf(schiefspiegler(-7), "comaT"));
}

TEST(Optimiser, TakesExactlyTheIterationsAskedFor) {
    if (!knownFigure("quality.center.rmsSpot")) GTEST_SKIP() << "no image-quality figures in this build";
    // Far from the smallest image, so every run is cut short by its count;
    // the progress is told of each step after the start (iteration 0).
    const Design s = schiefspiegler(-6.6);
    for (int n : {1, 2, 3}) {
        OptimiseProblem p = problem(s, {"tilt:1", "tilt:2"}, {});
        p.minimise = MinimiseKind::spot;
        p.maxIterations = n;
        std::vector<int> told;
        const OptimiseResult r = optimise(s, p, [&](int iteration, double) {
            told.push_back(iteration);
            return true;
        });
        EXPECT_EQ(r.iterations, n);
        EXPECT_EQ(r.reason, "no convergence after " + std::to_string(n) + " iterations");
        EXPECT_EQ(told.back(), n);
    }
}

TEST(Optimiser, TheSmallestImageIsAMinimumOfTheMerit) {
    if (!knownFigure("quality.center.rmsSpot")) GTEST_SKIP() << "no image-quality figures in this build";
    // The secondary's and the focal plane's tilts: the search ends
    // converged, its merit is the four fields' squared RMS spots (or
    // wavefront errors), and no small step of either tilt lowers it.
    const Design s = schiefspiegler(-6.6);
    for (MinimiseKind kind : {MinimiseKind::spot, MinimiseKind::wavefront}) {
        OptimiseProblem p = problem(s, {"tilt:2", "tilt:3"}, {});
        p.minimise = kind;
        const OptimiseResult r = optimise(s, p);
        ASSERT_TRUE(r.converged) << r.reason;
        EXPECT_LT(r.iterations, 30);
        const QualityReport q = computeQuality(r.design);
        double sum = 0;
        for (const FieldQuality& f : q.fields) {
            const double v = kind == MinimiseKind::spot ? f.rmsSpot : f.rmsWavefront;
            sum += v * v;
        }
        EXPECT_NEAR(r.endMerit, sum, 1e-9 * sum);
        EXPECT_NEAR(*meritOf(r.design, p), sum, 1e-9 * sum);
        for (int j = 0; j < 2; ++j) {
            for (double step : {-1e-3, 1e-3}) {
                Design d = r.design;
                setVariable(d, p.variables[j], r.endValues[j] + step);
                EXPECT_GT(*meritOf(d, p), r.endMerit * (1 - 1e-12)) << p.variables[j].name() << " " << step;
            }
        }
    }
}

TEST(Optimiser, KeepsTheDesignClear) {
    if (!knownFigure("quality.center.rmsSpot")) GTEST_SKIP() << "no image-quality figures in this build";
    // The Schiefspiegler's spot is smallest with its mirrors barely tilted,
    // where the secondary stands in the incoming beam.  Kept clear, the
    // search stops at the margin instead.
    const Design s = schiefspiegler(-6.6);
    OptimiseProblem p = problem(s, {"tilt:1", "tilt:2", "tilt:3"}, {});
    p.minimise = MinimiseKind::spot;
    const OptimiseResult free = optimise(s, p);
    EXPECT_TRUE(free.converged) << free.reason;
    EXPECT_LT(minClearance(free.design, {}), -10);
    EXPECT_TRUE(std::isnan(free.endClearance));

    for (double margin : {0.0, 5.0}) {
        p.keepClear = true;
        p.clearMargin = margin;
        const OptimiseResult r = optimise(s, p);
        EXPECT_TRUE(r.converged) << r.reason;
        const double c = minClearance(r.design, {0, -1, margin});
        EXPECT_EQ(c, r.endClearance);
        EXPECT_GE(c, margin - kClearanceTolerance);
        EXPECT_LT(c, margin + 0.1);  // the margin binds
        EXPECT_NEAR(r.startClearance, minClearance(s, {}), orvelin::testing::kFewRoundings);
        EXPECT_GT(r.endMerit, free.endMerit);
    }
    // From a secondary tilted less, two pairs (the secondary in the
    // incoming beam, the primary in the returning one) take turns at being
    // the closest; the search still widens both to the margin, where the
    // coma can no longer be nulled.
    OptimiseProblem turns = problem(schiefspiegler(-5), {"tilt:1", "tilt:2"}, {"comaT=0"});
    turns.keepClear = true;
    turns.clearMargin = 1;
    const OptimiseResult t = optimise(schiefspiegler(-5), turns);
    EXPECT_LT(t.startClearance, 0);
    EXPECT_GE(t.endClearance, 1 - kClearanceTolerance);
    EXPECT_FALSE(t.converged);

    // A margin the variables cannot reach: not converged, with the reason.
    OptimiseProblem q = problem(s, {"tilt:2=-6.7..-6.5"}, {});
    q.minimise = MinimiseKind::spot;
    q.keepClear = true;
    q.clearMargin = 50;
    const OptimiseResult r = optimise(s, q);
    EXPECT_FALSE(r.converged);
    EXPECT_NE(r.reason.find("clear"), std::string::npos) << r.reason;
}
