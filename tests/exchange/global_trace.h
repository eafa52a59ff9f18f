// A second, independent ray trace for the exchange tests: real rays through
// surfaces placed anywhere in space, each intersected as an implicit surface
// in its own frame and reflected by the law of reflection in global
// coordinates.  It knows nothing of medium signs, signed distances or the
// unfolded frames of the design's own trace; agreement of the two on the
// image points is what shows that a placement has its signs right.
#pragma once

#include <cmath>
#include <optional>
#include <vector>

#include "design/design.h"
#include "exchange/frame.h"

namespace orvelin::testing {

using exchange::Axes;
using exchange::Frame;
using exchange::Vec3;

struct GlobalSurface {
    Frame frame;
    bool toroid = false;
    double cx = 0, cy = 0;  ///< curvatures along the local x and y (equal for a conic)
    double P = 1;           ///< 1 + Schwarzschild constant (conics only)
};

/// Value and derivative, for the toroid's sag and its slopes.
struct Dual {
    double v, d;
};
inline Dual operator+(Dual a, Dual b) {
    return {a.v + b.v, a.d + b.d};
}
inline Dual operator-(Dual a, Dual b) {
    return {a.v - b.v, a.d - b.d};
}
inline Dual operator*(Dual a, Dual b) {
    return {a.v * b.v, a.d * b.v + a.v * b.d};
}
inline Dual operator/(Dual a, Dual b) {
    return {a.v / b.v, (a.d * b.v - a.v * b.d) / (b.v * b.v)};
}
inline Dual sqrtD(Dual a) {
    const double s = std::sqrt(a.v);
    return {s, a.d / (2 * s)};
}

/// The design's toroid: the sag of the sphere whose curvature is the normal
/// curvature in the azimuth of (x, y).
inline Dual toroidSag(Dual x, Dual y, double cx, double cy) {
    const Dual r2 = x * x + y * y;
    if (r2.v == 0) return {0, 0};
    const Dual w = Dual{cx, 0} * x * x + Dual{cy, 0} * y * y;
    const Dual beta = sqrtD(Dual{1, 0} - w * w / r2);
    return w / (Dual{1, 0} + beta);
}

/// Where the line p + t d (local coordinates) meets the surface: the
/// intersection on the sheet through the vertex.
inline std::optional<double> meet(const GlobalSurface& s, Vec3 p, Vec3 d) {
    if (s.toroid) {
        double t = -p.z / d.z;  // start in the vertex plane, then Newton
        for (int k = 0; k < 100; ++k) {
            const Dual x{p.x + t * d.x, d.x}, y{p.y + t * d.y, d.y};
            const Dual S = toroidSag(x, y, s.cx, s.cy);
            const double g = p.z + t * d.z - S.v, dg = d.z - S.d;
            const double step = g / dg;
            t -= step;
            if (std::abs(step) < 1e-13 * (1 + std::abs(t))) return t;
        }
        return std::nullopt;
    }
    const double c = s.cx;
    if (c == 0) return -p.z / d.z;
    // c (x^2 + y^2) + P c z^2 - 2 z = 0 along the line: a t^2 + b t + e = 0.
    const double a = c * (d.x * d.x + d.y * d.y) + s.P * c * d.z * d.z;
    const double b = 2 * (c * (p.x * d.x + p.y * d.y) + s.P * c * p.z * d.z - d.z);
    const double e = c * (p.x * p.x + p.y * p.y) + s.P * c * p.z * p.z - 2 * p.z;
    if (std::abs(a) < 1e-300) return -e / b;
    const double q = b * b - 4 * a * e;
    if (q < 0) return std::nullopt;
    const double h = -0.5 * (b + std::copysign(std::sqrt(q), b));
    const double t1 = h / a, t2 = e / h;
    // The root nearer the vertex plane lies on the vertex's sheet.
    return std::abs(p.z + t1 * d.z) < std::abs(p.z + t2 * d.z) ? t1 : t2;
}

inline Vec3 normalAt(const GlobalSurface& s, Vec3 q) {
    if (s.toroid) {
        // The design's toroid reflects about the normal of the azimuth's
        // sphere, (-cx x, -cy y, beta): its law, not the sag's own gradient
        // (the two part where the curvature changes with the azimuth).
        const double r2 = q.x * q.x + q.y * q.y;
        const double w = s.cx * q.x * q.x + s.cy * q.y * q.y;
        const double beta = r2 == 0 ? 1 : std::sqrt(1 - w * w / r2);
        return exchange::unit(Vec3{-s.cx * q.x, -s.cy * q.y, beta});
    }
    return exchange::unit(Vec3{s.cx * q.x, s.cx * q.y, s.P * s.cx * q.z - 1});
}

/// Trace the line through `start` along `dir` (global) across every surface
/// in turn, reflecting at all but the last; the hit point on the last.
inline std::optional<Vec3> traceGlobal(const std::vector<GlobalSurface>& surfaces, Vec3 start, Vec3 dir) {
    Vec3 p = start, d = dir;
    for (std::size_t k = 0; k < surfaces.size(); ++k) {
        const GlobalSurface& s = surfaces[k];
        const Vec3 pl = s.frame.toLocal(p), dl = s.frame.axes.toLocal(d);
        const std::optional<double> t = meet(s, pl, dl);
        if (!t) return std::nullopt;
        const Vec3 hit = pl + *t * dl;
        p = s.frame.toGlobal(hit);
        if (k + 1 < surfaces.size()) d = exchange::reflect(d, s.frame.axes * normalAt(s, hit));
    }
    return p;
}

/// The medium's sign of slot i (surface i and the space after it), as the
/// design file's convention has it: the focal plane's slot is +1 and every
/// reflection before it flips the sign.  Worked out here from the count.
inline double slotSign(const Design& d, int i) {
    return ((d.surfaceCount - i) % 2 == 0) ? 1.0 : -1.0;
}

/// A curvature from an entered radius and its slot's sign; flat for 0.
inline double slotCurvature(const Design& d, int i, double radius) {
    return radius == 0 ? 0.0 : 1 / (-slotSign(d, i) * radius);
}

/// The entrance distance from the entered values alone: the start plane
/// touches surface 1's rim at the semi-aperture, so it lies the rim's sag
/// before the vertex (signed as the space before surface 1 runs).
inline double entranceDistance(const Design& d) {
    const Surface& s = d.surfaces[1];
    const double c = slotCurvature(d, 1, s.radius);
    const double h = d.aperture / 2;
    return -c * h * h / (1 + std::sqrt(1 - (1 - s.conic) * c * c * h * h));
}

/// The frames of the design's surfaces 1..n (index 0 unused) in the frame
/// of its entrance space, from the entered values only (radii, conics,
/// tilts in degrees, separations): each vertex the separation ahead on the
/// axis of the space before it, with the sign of that space's medium; each
/// surface turned by its tilt about y, each space after a mirror turned by
/// the tilt once more (the reflected axis).
inline std::vector<Frame> designFrames(const Design& d) {
    constexpr double kPi = 3.14159265358979323846;
    std::vector<Frame> frames(d.surfaceCount + 1);
    Frame space;  // the entrance space, surface 1's vertex at its origin
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const Surface& s = d.surfaces[i];
        if (i > 1)
            space.origin = space.origin + (-slotSign(d, i - 1) * d.surfaces[i - 1].separation) * space.axes.ez;
        const double t = s.tilt * kPi / 180, st = std::sin(t), ct = std::cos(t);
        const Axes turn{{ct, 0, st}, {0, 1, 0}, {-st, 0, ct}};
        frames[i] = Frame{space.origin, space.axes * turn};
        space.axes = frames[i].axes * turn;
    }
    return frames;
}

/// The design's surfaces placed in its entrance frame, their curvatures
/// from the entered radii.
inline std::vector<GlobalSurface> designSurfaces(const Design& d) {
    const std::vector<Frame> frames = designFrames(d);
    std::vector<GlobalSurface> out;
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const Surface& s = d.surfaces[i];
        const double c = slotCurvature(d, i, s.radius);
        out.push_back(GlobalSurface{frames[i], s.kind == kToroid, c,
                                    s.kind == kToroid ? slotCurvature(d, i, s.sagRadius) : c, 1 - s.conic});
    }
    return out;
}

}  // namespace orvelin::testing
