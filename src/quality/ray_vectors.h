// Points and directions of traced rays as 3-vectors, for the reference
// sphere and the wavefront sums of the image-quality code.
#pragma once

#include "quality/field_rays.h"

namespace orvelin::ray_vectors {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, Vec3 a) {
    return {s * a.x, s * a.y, s * a.z};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Vec3 position(const FieldRay& r) {
    return {r.x, r.y, r.z};
}
inline Vec3 direction(const FieldRay& r) {
    return {r.L, r.M, r.N};
}

}  // namespace orvelin::ray_vectors
