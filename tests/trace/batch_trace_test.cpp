// The batched trace against the one-ray trace: random designs of every kind
// of surface, tilted and not, rays inside and beyond the aperture (misses),
// every end of the trace; then the optical path against Fermat's principle.
#include "trace/batch_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/test_designs.h"
#include "support/tolerances.h"
#include "trace/ray_trace.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::SurfaceSpec;

namespace {

/// A random design of 1 to 5 mirrors: spheres, paraboloids, other conics,
/// flats and toroids, half of them tilted, separations that mostly keep the
/// light on the mirrors.
Design randomDesign(std::mt19937_64& rng) {
    std::uniform_real_distribution<double> uni(0, 1);
    const int mirrors = 1 + static_cast<int>(uni(rng) * 5);
    std::vector<SurfaceSpec> s;
    for (int i = 0; i < mirrors; ++i) {
        SurfaceSpec m;
        const double pick = uni(rng);
        const double radius = (uni(rng) < 0.7 ? 1 : -1) * (150 + 3000 * uni(rng));
        if (pick < 0.1) {
            m.radius = 0;  // flat
        } else if (pick < 0.3) {
            m.radius = radius;  // sphere
        } else if (pick < 0.45) {
            m.radius = radius, m.conic = 1;  // paraboloid
        } else if (pick < 0.75) {
            m.radius = radius, m.conic = -2 + 6 * uni(rng);
        } else {
            m.radius = radius, m.conic = radius * (0.9 + 0.2 * uni(rng)), m.kind = kToroid;
        }
        m.tilt = uni(rng) < 0.5 ? 0 : -12 + 24 * uni(rng);
        m.separation = 50 + 900 * uni(rng);
        s.push_back(m);
    }
    s.push_back({uni(rng) < 0.7 ? 0 : 800 + 1000 * uni(rng), 0, uni(rng) < 0.5 ? 0 : 3 * uni(rng), 0});
    return makeDesign(s, 40 + 160 * uni(rng), 0.8 * uni(rng));
}

bool near(double got, double want, double scale) {
    return std::fabs(got - want) <= 1e-12 * std::max(std::fabs(want), scale);
}

struct Outcome {
    long arrived = 0, missed = 0, exact = 0;
};

/// A bundle holding the given rays, path 0.
RayBundle bundleOf(const std::vector<RayState>& rays) {
    RayBundle b;
    b.resize(rays.size());
    for (std::size_t i = 0; i < rays.size(); ++i) {
        b.x[i] = rays[i].x, b.y[i] = rays[i].y, b.z[i] = rays[i].z;
        b.L[i] = rays[i].L, b.M[i] = rays[i].M, b.N[i] = rays[i].N;
        b.path[i] = 0;
        b.status[i] = kTraceOk;
    }
    return b;
}

/// Trace `rays` both ways and compare ray by ray.
void compareRays(const Design& d, double entrance, const std::vector<RayState>& rays, BundleEnd end,
                 int threads, Outcome& out) {
    RayBundle batch = bundleOf(rays), scalar = bundleOf(rays);
    traceBundle(d, entrance, batch, end, threads);
    traceBundleScalar(d, entrance, scalar, end);
    const double h = d.semiAperture;
    for (std::size_t i = 0; i < rays.size(); ++i) {
        TraceState s;
        s.entrance = entrance;
        s.ray = rays[i];
        const bool ok = end == BundleEnd::lastMirror   ? traceToLastMirror(d, s)
                        : end == BundleEnd::focalPlane ? traceToFocalPlane(d, s)
                                                       : traceToImage(d, s);
        const TraceStatus want = ok ? kTraceOk : s.status;
        ASSERT_EQ(batch.status[i], want) << "ray " << i;
        ASSERT_EQ(scalar.status[i], want) << "ray " << i;
        if (!ok) {
            ++out.missed;
            continue;
        }
        ++out.arrived;
        const double got[6] = {batch.x[i], batch.y[i], batch.z[i], batch.L[i], batch.M[i], batch.N[i]};
        const double ref[6] = {scalar.x[i], scalar.y[i], scalar.z[i], scalar.L[i], scalar.M[i], scalar.N[i]};
        double one[6] = {s.ray.x, s.ray.y, s.ray.z, s.ray.L, s.ray.M, s.ray.N};
        if (end != BundleEnd::lastMirror) {
            // At the focal plane the bundle keeps the direction in which the
            // light arrives there: the last mirror's, turned into the tilted
            // focal plane.
            TraceState m;
            m.entrance = entrance;
            m.ray = rays[i];
            ASSERT_TRUE(traceToLastMirror(d, m));
            const Surface& f = d.surfaces[d.surfaceCount];
            one[3] = m.ray.L, one[4] = m.ray.M, one[5] = m.ray.N;
            if (f.tilt != 0) {
                one[3] = m.ray.L * f.cosTilt + m.ray.N * f.sinTilt;
                one[5] = m.ray.N * f.cosTilt - m.ray.L * f.sinTilt;
            }
        }
        bool exact = true;
        for (int k = 0; k < 6; ++k) {
            const double scale = k < 3 ? h : 1;
            ASSERT_TRUE(near(got[k], one[k], scale))
                << "ray " << i << " coordinate " << k << ": " << got[k] << " vs " << one[k];
            ASSERT_TRUE(near(ref[k], one[k], scale)) << "ray " << i << " coordinate " << k;
            exact = exact && got[k] == one[k] && ref[k] == one[k];
        }
        ASSERT_EQ(batch.path[i], scalar.path[i]);
        out.exact += exact;
    }
}

/// Trace `px, py` from `start` both ways and compare ray by ray.
void compareWithOneRayTrace(const Design& d, double entrance, const RayState& start,
                            const std::vector<double>& px, const std::vector<double>& py, BundleEnd end,
                            int threads, Outcome& out) {
    std::vector<RayState> rays(px.size(), start);
    for (std::size_t i = 0; i < px.size(); ++i) rays[i].x = px[i], rays[i].y = py[i];
    compareRays(d, entrance, rays, end, threads, out);
}

TEST(BatchTrace, AgreesWithTheOneRayTraceOnRandomDesigns) {
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> uni(0, 1);
    Outcome out;
    long toroidArrivals = 0;
    for (int design = 0; design < 300; ++design) {
        Design d = randomDesign(rng);
        TraceState st;
        if (!setEntranceTangential(d, st)) continue;
        // Pupil points out to 1.3 h: some beyond the rim of a strongly
        // curved mirror, many missing later mirrors.  The count is not a
        // multiple of the vector width, so a part group is traced too.
        std::vector<double> px, py;
        const int n = 1 + static_cast<int>(uni(rng) * 301);
        for (int i = 0; i < n; ++i) {
            const double r = 1.3 * d.semiAperture * std::sqrt(uni(rng)), a = 6.283185307179586 * uni(rng);
            px.push_back(i == 0 ? 0 : r * std::cos(a));
            py.push_back(i == 0 ? 0 : r * std::sin(a));
        }
        RayState start;
        switch (design % 4) {
            case 0:
                startAxialRay(start);
                break;
            case 1:
                startFieldRayPlus(d, start);
                break;
            case 2:
                startFieldRayMinus(d, start);
                break;
            default:
                startFieldRaySagittal(d, start);
                break;
        }
        const long before = out.arrived;
        for (BundleEnd end : {BundleEnd::lastMirror, BundleEnd::focalPlane, BundleEnd::image})
            compareWithOneRayTrace(d, st.entrance, start, px, py, end, 1 + design % 2, out);
        bool toroid = false;
        for (int i = 1; i < d.surfaceCount; ++i) toroid = toroid || d.surfaces[i].kind == kToroid;
        if (toroid) toroidArrivals += out.arrived - before;
    }
    // Both outcomes are well represented, and every coordinate is in fact
    // the one-ray trace's to the last bit.
    EXPECT_GT(out.arrived, 100000);
    EXPECT_GT(out.missed, 2000);
    EXPECT_GT(toroidArrivals, 5000);
    EXPECT_EQ(out.exact, out.arrived);
}

TEST(BatchTrace, KnownDesignsLargeBundlesAnyThreadCount) {
    for (bool toroid : {true, false}) {
        Design d = orvelin::testing::threeMirrorTilted(toroid);
        TraceState st;
        ASSERT_TRUE(setEntranceTangential(d, st));
        std::vector<double> px, py;
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> uni(-1, 1);
        while (px.size() < 20011) {
            const double u = uni(rng), v = uni(rng);
            if (u * u + v * v > 1) continue;
            px.push_back(u * d.semiAperture);
            py.push_back(v * d.semiAperture);
        }
        RayState start;
        startFieldRayPlus(d, start);
        Outcome out;
        compareWithOneRayTrace(d, st.entrance, start, px, py, BundleEnd::image, 0, out);
        EXPECT_EQ(out.arrived, 20011);
        // One, two and five threads give the same bundle bit for bit.
        RayBundle a, b;
        startBundle(a, start, px, py);
        startBundle(b, start, px, py);
        traceBundle(d, st.entrance, a, BundleEnd::focalPlane, 2);
        traceBundle(d, st.entrance, b, BundleEnd::focalPlane, 5);
        EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z && a.L == b.L && a.path == b.path);
        // Streamed a chunk at a time, on one thread or all, every ray comes
        // once, in its own block, exactly as the bundle holds it.
        for (int threads : {1, 0}) {
            RayBundle s;
            s.resize(px.size());
            std::vector<int> seen(px.size(), 0);
            bool inBlock = true;
            traceStream(
                d, st.entrance, start, px.size(), BundleEnd::focalPlane,
                [&](std::size_t first, std::size_t count, double* x, double* y) {
                    std::copy_n(px.data() + first, count, x);
                    std::copy_n(py.data() + first, count, y);
                },
                [&](std::size_t block, const TracedChunk& c) {
                    inBlock = inBlock && c.count <= kStreamChunkRays && c.first / kStreamBlockRays == block &&
                              (c.first + c.count - 1) / kStreamBlockRays == block;
                    for (std::size_t j = 0; j < c.count; ++j) {
                        const std::size_t k = c.first + j;
                        ++seen[k];
                        s.x[k] = c.x[j], s.y[k] = c.y[j], s.z[k] = c.z[j];
                        s.L[k] = c.L[j], s.M[k] = c.M[j], s.N[k] = c.N[j], s.path[k] = c.path[j];
                        s.status[k] = c.status(j);
                    }
                },
                threads);
            EXPECT_TRUE(inBlock);
            EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(px.size()));
            EXPECT_TRUE(s.x == a.x && s.y == a.y && s.z == a.z && s.L == a.L && s.M == a.M && s.N == a.N &&
                        s.path == a.path && s.status == a.status);
        }
    }
    RayBundle million;
    million.resize(1000000);
    EXPECT_LE(million.bytes(), 64u * 1000 * 1000);
}

