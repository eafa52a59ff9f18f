// The clearance check against designs whose clearances follow by hand, the
// law of reflection in the plane, and hostile designs.
#include "clearance/clearance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>

#include "design/design_file.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

namespace orvelin {
namespace {

using testing::makeDesign;
using testing::SurfaceSpec;

// Clearances computed from traced rays: a few roundings of the trace and of
// the degree factor (a hair off pi/180, so a 45 degree fold is not exactly
// square).
constexpr double kTraced = testing::kSearched;

double pairClearance(const ClearanceReport& r, int space, int surface) {
    for (const ClearancePair& p : r.pairs)
        if (p.space == space && p.surface == surface) return p.clearance;
    ADD_FAILURE() << "no pair " << space << "/" << surface;
    return NAN;
}

// A flat at 45 degrees folds a beam 100 wide (the aperture is measured in the
// flat's own plane) to a concave paraboloid 500 away.  The paraboloid faces
// the entrance beam's edge across 500 less the beam's half-width less the
// sag of its rim, whatever its blank's thickness.
Design foldToParaboloid(double radius) {
    const double aperture = 100 / std::cos(45 * kDegree);
    return makeDesign({{0, 0, 45, 500}, {radius, 1, 0, radius / 2}, {0, 0, 0, 0}}, aperture);
}

TEST(Clearance, FoldedBeamPassesTheParaboloidByItsSag) {
    const double r = 2000;
    ClearanceReport report = checkClearance(foldToParaboloid(r), {});
    ASSERT_EQ(report.status, kTraceOk);
    EXPECT_NEAR(pairClearance(report, 0, 2), 500 - 50 - 50.0 * 50 / (2 * r), kTraced);
    // Widening the section by 10 moves the rim outwards along the beam, where
    // it stands off by its larger sag; a thicker blank lies behind the face.
    ClearanceOptions options;
    options.edge = 10;
    options.thickness = 80;
    report = checkClearance(foldToParaboloid(r), options);
    EXPECT_NEAR(pairClearance(report, 0, 2), 500 - 50 - 60.0 * 60 / (2 * r), kTraced);
    EXPECT_NEAR(report.bodies[2].semiSection, 60, kTraced);
    EXPECT_EQ(report.bodies[2].thickness, 80);
    // The paraboloid sends the light back to its focus 1000 away: through the
    // flat, which blocks it.
    EXPECT_LT(pairClearance(report, 2, 1), 0);
    EXPECT_FALSE(report.clear);
}

TEST(Clearance, PrimeFocusSitsInTheIncomingBeam) {
    // A point image 500 before an f/5 paraboloid, in the middle of the beam
    // 100 wide that comes to the mirror: the detector must move 50 to leave
    // it.  The pair names and the verdict follow.
    ClearanceReport report = checkClearance(testing::paraboloid(), {});
    ASSERT_EQ(report.status, kTraceOk);
    ASSERT_EQ(report.pairs.size(), 1u);
    EXPECT_EQ(report.pairs[0].space, 0);
    EXPECT_EQ(report.pairs[0].surface, 2);
    EXPECT_NEAR(report.pairs[0].clearance, -50, kTraced);
    EXPECT_NEAR(report.minClearance, -50, kTraced);
    EXPECT_FALSE(report.clear);
    // With a field the image grows and reaches deeper.
    EXPECT_LT(checkClearance(testing::paraboloid(1), {}).minClearance, -50 - 8);
}

TEST(Clearance, NewtonianDiagonalBlocksTheEntrance) {
    // Primary f = 1000, aperture 200; a 45 degree flat 800 down the tube
    // sends the focus 200 sideways.  The flat stands across the axis (it must
    // move at least the beam's half-width, 100, to leave); the image lies
    // 200 off the axis, 100 outside the incoming beam.
    const Design newtonian = makeDesign({{2000, 1, 0, 800}, {0, 0, 45, 200}, {0, 0, 0, 0}}, 200);
    ClearanceReport report = checkClearance(newtonian, {});
    ASSERT_EQ(report.status, kTraceOk);
    EXPECT_LT(pairClearance(report, 0, 2), -100);
    EXPECT_NEAR(pairClearance(report, 0, 3), 100, kTraced);
    EXPECT_GT(pairClearance(report, 2, 1), 500);
    EXPECT_EQ(report.pairs.size(), 4u);  // (n - 1)^2 pairs for n = 3
    EXPECT_EQ(report.pairs[0].space, 0);
    EXPECT_EQ(report.pairs[0].surface, 2);
    EXPECT_EQ(report.minClearance, report.pairs[0].clearance);
    for (size_t i = 1; i < report.pairs.size(); ++i)
        EXPECT_LE(report.pairs[i - 1].clearance, report.pairs[i].clearance);
}

TEST(Clearance, LargerTiltsMoveTheSecondaryOutOfTheEntranceBeam) {
    // A two-mirror tilted design with its tilts scaled: the secondary sits
    // farther beside the entrance beam at every step, inside it at first.
    double previous = -INFINITY;
    for (double scale : {0.3, 0.6, 1.0, 1.5, 2.0}) {
        const Design d = makeDesign(
            {{3300, 0, 3.8 * scale, 700}, {-3300, 0, -6.6 * scale, 2239}, {0, 0, -5.41 * scale, 0}}, 110,
            0.5);
        const ClearanceReport report = checkClearance(d, {});
        ASSERT_EQ(report.status, kTraceOk) << scale;
        const double c = pairClearance(report, 0, 2);
        EXPECT_GT(c, previous) << scale;
        if (scale == 0.3) {
            EXPECT_LT(c, 0);
        }
        if (scale == 2.0) {
            EXPECT_GT(c, 0);
        }
        previous = c;
    }
}

// The plane's geometry checked independently of how it is built: every
// marginal ray meets each mirror on the drawn face and leaves it by the law
// of reflection about the face's normal there.
TEST(Clearance, RaysReflectOnTheDrawnFaces) {
    for (const Design& d :
         {testing::threeMirrorTilted(true), testing::threeMirrorTilted(false), foldToParaboloid(2000)}) {
        const ClearanceReport report = checkClearance(d, {});
        ASSERT_EQ(report.status, kTraceOk);
        const int n = d.surfaceCount;
        for (size_t f = 0; f < report.envelopes[0].fields.size(); ++f) {
            for (int i = 1; i < n; ++i) {
                const FieldBeam& in = report.envelopes[i - 1].fields[f];
                const FieldBeam& out = report.envelopes[i].fields[f];
                for (int side = 0; side < 2; ++side) {
                    const Vec2 from = side ? in.minusFrom : in.plusFrom;
                    const Vec2 hit = side ? in.minusTo : in.plusTo;
                    const Vec2 next = side ? out.minusTo : out.plusTo;
                    ASSERT_NEAR(hit.x, (side ? out.minusFrom : out.plusFrom).x, 1e-9);
                    // The face's tangent where the ray meets it, from the
                    // nearest drawn face points.
                    const SurfaceBody& body = report.bodies[i];
                    size_t k = 0;
                    for (size_t m = 1; m < body.face.size(); ++m)
                        if (pointSegmentDistance(hit, body.face[m - 1], body.face[m]) <
                            pointSegmentDistance(hit, body.face[k], body.face[k + 1]))
                            k = m - 1;
                    Vec2 tangent = body.face[k + 1] - body.face[k];
                    tangent = (1 / std::hypot(tangent.x, tangent.y)) * tangent;
                    // On the face's curve, or just beyond its end: the section
                    // is centred on the vertex while a tilted design's
                    // footprint is not quite.
                    EXPECT_LT(std::fabs(cross(tangent, hit - body.face[k])), 2e-4 * body.semiSection);
                    Vec2 a = hit - from, b = next - hit;
                    a = (1 / std::hypot(a.x, a.y)) * a;
                    b = (1 / std::hypot(b.x, b.y)) * b;
                    // Along the face the direction is kept, across it reversed.
                    const double chordSlope = 0.02;  // the drawn chord's slope error
                    EXPECT_NEAR(dot(a, tangent), dot(b, tangent), chordSlope) << i;
                    EXPECT_LT(cross(tangent, a) * cross(tangent, b), 0) << i;
                    // The blank lies behind the face, away from the light.
                    const Vec2 back = body.back[k] - body.face[k];
                    EXPECT_GT(dot(back, a), 0) << i;
                }
            }
        }
    }
}

TEST(Clearance, NamesAndPairsOfEverySpace) {
    EXPECT_EQ(clearanceSpaceName(0), "entrance");
    EXPECT_EQ(clearanceSpaceName(1), "1-2");
    EXPECT_EQ(clearanceSpaceName(20), "20-21");
    const ClearanceReport report = checkClearance(testing::threeMirrorTilted(), {});
    ASSERT_EQ(report.status, kTraceOk);
    std::set<std::pair<int, int>> pairs;
    for (const ClearancePair& p : report.pairs) pairs.insert({p.space, p.surface});
    const std::set<std::pair<int, int>> expected{{0, 2}, {0, 3}, {0, 4}, {1, 3}, {1, 4},
                                                 {2, 1}, {2, 4}, {3, 1}, {3, 2}};
    EXPECT_EQ(pairs, expected);
    EXPECT_EQ(report.envelopes.size(), 4u);
    EXPECT_EQ(report.envelopes[0].fields.size(), 3u);  // axial and both field edges
    EXPECT_EQ(checkClearance(testing::paraboloid(), {}).envelopes[0].fields.size(), 1u);
}

TEST(Clearance, MarginDecidesTheVerdict) {
    // The two-mirror tilted design at twice its tilts is clear, by exactly
    // its smallest clearance and not a hair more.
    const Design wide =
        makeDesign({{3300, 0, 7.6, 700}, {-3300, 0, -13.2, 2239}, {0, 0, -10.82, 0}}, 110, 0.5);
    const ClearanceReport report = checkClearance(wide, {});
    ASSERT_EQ(report.status, kTraceOk);
    ASSERT_GT(report.minClearance, 0);
    ClearanceOptions options;
    options.margin = report.minClearance;
    EXPECT_TRUE(checkClearance(wide, options).clear);
    options.margin = std::nextafter(report.minClearance, INFINITY);
    EXPECT_FALSE(checkClearance(wide, options).clear);
    EXPECT_EQ(minClearance(wide, {}), report.minClearance);
}

void expectClearAnswer(const Design& d, const char* what) {
    const ClearanceReport report = checkClearance(d, {});
    if (report.status != kTraceOk) {
        EXPECT_TRUE(report.pairs.empty()) << what;
        EXPECT_EQ(minClearance(d, {}), -INFINITY) << what;
        return;
    }
    const size_t n = d.surfaceCount;
    EXPECT_EQ(report.pairs.size(), (n - 1) * (n - 1)) << what;
    for (const ClearancePair& p : report.pairs) EXPECT_TRUE(std::isfinite(p.clearance)) << what;
}

TEST(Clearance, HostileDesignsGetAStatusOrFiniteClearances) {
    // A mirror at the focus has no size; mirrors on top of each other; a
    // focal plane on the last mirror; light that goes a very long way; no
    // aperture; no mirror.
    const Design atFocus = makeDesign({{1000, 1, 0, 500}, {0, 0, 10, 300}, {0, 0, 0, 0}}, 100);
    const ClearanceReport focus = checkClearance(atFocus, {});
    ASSERT_EQ(focus.status, kTraceOk);
    EXPECT_LT(focus.bodies[2].semiSection, 1e-9);
    EXPECT_LT(pairClearance(focus, 0, 2), 0);  // a point in the beam still blocks it
    expectClearAnswer(atFocus, "mirror at the focus");
    expectClearAnswer(makeDesign({{1000, 0, 0, 0}, {1000, 0, 0, 500}, {0, 0, 0, 0}}, 100), "stacked mirrors");
    expectClearAnswer(makeDesign({{1000, 0, 5, 500}, {-800, 0, -5, 0}, {0, 0, 0, 0}}, 100, 0.5),
                      "focal plane on a mirror");
    expectClearAnswer(makeDesign({{1000, 0, 5, 1e200}, {-800, 0, -5, 300}, {0, 0, 0, 0}}, 100), "far");
    expectClearAnswer(makeDesign({{1000, 0, 0, 500}, {0, 0, 0, 0}}, 0), "no aperture");
    EXPECT_EQ(checkClearance(makeDesign({{0, 0, 0, 0}}, 100), {}).status, kTraceNoFocus);
    EXPECT_EQ(checkClearance(Design{}, {}).status, kTraceNoFocus);
    ClearanceOptions odd;
    odd.edge = NAN;
    odd.thickness = INFINITY;
    EXPECT_EQ(checkClearance(testing::paraboloid(1), odd).pairs.size(), 1u);

    std::mt19937 random(16);
    std::uniform_real_distribution<double> unit(0, 1);
    auto pick = [&](double lo, double hi) { return lo + (hi - lo) * unit(random); };
    for (int trial = 0; trial < 400; ++trial) {
        const int mirrors = 1 + static_cast<int>(unit(random) * 20);
        std::vector<SurfaceSpec> specs;
        for (int i = 0; i <= mirrors; ++i) {
            SurfaceSpec s;
            s.radius = unit(random) < 0.2 ? 0 : pick(-5000, 5000);
            s.kind = unit(random) < 0.1 ? kToroid : unit(random) < 0.05 ? 2 : kConic;
            s.conic = s.kind == kToroid ? pick(-5000, 5000) : pick(-3, 3);
            s.tilt = unit(random) < 0.3 ? 0 : pick(-60, 60);
            s.separation = unit(random) < 0.1 ? 0 : pick(-3000, 3000);
            specs.push_back(s);
        }
        const Design d = makeDesign(specs, pick(0, 400), unit(random) < 0.3 ? 0 : pick(0, 5));
        expectClearAnswer(d, ("random design " + std::to_string(trial)).c_str());
    }
}

TEST(Clearance, ShippedExamplesTrace) {
    for (const char* name : {"paraboloid-f5", "sphere", "schiefspiegler", "toroid"}) {
        Design d;
        ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name + ".ov").accepted());
        const ClearanceReport report = checkClearance(d, {});
        ASSERT_EQ(report.status, kTraceOk) << name;
        // The single mirrors form their image in the incoming beam.  The
        // tilted two-mirror designs keep every beam clear with the default
        // blanks: the secondary's rim passes the edge field's incoming beam
        // by 1.01 mm (Schiefspiegler) and 2.00 mm (toroid), the closest pair.
        if (d.surfaceCount == 2) {
            EXPECT_FALSE(report.clear) << name;
            EXPECT_LT(report.minClearance, -50) << name;
        } else {
            EXPECT_TRUE(report.clear) << name;
            EXPECT_EQ(report.pairs[0].space, 0);
            EXPECT_EQ(report.pairs[0].surface, 2);
            EXPECT_NEAR(report.minClearance, std::string(name) == "toroid" ? 2.0008 : 1.0118, 1e-4) << name;
            EXPECT_GT(report.pairs[1].clearance, 50) << name;
        }
    }
}

}  // namespace
}  // namespace orvelin
