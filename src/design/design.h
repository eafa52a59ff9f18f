// The one optical prescription: mirrors 1..n-1 followed by the focal plane n.
//
// A design holds 22 surface slots (slot 0 holds no surface), so at most 20
// mirrors and the focal plane.  Every path that writes an entered value must
// end in one of the recomputations below before the next trace.
#pragma once

#include <array>
#include <string>

namespace orvelin {

/// Degrees to radians.  Deliberately this exact constant everywhere (it is a
/// hair below pi/180) so that every figure matches the published ones.
inline constexpr double kDegree = 0.01745329251993791;
/// Radians back to degrees, as the analysis reports angles.
inline constexpr double kRadianToDegree = 57.2957795131;

inline constexpr int kMaxMirrors = 20;
inline constexpr int kMaxSurfaces = kMaxMirrors + 1;  // mirrors + focal plane
inline constexpr int kSurfaceSlots = 22;              // indices 0..21

/// Kind of a surface: 0 ordinary conic, 1 toroid.  Any other integer can
/// only come from a design file; it is traced as a conic and named
/// "duplicate".
enum SurfaceKind : int { kConic = 0, kToroid = 1 };

/// One surface: what the user entered and what is derived from it.  Derived
/// values are kept beside the entered ones so the per-ray code does no
/// trigonometry and no sign bookkeeping.
struct Surface {
    // Entered values.
    int kind = 0;
    double radius = 0;      ///< R; tangential radius of a toroid; 0 = flat
    double sagRadius = 0;   ///< Rsag; equals radius for a conic
    double conic = 0;       ///< K: 0 sphere, 1 paraboloid
    double tilt = 0;        ///< degrees, in the plane of the layout
    double separation = 0;  ///< d(i): surface i to surface i+1

    // Derived values.
    double mediumSign = 0;        ///< s(i): sign of the space in front of surface i
    double signedRadius = 0;      ///< -s(i) R(i)
    double signedSagRadius = 0;   ///< -s(i) Rsag(i)
    double curvature = 0;         ///< 1 / signedRadius, or exactly 0
    double sagCurvature = 0;      ///< 1 / signedSagRadius, or exactly 0
    double oneMinusConic = 0;     ///< P = 1 - K
    double signedSeparation = 0;  ///< -s(i) d(i); slot 0: what a numeric file holds, no trace reads it
    double sinTilt = 0;
    double cosTilt = 0;

    friend bool operator==(const Surface&, const Surface&) = default;
};

struct Design {
    int surfaceCount = 0;       ///< n = mirrors + 1; 0 until a design exists
    std::string units = "mm";   ///< "mm" or "inches"; a label only
    double aperture = 0;        ///< full diameter of the entrance beam
    double semiAperture = 0;    ///< aperture * 0.5
    double fieldSemiAngle = 0;  ///< degrees
    double sinField = 0;
    double cosField = 0;      ///< zero before any design exists
    std::string designTitle;  ///< file name less its extension, or "(New Design)"

    /// Surfaces 1..n; slot 0 holds no surface, only the sign of the entrance
    /// space (mediumSign).  The entrance distance a trace starts at is the
    /// trace's own (TraceState::entrance), not the design's.
    std::array<Surface, kSurfaceSlots> surfaces{};

    /// Index of the focal plane (n).
    int focalPlane() const { return surfaceCount; }
    int mirrorCount() const { return surfaceCount - 1; }
};

/// Zero every per-surface value (entered and derived, cosTilt included) and
/// the aperture and field; cosField becomes 1.  Leaves surfaceCount, the
/// medium signs, units and the title alone.
void resetDesign(Design& d);

/// True when both designs hold the same values bit for bit (NaN equal to
/// itself, -0 unlike +0), in every slot: "nothing changed" for the restore
/// checks, undo and the loaders' refusals.
bool bitIdentical(const Design& a, const Design& b);

/// The design's unit: millimetres for "mm", inches for any other word, the
/// same everywhere the design is shown, measured or written.
inline bool isMetric(const Design& d) {
    return d.units == "mm";
}
/// The unit's word as the program shows it: "mm" or "inches".
inline const char* unitsWord(const Design& d) {
    return isMetric(d) ? "mm" : "inches";
}
/// Micrometres in one design unit.
inline double micronsPerUnit(const Design& d) {
    return isMetric(d) ? 1000.0 : 25400.0;
}

/// s(0) = +1 for an even, non-negative n, else -1; then alternate, so that
/// the focal plane always sits in a space of sign +1.
void initMediumSigns(Design& d);

/// sin/cos of the tilt of surface i; exactly 0 and 1 for a tilt of exactly 0.
void recomputeTilt(Design& d, int i);

/// All derived values of surface i from its entered values.
void recomputeSurface(Design& d, int i);

/// semiAperture from aperture.
void recomputeAperture(Design& d);

/// sinField and cosField from fieldSemiAngle (exactly 0 and 1 for 0).
void recomputeField(Design& d);

/// Short name of surface i for the tables: "toroid", "duplicate", "flat",
/// "sphere", "parab", "oblate", "hyperb" or "ellip".
const char* surfaceKindName(const Design& d, int i);

/// "Focus!": move the focal plane to the best focus and give it the best-fit
/// tilt (degrees).  Only the tilt of the focal plane is recomputed.
void focusToBestFit(Design& d, double bestFocus, double bestFitTilt);

/// "Z": curve the focal plane to the field curvature of the tilted mirrors.
void curveFocalPlane(Design& d);

}  // namespace orvelin
