// One real ray through mirrors: worked figures, textbook geometry, edges.
#include "trace/ray_trace.h"

#include <gtest/gtest.h>

#include <cmath>

#include "trace_test_util.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::singleMirror;

namespace {

constexpr double kPrinted = 5e-10;  // a figure quoted to nine decimals
constexpr double kGeometry = 1e-9;  // an independent textbook construction

bool finite(const RayState& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z) && std::isfinite(r.L) &&
           std::isfinite(r.M) && std::isfinite(r.N);
}

void expectDirection(const RayState& r, double L, double M, double N, double tol) {
    EXPECT_NEAR(r.L, L, tol);
    EXPECT_NEAR(r.M, M, tol);
    EXPECT_NEAR(r.N, N, tol);
}

}  // namespace

TEST(RayTrace, WorkedExampleParaboloidAndSphere) {
    // Paraboloid of signed radius 1000, h = 50.
    Design d = singleMirror(1);
    TraceState s;
    ASSERT_TRUE(setEntranceTangential(d, s));
    EXPECT_NEAR(d.signedSeparation[0], -1.25, 1e-12);

    startAxialRay(s.ray);
    s.ray.x = 50;
    ASSERT_TRUE(traceSurface(d, s, 1));
    EXPECT_NEAR(s.ray.x, 50, 1e-12);
    EXPECT_NEAR(s.ray.y, 0, 1e-12);
    EXPECT_NEAR(s.ray.z, 1.25, 1e-12);
    expectDirection(s.ray, -0.099750623, 0, 0.995012469, kPrinted);
    // Independently: the reflected ray heads from (50, 1.25) to the focus (0, 500).
    const double len = std::hypot(50.0, 498.75);
    expectDirection(s.ray, -50 / len, 0, 498.75 / len, 1e-12);

    startAxialRay(s.ray);
    s.ray.x = 50;
    ASSERT_TRUE(traceToFocalPlane(d, s));
    EXPECT_NEAR(s.ray.x, 0, 1e-9);
    EXPECT_NEAR(s.ray.y, 0, 1e-12);
    EXPECT_NEAR(s.ray.z, 0, 1e-12);

    // The same surface as a sphere.
    Design sphere = singleMirror(0);
    ASSERT_TRUE(setEntranceTangential(sphere, s));
    EXPECT_NEAR(sphere.signedSeparation[0], -1.250782228, kPrinted);
    EXPECT_NEAR(sphere.signedSeparation[0], -(1000 - std::sqrt(1000.0 * 1000 - 2500)), 1e-12);
    startAxialRay(s.ray);
    s.ray.x = 50;
    ASSERT_TRUE(traceSurface(sphere, s, 1));
    expectDirection(s.ray, -0.099874922, 0, 0.995, kPrinted);
    EXPECT_EQ(s.status, kTraceOk);
}

TEST(RayTrace, ParaboloidFocusesAnAxialBeamToAPoint) {
    // A fast f/1.25 paraboloid: every ray parallel to the axis, at any
    // height and azimuth, passes through the focus R/2 from the vertex.
    Design d = makeDesign({{1000, 1, 0, 500}, {0, 0, 0, 0}}, 400);
    TraceState s;
    ASSERT_TRUE(setEntranceTangential(d, s));
    for (double r : {0.0, 1.0, 37.5, 120.0, 199.0, 200.0}) {
        for (double az : {0.0, 0.7, 2.0, 3.9, 5.5}) {
            startAxialRay(s.ray);
            s.ray.x = r * std::cos(az);
            s.ray.y = r * std::sin(az);
            ASSERT_TRUE(traceToFocalPlane(d, s)) << r << " " << az;
            EXPECT_NEAR(s.ray.x, 0, 1e-9) << r << " " << az;
            EXPECT_NEAR(s.ray.y, 0, 1e-9) << r << " " << az;
        }
    }
    // The on-axis ray is the linear case of the conic (qa = 0): straight back.
    startAxialRay(s.ray);
    d.signedSeparation[0] = 0;
    ASSERT_TRUE(traceSurface(d, s, 1));
    EXPECT_EQ(s.ray.x, 0);
    EXPECT_EQ(s.ray.z, 0);
    expectDirection(s.ray, 0, 0, 1, 0);
}

