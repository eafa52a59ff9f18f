// Where the image-quality figures sample the entrance pupil.
//
// The pupil is the disk of radius h (the semi-aperture) in the start plane
// of the trace, filled uniformly.  An average over it is an integral over the
// area, so the radius is sampled through t = r^2, in which the area element
// is uniform: Gauss-Legendre nodes in t on [0, 1] and equally spaced
// azimuths on each ring.  With n rings and M azimuths the rule integrates
// exactly every polynomial in the pupil coordinates whose radial part has a
// degree below 4n in r and whose azimuthal harmonics stay below M; smooth
// aberrations (and their squares) converge very quickly.
//
// A ring on the rim (weight 0) is added for the geometric spot size and the
// cone of the beam, and the pupil centre (weight 0) for the chief ray.
#pragma once

#include <vector>

namespace orvelin {

/// One pupil point as a fraction of h: the ray starts at x = a h, y = b h.
/// The weights of the quadrature points sum to 1; rim and centre weigh 0.
struct PupilSample {
    double a = 0;
    double b = 0;
    double weight = 0;
};

/// The samples of one rule: the chief ray first, then ring by ring from the
/// centre outwards, the rim last.
struct PupilSampling {
    int rings = 0;     ///< Gauss-Legendre rings (n)
    int azimuths = 0;  ///< points on every ring, the rim's included (4n)
    std::vector<PupilSample> samples;
};

/// The default number of pupil rays per field: 17 x 17 = 289 (8 rings of
/// 32 azimuths, the rim and the centre).
inline constexpr int kDefaultQualityRays = 289;
/// Most pupil rays a caller may ask for.
inline constexpr int kMaxQualityRays = 1000000;

/// The smallest rule with at least minRays points: n rings of 4n azimuths,
/// a rim ring of 4n and the centre, (2n + 1)^2 points in all (n >= 1).
PupilSampling makePupilSampling(int minRays);

/// Gauss-Legendre nodes and weights on [0, 1] (weights summing to 1),
/// ascending.
void gaussLegendreUnit(int n, std::vector<double>& nodes, std::vector<double>& weights);

}  // namespace orvelin
