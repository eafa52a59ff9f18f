#include "quality/pupil_sampling.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvelin {

void gaussLegendreUnit(int n, std::vector<double>& nodes, std::vector<double>& weights) {
    nodes.assign(n, 0.0);
    weights.assign(n, 0.0);
    // Roots of the Legendre polynomial P_n on [-1, 1] by Newton's method from
    // the usual cosine estimate; each root and its mirror image at once.
    for (int i = 0; i < (n + 1) / 2; ++i) {
        double x = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
        double dp = 1;
        for (int iter = 0; iter < 100; ++iter) {
            double p0 = 1, p1 = x;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            if (n == 1) p0 = 1;
            dp = n * (x * p1 - p0) / (x * x - 1);
            const double dx = p1 / dp;
            x -= dx;
            if (std::fabs(dx) < 1e-16) break;
        }
        // Recompute the derivative at the settled root for the weight.
        double p0 = 1, p1 = x;
        for (int k = 2; k <= n; ++k) {
            const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
            p0 = p1;
            p1 = p2;
        }
        dp = n * (x * p1 - p0) / (x * x - 1);
        const double w = 2 / ((1 - x * x) * dp * dp);
        // Map [-1, 1] to [0, 1]: the node moves, the weight halves.
        nodes[i] = 0.5 * (1 - x);
        nodes[n - 1 - i] = 0.5 * (1 + x);
        weights[i] = weights[n - 1 - i] = 0.5 * w;
    }
}

PupilSampling makePupilSampling(int minRays) {
    minRays = std::clamp(minRays, 1, kMaxQualityRays);
    int n = 1;
    while ((2 * n + 1) * (2 * n + 1) < minRays) ++n;
    PupilSampling s;
    s.rings = n;
    s.azimuths = 4 * n;
    std::vector<double> t, w;
    gaussLegendreUnit(n, t, w);
    s.samples.reserve((2 * n + 1) * (2 * n + 1));
    s.samples.push_back({0, 0, 0});
    const int m = s.azimuths;
    auto ring = [&](double r, double weight) {
        for (int j = 0; j < m; ++j) {
            const double theta = 2 * std::numbers::pi * j / m;
            double a = r * std::cos(theta), b = r * std::sin(theta);
            // Keep the symmetric points exactly on the axes.
            if (std::fabs(a) < 1e-15) a = 0;
            if (std::fabs(b) < 1e-15) b = 0;
            s.samples.push_back({a, b, weight / m});
        }
    };
    for (int i = 0; i < n; ++i) ring(std::sqrt(t[i]), w[i]);
    ring(1.0, 0.0);
    return s;
}

}  // namespace orvelin
