#include "quality/pupil_sampling.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvelin {

namespace {

/// Roots found side by side: each root's Newton steps are exactly those it
/// would take alone, but the long chain of the Legendre recurrence (a
/// division at every degree) of one root overlaps the others'.
constexpr int kRootsAtOnce = 8;

/// P_n and P_{n-1} at x[0 .. kRootsAtOnce).
void legendre(int n, const double* x, double* pn, double* pn1) {
    double p0[kRootsAtOnce], p1[kRootsAtOnce];
    for (int l = 0; l < kRootsAtOnce; ++l) p0[l] = 1, p1[l] = x[l];
    for (int k = 2; k <= n; ++k) {
        for (int l = 0; l < kRootsAtOnce; ++l) {
            const double p2 = ((2 * k - 1) * x[l] * p1[l] - (k - 1) * p0[l]) / k;
            p0[l] = p1[l];
            p1[l] = p2;
        }
    }
    for (int l = 0; l < kRootsAtOnce; ++l) pn[l] = p1[l], pn1[l] = n == 1 ? 1 : p0[l];
}

}  // namespace

void gaussLegendreUnit(int n, std::vector<double>& nodes, std::vector<double>& weights) {
    nodes.assign(n, 0.0);
    weights.assign(n, 0.0);
    // Roots of the Legendre polynomial P_n on [-1, 1] by Newton's method from
    // the usual cosine estimate; each root and its mirror image at once.
    const int half = (n + 1) / 2;
    for (int base = 0; base < half; base += kRootsAtOnce) {
        double x[kRootsAtOnce], p1[kRootsAtOnce], p0[kRootsAtOnce];
        bool done[kRootsAtOnce];
        for (int l = 0; l < kRootsAtOnce; ++l) {
            x[l] = std::cos(std::numbers::pi * (base + l + 0.75) / (n + 0.5));
            done[l] = base + l >= half;
        }
        for (int iter = 0; iter < 100 && !std::all_of(done, done + kRootsAtOnce, [](bool d) { return d; });
             ++iter) {
            legendre(n, x, p1, p0);
            for (int l = 0; l < kRootsAtOnce; ++l) {
                if (done[l]) continue;
                const double dp = n * (x[l] * p1[l] - p0[l]) / (x[l] * x[l] - 1);
                const double dx = p1[l] / dp;
                x[l] -= dx;
                if (std::fabs(dx) < 1e-16) done[l] = true;
            }
        }
        // Recompute the derivative at the settled roots for the weights.
        legendre(n, x, p1, p0);
        for (int l = 0; l < kRootsAtOnce && base + l < half; ++l) {
            const int i = base + l;
            const double dp = n * (x[l] * p1[l] - p0[l]) / (x[l] * x[l] - 1);
            const double w = 2 / ((1 - x[l] * x[l]) * dp * dp);
            // Map [-1, 1] to [0, 1]: the node moves, the weight halves.
            nodes[i] = 0.5 * (1 - x[l]);
            nodes[n - 1 - i] = 0.5 * (1 + x[l]);
            weights[i] = weights[n - 1 - i] = 0.5 * w;
        }
    }
}

int PupilRule::ringsFor(int minRays) {
    minRays = std::clamp(minRays, 1, kMaxQualityRays);
    int n = 1;
    while ((2 * n + 1) * (2 * n + 1) < minRays) ++n;
    return n;
}

PupilRule::PupilRule(int minRays) {
    const int n = ringsFor(minRays);
    rings_ = n;
    azimuths_ = 4 * n;
    gaussLegendreUnit(n, radius_, weight_);
    for (double& t : radius_) t = std::sqrt(t);
    radius_.push_back(1.0);
    weight_.push_back(0.0);
    const int m = azimuths_;
    for (double& w : weight_) w /= m;
    for (int j = 0; j < m; ++j) {
        const double theta = 2 * std::numbers::pi * j / m;
        // Keep the symmetric points exactly on the axes: the cosine of a
        // right angle is 6e-17, not 0.  (Every other azimuth is at least
        // 2 pi / m off an axis, and every ring's radius at least 0.002, so
        // only these products fall below 1e-15.)
        const double c = std::cos(theta), s = std::sin(theta);
        cos_.push_back(std::fabs(c) < 1e-15 ? 0.0 : c);
        sin_.push_back(std::fabs(s) < 1e-15 ? 0.0 : s);
    }
}

PupilSample PupilRule::sample(std::size_t k) const {
    double a, b, w;
    fill(k, 1, 1.0, &a, &b, &w);
    return {a, b, w};
}

void PupilRule::fill(std::size_t first, std::size_t count, double scale, double* x, double* y,
                     double* w) const {
    std::size_t i = 0;
    if (first == 0 && count > 0) {
        if (x) x[0] = 0;
        if (y) y[0] = 0;
        if (w) w[0] = 0;
        i = 1;
    }
    // Ring and azimuth counted on instead of divided out for every point.
    const std::size_t m = azimuths_;
    std::size_t ring = (first + i - 1) / m, j = (first + i - 1) % m;
    while (i < count) {
        const std::size_t n = std::min(count - i, m - j);
        const double r = radius_[ring];
        if (x)
            for (std::size_t l = 0; l < n; ++l) x[i + l] = r * cos_[j + l] * scale;
        if (y)
            for (std::size_t l = 0; l < n; ++l) y[i + l] = r * sin_[j + l] * scale;
        if (w) std::fill_n(w + i, n, weight_[ring]);
        i += n;
        j = 0;
        ++ring;
    }
}

PupilSampling makePupilSampling(int minRays) {
    const PupilRule rule(minRays);
    PupilSampling s;
    s.rings = rule.rings();
    s.azimuths = rule.azimuths();
    s.samples.resize(rule.size());
    for (std::size_t k = 0; k < s.samples.size(); ++k) s.samples[k] = rule.sample(k);
    return s;
}

}  // namespace orvelin