TEST(RayTrace, ConicsReflectFromOneFocusThroughTheOther) {
    // The conic x^2 + y^2 + P z^2 - 2 R z = 0 (P = 1 - K, K = e^2) has its
    // foci on the axis at R/(1 - e) and R/(1 + e); a ray along a line through
    // one focus leaves along a line through the other.  The sphere's two
    // foci meet at its centre.  The trace is unfolded, so only the line of
    // the reflected ray is checked here, not its sense.
    for (double K : {0.0, 0.3, 0.75, 1.6, 3.0}) {
        for (double radius : {1000.0, -700.0}) {
            Design d = makeDesign({{radius, K, 0, 500}, {0, 0, 0, 0}}, 100);
            d.signedSeparation[0] = 0;
            const double R = d.signedRadius[1], P = d.oneMinusConic[1], e = std::sqrt(K);
            const double from = R / (1 - e), through = R / (1 + e);
            for (double x0 : {-90.0, 5.0, 60.0}) {
                for (double y0 : {-40.0, 0.0, 75.0}) {
                    const double len = std::sqrt(x0 * x0 + y0 * y0 + from * from);
                    TraceState s;
                    s.ray = RayState{x0, y0, 0, x0 / len, y0 / len, -from / len};
                    ASSERT_TRUE(traceSurface(d, s, 1)) << K << " " << radius;
                    const RayState& r = s.ray;
                    EXPECT_NEAR(r.x * r.x + r.y * r.y + P * r.z * r.z - 2 * R * r.z, 0, 1e-9 * std::fabs(R));
                    const double vx = r.x, vy = r.y, vz = r.z - through;
                    const double vlen = std::sqrt(vx * vx + vy * vy + vz * vz);
                    EXPECT_NEAR((r.M * vz - r.N * vy) / vlen, 0, 1e-12) << K << " " << radius << " " << x0;
                    EXPECT_NEAR((r.N * vx - r.L * vz) / vlen, 0, 1e-12) << K << " " << radius << " " << x0;
                    EXPECT_NEAR((r.L * vy - r.M * vx) / vlen, 0, 1e-12) << K << " " << radius << " " << y0;
                    EXPECT_NEAR(r.L * r.L + r.M * r.M + r.N * r.N, 1, 1e-14);
                }
            }
        }
    }
}

TEST(RayTrace, SphereMeetsTheAxisWhereGeometrySays) {
    // A ray at height h parallel to the axis of a concave sphere of radius R
    // meets the sphere at incidence a (sin a = h/R) and crosses the axis at
    // R - R/(2 cos a) from the vertex.
    const double R = 1000;
    Design d = makeDesign({{R, 0, 0, 500}, {0, 0, 0, 0}}, 1800);
    TraceState s;
    d.signedSeparation[0] = 0;
    for (double h : {1.0, 50.0, 200.0, 500.0, 899.0}) {
        startAxialRay(s.ray);
        s.ray.y = h;  // a sagittal ray behaves the same on a sphere
        ASSERT_TRUE(traceSurface(d, s, 1));
        const double a = std::asin(h / R);
        EXPECT_NEAR(s.ray.z, R - R * std::cos(a), kGeometry) << h;
        const double crossing = s.ray.z - s.ray.y * s.ray.N / s.ray.M;
        EXPECT_NEAR(crossing, R - R / (2 * std::cos(a)), kGeometry) << h;
        EXPECT_NEAR(s.ray.M, -std::sin(2 * a), kGeometry) << h;
        EXPECT_NEAR(s.ray.L * s.ray.L + s.ray.M * s.ray.M + s.ray.N * s.ray.N, 1, 1e-14);
    }

    // A convex sphere (negative radius): the hit is on the vertex's side,
    // the farther intersection along the ray, and lies on the sphere.
    Design convex = makeDesign({{-R, 0, 0, 500}, {0, 0, 0, 0}}, 100);
    convex.signedSeparation[0] = 0;
    ASSERT_LT(convex.signedRadius[1], 0);
    startAxialRay(s.ray);
    s.ray.x = 300;
    ASSERT_TRUE(traceSurface(convex, s, 1));
    EXPECT_NEAR(s.ray.z, -(R - std::sqrt(R * R - 300 * 300)), kGeometry);
    EXPECT_NEAR(std::hypot(s.ray.x, s.ray.z + R), R, kGeometry);
    EXPECT_GT(s.ray.L, 0);  // a convex mirror spreads the beam: away from the axis
}

