// Plane geometry for the clearance check: points, small convex pieces (a
// point, a segment, a triangle or a quadrilateral) and the signed distance
// between two of them.  Every shape the check compares (a beam envelope, a
// mirror's body) is a union of such pieces, so the distance between two
// shapes is the smallest distance between their pieces.
#pragma once

#include <array>
#include <initializer_list>

namespace orvelin {

struct Vec2 {
    double x = 0;
    double y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(double k, Vec2 a) {
    return {k * a.x, k * a.y};
}
inline double dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
/// z of the cross product: positive when b turns anticlockwise from a (in a
/// frame whose y axis points up).
inline double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

/// Distance from point p to the segment a-b (a point when a == b).
double pointSegmentDistance(Vec2 p, Vec2 a, Vec2 b);

/// A convex piece of at most four corners, in order around it.  Degenerate
/// input is reduced when the piece is made: corners that coincide become a
/// point (count 1), corners on one line the segment between the outermost
/// two (count 2).  lo and hi bound it.
struct ConvexPiece {
    std::array<Vec2, 4> corner{};
    int count = 0;
    Vec2 lo, hi;
    /// Unit directions across which the piece could be told apart from
    /// another: its edges' normals, and a segment's own direction.
    std::array<Vec2, 4> axis{};
    int axisCount = 0;
};

/// The convex hull of up to four points as a piece (degenerate hulls reduced
/// as above).  Points that are not finite give an empty piece (count 0),
/// which is at infinite distance from everything.
ConvexPiece makePiece(const Vec2* points, int n);
ConvexPiece makePiece(std::initializer_list<Vec2> points);

/// Signed distance between two convex pieces: the distance between their
/// nearest points when they are apart, 0 when they touch, and minus the depth
/// of the overlap when they overlap -- the shortest move of one piece that
/// brings them apart.
double signedDistance(const ConvexPiece& a, const ConvexPiece& b);

/// A lower bound of signedDistance(a, b) from the bounding boxes alone, valid
/// only when it is positive: the gap between the boxes.  0 when the boxes
/// touch or overlap (the pieces may then overlap by any depth).
double boxGap(const ConvexPiece& a, const ConvexPiece& b);

/// Where segments a0-a1 and b0-b1 cross, when they cross at a point inside
/// both (not at an end, not when parallel).
bool properCrossing(Vec2 a0, Vec2 a1, Vec2 b0, Vec2 b1, Vec2& at);

}  // namespace orvelin
