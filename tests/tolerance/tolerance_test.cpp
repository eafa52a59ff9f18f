// Tolerances: the reading of KIND:K=±V, a sensitivity row against the design
// perturbed and refocused by hand, the Monte-Carlo run against the
// sensitivity and against itself (more trials, other thread counts), and
// failed trials.
#include "tolerance/tolerance.h"

#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "quality/image_quality.h"
#include "support/test_designs.h"
#include "support/tolerances.h"
#include "tolerance/tolerance_json.h"

using namespace orvelin;
using orvelin::testing::kFewRoundings;
using orvelin::testing::makeDesign;

namespace {

/// examples/schiefspiegler.ov: two spheres of radius 3300, tilted.
Design schiefspiegler() {
    return makeDesign({{3300, 0, 3.8, 700}, {-3300, 0, -6.6, 2239}, {0, 0, -5.41, 0}}, 110, 0.5);
}

ToleranceOptions optionsFor(const Design& d, std::initializer_list<const char*> texts) {
    ToleranceOptions o;
    std::string error;
    for (const char* t : texts) EXPECT_TRUE(parseTolerance(t, d, o.tolerances, error)) << t << ": " << error;
    return o;
}

double worstStrehl(const Design& d) {
    const QualityReport q = computeQuality(d);
    double w = 1;
    for (const FieldQuality& f : q.fields) w = std::min(w, f.strehl);
    return w;
}

}  // namespace

TEST(ToleranceText, ReadsEveryKindAndRefusesBadOnes) {
    Design d = schiefspiegler();
    d.surfaces[2].kind = kToroid;
    d.surfaces[2].sagRadius = -3250;
    recomputeSurface(d, 2);
    std::vector<Tolerance> t;
    std::string error;
    ASSERT_TRUE(parseTolerance("radius:2=±0.5%", d, t, error)) << error;
    EXPECT_TRUE(t[0].percent);
    EXPECT_DOUBLE_EQ(toleranceSpan(d, t[0]), 16.5);
    EXPECT_EQ(t[0].text(), "radius:2=±0.5%");
    ASSERT_TRUE(parseTolerance("sagradius:2=+-1%", d, t, error)) << error;
    EXPECT_DOUBLE_EQ(toleranceSpan(d, t[1]), 32.5);
    // * is every mirror that has the value: the toroid has no conic.
    ASSERT_TRUE(parseTolerance("tilt:*=±0.05", d, t, error));
    ASSERT_TRUE(parseTolerance("conic:*=0.01", d, t, error));
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[2].name(), "tilt:1");
    EXPECT_EQ(t[3].name(), "tilt:2");
    EXPECT_EQ(t[4].name(), "conic:1");
    // A later tolerance of the same value replaces the earlier one.
    ASSERT_TRUE(parseTolerance("tilt:2=±0.2", d, t, error));
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[3].amount, 0.2);

    const std::pair<const char*, const char*> bad[] = {
        {"focus:1=±1", "'focus'"},          {"tilt:3=±1", "out of range"},
        {"tilt:0=±1", "out of range"},      {"tilt:1.5=±1", "not a mirror number"},
        {"tilt:1=±-0.1", "negative"},       {"tilt:1=-0.1", "negative"},
        {"tilt:1=±nan", "not a tolerance"}, {"sep:1=±inf", "not a tolerance"},
        {"tilt:1=±0.1%", "percent"},        {"sagradius:1=±1", "not a toroid"},
        {"conic:2=±1", "is a toroid"},      {"tilt:1", "KIND:MIRROR"},
        {"tilt:1=±", "not a tolerance"}};
    for (const auto& [text, why] : bad) {
        std::vector<Tolerance> none;
        error.clear();
        EXPECT_FALSE(parseTolerance(text, d, none, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << text << ": " << error;
        EXPECT_TRUE(none.empty());
    }
    Design flat = makeDesign({{0, 0, 45, 100}, {2000, 1, 0, 1000}, {0, 0, 0, 0}}, 100);
    std::vector<Tolerance> none;
    EXPECT_FALSE(parseTolerance("radius:1=±1", flat, none, error));
    EXPECT_NE(error.find("flat"), std::string::npos);

    // The stated defaults: radius, conic, tilt and separation of both
    // spheres of the Schiefspiegler (no toroid, so no sagittal radius).
    std::vector<Tolerance> defaults;
    const Design s = schiefspiegler();
    for (const std::string& text : defaultToleranceTexts(s))
        ASSERT_TRUE(parseTolerance(text, s, defaults, error));
    EXPECT_EQ(defaults.size(), 8u);

    EXPECT_FALSE(parseCriterion("worst.geoSpot", error));
    EXPECT_FALSE(parseCriterion("quality.edge.strehl", error));
    EXPECT_FALSE(parseCriterion("comaT", error));
    const auto c = parseCriterion("quality.plus.rmsSpot", error);
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->worst);
    EXPECT_EQ(c->field, QualityField::plus);
    EXPECT_FALSE(c->higherIsBetter());
    EXPECT_FALSE(parseCompensation("tilt"));
    EXPECT_EQ(parseCompensation("focus,tilt"), Compensation::focusTilt);

    ToleranceOptions o = optionsFor(s, {"tilt:1=±0.1"});
    EXPECT_EQ(checkToleranceOptions(o), "");
    o.trials = kMaxToleranceTrials + 1;
    EXPECT_NE(checkToleranceOptions(o), "");
    o.trials = -1;
    EXPECT_NE(checkToleranceOptions(o), "");
    o.trials = 10;
    o.threshold = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(checkToleranceOptions(o), "");
    o.threshold.reset();
    o.tolerances.clear();
    EXPECT_NE(checkToleranceOptions(o), "");
}