TEST(RayTrace, FlatMirrorsAndTilts) {
    Design d = makeDesign({{0, 0, 0, 100}, {0, 0, 0, 0}}, 10);
    TraceState s;
    d.signedSeparation[0] = 10;
    const double L = 0.3, M = -0.2, N = std::sqrt(1 - L * L - M * M);
    s.ray = RayState{1, 2, 0, L, M, N};
    ASSERT_TRUE(traceSurface(d, s, 1));
    EXPECT_NEAR(s.ray.x, 1 + 10 * L / N, 1e-12);
    EXPECT_NEAR(s.ray.y, 2 + 10 * M / N, 1e-12);
    EXPECT_EQ(s.ray.z, 0);
    expectDirection(s.ray, -L, -M, N, 0);

    // A tilt on surface 1 turns the incoming direction only; after the
    // reflection and the turn out, the axis has followed the beam exactly.
    Design tilted = makeDesign({{0, 0, 7, 100}, {0, 0, 0, 0}}, 10);
    tilted.signedSeparation[0] = 0;
    startAxialRay(s.ray);
    s.ray.x = 7;
    ASSERT_TRUE(traceSurface(tilted, s, 1));
    EXPECT_EQ(s.ray.x, 7);
    EXPECT_EQ(s.ray.z, 0);
    expectDirection(s.ray, -std::sin(7 * kDegree), 0, std::cos(7 * kDegree), 1e-15);
    leaveSurface(tilted, s.ray, 1);
    EXPECT_NEAR(s.ray.L, 0, 1e-15);
    EXPECT_NEAR(s.ray.N, 1, 1e-15);
}

TEST(RayTrace, ImageCoordinatesOnATiltedFocalPlane) {
    // Curved and tilted focal plane: the image x is the hit point turned
    // into the plane's tilt; y is the same either way.
    Design d = makeDesign({{1000, 1, 0, 500}, {-300, 0, 10, 0}}, 100, 1);
    TraceState a, b;
    setEntranceTangential(d, a);
    b = a;
    startFieldRayPlus(d, a.ray);
    a.ray.x = 30;
    a.ray.y = 12;
    b.ray = a.ray;
    ASSERT_TRUE(traceToFocalPlane(d, a));
    ASSERT_TRUE(traceToImage(d, b));
    EXPECT_EQ(a.ray.y, b.ray.y);
    EXPECT_NE(a.ray.x, b.ray.x);
    EXPECT_NEAR(b.ray.x, a.ray.x * d.cosTilt[2] + a.ray.z * d.sinTilt[2], 1e-12);
}

TEST(RayTrace, SpotExtentOnlyWidens) {
    TraceState s;
    s.extent = SpotExtent{-1, 1, -2, 2};
    s.ray.x = 0.5;  // inside: nothing moves
    s.ray.y = -1.5;
    trackSpotExtent(s);
    EXPECT_EQ(s.extent.xMin, -1);
    EXPECT_EQ(s.extent.xMax, 1);
    EXPECT_EQ(s.extent.yMin, -2);
    EXPECT_EQ(s.extent.yMax, 2);
    s.ray.x = -5;
    s.ray.y = 9;
    trackSpotExtentX(s);  // x only
    EXPECT_EQ(s.extent.xMin, -5);
    EXPECT_EQ(s.extent.yMax, 2);
    trackSpotExtent(s);
    EXPECT_EQ(s.extent.yMax, 9);
}

