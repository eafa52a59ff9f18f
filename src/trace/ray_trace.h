// Real-ray trace through tilted conic and toroidal mirrors.
//
// One ray at a time travels through surfaces 1..n of a Design (mirrors
// 1..n-1, then the focal plane n).  Every space between two surfaces has its
// own right-handed frame whose z axis points along the light: the trace is
// "unfolded", so light always travels towards +z (N > 0 near the axis) and
// the physical direction of each space lives in the design's medium signs,
// already folded into the signed radii and separations.  Tilts turn about y
// only: x is the tangential direction (the plane of the layout), y the
// sagittal one.
//
// State.  The ray in flight, the status of the last failed trace and the
// spot extent are gathered in one TraceState that the caller owns (the
// desktop program keeps one for its life; tests and the command line make as
// many as they like).  Every operation is a free function taking the design
// and the TraceState by reference; nothing here allocates or does
// trigonometry per ray.  The design is only read: what a trace varies from
// one beam to the next, the entrance distance, lives in the TraceState.
//
// Results.  Trace operations return true on success; on failure they return
// false and leave the reason in TraceState::status (see TraceStatus).  A
// failed trace leaves in the ray whatever the failing surface left.
#pragma once

#include <string>

#include "design/design.h"

namespace orvelin {

/// The one ray in flight: position (x, y, z) and direction cosines (L, M, N).
/// While a surface is traced the position is relative to its vertex; on
/// return from traceSurface (x, y, z) is the hit point (z the sag) and
/// (L, M, N) the reflected direction, both in the surface's own frame.
struct RayState {
    double x = 0;  ///< tangential position (in the plane of the tilts)
    double y = 0;  ///< sagittal position
    double z = 0;  ///< position along the local axis
    double L = 0;  ///< direction cosine along x
    double M = 0;  ///< direction cosine along y
    double N = 1;  ///< direction cosine along z
};

/// Why the last trace failed: 0 no problem, 1 aperture zero, 2 no focus,
/// 3 + k the ray misses surface k.  Only analyseSystem resets it to 0.
using TraceStatus = int;
inline constexpr TraceStatus kTraceOk = 0;
inline constexpr TraceStatus kTraceApertureZero = 1;
inline constexpr TraceStatus kTraceNoFocus = 2;
/// Status for a ray that misses surface k (k >= 1).
constexpr TraceStatus traceMissStatus(int k) {
    return 3 + k;
}

/// The user's message for a status, without the two leading line breaks the
/// trace-problem banner puts before it: "Aperture is zero", "There is no
/// focus", "Light misses surface #k"; empty for 0.
std::string traceProblemMessage(TraceStatus status);

/// Smallest and largest image coordinates met so far.  The spot plots set
/// both bounds of an axis to their reference point before a plot; the
/// trackers only ever widen them.
struct SpotExtent {
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
    double yMax = 0;
};

/// What the trace owns: the ray, the status of the last failure, the spot
/// extent and the entrance distance the rays start at.
struct TraceState {
    RayState ray;
    TraceStatus status = kTraceOk;
    SpotExtent extent;
    /// From the start plane to the vertex plane of surface 1, along the
    /// entrance axis (minus the sag of surface 1 at the aperture's rim once
    /// set up; 0 starts the rays in the vertex plane itself, as the chief
    /// rays through the vertex are).  Kept here rather than in the design
    /// so that tracing never writes into the design it traces.
    double entrance = 0;
};

// ---------------------------------------------------------------------------
// Entrance set-up.  The start plane of every ray is perpendicular to the
// axis of surface 1 through its rim at height h (semiAperture), so surface 1
// is the aperture stop for every field angle.  Sets TraceState::entrance
// (minus the sag of surface 1 at h).  Fails with status 4 (misses surface
// 1), leaving it unchanged, when the aperture is larger than the surface can
// be.

/// Entrance distance from the tangential curvature of surface 1.
bool setEntranceTangential(const Design& design, TraceState& state);
/// Entrance distance from the sagittal curvature of surface 1.
bool setEntranceSagittal(const Design& design, TraceState& state);

// ---------------------------------------------------------------------------
// Start rays: each overwrites the whole ray with position (0, 0, 0) and the
// direction below.  Callers then set x and/or y in the entrance plane
// (x = +-h for a tangential marginal ray, y = h for a sagittal one).

/// Parallel to the axis of the entrance space: (0, 0, 1).
void startAxialRay(RayState& ray);
/// From the + field edge, tangential plane: (s(1) sin(phi), 0, cos(phi)).
void startFieldRayPlus(const Design& design, RayState& ray);
/// From the - field edge, tangential plane: (-s(1) sin(phi), 0, cos(phi)).
void startFieldRayMinus(const Design& design, RayState& ray);
/// From the field edge in the sagittal plane: (0, s(1) sin(phi), cos(phi)).
void startFieldRaySagittal(const Design& design, RayState& ray);

// ---------------------------------------------------------------------------
// Tracing.

/// Trace surface i (1..n) alone: the turn into the tilted surface, the
/// intersection and the reflection (toroid, flat, sphere or general conic).
/// On a miss: status i + 3, false.  No turn out of the surface.
bool traceSurface(const Design& design, TraceState& state, int i);

/// The full turn out of tilted surface i applied to the ray (nothing when
/// its tilt is exactly 0): into the frame of the space after surface i.
void leaveSurface(const Design& design, RayState& ray, int i);

/// Surfaces 1..n-1 with the full turn out of every tilted mirror: the ray
/// ends in the frame of the space after the last mirror.
bool traceToLastMirror(const Design& design, TraceState& state);

/// Surfaces 1..n; no turn at the focal plane, so the hit point is in the
/// focal plane's own frame.
bool traceToFocalPlane(const Design& design, TraceState& state);

/// Surfaces 1..n; at a tilted focal plane only x is turned
/// (x' = x cos + z sin), giving image coordinates for the spot plots.
bool traceToImage(const Design& design, TraceState& state);

// ---------------------------------------------------------------------------
// Extent trackers.

/// Widen yMin/yMax by the ray's y, then xMin/xMax by its x.
void trackSpotExtent(TraceState& state);
/// Widen xMin/xMax by the ray's x.
void trackSpotExtentX(TraceState& state);

/// Upper bound on the passes of the toroid intersection; a ray that has not
/// settled by then is reported as missing the toroid.
inline constexpr int kToroidMaxPasses = 100;
/// The toroid iteration stops when the sag changes by no more than this.
inline constexpr double kToroidSagTolerance = 1e-12;

}  // namespace orvelin
