// The point of a large set farthest from a centre known only once every
// point has gone by (the geometric spot radius about the centroid of a
// million rays), found in one pass without holding the set.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

namespace orvelin {

/// The points farthest from a pilot centre, as offsets from it: enough of
/// them to find the point farthest from any centre less than band / 2 from
/// the pilot.  A point is kept while it lies no more than band inside the
/// farthest so far.  Were the point farthest from a centre d away left out,
/// it would lie more than band inside the pilot's farthest point F, and so
/// at most |F| - band + d from the centre, less than F's own distance
/// |F| - d whenever 2 d < band.
struct FarthestPoints {
    explicit FarthestPoints(double band = 0) : band(band) {}

    double band = 0;
    double far = 0;          ///< the farthest distance from the pilot so far
    double keep2 = 0;        ///< squared distance a point must reach to be kept
    std::size_t pruned = 0;  ///< points kept after the last pruning
    std::vector<std::array<double, 2>> kept;

    void add(double dx, double dy) {
        const double d2 = dx * dx + dy * dy;
        if (d2 < keep2) return;
        kept.push_back({dx, dy});
        if (d2 <= far * far) return;
        far = std::sqrt(d2);
        const double keep = std::max(0.0, far - band);
        keep2 = keep * keep;
        if (kept.size() > 2 * pruned + 64) {
            std::erase_if(kept,
                          [&](const std::array<double, 2>& p) { return p[0] * p[0] + p[1] * p[1] < keep2; });
            pruned = kept.size();
        }
    }
};

/// The squared distance of the point farthest from the centre (mx, my)
/// (from the pilot) over every part's points, all kept with the same band;
/// nothing when the centre lies too far from the pilot for the kept points
/// to be sure to hold it.
inline std::optional<double> farthestFrom(std::span<const FarthestPoints> parts, double mx, double my) {
    double far = 0, band = 0;
    for (const FarthestPoints& f : parts) far = std::max(far, f.far), band = f.band;
    // A little room for the rounding of the distances compared.
    if (!(2 * std::hypot(mx, my) + 1e-12 * far < band)) return std::nullopt;
    double geo2 = 0;
    for (const FarthestPoints& f : parts) {
        for (const auto& p : f.kept) {
            const double dx = p[0] - mx, dy = p[1] - my;
            geo2 = std::max(geo2, dx * dx + dy * dy);
        }
    }
    return geo2;
}

}  // namespace orvelin
