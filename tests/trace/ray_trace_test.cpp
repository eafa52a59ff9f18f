// One real ray through mirrors: worked figures, textbook geometry, edges.
#include "trace/ray_trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "support/test_designs.h"
#include "support/tolerances.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::singleMirror;
using orvelin::testing::SurfaceSpec;

namespace {

bool finite(const RayState& r) {
    return std::isfinite(r.x + r.y + r.z + r.L + r.M + r.N);
}

/// A ray parallel to the axis at (x, y) in the entrance plane.
RayState axial(double x, double y) {
    return RayState{x, y, 0, 0, 0, 1};
}

/// Mirrors and focal plane, the entrance plane at the vertex of surface 1.
Design atVertex(const std::vector<SurfaceSpec>& surfaces, double aperture = 100) {
    Design d = makeDesign(surfaces, aperture);
    d.surfaces[0].signedSeparation = 0;
    return d;
}

/// The ray after surface i alone; status kTraceOk on a hit.
TraceState traced(const Design& d, RayState ray, int i = 1) {
    TraceState s;
    s.ray = ray;
    traceSurface(d, s, i);
    return s;
}

}  // namespace

TEST(RayTrace, WorkedExampleParaboloidAndSphere) {
    Design d = singleMirror(1);
    TraceState s;
    ASSERT_TRUE(setEntranceTangential(d, s));
    EXPECT_NEAR(s.entrance, -1.25, orvelin::testing::kFewRoundings);
    s.ray = axial(50, 0);
    ASSERT_TRUE(traceSurface(d, s, 1));
    EXPECT_NEAR(s.ray.z, 1.25, orvelin::testing::kFewRoundings);
    EXPECT_NEAR(s.ray.L, -0.099750623, 5e-10);
    EXPECT_NEAR(s.ray.N, 0.995012469, 5e-10);

    Design sphere = singleMirror(0);
    ASSERT_TRUE(setEntranceTangential(sphere, s));
    EXPECT_NEAR(s.entrance, -1.250782228, 5e-10);
    s.ray = axial(50, 0);
    ASSERT_TRUE(traceSurface(sphere, s, 1));
    EXPECT_NEAR(s.ray.L, -0.099874922, 5e-10);
    EXPECT_NEAR(s.ray.N, 0.995, 5e-10);
}

TEST(RayTrace, ParaboloidFocusesAnAxialBeamToAPoint) {
    // f/1.25: every axial ray, at any height and azimuth, meets the focus.
    Design d = makeDesign({{1000, 1, 0, 500}, {0, 0, 0, 0}}, 400);
    TraceState s;
    ASSERT_TRUE(setEntranceTangential(d, s));
    for (double r : {1.0, 120.0, 200.0}) {
        for (double az : {0.0, 2.0, 5.5}) {
            s.ray = axial(r * std::cos(az), r * std::sin(az));
            ASSERT_TRUE(traceToFocalPlane(d, s)) << r << " " << az;
            EXPECT_NEAR(std::hypot(s.ray.x, s.ray.y), 0, orvelin::testing::kWorkedFigure) << r << " " << az;
        }
    }
    // The on-axis ray is the linear case of the conic (qa = 0): straight back.
    s = traced(atVertex({{1000, 1, 0, 500}, {}}), axial(0, 0));
    EXPECT_TRUE(s.status == kTraceOk && s.ray.N == 1 && s.ray.L == 0);
}

TEST(RayTrace, ConicsReflectFromOneFocusThroughTheOther) {
    // x^2 + y^2 + P z^2 - 2 R z = 0 (P = 1 - e^2) has its foci at R/(1 - e)
    // and R/(1 + e).  The trace is unfolded: only the reflected line is checked.
    for (double K : {0.3, 0.75, 1.6, 3.0}) {
        for (double radius : {1000.0, -700.0}) {
            const Design d = atVertex({{radius, K, 0, 500}, {}});
            const double R = d.surfaces[1].signedRadius, P = d.surfaces[1].oneMinusConic, e = std::sqrt(K);
            const double from = R / (1 - e), through = R / (1 + e);
            for (const auto& [x0, y0] : {std::pair{-90.0, 0.0}, {60.0, 75.0}, {5.0, -40.0}}) {
                const double len = std::sqrt(x0 * x0 + y0 * y0 + from * from);
                const TraceState s = traced(d, RayState{x0, y0, 0, x0 / len, y0 / len, -from / len});
                const RayState& r = s.ray;
                ASSERT_EQ(s.status, kTraceOk) << K << " " << radius;
                EXPECT_NEAR(r.x * r.x + r.y * r.y + P * r.z * r.z - 2 * R * r.z, 0, 1e-9 * std::fabs(R));
                const double vx = r.x, vy = r.y, vz = r.z - through;
                const double cross =
                    std::hypot(r.M * vz - r.N * vy, r.N * vx - r.L * vz, r.L * vy - r.M * vx);
                EXPECT_NEAR(cross / std::hypot(vx, vy, vz), 0, orvelin::testing::kFewRoundings) << K << " " << radius << " " << x0;
            }
        }
    }
}