// Each row's ends are the design with that one value moved, the focal plane
// moved to the compensator's value, judged by computeQuality; and there the
// focus is the best one: a little either side the worst field is worse.
TEST(ToleranceSensitivity, RowIsTheDesignPerturbedAndRefocusedByHand) {
    const Design d = schiefspiegler();
    const Design before = d;
    ToleranceOptions o = optionsFor(d, {"tilt:2=±0.05", "radius:1=±0.2%", "sep:1=±1", "conic:2=±0.05"});
    const ToleranceResult r = computeTolerances(d, o);
    ASSERT_EQ(r.status, ToleranceStatus::ok);
    EXPECT_TRUE(bitIdentical(d, before));
    ASSERT_EQ(r.compensatorNames, std::vector<std::string>{"sep:2"});
    EXPECT_EQ(r.designCompensators[0], 2239);
    ASSERT_EQ(r.sensitivity.size(), 4u);
    for (std::size_t i = 1; i < r.sensitivity.size(); ++i)
        EXPECT_GE(r.sensitivity[i - 1].damage, r.sensitivity[i].damage);

    for (const SensitivityRow& row : r.sensitivity) {
        for (int side : {-1, 1}) {
            const CompensatedValue& end = side < 0 ? row.minus : row.plus;
            ASSERT_TRUE(end.traced) << row.tolerance.name();
            Design hand = d;
            Surface& s = hand.surfaces[row.tolerance.mirror];
            const double delta = side * row.span;
            switch (row.tolerance.kind) {
                case ToleranceKind::radius:
                    s.radius += delta;
                    s.sagRadius = s.radius;
                    break;
                case ToleranceKind::conic:
                    s.conic += delta;
                    break;
                case ToleranceKind::tilt:
                    s.tilt += delta;
                    break;
                case ToleranceKind::sep:
                    s.separation += delta;
                    break;
                default:
                    FAIL();
            }
            recomputeSurface(hand, row.tolerance.mirror);
            hand.surfaces[2].separation = end.compensators[0];
            recomputeSurface(hand, 2);
            EXPECT_NEAR(worstStrehl(hand), end.value, kFewRoundings) << row.tolerance.name() << side;
            for (double step : {-0.02, 0.02}) {
                Design moved = hand;
                moved.surfaces[2].separation += step;
                recomputeSurface(moved, 2);
                EXPECT_LE(worstStrehl(moved), end.value + 1e-12) << row.tolerance.name() << side << step;
            }
        }
    }
    // A tolerance on the focal distance itself is all refocused away.
    const auto sep2 = computeTolerances(d, optionsFor(d, {"sep:2=±1"}));
    EXPECT_NEAR(sep2.sensitivity[0].plus.value, sep2.nominal.value, 1e-9);
    EXPECT_NEAR(sep2.sensitivity[0].plus.compensators[0], sep2.nominal.compensators[0], 1e-4);
}

