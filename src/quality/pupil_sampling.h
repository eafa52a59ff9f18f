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

#include <cstddef>
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

/// The same rule with its points computed when asked for, not stored: a
/// million rays need only a ring table and an azimuth table.  Point k is
/// makePupilSampling(minRays).samples[k], to the last bit.
class PupilRule {
  public:
    explicit PupilRule(int minRays);
    /// The rings n of the smallest rule with at least minRays points,
    /// without computing the rule.
    static int ringsFor(int minRays);
    int rings() const { return rings_; }
    int azimuths() const { return azimuths_; }
    std::size_t size() const { return 1 + static_cast<std::size_t>(rings_ + 1) * azimuths_; }
    /// The first point of the rim ring (weight 0).
    std::size_t rimStart() const { return size() - azimuths_; }
    PupilSample sample(std::size_t k) const;
    /// Points first .. first + count - 1 times scale into x and y, and their
    /// weights into w (any of them may be null), as sample() gives them.
    void fill(std::size_t first, std::size_t count, double scale, double* x, double* y, double* w) const;

  private:
    int rings_ = 0;
    int azimuths_ = 0;
    std::vector<double> radius_, weight_;  ///< per ring, the rim last
    std::vector<double> cos_, sin_;        ///< per azimuth
};

/// Gauss-Legendre nodes and weights on [0, 1] (weights summing to 1),
/// ascending.
void gaussLegendreUnit(int n, std::vector<double>& nodes, std::vector<double>& weights);

}  // namespace orvelin
