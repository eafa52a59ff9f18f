// Small 3-D vector algebra for placing surfaces in space: a point or
// direction, a rotation held as the three axes of a local frame, and a
// frame (origin plus axes).
#pragma once

#include <cmath>

namespace orvelin::exchange {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double k, Vec3 a) {
    return {k * a.x, k * a.y, k * a.z};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(Vec3 a) {
    return std::sqrt(dot(a, a));
}
inline Vec3 unit(Vec3 a) {
    return (1 / norm(a)) * a;
}
/// Mirror image of direction d in a surface of normal n (n of unit length).
inline Vec3 reflect(Vec3 d, Vec3 n) {
    return d - (2 * dot(d, n)) * n;
}

/// A rotation, held as the images of the x, y and z axes (the columns of the
/// matrix): the axes of a local frame written in the outer frame.
struct Axes {
    Vec3 ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};

    /// A vector given in local coordinates, written in the outer frame.
    Vec3 operator*(Vec3 v) const { return v.x * ex + v.y * ey + v.z * ez; }
    /// This rotation followed, in the local frame, by `b` (intrinsic order).
    Axes operator*(const Axes& b) const { return {(*this) * b.ex, (*this) * b.ey, (*this) * b.ez}; }
    /// Local coordinates of a vector given in the outer frame.
    Vec3 toLocal(Vec3 v) const { return {dot(v, ex), dot(v, ey), dot(v, ez)}; }
};

/// Right-handed rotations of a frame about its own x, y and z axes.
inline Axes rotationX(double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {{1, 0, 0}, {0, c, s}, {0, -s, c}};
}
inline Axes rotationY(double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {{c, 0, -s}, {0, 1, 0}, {s, 0, c}};
}
inline Axes rotationZ(double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    return {{c, s, 0}, {-s, c, 0}, {0, 0, 1}};
}

/// A local frame: its origin and axes in the outer frame.
struct Frame {
    Vec3 origin;
    Axes axes;

    Vec3 toGlobal(Vec3 local) const { return origin + axes * local; }
    Vec3 toLocal(Vec3 global) const { return axes.toLocal(global - origin); }
};

}  // namespace orvelin::exchange