// With focus and tilt refocused, no small move of either improves the
// single field judged.
TEST(ToleranceSensitivity, FocusAndTiltCompensatorsFindTheBestImage) {
    const Design d = schiefspiegler();
    ToleranceOptions o = optionsFor(d, {"tilt:1=±0.1"});
    o.compensation = Compensation::focusTilt;
    std::string error;
    o.criterion = *parseCriterion("quality.plus.rmsSpot", error);
    const ToleranceResult r = computeTolerances(d, o);
    ASSERT_EQ(r.compensatorNames, (std::vector<std::string>{"sep:2", "tilt:3"}));
    const CompensatedValue& end = r.sensitivity[0].plus;
    auto spot = [&](double dz, double dt) {
        Design h = d;
        h.surfaces[1].tilt += 0.1;
        recomputeSurface(h, 1);
        h.surfaces[2].separation = end.compensators[0] + dz;
        h.surfaces[3].tilt = end.compensators[1] + dt;
        recomputeSurface(h, 2);
        recomputeSurface(h, 3);
        return computeFieldQuality(h, QualityField::plus).rmsSpot;
    };
    EXPECT_NEAR(spot(0, 0), end.value, kFewRoundings);
    for (double dz : {-0.01, 0.0, 0.01})
        for (double dt : {-0.01, 0.0, 0.01})
            if (dz != 0 || dt != 0) {
                EXPECT_GE(spot(dz, dt), end.value - 1e-9) << dz << " " << dt;
            }
}

// One tolerance whose response is monotonic: every trial lies between the
// ends of its row.  Four times the trials (another seed) give the same mean
// and spread within their standard errors.
TEST(ToleranceMonteCarlo, StaysWithinTheSensitivityAndConverges) {
    const Design d = schiefspiegler();
    ToleranceOptions o = optionsFor(d, {"radius:1=±0.1%"});
    o.trials = 100;
    const ToleranceResult r = computeTolerances(d, o);
    ASSERT_TRUE(r.montecarlo);
    const SensitivityRow& row = r.sensitivity[0];
    const double lo = std::min(row.minus.value, row.plus.value),
                 hi = std::max(row.minus.value, row.plus.value);
    ASSERT_LT(lo, r.nominal.value);
    ASSERT_GT(hi, r.nominal.value);
    for (const auto& v : r.montecarlo->values) {
        ASSERT_TRUE(v);
        EXPECT_GE(*v, lo - 1e-12);
        EXPECT_LE(*v, hi + 1e-12);
    }
    ToleranceOptions o4 = o;
    o4.trials = 400;
    o4.seed = 2;
    const ToleranceResult r4 = computeTolerances(d, o4);
    const MonteCarloResult &a = *r.montecarlo, &b = *r4.montecarlo;
    const double se = std::sqrt(a.std * a.std / a.trials + b.std * b.std / b.trials);
    EXPECT_LT(std::fabs(a.mean - b.mean), 3 * se);
    EXPECT_NEAR(a.std, b.std, 3 * b.std / std::sqrt(2.0 * a.trials));
    // Uniform within ±V: the spread of the criterion is about that of the
    // linear response, |slope| V / sqrt(3).
    const double slope = (row.plus.value - row.minus.value) / 2;
    EXPECT_NEAR(b.std, std::fabs(slope) / std::sqrt(3.0), 0.15 * std::fabs(slope));
    // The percentage points meet their shares: Strehl ratios at least them.
    int atLeast90 = 0;
    for (const auto& v : b.values) atLeast90 += *v >= b.p90;
    EXPECT_GE(atLeast90, 360);
    EXPECT_LT(atLeast90, 364);
    EXPECT_GE(b.p50, b.p90);
    EXPECT_GE(b.p90, b.p98);
}

// A trial's values are a function of the seed and its number alone: the
// same run on one core or two writes the same JSON, and a longer run starts
// with the shorter one's trials.
TEST(ToleranceMonteCarlo, SameSeedSameBytesOnAnyNumberOfCores) {
    const Design d = schiefspiegler();
    ToleranceOptions o = optionsFor(d, {"tilt:*=±0.03", "sep:1=±0.5"});
    o.trials = 24;
    o.seed = 7;
    o.distribution = Distribution::normal;
    o.threshold = 0.75;
    std::string one, two;
    {
        tbb::global_control c(tbb::global_control::max_allowed_parallelism, 1);
        one = toleranceJson(computeTolerances(d, o)).dump();
    }
    {
        tbb::global_control c(tbb::global_control::max_allowed_parallelism, 2);
        two = toleranceJson(computeTolerances(d, o)).dump();
    }
    EXPECT_EQ(one, two);
    ToleranceOptions longer = o;
    longer.trials = 40;
    const auto r = computeTolerances(d, o), rl = computeTolerances(d, longer);
    for (int i = 0; i < o.trials; ++i) EXPECT_EQ(r.montecarlo->values[i], rl.montecarlo->values[i]) << i;
    EXPECT_NE(toleranceJson(r).dump().find("\"yield\""), std::string::npos);
    // Other seeds draw other telescopes.
    EXPECT_NE(trialOffsets(o, {1, 1, 1}, 3), trialOffsets(longer, {1, 1, 1}, 4));
}

