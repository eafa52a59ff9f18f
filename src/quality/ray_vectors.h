// Points and directions of traced rays as 3-vectors, for the reference
// sphere and the wavefront sums of the image-quality code.
#pragma once

#include "design/vec3.h"
#include "quality/field_rays.h"

namespace orvelin::ray_vectors {

using orvelin::cross;
using orvelin::dot;
using orvelin::Vec3;

inline Vec3 position(const FieldRay& r) {
    return {r.x, r.y, r.z};
}
inline Vec3 direction(const FieldRay& r) {
    return {r.L, r.M, r.N};
}

}  // namespace orvelin::ray_vectors
