#include "clearance/plane_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvelin {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool finite(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The range of a piece's corners along a unit axis.
void project(const ConvexPiece& p, Vec2 axis, double& lo, double& hi) {
    lo = hi = dot(p.corner[0], axis);
    for (int i = 1; i < p.count; ++i) {
        const double t = dot(p.corner[i], axis);
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
}

// Squared distance from p to the segment a-b.  Coordinates stay below 1e150
// (the clearance check refuses larger ones), so squares do not overflow.
double pointSegmentDistance2(Vec2 p, Vec2 a, Vec2 b) {
    const Vec2 ab = b - a;
    const double len2 = dot(ab, ab);
    double t = len2 > 0 ? dot(p - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const Vec2 d = p - (a + t * ab);
    return dot(d, d);
}

// Smallest squared distance from a corner of a to an edge of b.  A point's only
// "edge" is the point itself, a segment's the segment.
double cornersToEdges(const ConvexPiece& a, const ConvexPiece& b) {
    double best = kInfinity;
    const int edges = b.count <= 2 ? 1 : b.count;
    for (int e = 0; e < edges; ++e) {
        const Vec2 p = b.corner[e];
        const Vec2 q = b.corner[b.count == 1 ? 0 : (e + 1) % b.count];
        for (int i = 0; i < a.count; ++i) best = std::min(best, pointSegmentDistance2(a.corner[i], p, q));
    }
    return best;
}

}  // namespace

double pointSegmentDistance(Vec2 p, Vec2 a, Vec2 b) {
    return std::sqrt(pointSegmentDistance2(p, a, b));
}

ConvexPiece makePiece(const Vec2* points, int n) {
    ConvexPiece piece;
    n = std::min(n, 4);
    std::array<Vec2, 4> q{};
    for (int i = 0; i < n; ++i) {
        if (!finite(points[i])) return piece;
        q[i] = points[i];
    }
    if (n == 0) return piece;
    // Andrew's monotone chain over at most four points: points that coincide
    // or lie on a hull edge drop out, so a degenerate hull is a segment or a
    // point.
    auto before = [](Vec2 a, Vec2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); };
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && before(q[j], q[j - 1]); --j) std::swap(q[j], q[j - 1]);
    std::array<Vec2, 9> hull{};
    int k = 0;
    for (int i = 0; i < n; ++i) {
        while (k >= 2 && cross(hull[k - 1] - hull[k - 2], q[i] - hull[k - 2]) <= 0) --k;
        hull[k++] = q[i];
    }
    for (int i = n - 2, lower = k + 1; i >= 0; --i) {
        while (k >= lower && cross(hull[k - 1] - hull[k - 2], q[i] - hull[k - 2]) <= 0) --k;
        hull[k++] = q[i];
    }
    int count = k > 1 ? k - 1 : 1;  // the chain ends where it began
    if (count == 2 && hull[0].x == hull[1].x && hull[0].y == hull[1].y) count = 1;
    piece.count = std::min(count, 4);
    for (int i = 0; i < piece.count; ++i) piece.corner[i] = hull[i];

    piece.lo = piece.hi = piece.corner[0];
    for (int i = 1; i < piece.count; ++i) {
        piece.lo = {std::min(piece.lo.x, piece.corner[i].x), std::min(piece.lo.y, piece.corner[i].y)};
        piece.hi = {std::max(piece.hi.x, piece.corner[i].x), std::max(piece.hi.y, piece.corner[i].y)};
    }
    // The axes: every edge's normal; a segment also needs its own direction
    // to tell it from a piece that lies on its line beyond its ends.
    const int edges = piece.count == 1 ? 0 : piece.count == 2 ? 1 : piece.count;
    for (int e = 0; e < edges; ++e) {
        const Vec2 d = piece.corner[(e + 1) % piece.count] - piece.corner[e];
        const double len = std::sqrt(dot(d, d));
        if (!(len > 0) || !std::isfinite(len)) continue;
        piece.axis[piece.axisCount++] = {-d.y / len, d.x / len};
        if (piece.count == 2) piece.axis[piece.axisCount++] = {d.x / len, d.y / len};
    }
    return piece;
}

ConvexPiece makePiece(std::initializer_list<Vec2> points) {
    return makePiece(points.begin(), static_cast<int>(points.size()));
}

double signedDistance(const ConvexPiece& a, const ConvexPiece& b) {
    if (a.count == 0 || b.count == 0) return kInfinity;
    if (a.axisCount == 0 && b.axisCount == 0) {  // two points
        const Vec2 d = a.corner[0] - b.corner[0];
        return std::sqrt(dot(d, d));
    }
    // Separating axes: two convex pieces are apart exactly when their ranges
    // along one of these axes do not meet, and when they overlap the shortest
    // move that parts them lies along one of them.
    double depth = kInfinity;
    for (const ConvexPiece* p : {&a, &b}) {
        for (int i = 0; i < p->axisCount; ++i) {
            double aLo, aHi, bLo, bHi;
            project(a, p->axis[i], aLo, aHi);
            project(b, p->axis[i], bLo, bHi);
            const double gap = std::max(bLo - aHi, aLo - bHi);
            if (gap > 0) return std::sqrt(std::min(cornersToEdges(a, b), cornersToEdges(b, a)));
            depth = std::min(depth, -gap);
        }
    }
    return -depth;
}

double boxGap(const ConvexPiece& a, const ConvexPiece& b) {
    const double dx = std::max({a.lo.x - b.hi.x, b.lo.x - a.hi.x, 0.0});
    const double dy = std::max({a.lo.y - b.hi.y, b.lo.y - a.hi.y, 0.0});
    return std::sqrt(dx * dx + dy * dy);
}

bool properCrossing(Vec2 a0, Vec2 a1, Vec2 b0, Vec2 b1, Vec2& at) {
    const Vec2 da = a1 - a0, db = b1 - b0;
    const double o1 = cross(da, b0 - a0), o2 = cross(da, b1 - a0);
    const double o3 = cross(db, a0 - b0), o4 = cross(db, a1 - b0);
    if (!((o1 < 0 && o2 > 0) || (o1 > 0 && o2 < 0))) return false;
    if (!((o3 < 0 && o4 > 0) || (o3 > 0 && o4 < 0))) return false;
    const double t = o3 / (o3 - o4);
    at = a0 + t * da;
    return true;
}

}  // namespace orvelin
