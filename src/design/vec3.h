// Three-vectors for points and directions in space: the placement of
// surfaces for the file exchange and the rays of the image-quality sums.
#pragma once

#include <cmath>

namespace orvelin {

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

}  // namespace orvelin