// Every kind of surface, tilted and not, first in the design and after a
// mirror, with the rays that take the trace's rare turns: coordinates that
// are NaN or infinite, rays parallel to the vertex plane, axial rays on a
// paraboloid (where the intersection's quadratic is linear), normals whose
// squared length leaves the range of doubles (a radius of 1e160; a radius
// of 1e-160 met at its vertex), signed zeros.  Each ray's status, and the
// coordinates of every ray that arrives, are the one-ray trace's.
TEST(BatchTrace, RareRaysOnEveryKindOfSurface) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const SurfaceSpec kinds[] = {
        {0, 0, 0, 300},      // flat
        {800, 0, 0, 300},    // sphere
        {800, 1, 0, 300},    // paraboloid
        {-900, 3, 0, 300},   // hyperboloid
        {800, 0.4, 0, 300},  // ellipsoid
        {800, 760, 0, 300, kToroid},
        {1e160, -1.5, 0, 300},  // |n|^2 beyond the largest double
        {1e-160, 0.5, 0, 300},  // |n|^2 below the smallest normal double at the vertex
    };
    Outcome out;
    int designs = 0;
    for (const SurfaceSpec& kind : kinds) {
        for (double tilt : {0.0, 4.0}) {
            for (bool first : {true, false}) {
                SurfaceSpec m = kind;
                m.tilt = tilt;
                std::vector<SurfaceSpec> s;
                if (!first) s.push_back({0, 0, -3, 250});  // a tilted flat before it
                s.push_back(m);
                s.push_back({1500, 0.5, 2, 200});
                s.push_back({0, 0, tilt, 0});
                Design d = makeDesign(s, 60, 0.3);
                TraceState st;
                if (!setEntranceTangential(d, st)) continue;
                ++designs;
                RayState field;
                startFieldRayPlus(d, field);
                std::vector<RayState> rays;
                for (double px : {0.0, -0.0, 20.0, -45.0, 59.0, 200.0, nan, inf, -inf})
                    for (double py : {0.0, -0.0, 30.0, nan}) {
                        rays.push_back({px, py, 0, 0, 0, 1});
                        rays.push_back({px, py, 0, field.L, field.M, field.N});
                    }
                rays.push_back({10, 10, 0, 1, 0, 0});  // parallel to the vertex plane
                rays.push_back({0, 10, 0, 0, 1, 0});
                rays.push_back({10, 10, 0, nan, 0, 1});
                rays.push_back({10, 10, 0, 0, inf, 1});
                rays.push_back({10, 10, nan, 0, 0, 1});
                rays.push_back({10, 10, 0, 0.6, 0, 0.8});  // steep
                for (BundleEnd end : {BundleEnd::lastMirror, BundleEnd::focalPlane, BundleEnd::image})
                    for (int threads : {1, 2}) compareRays(d, st.entrance, rays, end, threads, out);
            }
        }
    }
    EXPECT_GE(designs, 30);
    EXPECT_GT(out.arrived, 1000);
    EXPECT_GT(out.missed, 1000);
    EXPECT_EQ(out.exact, out.arrived);
}