TEST(RayTrace, MissesAndDegenerateRaysFailWithTheSurfaceNumber) {
    TraceState s;
    // Aperture beyond the rim of a strongly curved surface 1: the set-up
    // fails before any ray is traced and keeps the old entrance distance.
    Design small = makeDesign({{100, 0, 0, 50}, {0, 0, 0, 0}}, 300);
    small.signedSeparation[0] = 42;
    EXPECT_FALSE(setEntranceTangential(small, s));
    EXPECT_EQ(s.status, traceMissStatus(1));
    EXPECT_EQ(small.signedSeparation[0], 42);
    EXPECT_EQ(traceProblemMessage(s.status), "Light misses surface #1");

    // A discriminant of exactly 0 (the ray grazes the sphere's equator) is
    // a hit; a hair further out is a miss.
    Design sphere = makeDesign({{1000, 0, 0, 500}, {0, 0, 0, 0}}, 100);
    sphere.signedSeparation[0] = 0;
    s = TraceState{};
    s.ray = RayState{1000, 0, 0, 0, 0, 1};
    EXPECT_TRUE(traceSurface(sphere, s, 1));
    EXPECT_EQ(s.status, kTraceOk);
    EXPECT_EQ(s.ray.z, 1000);
    s.ray = RayState{1000.5, 0, 0, 0, 0, 1};
    EXPECT_FALSE(traceSurface(sphere, s, 1));
    EXPECT_EQ(s.status, 4);

    // A ray parallel to the vertex plane (N = 0) never reaches a flat, a
    // conic or a toroid: a miss of that surface, not a division by zero.
    Design three =
        makeDesign({{0, 0, 0, 100}, {800, 0.5, 0, 100}, {600, 500, 0, 100, kToroid}, {0, 0, 0, 0}}, 10);
    for (int i = 1; i <= 3; ++i) {
        s = TraceState{};
        s.ray = RayState{1, 1, 0, 1, 0, 0};
        EXPECT_FALSE(traceSurface(three, s, i)) << i;
        EXPECT_EQ(s.status, i + 3) << i;
        EXPECT_TRUE(finite(s.ray)) << i;
    }

    // qa = 0 and qb = 0 together on a hyperboloid (P = -1): the ray runs
    // along the asymptotic cone's direction from a point where the linear
    // solution would divide by zero.
    Design hyper = makeDesign({{-1000, 2, 0, 100}, {0, 0, 0, 0}}, 10);
    hyper.signedSeparation[0] = 0;
    ASSERT_EQ(hyper.oneMinusConic[1], -1);
    ASSERT_EQ(hyper.signedRadius[1], -1000 * -hyper.mediumSign[1]);
    const double c = std::sqrt(0.5);
    s = TraceState{};
    s.ray = RayState{hyper.signedRadius[1], 0, 0, c, 0, c};
    EXPECT_FALSE(traceSurface(hyper, s, 1));
    EXPECT_EQ(s.status, 4);
    EXPECT_TRUE(finite(s.ray));

    // A miss at a later surface names that surface and stops there.
    Design two = makeDesign({{1000, 0, 0, 400}, {5, 0, 0, 100}, {0, 0, 0, 0}}, 100);
    s = TraceState{};
    setEntranceTangential(two, s);
    startAxialRay(s.ray);
    s.ray.x = 50;
    EXPECT_FALSE(traceToFocalPlane(two, s));
    EXPECT_EQ(s.status, 5);
    EXPECT_EQ(traceProblemMessage(5), "Light misses surface #2");
    EXPECT_EQ(traceProblemMessage(1), "Aperture is zero");
    EXPECT_EQ(traceProblemMessage(2), "There is no focus");
    EXPECT_EQ(traceProblemMessage(0), "");
}

