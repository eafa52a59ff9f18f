// Convex pieces and their signed distances, against figures worked by hand
// and against a slower independent distance on random pieces.
#include "clearance/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "support/tolerances.h"

namespace orvelin {
namespace {

constexpr double kExact = testing::kFewRoundings;  // figures that involve only a few roundings

ConvexPiece box(double x0, double y0, double x1, double y1) {
    return makePiece({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

TEST(PlaneGeometry, PiecesAreReducedToTheirHull) {
    // Corners in any order become the hull in order; a repeated corner, a
    // corner on an edge, coinciding or collinear points all drop out.
    ConvexPiece square = makePiece({{1, 1}, {0, 0}, {1, 0}, {0, 1}});
    EXPECT_EQ(square.count, 4);
    EXPECT_EQ(square.axisCount, 4);
    EXPECT_DOUBLE_EQ(square.lo.x, 0);
    EXPECT_DOUBLE_EQ(square.hi.y, 1);
    EXPECT_EQ(makePiece({{0, 0}, {2, 0}, {1, 0}, {0, 3}}).count, 3);
    ConvexPiece point = makePiece({{5, 7}, {5, 7}, {5, 7}, {5, 7}});
    EXPECT_EQ(point.count, 1);
    EXPECT_EQ(point.axisCount, 0);
    ConvexPiece segment = makePiece({{1, 1}, {3, 3}, {2, 2}, {3, 3}});
    ASSERT_EQ(segment.count, 2);
    EXPECT_EQ(segment.axisCount, 2);  // its normal and its own direction
    EXPECT_DOUBLE_EQ(segment.corner[0].x + segment.corner[1].x, 4);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(makePiece({{0, 0}, {nan, 1}, {1, 1}}).count, 0);
    EXPECT_EQ(makePiece({{0, 0}, {std::numeric_limits<double>::infinity(), 1}}).count, 0);
}

TEST(PlaneGeometry, SignedDistancesWorkedByHand) {
    const ConvexPiece unit = box(0, 0, 1, 1);
    EXPECT_NEAR(signedDistance(unit, box(4, 0, 5, 1)), 3, kExact);
    EXPECT_NEAR(signedDistance(unit, box(2, 2, 3, 3)), std::sqrt(2.0), kExact);  // corner to corner
    EXPECT_NEAR(signedDistance(unit, box(1, 0.5, 2, 3)), 0, kExact);             // touching
    // Overlaps: minus the shortest move that parts them.
    EXPECT_NEAR(signedDistance(box(0, 0, 2, 2), box(1, 0.5, 3, 1.5)), -1, kExact);
    EXPECT_NEAR(signedDistance(box(0, 0, 10, 10), box(4, 3, 5, 4)), -4, kExact);  // inside: 4 down past y = 0
    // A point: 3-4-5 from another point, inside a triangle by its distance to
    // the nearest edge's line, beyond a segment's end on its own line.
    const ConvexPiece origin = makePiece({{0, 0}});
    EXPECT_NEAR(signedDistance(origin, makePiece({{3, 4}})), 5, kExact);
    EXPECT_NEAR(signedDistance(origin, makePiece({{0, 0}})), 0, kExact);
    const ConvexPiece triangle = makePiece({{-3, -1}, {3, -1}, {0, 5}});
    EXPECT_NEAR(signedDistance(origin, triangle), -1, kExact);
    EXPECT_NEAR(signedDistance(makePiece({{5, 0}}), makePiece({{0, 0}, {3, 0}})), 2, kExact);
    EXPECT_NEAR(signedDistance(makePiece({{0, 0}, {1, 0}}), makePiece({{3, 0}, {7, 0}})), 2, kExact);
    // A segment across a square: it must move out by the nearer side.
    EXPECT_NEAR(signedDistance(box(0, 0, 4, 4), makePiece({{1, -2}, {1, 6}})), -1, kExact);
    // Empty pieces are nowhere.
    EXPECT_EQ(signedDistance(unit, ConvexPiece{}), std::numeric_limits<double>::infinity());
}

// Distance by brute force: pieces apart have the smallest of their
// edge-to-corner distances; pieces that cross or contain each other overlap.
double bruteDistance(const ConvexPiece& a, const ConvexPiece& b, bool& overlap) {
    auto inside = [](Vec2 p, const ConvexPiece& q) {
        if (q.count < 3) return false;
        int sign = 0;
        for (int i = 0; i < q.count; ++i) {
            const double c = cross(q.corner[(i + 1) % q.count] - q.corner[i], p - q.corner[i]);
            const int s = c > 0 ? 1 : c < 0 ? -1 : 0;
            if (s != 0 && sign != 0 && s != sign) return false;
            if (s != 0) sign = s;
        }
        return true;
    };
    overlap = inside(a.corner[0], b) || inside(b.corner[0], a);
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < a.count; ++i)
        for (int j = 0; j < b.count; ++j) {
            const Vec2 a0 = a.corner[i], a1 = a.corner[(i + 1) % a.count];
            const Vec2 b0 = b.corner[j], b1 = b.corner[(j + 1) % b.count];
            Vec2 at;
            if (properCrossing(a0, a1, b0, b1, at)) overlap = true;
            best = std::min({best, pointSegmentDistance(a0, b0, b1), pointSegmentDistance(b0, a0, a1)});
        }
    return best;
}

TEST(PlaneGeometry, RandomPiecesAgreeWithBruteForce) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-10, 10);
    std::uniform_int_distribution<int> corners(1, 4);
    int apart = 0, overlapping = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        Vec2 p[4], q[4];
        const int n = corners(random), m = corners(random);
        for (int i = 0; i < n; ++i) p[i] = {coordinate(random), coordinate(random)};
        for (int i = 0; i < m; ++i) q[i] = {coordinate(random) * 0.5 + 6, coordinate(random) * 0.5};
        const ConvexPiece a = makePiece(p, n), b = makePiece(q, m);
        bool overlap = false;
        const double brute = bruteDistance(a, b, overlap);
        const double d = signedDistance(a, b);
        EXPECT_NEAR(d, signedDistance(b, a), kExact);
        if (d > kExact) {
            ++apart;
            EXPECT_FALSE(overlap) << trial;
            EXPECT_NEAR(d, brute, testing::kWorkedFigure) << trial;
            EXPECT_LE(boxGap(a, b), d + kExact) << trial;
        } else if (d < -kExact) {
            ++overlapping;
            EXPECT_TRUE(overlap) << trial;
        }
    }
    EXPECT_GT(apart, 500);
    EXPECT_GT(overlapping, 500);
}

TEST(PlaneGeometry, OverlapDepthIsTheShortestParting) {
    // Moving the second piece by the depth along the direction that parts
    // them first leaves them touching; no direction parts them sooner.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(-3, 3);
    for (int trial = 0; trial < 40; ++trial) {
        Vec2 p[4], q[4];
        for (auto& v : p) v = {coordinate(random), coordinate(random)};
        for (auto& v : q) v = {coordinate(random), coordinate(random)};
        const ConvexPiece a = makePiece(p, 4), b = makePiece(q, 3);
        const double depth = -signedDistance(a, b);
        if (depth <= 1e-6) continue;
        double soonest = std::numeric_limits<double>::infinity();
        for (int k = 0; k < 360; ++k) {
            const Vec2 u{std::cos(k * M_PI / 180), std::sin(k * M_PI / 180)};
            Vec2 moved[4];
            double lo = 0, hi = 4 * depth + 20;  // the distance along u that parts them
            for (int step = 0; step < 60; ++step) {
                const double mid = 0.5 * (lo + hi);
                for (int i = 0; i < 3; ++i) moved[i] = q[i] + mid * u;
                (signedDistance(a, makePiece(moved, 3)) > 0 ? hi : lo) = mid;
            }
            soonest = std::min(soonest, hi);
        }
        EXPECT_GE(soonest, depth - 1e-6) << trial;
        EXPECT_LE(soonest, depth + depth * 0.01) << trial;  // a degree off gives 1 % at most
    }
}

TEST(PlaneGeometry, ProperCrossings) {
    Vec2 at;
    ASSERT_TRUE(properCrossing({0, 0}, {4, 4}, {0, 4}, {4, 0}, at));
    EXPECT_NEAR(at.x, 2, kExact);
    EXPECT_NEAR(at.y, 2, kExact);
    EXPECT_FALSE(properCrossing({0, 0}, {4, 4}, {4, 4}, {8, 0}, at));  // meeting at an end
    EXPECT_FALSE(properCrossing({0, 0}, {4, 0}, {0, 1}, {4, 1}, at));  // parallel
    EXPECT_FALSE(properCrossing({0, 0}, {1, 1}, {0, 4}, {4, 0}, at));  // short of each other
}

}  // namespace
}  // namespace orvelin
