#include "diffraction/diffraction.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>

#include "diffraction/encircled_energy.h"
#include "diffraction/fft.h"
#include "diffraction/pupil_function.h"

namespace orvelin {

namespace {

constexpr double kPi = std::numbers::pi;

/// Neighbouring cells whose wavefronts differ by more than this many waves
/// no longer sample its phase: the PSF's outer parts fold back.
constexpr double kLargestSampledStep = 0.5;

/// The squared modulus of the transformed pupil laid out as the PSF: rows
/// sagittal, columns tangential, the chief ray at (M/2, M/2), divided by
/// `scale`.  The image's axis runs against the frequency when the pupil's
/// rays tilt with it (sign +1): a ray through +x tilts towards +x.
void psfFromSpectrum(const FftArray<Complex>& spectrum, int m, int signX, int signY, double scale,
                     double* psf) {
    std::vector<int> column(m);
    for (int c = 0; c < m; ++c) column[c] = ((-signX * (c - m / 2)) % m + m) % m;
    for (int r = 0; r < m; ++r) {
        const int q = ((-signY * (r - m / 2)) % m + m) % m;
        const Complex* row = spectrum.data() + static_cast<size_t>(q) * m;
        double* out = psf + static_cast<size_t>(r) * m;
        for (int c = 0; c < m; ++c) out[c] = std::norm(row[column[c]]) / scale;
    }
}

/// The line spread functions: the PSF summed across the tangential axis
/// (giving a function of x) and across the sagittal one (of y).
void lineSpreads(const double* psf, int m, std::vector<double>& alongX, std::vector<double>& alongY) {
    alongX.assign(m, 0.0);
    alongY.assign(m, 0.0);
    for (int r = 0; r < m; ++r) {
        const double* row = psf + static_cast<size_t>(r) * m;
        double s = 0;
        for (int c = 0; c < m; ++c) {
            alongX[c] += row[c];
            s += row[c];
        }
        alongY[r] = s;
    }
}

/// The modulation of a line spread function sampled `spacing` apart at the
/// frequency f (cycles per unit of spacing): the modulus of its Fourier
/// transform over its value at zero, times `scale`.  At the transform's own
/// frequencies it is the OTF exactly; between them, its band-limited
/// interpolation.  At zero it is 1.
double modulation(const std::vector<double>& lsf, double f, double spacing, double scale) {
    if (f == 0) return 1;
    const int m = static_cast<int>(lsf.size());
    const Complex turn = std::polar(1.0, -2 * kPi * f * spacing);
    Complex z = std::polar(1.0, 2 * kPi * f * spacing * (m / 2));
    Complex sum = 0;
    double total = 0;
    for (int i = 0; i < m; ++i) {
        sum += lsf[i] * z;
        total += lsf[i];
        z *= turn;
    }
    return total > 0 ? scale * std::abs(sum) / total : 0.0;
}

/// The pupil's field at the continuous frequency index s = (sx, sy) of the
/// padded transform, U(s) = sum p[l][j] exp(-2 pi i (sx j + sy l) / M), and
/// the gradient and Hessian of |U|^2 there (the cells counted from the
/// grid's centre, which changes U's phase only).
struct PeakProbe {
    double value = 0;
    double gx = 0, gy = 0, hxx = 0, hxy = 0, hyy = 0;
};

PeakProbe probe(const std::vector<Complex>& pupil, int n, int m, double sx, double sy) {
    const double c = 0.5 * (n - 1);
    const Complex k(0, -2 * kPi / m);
    std::vector<Complex> ex(n), kx(n);
    for (int j = 0; j < n; ++j) {
        ex[j] = std::polar(1.0, -2 * kPi * sx * (j - c) / m);
        kx[j] = k * (j - c);
    }
    Complex u = 0, ux = 0, uy = 0, uxx = 0, uxy = 0, uyy = 0;
    for (int l = 0; l < n; ++l) {
        const Complex* row = pupil.data() + static_cast<size_t>(l) * n;
        Complex r0 = 0, r1 = 0, r2 = 0;
        for (int j = 0; j < n; ++j) {
            if (row[j] == Complex(0, 0)) continue;
            const Complex t = row[j] * ex[j];
            r0 += t;
            r1 += t * kx[j];
            r2 += t * kx[j] * kx[j];
        }
        const Complex ey = std::polar(1.0, -2 * kPi * sy * (l - c) / m), ky = k * (l - c);
        u += ey * r0;
        ux += ey * r1;
        uxx += ey * r2;
        uy += ey * ky * r0;
        uxy += ey * ky * r1;
        uyy += ey * ky * ky * r0;
    }
    PeakProbe p;
    p.value = std::norm(u);
    p.gx = 2 * (std::conj(u) * ux).real();
    p.gy = 2 * (std::conj(u) * uy).real();
    p.hxx = 2 * (std::norm(ux) + (std::conj(u) * uxx).real());
    p.hyy = 2 * (std::norm(uy) + (std::conj(u) * uyy).real());
    p.hxy = 2 * ((std::conj(ux) * uy).real() + (std::conj(u) * uxy).real());
    return p;
}

/// The PSF's true peak near the brightest sample s: the samples lie half
/// the Airy core's width apart, so the peak between them can be a sixth
/// brighter than the brightest.  Newton's steps on |U|^2, each kept only if
/// it climbs.
double refinePeak(const std::vector<Complex>& pupil, int n, int m, double sx, double sy) {
    PeakProbe here = probe(pupil, n, m, sx, sy);
    for (int iter = 0; iter < 12; ++iter) {
        const double det = here.hxx * here.hyy - here.hxy * here.hxy;
        double dx, dy;
        if (here.hxx < 0 && det > 0) {
            dx = -(here.hyy * here.gx - here.hxy * here.gy) / det;
            dy = -(here.hxx * here.gy - here.hxy * here.gx) / det;
        } else {
            // Not a maximum's neighbourhood: a short step up the slope.
            const double g = std::hypot(here.gx, here.gy);
            if (!(g > 0)) break;
            dx = 0.25 * here.gx / g;
            dy = 0.25 * here.gy / g;
        }
        const double length = std::hypot(dx, dy);
        if (!std::isfinite(length)) break;
        if (length > 0.5) dx *= 0.5 / length, dy *= 0.5 / length;
        bool climbed = false;
        for (int halving = 0; halving < 8 && !climbed; ++halving, dx *= 0.5, dy *= 0.5) {
            const PeakProbe next = probe(pupil, n, m, sx + dx, sy + dy);
            if (next.value > here.value) {
                sx += dx;
                sy += dy;
                here = next;
                climbed = true;
            }
        }
        if (!climbed || std::hypot(dx, dy) < 1e-4) break;
    }
    return here.value;
}

/// The diffraction-limited MTF of a pupil's amplitude at the fractions nu
/// of the cutoff: kept while the fields share one amplitude.
struct LimitCache {
    std::vector<double> amplitude;
    std::vector<double> values;
};

std::vector<double> diffractionLimit(const PupilFunction& pupil, const std::vector<double>& nu,
                                     FftWorkspace& work, LimitCache& cache) {
    if (cache.amplitude == pupil.amplitude && cache.values.size() == nu.size()) return cache.values;
    const int m = work.size;
    fillPaddedPupil(pupil, m, false, work.square);
    fftForward2d(m, pupil.grid, work.square);
    std::vector<double> alongX, alongY;
    psfFromSpectrum(work.square, m, 1, 1, 1.0, work.real.data());
    lineSpreads(work.real.data(), m, alongX, alongY);
    // In units of the sample spacing, the cutoff lies at N / M cycles.
    std::vector<double> values(nu.size());
    for (size_t k = 0; k < nu.size(); ++k)
        values[k] = modulation(alongX, nu[k] * pupil.grid / m, 1.0, pupil.powerSum / pupil.amplitudeSum);
    cache.amplitude = pupil.amplitude;
    cache.values = values;
    return values;
}

/// The transforms' arrays of this thread, kept from one computation to the
/// next up to this size (about 10 MB); larger ones are given back.
constexpr int kKeptWorkspace = 512;

thread_local std::unique_ptr<FftWorkspace> tKeptWorkspace;

/// The arrays for size m, for the duration of one computation: call
/// doneWithWorkspace after it.
FftWorkspace& workspaceFor(int m) {
    if (!tKeptWorkspace || tKeptWorkspace->size != m) {
        tKeptWorkspace.reset();
        tKeptWorkspace = std::make_unique<FftWorkspace>(m);
    }
    return *tKeptWorkspace;
}

void doneWithWorkspace() {
    if (tKeptWorkspace && tKeptWorkspace->size > kKeptWorkspace) tKeptWorkspace.reset();
}

FieldDiffraction fieldDiffraction(const Design& design, QualityField field, const DiffractionOptions& options,
                                  FftWorkspace& work, LimitCache& cache) {
    FieldDiffraction out;
    const int n = std::clamp(options.grid, kMinDiffractionGrid, kMaxDiffractionGrid);
    const int m = diffractionFftSize(n);
    const double um = micronsPerUnit(design);
    const double lambdaUm = options.wavelengthMicrons;

    const FieldReference reference = fieldReference(design, field);
    if (reference.status != kTraceOk) {
        out.status = reference.status;
        return out;
    }
    // The working f-ratio and the Marechal estimate as the quality figures
    // give them (which also refuse a beam without a focus).
    const FieldQuality quality = computeFieldQuality(design, field, {kDefaultQualityRays, lambdaUm});
    if (quality.status != kTraceOk) {
        out.status = quality.status;
        return out;
    }
    const PupilFunction pupil = samplePupil(design, field, reference, n, lambdaUm / um);
    out.pupilRays = pupil.rays;
    out.missedRays = pupil.missed;
    if (pupil.status != kTraceOk) {
        out.status = pupil.status;
        return out;
    }
    out.strehlMarechal = quality.strehl;
    out.fNumber = quality.workingFRatio;
    out.airyRadius = 1.22 * lambdaUm * out.fNumber;
    out.cutoff = 1000 / (lambdaUm * out.fNumber);
    out.psfSpacing = lambdaUm * out.fNumber * n / m;
    out.undersampled = pupil.largestStep > kLargestSampledStep;

    // The PSF, normalised to the peak of the same pupil without aberration
    // (the squared sum of the amplitudes).
    FftArray<Complex>& spectrum = work.square;
    fillPaddedPupil(pupil, m, true, spectrum);
    fftForward2d(m, pupil.grid, spectrum);
    const double unaberratedPeak = pupil.amplitudeSum * pupil.amplitudeSum;
    out.psfSize = m;
    double* psf = work.real.data();
    psfFromSpectrum(spectrum, m, pupil.signX, pupil.signY, unaberratedPeak, psf);
    out.psf.assign(psf, psf + static_cast<size_t>(m) * m);

    // The Strehl ratio: the peak, found between the samples.
    size_t brightest = 0;
    for (size_t k = 1; k < static_cast<size_t>(m) * m; ++k)
        if (std::norm(spectrum[k]) > std::norm(spectrum[brightest])) brightest = k;
    auto signedIndex = [m](int i) { return i <= m / 2 ? i : i - m; };
    const double peak = refinePeak(pupil.field, n, m, signedIndex(static_cast<int>(brightest % m)),
                                   signedIndex(static_cast<int>(brightest / m)));
    out.strehl = std::max(peak, std::norm(spectrum[brightest])) / unaberratedPeak;

    // The centroid from the mean slope: a slope of one wave across the N
    // cells moves the image by lambda F#.
    out.centroidX = -pupil.signX * pupil.slopeX * n * out.fNumber * lambdaUm;
    out.centroidY = -pupil.signY * pupil.slopeY * n * out.fNumber * lambdaUm;

    // MTF from the line spread functions, at the transform's own
    // frequencies where the grid has kMinCurvePoints of them to the cutoff.
    // The OTF at zero is the pupil's power, the sum of the squared
    // amplitudes; everywhere else it is the overlap of the pupil with
    // itself shifted, whose rim cells count with their share of the area:
    // it falls from the pupil's area, the sum of the amplitudes.  (The
    // difference is light the rim cells scatter beyond the window.)
    const double scale = pupil.powerSum / pupil.amplitudeSum;
    std::vector<double> alongX, alongY;
    lineSpreads(psf, m, alongX, alongY);
    const int intervals = n >= kMinCurvePoints ? n : kMinCurvePoints;
    std::vector<double> nu(intervals + 1);
    for (int k = 0; k <= intervals; ++k) nu[k] = double(k) / intervals;
    const double cutoffPerUm = out.cutoff / 1000;
    MtfCurves& mtf = out.mtf;
    mtf.frequency.resize(nu.size());
    mtf.tangential.resize(nu.size());
    mtf.sagittal.resize(nu.size());
    for (size_t k = 0; k < nu.size(); ++k) {
        mtf.frequency[k] = nu[k] * out.cutoff;
        mtf.tangential[k] = modulation(alongX, nu[k] * cutoffPerUm, out.psfSpacing, scale);
        mtf.sagittal[k] = modulation(alongY, nu[k] * cutoffPerUm, out.psfSpacing, scale);
    }
    for (size_t i = 0; i < kMtfQuoteFractions.size(); ++i) {
        out.mtfTangentialAt[i] =
            modulation(alongX, kMtfQuoteFractions[i] * cutoffPerUm, out.psfSpacing, scale);
        out.mtfSagittalAt[i] = modulation(alongY, kMtfQuoteFractions[i] * cutoffPerUm, out.psfSpacing, scale);
    }

    // Encircled energy about the centroid; the energy the pupil passes is
    // the sum of the amplitudes (its area), of which the window's samples
    // hold the sum of their squares.
    const EncircledEnergy ee = encircledEnergy(PsfSamples{work, out.psfSpacing}, out.centroidX, out.centroidY,
                                               n + 1, pupil.amplitudeSum / pupil.powerSum, out.airyRadius);
    out.ee50 = ee.ee50;
    out.ee80 = ee.ee80;
    out.encircledEnergy = ee.curve;

    // The diffraction limit last: it transforms in the same arrays.
    mtf.diffractionLimit = diffractionLimit(pupil, nu, work, cache);

    // Figures too large for the arithmetic: no image worth the name.
    double check = out.strehl + out.strehlMarechal + out.ee50 + out.ee80 + out.fNumber + out.cutoff +
                   out.psfSpacing + out.centroidX + out.centroidY;
    for (double v : mtf.tangential) check += v;
    for (double v : mtf.sagittal) check += v;
    for (double v : ee.curve.fraction) check += v;
    if (!std::isfinite(check)) {
        const int rays = out.pupilRays, missed = out.missedRays;
        out = FieldDiffraction{};
        out.status = kTraceNoFocus;
        out.pupilRays = rays;
        out.missedRays = missed;
    }
    return out;
}

}  // namespace

int diffractionFftSize(int grid) {
    return fftFriendlySize(2 * std::clamp(grid, kMinDiffractionGrid, kMaxDiffractionGrid));
}

FieldDiffraction computeFieldDiffraction(const Design& design, QualityField field,
                                         const DiffractionOptions& options) {
    LimitCache cache;
    FieldDiffraction out =
        fieldDiffraction(design, field, options, workspaceFor(diffractionFftSize(options.grid)), cache);
    doneWithWorkspace();
    return out;
}

DiffractionResult computeDiffraction(const Design& design, const DiffractionOptions& options,
                                     std::span<const QualityField> fields) {
    DiffractionResult result;
    result.wavelengthMicrons = options.wavelengthMicrons;
    result.grid = std::clamp(options.grid, kMinDiffractionGrid, kMaxDiffractionGrid);
    result.fftSize = diffractionFftSize(result.grid);
    LimitCache cache;
    FftWorkspace& work = workspaceFor(result.fftSize);
    std::optional<FieldDiffraction> axis;
    for (size_t i = 0; i < kQualityFields.size(); ++i) {
        if (std::find(fields.begin(), fields.end(), kQualityFields[i]) == fields.end()) continue;
        result.computed.push_back(kQualityFields[i]);
        // Without a field every field is the axis.
        if (design.sinField == 0 && i > 0) {
            if (!axis) axis = fieldDiffraction(design, kQualityFields[0], options, work, cache);
            result.fields[i] = *axis;
            continue;
        }
        result.fields[i] = fieldDiffraction(design, kQualityFields[i], options, work, cache);
        if (i == 0 && design.sinField == 0) axis = result.fields[i];
    }
    doneWithWorkspace();
    return result;
}

}  // namespace orvelin