TEST(RayTrace, ToroidAgreesWithSpheresAndReportsMisses) {
    // A toroid with equal radii is a sphere; in its principal sections a
    // toroid is exactly the sphere of that section's radius.  The passes stop
    // when the sag settles, which along a circle of equal sag can leave the
    // normal a few 1e-8 off: the image agrees to well under a micrometre.
    const double Rt = 900, Rs = 700;
    Design tor = makeDesign({{Rt, Rt, 6, 450, kToroid}, {0, 0, 0, 0}}, 200, 1);
    Design sph = makeDesign({{Rt, 0, 6, 450}, {0, 0, 0, 0}}, 200, 1);
    TraceState a, b;
    for (double x : {-100.0, -30.0, 0.0, 55.0, 100.0}) {
        for (double y : {-80.0, 0.0, 25.0, 100.0}) {
            setEntranceTangential(tor, a);
            setEntranceTangential(sph, b);
            startFieldRayPlus(tor, a.ray);
            startFieldRayPlus(sph, b.ray);
            a.ray.x = b.ray.x = x;
            a.ray.y = b.ray.y = y;
            ASSERT_TRUE(traceToFocalPlane(tor, a)) << x << " " << y;
            ASSERT_TRUE(traceToFocalPlane(sph, b));
            EXPECT_NEAR(a.ray.x, b.ray.x, 1e-4) << x << " " << y;
            EXPECT_NEAR(a.ray.y, b.ray.y, 1e-4) << x << " " << y;
        }
    }
    Design torus = makeDesign({{Rt, Rs, 0, 450, kToroid}, {0, 0, 0, 0}}, 200);
    Design tanSphere = makeDesign({{Rt, 0, 0, 450}, {0, 0, 0, 0}}, 200);
    Design sagSphere = makeDesign({{Rs, 0, 0, 450}, {0, 0, 0, 0}}, 200);
    torus.signedSeparation[0] = tanSphere.signedSeparation[0] = sagSphere.signedSeparation[0] = 0;
    a.ray = RayState{80, 0, 0, 0, 0, 1};
    b.ray = a.ray;
    ASSERT_TRUE(traceSurface(torus, a, 1));
    ASSERT_TRUE(traceSurface(tanSphere, b, 1));
    EXPECT_NEAR(a.ray.z, b.ray.z, 1e-12);
    EXPECT_NEAR(a.ray.L, b.ray.L, 1e-12);
    a.ray = RayState{0, 80, 0, 0, 0, 1};
    b.ray = a.ray;
    ASSERT_TRUE(traceSurface(torus, a, 1));
    ASSERT_TRUE(traceSurface(sagSphere, b, 1));
    EXPECT_NEAR(a.ray.z, b.ray.z, 1e-12);
    EXPECT_NEAR(a.ray.M, b.ray.M, 1e-12);

    // Beyond the reach of the surface: a miss with the surface's number.
    Design tight = makeDesign({{0, 0, 0, 100}, {100, 100, 0, 50, kToroid}, {0, 0, 0, 0}}, 10);
    a = TraceState{};
    a.ray = RayState{150, 0, 0, 0, 0, 1};
    EXPECT_FALSE(traceSurface(tight, a, 2));
    EXPECT_EQ(a.status, 5);
    EXPECT_TRUE(finite(a.ray));

    // Grazing and wild rays: every one ends, in a hit with a finite ray or
    // in a miss of surface 1; never NaN reported as success.
    Design steep = makeDesign({{100, 60, 0, 50, kToroid}, {0, 0, 0, 0}}, 10);
    steep.signedSeparation[0] = 0;
    int hits = 0, misses = 0;
    for (double x = -120; x <= 120; x += 7.5) {
        for (double ang = -1.5; ang <= 1.5; ang += 0.1) {
            a = TraceState{};
            a.ray = RayState{x, x * 0.3, 0, std::sin(ang), 0, std::cos(ang)};
            if (traceSurface(steep, a, 1)) {
                ++hits;
                EXPECT_TRUE(finite(a.ray)) << x << " " << ang;
                EXPECT_EQ(a.status, kTraceOk);
            } else {
                ++misses;
                EXPECT_EQ(a.status, 4) << x << " " << ang;
            }
        }
    }
    EXPECT_GT(hits, 0);
    EXPECT_GT(misses, 0);
}
