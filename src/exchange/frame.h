// Small 3-D vector algebra for placing surfaces in space: a point or
// direction, a rotation held as the three axes of a local frame, and a
// frame (origin plus axes).
#pragma once

#include <cmath>

#include "design/vec3.h"

namespace orvelin::exchange {

using orvelin::cross;
using orvelin::dot;
using orvelin::norm;
using orvelin::reflect;
using orvelin::unit;
using orvelin::Vec3;

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
