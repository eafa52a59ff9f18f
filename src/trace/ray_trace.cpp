// Real-ray trace through tilted conic and toroidal mirrors.
//
// Sign conventions: every space has its own frame with light travelling
// towards +z.  A mirror therefore returns the reflected direction negated
// (the "unfolded" ray), and the physical folding is carried by the medium
// signs that are already part of the signed radii and separations.
#include "trace/ray_trace.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "trace/conic_root.h"

namespace orvelin {

namespace {

// The per-ray steps are forced inline.  The multi-surface traces carry the
// ray in a local that the compiler keeps in registers only while no call
// takes its address; one such call sends it through memory at every step of
// every surface, and a ray's surfaces form one long chain of dependent
// arithmetic in which each of those trips adds to the time per ray.
#define ORVELIN_RAY_STEP [[gnu::always_inline]] inline

/// Surfaces a multi-surface trace may visit: never beyond the arrays.
int lastSurface(const Design& design) {
    return std::clamp(design.surfaceCount, 0, kMaxSurfaces);
}

bool fail(TraceState& state, TraceStatus status) {
    state.status = status;
    return false;
}

/// Move the ray along its direction to the plane z = d (the vertex plane of
/// the surface, d ahead of the current origin) and make the vertex the
/// origin.  A ray travelling parallel to that plane never reaches it.
ORVELIN_RAY_STEP bool transferToVertexPlane(RayState& r, double d) {
    if (r.N == 0) return false;
    const double t = (r.z - d) / r.N;
    r.x -= t * r.L;
    r.y -= t * r.M;
    r.z = 0;
    return true;
}

/// A ray that left a surface with an infinite or undefined coordinate has
/// not really met it (overflow from absurd design values, or NaN input).
ORVELIN_RAY_STEP bool finiteRay(const RayState& r) {
    return std::isfinite(r.x + r.y + r.z + r.L + r.M + r.N);
}

ORVELIN_RAY_STEP void reflectFlat(RayState& r) {
    r.L = -r.L;
    r.M = -r.M;
    r.N = std::fabs(r.N);
}

/// Sphere of signed radius R whose vertex lies d ahead; intersected
/// directly, on the hemisphere that contains the vertex.
ORVELIN_RAY_STEP bool traceSphere(RayState& r, double d, double R) {
    // The reflection scales the normal by 2 sqrt(q) / (|R| R).  The quotient
    // 2 / (|R| R) belongs to the surface alone: formed alongside the
    // intersection, it leaves a single product on the ray's path.
    const double rr = std::fabs(R) * R;
    const double twoOverRR = 2 / rr;
    const double zv = r.z - d;  // height above the vertex plane
    const double zc = zv - R;   // relative to the centre of curvature
    const double D = R * R - r.x * r.x - r.y * r.y - zc * zc;
    const double B = r.L * r.x + r.M * r.y + r.N * zc;
    const double q = B * B + D;
    if (!(q >= 0)) return false;  // also catches NaN
    const double root = std::sqrt(q);
    const double w = B + std::copysign(root, R);
    r.x -= w * r.L;
    r.y -= w * r.M;
    r.z = zv - w * r.N;
    if (rr == 0) return false;  // a radius so small its square underflows
    const double k = root * twoOverRR;
    r.L = -r.L - k * r.x;
    r.M = -r.M - k * r.y;
    r.N = -r.N - k * (r.z - R);
    return true;
}

/// General conic x^2 + y^2 + P z^2 - 2 R z = 0, vertex at the origin, the
/// ray already in the vertex plane.
ORVELIN_RAY_STEP bool traceConic(RayState& r, double R, double P) {
    const ConicQuadratic<double> q = conicQuadratic(r.x, r.y, r.L, r.M, r.N, R, P);
    // qb = 0 means the ray runs along the surface's tangent at its foot
    // (or the quadratic degenerates): no usable intersection.
    if (q.qb == 0) return false;
    double u;
    if (q.qa == 0) {
        u = conicLinearRoot(q);
    } else {
        const double discriminant = conicDiscriminant(q);
        if (!(discriminant >= 0)) return false;
        u = conicNearRoot(q, discriminant);
    }
    r.x += u * r.L;
    r.y += u * r.M;
    r.z = u * r.N;
    // Reflect about the normal (x, y, P z - R).  With n unnormalised the
    // mirror image of the direction is 2 (D.n / n.n) n - D: the same as with
    // the unit normal, without the square root and the three divisions by
    // its length that would sit on every ray's critical path.
    const double nz = P * r.z - R;
    const double n2 = r.x * r.x + r.y * r.y + nz * nz;
    if (n2 >= DBL_MIN && n2 <= DBL_MAX) {
        const double k = 2 * (r.L * r.x + r.M * r.y + r.N * nz) / n2;
        r.L = k * r.x - r.L;
        r.M = k * r.y - r.M;
        r.N = k * nz - r.N;
        return true;
    }
    // A normal whose squared length leaves the range of doubles (radii near
    // the limits of the format): only the unit normal stays finite.
    const double len = std::sqrt(n2);
    if (!(len > 0)) return false;
    const double nx = r.x / len, ny = r.y / len, nzUnit = nz / len;
    const double g = r.L * nx + r.M * ny + r.N * nzUnit;
    r.L = 2 * g * nx - r.L;
    r.M = 2 * g * ny - r.M;
    r.N = 2 * g * nzUnit - r.N;
    return true;
}

/// Sag S and normal z-component beta of the toroid at (x, y): the sag of the
/// sphere whose curvature is the normal curvature in that azimuth.  False
/// where that sphere does not reach (the ray misses the toroid).
ORVELIN_RAY_STEP bool toroidSag(double x, double y, double cv, double cvs, double& S, double& beta) {
    const double r2 = x * x + y * y;
    if (r2 == 0) {  // at the vertex (or so near it that r^2 underflows)
        beta = 1;
        S = 0;
        return true;
    }
    const double omega = cv * x * x + cvs * y * y;
    const double arg = 1 - omega * omega / r2;
    if (!(arg >= 0)) return false;
    beta = std::sqrt(arg);
    S = omega / (1 + beta);
    return std::isfinite(S);
}

/// Toroid: successive tangent planes.  Bounded in passes; a ray that leaves
/// the surface's reach, runs parallel to a tangent plane, or does not settle
/// is a miss.
ORVELIN_RAY_STEP bool traceToroid(RayState& r, double cv, double cvs) {
    double S, beta;
    if (!toroidSag(r.x, r.y, cv, cvs, S, beta)) return false;
    double nx = 0, ny = 0, nz = 1, g = r.N;
    bool settled = false;
    double lastChange = 0;
    for (int pass = 0; pass < kToroidMaxPasses; ++pass) {
        const double S0 = S;
        nx = -cv * r.x;
        ny = -cvs * r.y;
        nz = beta;
        g = r.L * nx + r.M * ny + r.N * nz;
        if (g == 0) return false;
        const double t = beta * (S0 - r.z) / g;
        r.x += t * r.L;
        r.y += t * r.M;
        r.z += t * r.N;
        if (!toroidSag(r.x, r.y, cv, cvs, S, beta)) return false;
        lastChange = std::fabs(S0 - S);
        if (lastChange <= kToroidSagTolerance) {
            settled = true;
            break;
        }
    }
    // Far from the vertex a fixed 1e-12 can sit below the rounding of the sag
    // itself, so the passes may end dithering at that level: accept a last
    // change of rounding size, but not a ray that is still wandering.
    if (!settled && !(lastChange <= 1e-11 * std::max(1.0, std::fabs(S)))) return false;
    const double k = 2 * g / (nx * nx + ny * ny + nz * nz);
    r.L = k * nx - r.L;
    r.M = k * ny - r.M;
    r.N = k * nz - r.N;
    return true;
}

}  // namespace

std::string traceProblemMessage(TraceStatus status) {
    if (status == kTraceOk) return {};
    if (status == kTraceApertureZero) return "Aperture is zero";
    if (status == kTraceNoFocus) return "There is no focus";
    return "Light misses surface #" + std::to_string(status - 3);
}

// ---------------------------------------------------------------------------

namespace {
bool setEntrance(const Design& design, TraceState& state, double kappa) {
    const double h = design.semiAperture;
    const double q = 1 - design.surfaces[1].oneMinusConic * kappa * kappa * h * h;
    // The aperture reaches beyond the rim the surface can have.
    if (!(q >= 0)) return fail(state, traceMissStatus(1));
    state.entrance = -kappa * h * h / (1 + std::sqrt(q));
    return true;
}
}  // namespace

bool setEntranceTangential(const Design& design, TraceState& state) {
    return setEntrance(design, state, design.surfaces[1].curvature);
}

bool setEntranceSagittal(const Design& design, TraceState& state) {
    return setEntrance(design, state, design.surfaces[1].sagCurvature);
}

void startAxialRay(RayState& ray) {
    ray = RayState{0, 0, 0, 0, 0, 1};
}

void startFieldRayPlus(const Design& design, RayState& ray) {
    ray = RayState{0, 0, 0, design.surfaces[1].mediumSign * design.sinField, 0, design.cosField};
}

void startFieldRayMinus(const Design& design, RayState& ray) {
    ray = RayState{0, 0, 0, -design.sinField * design.surfaces[1].mediumSign, 0, design.cosField};
}

void startFieldRaySagittal(const Design& design, RayState& ray) {
    ray = RayState{0, 0, 0, 0, design.surfaces[1].mediumSign * design.sinField, design.cosField};
}

// ---------------------------------------------------------------------------

namespace {

/// Surface i on a ray the caller holds: the turn into the tilted surface,
/// the intersection and the reflection.  False on a miss.  Kept apart from
/// the status so that the multi-surface traces, which inline it, carry the
/// ray from surface to surface in registers rather than through memory.
/// Surface 1 lies `entrance` beyond the start plane.
ORVELIN_RAY_STEP bool surfaceStep(const Design& design, RayState& r, int i, double entrance) {
    double d = i == 1 ? entrance : design.surfaces[i - 1].signedSeparation;

    if (design.surfaces[i].tilt != 0) {
        const double st = design.surfaces[i].sinTilt, ct = design.surfaces[i].cosTilt;
        if (i != 1) {
            // Turn the position about the vertex of surface i, which lies d
            // ahead on the incoming axis.  Surface 1 is different: the start
            // plane is already perpendicular to its axis.
            const double x = r.x, z = r.z;
            r.x = x * ct + z * st - d * st;
            r.z = z * ct - x * st;
            d *= ct;
        }
        const double L = r.L, N = r.N;
        r.L = L * ct + N * st;
        r.N = N * ct - L * st;
    }

    bool hit;
    const double R = design.surfaces[i].signedRadius;
    if (design.surfaces[i].kind == kToroid) {
        hit = transferToVertexPlane(r, d) &&
              traceToroid(r, design.surfaces[i].curvature, design.surfaces[i].sagCurvature);
    } else if (R == 0) {
        hit = transferToVertexPlane(r, d);
        if (hit) reflectFlat(r);
    } else if (design.surfaces[i].oneMinusConic == 1) {
        hit = traceSphere(r, d, R);
    } else {
        hit = transferToVertexPlane(r, d) && traceConic(r, R, design.surfaces[i].oneMinusConic);
    }
    return hit && finiteRay(r);
}

/// The full turn out of tilted surface i, about its vertex (the origin).
ORVELIN_RAY_STEP void turnOut(const Design& design, RayState& r, int i) {
    if (design.surfaces[i].tilt == 0) return;
    const double st = design.surfaces[i].sinTilt, ct = design.surfaces[i].cosTilt;
    const double x = r.x, z = r.z;
    r.z = z * ct - x * st;
    r.x = x * ct + z * st;
    const double L = r.L, N = r.N;
    r.L = L * ct + N * st;
    r.N = N * ct - L * st;
}

/// What a multi-surface trace does at the focal plane after tracing it.
enum class FocalPlaneTurn { None, ImageX };

/// Surfaces 1..last in order, stopping at the first miss; every mirror is
/// followed by its full turn out, the focal plane (if last reaches it) by
/// `atFocalPlane`.
bool traceSurfaces(const Design& design, TraceState& state, int last, FocalPlaneTurn atFocalPlane) {
    const int n = lastSurface(design);
    RayState r = state.ray;
    for (int i = 1; i <= last; ++i) {
        if (!surfaceStep(design, r, i, state.entrance)) {
            state.ray = r;
            return fail(state, traceMissStatus(i));
        }
        if (i < n) {
            turnOut(design, r, i);
        } else if (atFocalPlane == FocalPlaneTurn::ImageX && design.surfaces[i].tilt != 0) {
            // Image coordinate across a tilted focal plane: only x is turned.
            r.x = r.x * design.surfaces[i].cosTilt + r.z * design.surfaces[i].sinTilt;
        }
    }
    state.ray = r;
    return true;
}

}  // namespace

bool traceSurface(const Design& design, TraceState& state, int i) {
    if (!surfaceStep(design, state.ray, i, state.entrance)) return fail(state, traceMissStatus(i));
    return true;
}

void leaveSurface(const Design& design, RayState& ray, int i) {
    turnOut(design, ray, i);
}

bool traceToLastMirror(const Design& design, TraceState& state) {
    return traceSurfaces(design, state, lastSurface(design) - 1, FocalPlaneTurn::None);
}

bool traceToFocalPlane(const Design& design, TraceState& state) {
    return traceSurfaces(design, state, lastSurface(design), FocalPlaneTurn::None);
}

bool traceToImage(const Design& design, TraceState& state) {
    return traceSurfaces(design, state, lastSurface(design), FocalPlaneTurn::ImageX);
}

// ---------------------------------------------------------------------------

void trackSpotExtentX(TraceState& state) {
    const double x = state.ray.x;
    if (x < state.extent.xMin) state.extent.xMin = x;
    if (x > state.extent.xMax) state.extent.xMax = x;
}

void trackSpotExtent(TraceState& state) {
    const double y = state.ray.y;
    if (y < state.extent.yMin) state.extent.yMin = y;
    if (y > state.extent.yMax) state.extent.yMax = y;
    trackSpotExtentX(state);
}

}  // namespace orvelin