TEST(BatchTrace, MissesAreKeptPerRay) {
    // The beam of a sphere of radius 1000 (aperture 200) narrows to a
    // fifth of its width 400 further on, where a sphere of radius 10 takes
    // only the rays that come within 10 of its axis: the outer rays miss
    // surface 2, in between and on both sides of the rays that arrive.
    Design d = makeDesign({{1000, 0, 0, 400}, {10, 0, 0, 100}, {0, 0, 0, 0}}, 200);
    TraceState st;
    ASSERT_TRUE(setEntranceTangential(d, st));
    std::vector<double> px, py;
    for (int i = 0; i <= 40; ++i) {
        px.push_back(-100 + 5 * i);
        py.push_back(0);
    }
    RayBundle b;
    RayState start;
    startAxialRay(start);
    startBundle(b, start, px, py);
    traceBundle(d, st.entrance, b, BundleEnd::focalPlane, 1);
    int hits = 0, misses = 0;
    for (std::size_t i = 0; i < px.size(); ++i) {
        TraceState s = st;
        s.ray = start;
        s.ray.x = px[i];
        const bool ok = traceToFocalPlane(d, s);
        EXPECT_EQ(b.status[i], ok ? kTraceOk : s.status) << px[i];
        if (ok) {
            EXPECT_EQ(b.x[i], s.ray.x);
            ++hits;
        } else {
            EXPECT_EQ(b.status[i], traceMissStatus(2));
            ++misses;
        }
    }
    EXPECT_GT(hits, 5);
    EXPECT_GT(misses, 5);

    // Entrance beyond the rim: every ray carries status 4.
    Design steep = makeDesign({{100, 0, 0, 50}, {0, 0, 0, 0}}, 250);
    RayBundle all;
    EXPECT_FALSE(tracePupilToFocalPlane(steep, start, px, py, all));
    EXPECT_TRUE(std::all_of(all.status.begin(), all.status.end(),
                            [](TraceStatus s) { return s == traceMissStatus(1); }));
}

