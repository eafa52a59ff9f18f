// What the wavefront of a field is measured against: a sphere through the
// exit pupil, centred on a point near the image, and the optical path of a
// ray up to it.  The image-quality figures search the sphere's best centre;
// the aberration plots keep it on the chief ray's image point.
#pragma once

#include <cmath>

#include "design/design.h"
#include "quality/field_rays.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// A reference sphere: centred on C, through the exit pupil at distance R
/// along the chief ray, upstream of C (sigma +1) or downstream (-1).  An
/// exit pupil at infinity makes it a plane (R infinite).
struct ReferenceSphere {
    double R = INFINITY;
    double sigma = 1;
};

/// The sphere of a field whose rays start as `start` and whose chief ray
/// arrived as `chief`: its radius is the distance along the chief ray from
/// the chief ray's focal-plane point to the exit pupil, where rays from the
/// centre of the entrance pupil a little off the chief ray's direction
/// cross it.  A plane when nothing says where the exit pupil lies.
ReferenceSphere exitPupilSphere(const Design& design, const RayState& start, const FieldRay& chief);

/// A ray's optical path up to the sphere centred on `centre` (the focal
/// plane's own frame), less a constant of the field, in the design's unit:
/// differences between rays of one field are the wavefront aberration.
double pathToSphere(const FieldRay& ray, const double centre[3], const ReferenceSphere& sphere);

/// The focal surface alone, untilted, vertex at the origin: re-intersecting
/// a ray with it gives the hit point in the focal plane's own frame (a moved
/// focal plane: the ray moved back instead).  Traced with the entrance
/// distance 0, the ray already lies in its vertex plane's frame.
Design focalSurfaceAlone(const Design& design);

}  // namespace orvelin
