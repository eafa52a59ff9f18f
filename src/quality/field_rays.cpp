#include "quality/field_rays.h"

#include <algorithm>
#include <cmath>

namespace orvelin {

void startQualityRay(const Design& design, QualityField field, RayState& ray) {
    switch (field) {
        case QualityField::center:
            startAxialRay(ray);
            break;
        case QualityField::minus:
            startFieldRayMinus(design, ray);
            break;
        case QualityField::plus:
            startFieldRayPlus(design, ray);
            break;
        case QualityField::sagittal:
            startFieldRaySagittal(design, ray);
            break;
    }
}

// The optical path is the sum of the signed lengths between successive hit
// points.  traceSurface leaves each hit point in the surface's own frame; it
// is taken back into the frame the ray came from (the turn into a tilted
// surface is a rotation about its vertex), where the length along the
// incoming direction is a dot product.  A virtual stretch (a hit behind the
// ray) counts negative, as it must for the wavefront.
//
// The trace runs every ray towards +z: after a mirror it follows the
// reflected ray's line in whichever sense makes it so, the surfaces standing
// where they physically are.  The medium sign of a space (-1 where the light
// really travels towards -z) turns the trace's signed length into the
// physical one.
//
// Surface 1 is special: its start plane is perpendicular to its own axis, so
// only the direction is turned into it, and the incoming plane wavefront is
// the plane through the start plane's origin perpendicular to that turned
// direction; a ray starting at p in the start plane has already travelled
// p . D beyond it.
FieldRay traceFieldRay(const Design& design, const RayState& start) {
    FieldRay out;
    const int n = std::clamp(design.surfaceCount, 0, kMaxSurfaces);
    if (n < 1) {
        out.status = kTraceNoFocus;
        return out;
    }
    TraceState state;
    state.ray = start;
    RayState& r = state.ray;

    // Incoming direction in the frame of surface 1.
    double dl = r.L, dm = r.M, dn = r.N;
    const Surface& s1 = design.surfaces[1];
    if (s1.tilt != 0) {
        const double l = dl, nn = dn;
        dl = l * s1.cosTilt + nn * s1.sinTilt;
        dn = nn * s1.cosTilt - l * s1.sinTilt;
    }
    auto sign = [&](int i) { return design.surfaces[i].mediumSign < 0 ? -1.0 : 1.0; };
    double path = sign(1) * (r.x * dl + r.y * dm + r.z * dn);

    for (int i = 1; i <= n; ++i) {
        const Surface& s = design.surfaces[i];
        if (i > 1) {
            dl = r.L;
            dm = r.M;
            dn = r.N;
        }
        const double px = r.x, py = r.y, pz = r.z;
        if (!traceSurface(design, state, i)) {
            out.status = state.status;
            return out;
        }
        const double d = design.surfaces[i - 1].signedSeparation;
        double hx = r.x, hz = r.z + d;
        if (i > 1 && s.tilt != 0) {
            hx = s.cosTilt * r.x - s.sinTilt * r.z;
            hz = d + s.sinTilt * r.x + s.cosTilt * r.z;
        }
        path += sign(i) * ((hx - px) * dl + (r.y - py) * dm + (hz - pz) * dn);
        if (i < n) {
            leaveSurface(design, r, i);
            continue;
        }
        // The focal plane: its hit point as traced, and the direction the
        // light arrives with (the trace reflects it there, which nobody
        // wants here), turned into the focal plane's frame.
        out.x = r.x;
        out.y = r.y;
        out.z = r.z;
        if (i > 1 && s.tilt != 0) {
            out.L = dl * s.cosTilt + dn * s.sinTilt;
            out.N = dn * s.cosTilt - dl * s.sinTilt;
        } else {
            out.L = dl;
            out.N = dn;
        }
        out.M = dm;
        out.path = path;
    }
    // Values too large for the arithmetic that follows make no image.
    if (!std::isfinite(out.x + out.y + out.z + out.L + out.M + out.N + out.path))
        out.status = traceMissStatus(n);
    return out;
}

void traceFieldRays(const Design& design, QualityField field, std::span<const PupilSample> samples,
                    std::span<FieldRay> out) {
    const double h = design.semiAperture;
    RayState ray;
    for (size_t k = 0; k < samples.size(); ++k) {
        startQualityRay(design, field, ray);
        ray.x = samples[k].a * h;
        ray.y = samples[k].b * h;
        out[k] = traceFieldRay(design, ray);
    }
}

}  // namespace orvelin
