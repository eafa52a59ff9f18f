#include "clearance/clearance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "trace/analysis.h"

namespace orvelin {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Coordinates beyond this are taken as light that never arrives: squares of
// distances between such points would overflow.
constexpr double kFarthestCoordinate = 1e150;

// The curved sections are cut into straight strips no farther than this
// fraction of the section's width from the true curve.
constexpr double kSectionTolerance = 1e-4;
constexpr int kMaxSectionStrips = 24;

// The x axis of a frame whose z axis points along z: the trace's tangential
// direction, a quarter turn from the axis (this handedness makes the
// trace's turns into and out of tilted surfaces the picture's turns).
Vec2 tangentialOf(Vec2 z) {
    return {z.y, -z.x};
}

// Turn a direction by the angle whose cosine and sine are c and s.
Vec2 turned(Vec2 v, double c, double s) {
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

bool usable(Vec2 p) {
    return std::fabs(p.x) <= kFarthestCoordinate && std::fabs(p.y) <= kFarthestCoordinate;
}

// Sag of surface i's tangential section at height x, in the trace's frame of
// the surface: the conic (or, for a toroid, the circle of its tangential
// radius) through the vertex.  Beyond the rim the conic allows, the rim's
// sag.
double sectionSag(const Surface& s, double x) {
    const double c = s.curvature;
    if (c == 0) return 0;
    const double p = s.kind == kToroid ? 1.0 : s.oneMinusConic;
    const double q = std::max(0.0, 1 - p * c * c * x * x);
    return c * x * x / (1 + std::sqrt(q));
}

int sectionStrips(const Surface& s, double width) {
    const double c = std::fabs(s.curvature);
    if (!(c > 0) || !(width > 0) || !std::isfinite(width)) return 1;
    // A chord of length l on a curve of curvature c stands l^2 c / 8 off it.
    const double chord = std::sqrt(8 * kSectionTolerance * width / c);
    const double strips = std::ceil(width / chord);
    return strips >= kMaxSectionStrips ? kMaxSectionStrips : std::max(1, static_cast<int>(strips));
}

// Cut the region between two rays (a0 -> a1 and b0 -> b1) into convex
// pieces.  Rays that cross (a focus inside the space) make two triangles
// meeting at the crossing; a quadrilateral with one inward corner is cut
// along the diagonal from that corner.
void addBeamPieces(std::vector<ConvexPiece>& out, Vec2 a0, Vec2 a1, Vec2 b1, Vec2 b0) {
    Vec2 x;
    if (properCrossing(a0, a1, b0, b1, x)) {
        out.push_back(makePiece({a0, b0, x}));
        out.push_back(makePiece({x, a1, b1}));
        return;
    }
    if (properCrossing(a0, b0, a1, b1, x)) {
        out.push_back(makePiece({a0, a1, x}));
        out.push_back(makePiece({x, b1, b0}));
        return;
    }
    const Vec2 q[4] = {a0, a1, b1, b0};
    double turn[4], area = 0;
    for (int k = 0; k < 4; ++k) {
        turn[k] = cross(q[k] - q[(k + 3) % 4], q[(k + 1) % 4] - q[k]);
        area += cross(q[k], q[(k + 1) % 4]);
    }
    for (int k = 0; k < 4; ++k) {
        if ((area > 0 && turn[k] < 0) || (area < 0 && turn[k] > 0)) {
            out.push_back(makePiece({q[k], q[(k + 1) % 4], q[(k + 2) % 4]}));
            out.push_back(makePiece({q[k], q[(k + 2) % 4], q[(k + 3) % 4]}));
            return;
        }
    }
    out.push_back(makePiece(q, 4));
}

// Smallest signed distance between two unions of convex pieces.  Pairs of
// pieces whose boxes already lie farther apart than the best found so far
// are skipped.
double shapeDistance(const std::vector<ConvexPiece>& a, const std::vector<ConvexPiece>& b) {
    double best = kInfinity;
    for (const ConvexPiece& p : a) {
        for (const ConvexPiece& q : b) {
            const double gap = boxGap(p, q);
            if (gap > 0 && gap >= best) continue;
            best = std::min(best, signedDistance(p, q));
        }
    }
    return best;
}

// The marginal rays' hits of one field on every surface, in the plane.
struct FieldTrace {
    Vec2 plus[kSurfaceSlots], minus[kSurfaceSlots];
    double plusX[kSurfaceSlots], minusX[kSurfaceSlots];  // in each surface's own frame
    Vec2 backwards;                                      // unit direction from surface 1 back towards the sky
};

}  // namespace

std::string clearanceSpaceName(int space) {
    if (space == 0) return "entrance";
    return std::to_string(space) + "-" + std::to_string(space + 1);
}

ClearanceReport checkClearance(const Design& input, const ClearanceOptions& options) {
    ClearanceReport report;
    const Design& d = input;
    const int n = d.surfaceCount;
    if (n < 2 || n > kMaxSurfaces) {
        report.status = kTraceNoFocus;  // no mirror brings the light to a focus
        return report;
    }
    TraceState state;
    AnalysisResults results;
    if (!analyseSystem(d, state, results)) {
        report.status = state.status;
        return report;
    }

    // Frames in the plane.  Every space has its own axis; the trace's frames
    // never flip at a mirror (the medium signs carry the light's direction),
    // they only turn by the tilt into a surface and again out of it.  The
    // light in space j travels along s(j+1) times that space's axis.
    const double s1 = d.surfaces[1].mediumSign;
    Vec2 vertex[kSurfaceSlots], surfaceAxis[kSurfaceSlots], spaceAxis[kSurfaceSlots];
    spaceAxis[0] = {s1, 0};
    vertex[1] = {0, 0};
    for (int i = 1; i <= n; ++i) {
        const Surface& s = d.surfaces[i];
        surfaceAxis[i] = turned(spaceAxis[i - 1], s.cosTilt, s.sinTilt);
        spaceAxis[i] = turned(surfaceAxis[i], s.cosTilt, s.sinTilt);
        if (i < n) vertex[i + 1] = vertex[i] + s.signedSeparation * spaceAxis[i];
    }
    auto onSurface = [&](int i, double x, double z) {
        return vertex[i] + x * tangentialOf(surfaceAxis[i]) + z * surfaceAxis[i];
    };

    // The marginal rays of each tangential field, traced as the trace gives
    // them, to the focal plane where the design has it.
    const bool withField = d.sinField != 0;
    const int fieldCount = withField ? 3 : 1;
    FieldTrace traced[3];
    for (int f = 0; f < fieldCount; ++f) {
        for (int side = 0; side < 2; ++side) {
            if (!setEntranceTangential(d, state)) {
                report.status = state.status;
                return report;
            }
            RayState& ray = state.ray;
            if (f == 0)
                startAxialRay(ray);
            else if (f == 1)
                startFieldRayPlus(d, ray);
            else
                startFieldRayMinus(d, ray);
            const Vec2 along = ray.L * tangentialOf(spaceAxis[0]) + ray.N * spaceAxis[0];
            traced[f].backwards = -s1 * along;
            ray.x = side == 0 ? d.semiAperture : -d.semiAperture;
            for (int i = 1; i <= n; ++i) {
                if (!traceSurface(d, state, i)) {
                    report.status = state.status;
                    return report;
                }
                const Vec2 hit = onSurface(i, ray.x, ray.z);
                if (!usable(hit) || !usable(vertex[i])) {
                    report.status = traceMissStatus(i);
                    return report;
                }
                (side == 0 ? traced[f].plus : traced[f].minus)[i] = hit;
                (side == 0 ? traced[f].plusX : traced[f].minusX)[i] = ray.x;
                leaveSurface(d, ray, i);
            }
        }
    }

    // Bodies.  A mirror's section spans its unvignetted footprint about the
    // vertex; the focal plane's spans the image the rays form on it.
    const double edge = std::isfinite(options.edge) ? options.edge : 0.0;
    report.bodies.resize(n + 1);
    Vec2 lo = vertex[1], hi = vertex[1];
    auto widen = [&](Vec2 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    };
    for (int i = 1; i <= n; ++i) {
        const Surface& s = d.surfaces[i];
        const FieldTrace& high = traced[withField ? 1 : 0];
        const FieldTrace& low = traced[withField ? 2 : 0];
        double from, to, thickness = 0;
        if (i < n) {
            const double semi = std::fabs(high.plusX[i] - low.minusX[i]) * 0.5 + edge;
            from = -semi;
            to = semi;
            thickness = options.thickness >= 0 ? options.thickness : std::max(0.0, 2 * semi / 6);
        } else {
            from = kInfinity;
            to = -kInfinity;
            for (int f = 0; f < fieldCount; ++f) {
                from = std::min({from, traced[f].plusX[i], traced[f].minusX[i]});
                to = std::max({to, traced[f].plusX[i], traced[f].minusX[i]});
            }
            from -= edge;
            to += edge;
        }
        if (!(from <= to)) from = to = 0.5 * (from + to);
        if (!std::isfinite(thickness) || thickness > kFarthestCoordinate) thickness = 0;

        SurfaceBody& body = report.bodies[i];
        body.vertex = vertex[i];
        body.semiSection = 0.5 * (to - from);
        body.thickness = thickness;
        // Behind the face is where the arriving light would go on: along the
        // axis of the surface times the sign of the space in front of it.
        const Vec2 behind = s.mediumSign * surfaceAxis[i];
        const int strips = sectionStrips(s, to - from);
        body.face.resize(strips + 1);
        body.back.resize(strips + 1);
        for (int k = 0; k <= strips; ++k) {
            const double x = k == strips ? to : from + (to - from) * k / strips;
            body.face[k] = onSurface(i, x, sectionSag(s, x));
            body.back[k] = body.face[k] + thickness * behind;
            if (!usable(body.face[k]) || !usable(body.back[k])) {
                report.status = traceMissStatus(i);
                report.bodies.clear();
                return report;
            }
            widen(body.face[k]);
            widen(body.back[k]);
        }
        body.pieces.reserve(strips);
        for (int k = 0; k < strips; ++k)
            body.pieces.push_back(
                makePiece({body.face[k], body.face[k + 1], body.back[k + 1], body.back[k]}));
    }

    // Envelopes.  The entrance beam reaches back without end; far enough is
    // well beyond every body.
    for (int f = 0; f < fieldCount; ++f)
        for (int i = 1; i <= n; ++i) {
            widen(traced[f].plus[i]);
            widen(traced[f].minus[i]);
        }
    const double far = 4 * std::hypot(hi.x - lo.x, hi.y - lo.y) + 1;
    report.envelopes.resize(n);
    for (int j = 0; j < n; ++j) {
        BeamEnvelope& env = report.envelopes[j];
        env.from = j;
        env.to = j + 1;
        for (int f = 0; f < fieldCount; ++f) {
            const FieldTrace& t = traced[f];
            FieldBeam beam;
            beam.plusTo = t.plus[j + 1];
            beam.minusTo = t.minus[j + 1];
            beam.plusFrom = j == 0 ? t.plus[1] + far * t.backwards : t.plus[j];
            beam.minusFrom = j == 0 ? t.minus[1] + far * t.backwards : t.minus[j];
            env.fields.push_back(beam);
            addBeamPieces(env.pieces, beam.plusFrom, beam.plusTo, beam.minusTo, beam.minusFrom);
        }
    }

    // Every space against every surface that does not bound it.
    for (int j = 0; j < n; ++j)
        for (int k = 1; k <= n; ++k) {
            if (k == j || k == j + 1) continue;
            report.pairs.push_back(
                {j, k, shapeDistance(report.envelopes[j].pieces, report.bodies[k].pieces)});
        }
    std::stable_sort(
        report.pairs.begin(), report.pairs.end(),
        [](const ClearancePair& a, const ClearancePair& b) { return a.clearance < b.clearance; });
    report.minClearance = report.pairs.empty() ? kInfinity : report.pairs.front().clearance;
    report.clear = report.minClearance >= options.margin;
    return report;
}

double minClearance(const Design& design, const ClearanceOptions& options) {
    const ClearanceReport report = checkClearance(design, options);
    return report.status == kTraceOk ? report.minClearance : -kInfinity;
}

}  // namespace orvelin