// Drawn offsets: uniform fills ±V with the spread V/sqrt(3); the normal
// one, sigma V/2 cut at ±V, never leaves the band and spreads less.
TEST(ToleranceMonteCarlo, DrawsStayInTheirBands) {
    ToleranceOptions o;
    const std::vector<double> spans = {2.0};
    for (Distribution dist : {Distribution::uniform, Distribution::normal}) {
        o.distribution = dist;
        double ss = 0, sum = 0;
        const int n = 20000;
        for (int i = 0; i < n; ++i) {
            const double v = trialOffsets(o, spans, i)[0];
            ASSERT_LE(std::fabs(v), 2.0);
            sum += v;
            ss += v * v;
        }
        const double sd = std::sqrt(ss / n - (sum / n) * (sum / n));
        // The cut normal's spread: sigma times 0.8796 (cut at two sigma).
        const double expected = dist == Distribution::uniform ? 2 / std::sqrt(3.0) : 0.8796;
        EXPECT_NEAR(sd, expected, 0.02) << static_cast<int>(dist);
        EXPECT_NEAR(sum / n, 0, 0.03);
    }
}

// An f/1 sphere (radius 100, aperture 100): made an oblate ellipsoid
// steeper than K = -3 its rim rises past the surface, and the marginal rays
// miss it.  Such trials are counted as failed, hold null, count against the
// yield, and the row whose end fails comes first.
namespace {
Design fastSphere(double conic) {
    return makeDesign({{100, conic, 0, 50}, {0, 0, 0, 0}}, 100, 0.5);
}
}  // namespace

TEST(ToleranceMonteCarlo, FailedTrialsAreCountedNotDropped) {
    const Design d = fastSphere(0);
    ToleranceOptions o = optionsFor(d, {"tilt:1=±0.1", "conic:1=±5"});
    o.trials = 60;
    o.threshold = 0.0;
    o.compensation = Compensation::none;
    const ToleranceResult r = computeTolerances(d, o);
    ASSERT_EQ(r.status, ToleranceStatus::ok);
    EXPECT_EQ(r.sensitivity[0].tolerance.name(), "conic:1");
    EXPECT_FALSE(r.sensitivity[0].minus.traced);
    EXPECT_TRUE(r.sensitivity[0].plus.traced);
    EXPECT_TRUE(std::isinf(r.sensitivity[0].damage));
    const MonteCarloResult& m = *r.montecarlo;
    const int nulls = static_cast<int>(std::count(m.values.begin(), m.values.end(), std::nullopt));
    // K uniform in -5..5 misses below -3: a fifth of the trials.
    EXPECT_GT(m.failed, 4);
    EXPECT_LT(m.failed, 24);
    EXPECT_EQ(m.failed, nulls);
    EXPECT_DOUBLE_EQ(*m.yield, double(m.trials - m.failed) / m.trials);
    EXPECT_FALSE(m.values[m.worstTrial]);
    EXPECT_LT(m.worstOffsets[1], -3);
}

TEST(ToleranceRun, CancelStopsAndTheNominalMustTrace) {
    struct Stop : ToleranceProgress {
        std::atomic<int> seen{0};
        void advanced(int, int) override { ++seen; }
        bool cancelled() const override { return seen > 3; }
    } stop;
    const Design d = schiefspiegler();
    ToleranceOptions o = optionsFor(d, {"tilt:*=±0.03"});
    o.trials = 100000;
    const ToleranceResult r = computeTolerances(d, o, &stop);
    EXPECT_EQ(r.status, ToleranceStatus::cancelled);
    EXPECT_LT(stop.seen, 50);

    const Design lost = fastSphere(-5);
    o = optionsFor(lost, {"tilt:1=±0.03"});
    o.trials = 10;
    EXPECT_EQ(computeTolerances(lost, o).status, ToleranceStatus::nominalFailed);
}
