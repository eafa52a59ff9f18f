#include "diffraction/encircled_energy.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "diffraction/bessel.h"
#include "diffraction/fft.h"

namespace orvelin {

namespace {

constexpr double kPi = std::numbers::pi;

/// Points of the curve (intervals between them, one more point).
constexpr int kCurveIntervals = kMinCurvePoints;

/// The OTF about the centre c, summed over the azimuth into radial bins.
class RadialOtf {
  public:
    RadialOtf(const FftArray<Complex>& half, int m, double spacing, double cx, double cy, int support,
              double total, double rMax)
        : period_(m * spacing), total_(total) {
        // Each frequency's share goes to the two bins about its |f| in
        // proportion to its distance from them, which keeps the sum exact
        // to second order in the bin width; the width is small enough for
        // the kernel's phase to move by a tenth of a radian from bin to bin
        // at the largest radius wanted (a relative error near 1e-3 there,
        // and ten times less at the radius of 80 %).
        const double rho = rMax / period_;
        step_ = std::min(0.5, 0.1 / (2 * kPi * std::max(rho, 1e-300)));
        bins_.assign(static_cast<size_t>(support / step_) + 3, 0.0);
        const int reach = std::min(support, m / 2);
        // exp(2 pi i f.c), with the sign of the sample origin at M/2 folded
        // in: (-1)^(p + q).
        std::vector<Complex> ex(reach + 1);
        for (int p = 0; p <= reach; ++p) ex[p] = std::polar((p % 2 ? -1.0 : 1.0), 2 * kPi * p * cx / period_);
        std::vector<Complex> ey(2 * reach + 1);
        for (int q = -reach; q <= reach; ++q)
            ey[q + reach] = std::polar(((q + m) % 2 ? -1.0 : 1.0), 2 * kPi * q * cy / period_);
        // The transform lies transposed, a row per frequency p across the
        // columns; rows q = -M/2 and M/2 are one row of the spectrum.
        const int qLast = std::min(reach, m / 2 - 1);
        for (int p = 0; p <= reach; ++p) {
            const Complex* line = half.data() + static_cast<size_t>(p) * m;
            // The half spectrum holds p >= 0; the other half is its
            // conjugate and adds the same real part.
            const double weight = (p == 0 || 2 * p == m) ? 1.0 : 2.0;
            for (int q = -reach; q <= qLast; ++q) {
                const double u2 = double(p) * p + double(q) * q;
                if (u2 > double(support) * support) continue;
                const double value = weight * (line[(q + m) % m] * ex[p] * ey[q + reach]).real();
                const double b = std::sqrt(u2) / step_;
                const size_t i = static_cast<size_t>(b);
                const double t = b - i;
                bins_[i] += (1 - t) * value;
                bins_[i + 1] += t * value;
            }
        }
    }

    /// The fraction of the energy within radius r (um).
    double within(double r) const {
        const double rho = r / period_;
        // The kernel's argument steps evenly from bin to bin: below the
        // asymptotic range J1 is evaluated, above it its phase is carried
        // by rotation.
        const double a = 2 * kPi * rho * step_;
        const size_t count = bins_.size();
        double sum = 0;
        size_t b = 1;
        for (; b < count && a * b < kBesselAsymptotic; ++b) sum += bins_[b] * besselJ1(a * b) / b;
        if (b < count) {
            const Complex turn = std::polar(1.0, a);
            Complex z = std::polar(1.0, a * b - 0.75 * kPi);
            for (; b < count; ++b, z *= turn)
                sum += bins_[b] * besselJ1Asymptotic(a * b, z.real(), z.imag()) / b;
        }
        return (bins_[0] * kPi * rho * rho + rho / step_ * sum) / total_;
    }