TEST(RayTrace, SpheresMeetTheAxisWhereGeometrySays) {
    // Concave sphere, incidence a (sin a = h/R): the reflected ray leaves at
    // 2a and crosses the axis R - R/(2 cos a) from the vertex.
    const double R = 1000;
    for (double h : {1.0, 500.0, 899.0}) {
        const TraceState s = traced(atVertex({{R, 0, 0, 500}, {}}, 1800), axial(0, h));
        const double a = std::asin(h / R);
        ASSERT_EQ(s.status, kTraceOk);
        EXPECT_NEAR(s.ray.z, R - R * std::cos(a), orvelin::testing::kWorkedFigure) << h;
        EXPECT_NEAR(s.ray.z - s.ray.y * s.ray.N / s.ray.M, R - R / (2 * std::cos(a)), orvelin::testing::kWorkedFigure) << h;
        EXPECT_NEAR(s.ray.M, -std::sin(2 * a), orvelin::testing::kWorkedFigure) << h;
    }
    // Convex: the hit on the vertex's hemisphere, and the beam spreads.
    TraceState s = traced(atVertex({{-R, 0, 0, 500}, {}}), axial(300, 0));
    EXPECT_NEAR(s.ray.z, -(R - std::sqrt(R * R - 300 * 300)), orvelin::testing::kWorkedFigure);
    EXPECT_GT(s.ray.L, 0);
}

TEST(RayTrace, ToroidInItsPrincipalSectionsIsASphere) {
    TraceState a, b;
    const Design torus = atVertex({{900, 700, 0, 450, kToroid}, {}});
    for (bool tangential : {true, false}) {
        const RayState in = tangential ? axial(80, 0) : axial(0, 80);
        a = traced(torus, in);
        b = traced(atVertex({{tangential ? 900.0 : 700.0, 0, 0, 450}, {}}), in);
        ASSERT_TRUE(a.status == kTraceOk && b.status == kTraceOk);
        EXPECT_NEAR(a.ray.z, b.ray.z, orvelin::testing::kFewRoundings) << tangential;
        EXPECT_NEAR(a.ray.L + a.ray.M, b.ray.L + b.ray.M, orvelin::testing::kFewRoundings) << tangential;
    }
}

TEST(RayTrace, MissesAndDegenerateRaysFailWithTheSurfaceNumber) {
    // Aperture beyond the rim of surface 1: fails before any ray is traced,
    // keeping the old entrance distance.
    const Design rim = makeDesign({{100, 0, 0, 50}, {}}, 300);
    TraceState s;
    s.entrance = 42;
    EXPECT_FALSE(setEntranceTangential(rim, s));
    EXPECT_EQ(s.status, traceMissStatus(1));
    EXPECT_EQ(s.entrance, 42);

    // Grazing the sphere's equator (discriminant exactly 0) hits; beyond misses.
    const Design sphere = atVertex({{1000, 0, 0, 500}, {}});
    s = traced(sphere, axial(1000, 0));
    EXPECT_TRUE(s.status == kTraceOk && s.ray.z == 1000);
    EXPECT_EQ(traced(sphere, axial(1000.5, 0)).status, 4);

    // N = 0 never reaches a flat, a conic or a toroid: a miss, not 1/0.
    const Design three =
        makeDesign({{0, 0, 0, 100}, {800, 0.5, 0, 100}, {600, 500, 0, 100, kToroid}, {}}, 10);
    for (int i = 1; i <= 3; ++i) {
        s = traced(three, RayState{1, 1, 0, 1, 0, 0}, i);
        EXPECT_TRUE(s.status == i + 3 && finite(s.ray)) << i;
    }
    // qa = qb = 0 on a hyperboloid (P = -1): along the asymptote's direction
    // from where the linear solution would divide by zero.
    const Design hyper = atVertex({{-1000, 2, 0, 100}, {}});
    ASSERT_EQ(hyper.surfaces[1].oneMinusConic, -1);
    s = traced(hyper, RayState{hyper.surfaces[1].signedRadius, 0, 0, std::sqrt(0.5), 0, std::sqrt(0.5)});
    EXPECT_TRUE(s.status == 4 && finite(s.ray));
    // A toroid out of reach at surface 2 names surface 2.
    s = traced(makeDesign({{0, 0, 0, 100}, {100, 100, 0, 50, kToroid}, {}}, 10), axial(150, 0), 2);
    EXPECT_TRUE(s.status == 5 && finite(s.ray));
    EXPECT_EQ(traceProblemMessage(5), "Light misses surface #2");
    EXPECT_EQ(traceProblemMessage(2), "There is no focus");

    // Grazing and wild rays on a steep toroid: a finite hit or a miss of
    // surface 1, never NaN reported as success.
    const Design steep = atVertex({{100, 60, 0, 50, kToroid}, {}}, 10);
    int hits = 0, misses = 0;
    for (double x = -120; x <= 120; x += 7.5) {
        for (double ang = -1.5; ang <= 1.5; ang += 0.1) {
            s = traced(steep, RayState{x, x * 0.3, 0, std::sin(ang), 0, std::cos(ang)});
            const bool hit = s.status == kTraceOk;
            hits += hit;
            misses += !hit;
            EXPECT_TRUE(hit ? finite(s.ray) : s.status == 4) << x << " " << ang;
        }
    }
    EXPECT_TRUE(hits > 0 && misses > 0);
}
