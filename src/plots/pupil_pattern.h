// Pupil patterns of the spot plots.
//
// Pupil coordinates are fractions of the semi-aperture h: a point (a, b)
// starts a ray at x = a h (tangential) and y = b h (sagittal).  The ring
// pattern has N rings of radius j/N (no centre point); ring j has 6 j points
// on the full circle, 60/j degrees apart starting on the +x axis.  Only the
// first quadrant (0 <= theta <= 90 degrees) is listed: the plots reflect the
// points in both axes, which gives every point of the full ring exactly once
// (a point on the y axis must not be doubled, one on the x axis is mirrored
// onto itself).
#pragma once

#include <vector>

namespace orvelin {

struct PupilPoint {
    double a;  ///< tangential pupil coordinate, fraction of h
    double b;  ///< sagittal pupil coordinate, fraction of h
};

/// Number of first-quadrant points listed for ring j: 1.5 j + 1 for even j,
/// 1.5 j + 0.5 for odd j (theta = 90 degrees is a point of the ring only when
/// j is even).
int ringListedCount(int j);

/// Append the listed points of ring j of an N-ring pattern, in increasing
/// angle from the +x axis.  Components below 1e-6 in magnitude are set to
/// exactly 0, so the axis points test equal to zero.
void appendRingPoints(int rings, int j, std::vector<PupilPoint>& out);

/// The listed points of the N-ring pattern, ring N (the rim) first, ring 1
/// last.  Empty for N < 1.
std::vector<PupilPoint> ringPattern(int rings);

/// Points of the full N-ring pattern on the whole circle: 3 N (N + 1).
long fullRingPatternCount(int rings);

/// The pattern of the standard plot: ringPattern(8), stored to 8 decimals.
inline constexpr int kStandardPatternSize = 60;
extern const PupilPoint StandardPupilPattern[kStandardPatternSize];

/// The six pupil points whose image spread gives the horizontal centre of a
/// spot: the tangential rim on both sides, the sagittal rim on both sides,
/// and the tangential zone at 0.45 on both sides.
inline constexpr int kReferencePointCount = 6;
extern const PupilPoint ReferencePupilPoints[kReferencePointCount];

}  // namespace orvelin