// Fermat: every ray of a collimated beam that a system images perfectly
// reaches the focus over the same optical path.
TEST(BatchTrace, OpticalPathObeysFermat) {
    RayState axial;
    startAxialRay(axial);
    std::vector<double> px, py;
    for (int i = -10; i <= 10; ++i) {
        for (int j = -10; j <= 10; ++j) {
            if (i * i + j * j > 100) continue;
            px.push_back(5.0 * i);
            py.push_back(5.0 * j);
        }
    }
    // Paraboloid R = 1000, h = 50, focus 500 from the vertex: the axial ray
    // travels 1.25 from the rim's plane to the vertex and 500 back.
    {
        RayBundle b;
        ASSERT_TRUE(tracePupilToFocalPlane(orvelin::testing::paraboloid(), axial, px, py, b));
        for (std::size_t i = 0; i < b.size(); ++i) {
            ASSERT_EQ(b.status[i], kTraceOk);
            EXPECT_NEAR(b.path[i], 501.25, orvelin::testing::kWorkedFigure);
            EXPECT_NEAR(std::hypot(b.x[i], b.y[i]), 0, orvelin::testing::kWorkedFigure);
        }
    }
    // Classical Cassegrain: paraboloid R = 2000 (focus 1000), a convex
    // hyperboloid 700 from it whose foci are the primary's focus (300
    // behind it) and the final focus (1000 in front of it): eccentricity
    // e = (1000 + 300) / (1000 - 300), conic constant e^2 in this program's
    // convention, radius 2 * 1000 * 300 / (1000 - 300), convex.
    {
        const double e = 1300.0 / 700.0;
        Design d = makeDesign({{2000, 1, 0, 700}, {-600000.0 / 700.0, e * e, 0, 1000}, {0, 0, 0, 0}}, 200);
        RayBundle b;
        ASSERT_TRUE(tracePupilToFocalPlane(d, axial, px, py, b));
        double lo = 1e300, hi = -1e300;
        for (std::size_t i = 0; i < b.size(); ++i) {
            ASSERT_EQ(b.status[i], kTraceOk);
            ASSERT_NEAR(std::hypot(b.x[i], b.y[i]), 0, 1e-9);
            lo = std::min(lo, b.path[i]);
            hi = std::max(hi, b.path[i]);
        }
        EXPECT_LT(hi - lo, 1e-9);
        // The axial ray: 2.5 from the rim's plane to the primary's vertex
        // (the sag at h = 100), 700 to the secondary, 1000 back to the focus.
        EXPECT_NEAR(lo, 2.5 + 700 + 1000, orvelin::testing::kWorkedFigure);
    }
    // A flat mirror tilted 10 degrees with a field: the reflected wave is
    // plane, so the path less the projection of the hit point on the final
    // direction is the same for every ray.
    {
        Design d = makeDesign({{0, 0, 10, 300}, {0, 0, 0, 0}}, 100, 0.7);
        RayState field;
        startFieldRayPlus(d, field);
        RayBundle b;
        ASSERT_TRUE(tracePupilToFocalPlane(d, field, px, py, b));
        for (std::size_t i = 0; i < b.size(); ++i) {
            const double wave = b.path[i] - (b.x[i] * b.L[i] + b.y[i] * b.M[i] + b.z[i] * b.N[i]);
            const double ref = b.path[0] - (b.x[0] * b.L[0] + b.y[0] * b.M[0] + b.z[0] * b.N[0]);
            EXPECT_NEAR(wave, ref, orvelin::testing::kWorkedFigure);
        }
    }
}

}  // namespace