  private:
    double period_;
    double total_;
    double step_ = 0.5;
    std::vector<double> bins_;
};

/// A first guess at the radius of 80 %, counting whole samples about c, and
/// the energy they hold in all.
double countedRadius80(const PsfSamples& psf, double cx, double cy, double total) {
    const int m = psf.work.size;
    const double* values = psf.work.real.data();
    // Rings of equal area (steps of a sample's area in the squared radius)
    // need no square root per sample.
    const double width2 = psf.spacing * psf.spacing, half = 0.5 * m * psf.spacing;
    std::vector<double> ring(static_cast<size_t>(half * half / width2) + 2, 0.0);
    for (int r = 0; r < m; ++r) {
        const double y = (r - m / 2) * psf.spacing - cy;
        for (int c = 0; c < m; ++c) {
            const double x = (c - m / 2) * psf.spacing - cx;
            const size_t k = static_cast<size_t>((x * x + y * y) / width2);
            if (k < ring.size()) ring[k] += values[static_cast<size_t>(r) * m + c];
        }
    }
    double sum = 0;
    for (size_t k = 0; k < ring.size(); ++k) {
        sum += ring[k];
        if (sum >= 0.8 * total) return std::sqrt((k + 1) * width2);
    }
    return half;
}

/// The radius in [lo, hi] where the energy reaches `level` (the energy at
/// lo below it, at hi above), by regula falsi with the Illinois
/// modification: the end that stays put has its value halved, so that the
/// steps close in on the root from both sides.
double radiusOf(const RadialOtf& otf, double level, double lo, double flo, double hi, double fhi) {
    double glo = flo - level, ghi = fhi - level;
    int side = 0;
    for (int iter = 0; iter < 60 && hi - lo > 1e-10 * hi; ++iter) {
        const double r = ghi == glo ? 0.5 * (lo + hi) : lo - glo * (hi - lo) / (ghi - glo);
        if (!(r > lo && r < hi)) break;
        const double g = otf.within(r) - level;
        if (g == 0) return r;
        if (g < 0) {
            lo = r, glo = g;
            if (side == -1) ghi *= 0.5;
            side = -1;
        } else {
            hi = r, ghi = g;
            if (side == 1) glo *= 0.5;
            side = 1;
        }
        if (std::fabs(g) < 1e-12) break;
    }
    return ghi == glo ? 0.5 * (lo + hi) : lo - glo * (hi - lo) / (ghi - glo);
}

}  // namespace

EncircledEnergy encircledEnergy(const PsfSamples& psf, double cx, double cy, int support, double energyScale,
                                double airyRadius) {
    EncircledEnergy out;
    FftWorkspace& work = psf.work;
    const int m = work.size;
    const size_t count = static_cast<size_t>(m) * m;
    double sum = 0;
    for (size_t k = 0; k < count; ++k) sum += work.real[k];
    fftForwardRealTransposed(work);
    const FftArray<Complex>& half = work.half;
    const double total = half[0].real() * energyScale;
    const double halfWindow = 0.5 * m * psf.spacing;
    double rMax = std::min(halfWindow,
                           std::max(2.5 * countedRadius80(psf, cx, cy, sum * energyScale), 2.5 * airyRadius));
    if (!(rMax > 0)) rMax = halfWindow;

    const RadialOtf otf(half, m, psf.spacing, cx, cy, support, total, rMax);
    out.curve.radius.resize(kCurveIntervals + 1);
    out.curve.fraction.resize(kCurveIntervals + 1);
    for (int i = 0; i <= kCurveIntervals; ++i) {
        const double r = rMax * i / kCurveIntervals;
        out.curve.radius[i] = r;
        out.curve.fraction[i] = i == 0 ? 0.0 : otf.within(r);
    }
    for (double level : {0.5, 0.8}) {
        double& radius = level == 0.5 ? out.ee50 : out.ee80;
        radius = halfWindow;
        for (int i = 1; i <= kCurveIntervals; ++i) {
            if (out.curve.fraction[i] < level) continue;
            radius = radiusOf(otf, level, out.curve.radius[i - 1], out.curve.fraction[i - 1],
                              out.curve.radius[i], out.curve.fraction[i]);
            break;
        }
        if (radius == halfWindow && rMax < halfWindow) {
            // Beyond the curve: search the rest of the window, with bins
            // fine enough for it.
            const RadialOtf wide(half, m, psf.spacing, cx, cy, support, total, halfWindow);
            const double f = wide.within(halfWindow);
            if (f >= level) radius = radiusOf(wide, level, rMax, wide.within(rMax), halfWindow, f);
        }
    }
    return out;
}

}  // namespace orvelin
