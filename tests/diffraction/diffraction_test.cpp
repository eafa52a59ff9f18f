// The diffraction image against closed forms: the Airy pattern of a perfect
// paraboloid (its samples, dark ring, encircled energy and MTF), the
// on-axis intensity of pure defocus, the Strehl ratio against the Marechal
// estimate, convergence with the grid, the image's orientation, and the
// transforms and pupil shares it is built from.
#include "diffraction/diffraction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "design/design_file.h"
#include "diffraction/bessel.h"
#include "diffraction/diffraction_output.h"
#include "diffraction/fft.h"
#include "diffraction/pupil_function.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

using namespace orvelin;
namespace ot = orvelin::testing;

namespace {

constexpr double kPi = std::numbers::pi;

/// A sampled diffraction figure against its closed form: the sampled pupil
/// and the transform's window leave about 1e-3.
constexpr double kSampledImage = 2e-3;

double besselJ0(double v) {
    return std::cyl_bessel_j(0.0, v);
}
double libraryJ1(double v) {
    return std::cyl_bessel_j(1.0, v);
}

/// The Airy pattern's intensity at v = pi r / (lambda F#).
double airy(double v) {
    return v == 0 ? 1.0 : std::pow(2 * libraryJ1(v) / v, 2);
}

/// The fraction of an Airy pattern's energy within v.
double airyEnergy(double v) {
    return 1 - besselJ0(v) * besselJ0(v) - libraryJ1(v) * libraryJ1(v);
}

/// The v at which the Airy pattern holds `level` of its energy.
double airyRadiusOf(double level) {
    double lo = 0.1, hi = 3.8;
    for (int i = 0; i < 100; ++i) (airyEnergy(0.5 * (lo + hi)) < level ? lo : hi) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
}

/// The diffraction-limited MTF of a round pupil at nu of the cutoff.
double roundPupilMtf(double nu) {
    return 2 / kPi * (std::acos(nu) - nu * std::sqrt(1 - nu * nu));
}

Design example(const char* name) {
    Design d;
    EXPECT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name + ".ov").accepted()) << name;
    return d;
}

}  // namespace

TEST(Diffraction, PerfectParaboloidGivesTheAiryPattern) {
    const FieldDiffraction f = computeFieldDiffraction(ot::paraboloid(), QualityField::center);
    ASSERT_EQ(f.status, kTraceOk);
    EXPECT_NEAR(f.strehl, 1, 1e-3);
    const double lambdaF = kQualityWavelengthMicrons * f.fNumber;
    EXPECT_NEAR(f.airyRadius, 1.22 * lambdaF, ot::kFewRoundings);
    EXPECT_NEAR(f.psfSpacing, lambdaF / 2, ot::kFewRoundings);
    EXPECT_NEAR(f.cutoff, 1000 / lambdaF, 1e-9);

    // Every sample within six lambda F# of the chief ray, along both axes
    // and the diagonal, is the Airy pattern's intensity there: its first
    // dark ring at 1.22 lambda F# included.
    const int m = f.psfSize, c = m / 2;
    for (int i = -12; i <= 12; ++i) {
        const double v = kPi * i * f.psfSpacing / lambdaF;
        EXPECT_NEAR(f.psfAt(c, c + i), airy(std::fabs(v)), kSampledImage) << i;
        EXPECT_NEAR(f.psfAt(c + i, c), airy(std::fabs(v)), kSampledImage) << i;
        EXPECT_NEAR(f.psfAt(c + i, c + i), airy(std::fabs(v) * std::sqrt(2.0)), kSampledImage) << i;
    }
    // The dark ring itself: the samples either side of 1.22 lambda F# are
    // the pattern's, and between them the intensity (its band-limited
    // interpolation along the axis) falls to zero at the ring.
    EXPECT_LT(f.psfAt(c, c + 2), airy(kPi * 0.9)) << "inside the ring";
    EXPECT_LT(f.psfAt(c, c + 3), 0.02) << "beyond the ring";

    // Encircled energy 1 - J0^2 - J1^2 along the curve, and the radii of
    // 50 and 80 % well within half a per cent.
    ASSERT_GE(f.encircledEnergy.radius.size(), size_t(kMinCurvePoints));
    for (size_t k = 0; k < f.encircledEnergy.radius.size(); ++k) {
        const double v = kPi * f.encircledEnergy.radius[k] / lambdaF;
        EXPECT_NEAR(f.encircledEnergy.fraction[k], airyEnergy(v), kSampledImage) << k;
    }
    EXPECT_NEAR(f.ee50 / (airyRadiusOf(0.5) * lambdaF / kPi), 1, 1e-3);
    EXPECT_NEAR(f.ee80 / (airyRadiusOf(0.8) * lambdaF / kPi), 1, 1e-3);

    // MTF (2/pi)(arccos nu - nu sqrt(1 - nu^2)) from 0 to the cutoff, in
    // both directions and as the diffraction limit beside them.
    ASSERT_GE(f.mtf.frequency.size(), size_t(kMinCurvePoints));
    EXPECT_EQ(f.mtf.frequency.front(), 0);
    EXPECT_NEAR(f.mtf.frequency.back(), f.cutoff, 1e-9);
    for (size_t k = 0; k < f.mtf.frequency.size(); ++k) {
        const double expected = roundPupilMtf(f.mtf.frequency[k] / f.cutoff);
        EXPECT_NEAR(f.mtf.tangential[k], expected, kSampledImage) << k;
        EXPECT_NEAR(f.mtf.sagittal[k], expected, kSampledImage) << k;
        EXPECT_NEAR(f.mtf.diffractionLimit[k], expected, kSampledImage) << k;
    }
    for (size_t i = 0; i < kMtfQuoteFractions.size(); ++i)
        EXPECT_NEAR(f.mtfTangentialAt[i], roundPupilMtf(kMtfQuoteFractions[i]), kSampledImage) << i;
}

TEST(Diffraction, CoarseAndFineGridsAgreeWithTheClosedForms) {
    // At the coarsest grid the curves still have their least number of
    // points and the radii are within a per cent; from 50 cells on, within
    // half a per cent.
    for (const auto& [grid, tolerance] : {std::pair{kMinDiffractionGrid, 1e-2}, {50, 5e-3}, {256, 5e-3}}) {
        const FieldDiffraction f = computeFieldDiffraction(ot::paraboloid(), QualityField::center, {grid});
        ASSERT_EQ(f.status, kTraceOk) << grid;
        const double lambdaF = kQualityWavelengthMicrons * f.fNumber;
        EXPECT_EQ(f.psfSize, diffractionFftSize(grid));
        EXPECT_LE(f.psfSpacing, lambdaF / 2 + 1e-12) << grid;
        EXPECT_GE(f.mtf.frequency.size(), size_t(kMinCurvePoints + 1)) << grid;
        EXPECT_NEAR(f.ee50 / (airyRadiusOf(0.5) * lambdaF / kPi), 1, tolerance) << grid;
        EXPECT_NEAR(f.ee80 / (airyRadiusOf(0.8) * lambdaF / kPi), 1, tolerance) << grid;
        EXPECT_NEAR(f.mtfTangentialAt[2], roundPupilMtf(0.5), tolerance) << grid;
    }
}

TEST(Diffraction, DefocusDimsTheAxisAsSinXOverXSquared) {
    // The paraboloid's focal plane moved by dz: a wavefront of
    // W020 = dz (1 - cos theta) / lambda waves peak to valley, theta the
    // marginal ray's angle (tan(theta/2) = h / 2f), whose on-axis intensity
    // is (sin(pi W020) / (pi W020))^2.
    const double f = 500, h = 50, t = h / (2 * f);
    const double oneMinusCos = 2 * t * t / (1 + t * t);
    for (double w020 : {0.1, 0.25, 0.5}) {
        const double dz = w020 * kQualityWavelengthMicrons / 1000 / oneMinusCos;
        const Design d = ot::makeDesign({{1000, 1, 0, f + dz}, {}}, 2 * h);
        const FieldDiffraction r = computeFieldDiffraction(d, QualityField::center);
        ASSERT_EQ(r.status, kTraceOk);
        const double expected = std::pow(std::sin(kPi * w020) / (kPi * w020), 2);
        EXPECT_NEAR(r.psfAt(r.psfSize / 2, r.psfSize / 2), expected, kSampledImage) << w020;
        EXPECT_NEAR(r.strehl, expected, kSampledImage) << w020;
        // Small errors: the peak tends to the Marechal estimate
        // exp(-(2 pi sigma)^2), sigma = W020 / sqrt(12) for defocus about
        // the chief ray's point.
        if (w020 <= 0.1) {
            EXPECT_NEAR(r.strehl, r.strehlMarechal, 1e-3);
        }
        EXPECT_LT(r.ee80, r.airyRadius * (1 + 4 * w020)) << w020;
    }
}

TEST(Diffraction, ExamplesConvergeAndMeetTheMarechalEstimate) {
    for (const char* name : {"schiefspiegler", "toroid", "paraboloid-f5"}) {
        const Design d = example(name);
        const DiffractionResult coarse = computeDiffraction(d);
        const DiffractionResult fine = computeDiffraction(d, {2 * kDefaultDiffractionGrid});
        EXPECT_EQ(coarse.grid, kDefaultDiffractionGrid);
        EXPECT_EQ(coarse.fftSize, 2 * kDefaultDiffractionGrid);
        for (QualityField field : kQualityFields) {
            const FieldDiffraction& a = coarse.field(field);
            const FieldDiffraction& b = fine.field(field);
            const std::string what = std::string(name) + " " + qualityFieldName(field);
            ASSERT_EQ(a.status, kTraceOk) << what;
            EXPECT_NEAR(a.strehl, b.strehl, 1e-3) << what;
            EXPECT_NEAR(a.ee50 / b.ee50, 1, 5e-3) << what;
            EXPECT_NEAR(a.ee80 / b.ee80, 1, 5e-3) << what;
            EXPECT_NEAR(a.mtfTangentialAt[2], b.mtfTangentialAt[2], 5e-3) << what;
            EXPECT_FALSE(a.undersampled) << what;
            // The corrected designs' errors are small: Marechal holds.
            if (a.strehlMarechal > 0.75) {
                EXPECT_NEAR(a.strehl, a.strehlMarechal, 2e-3) << what;
            }
        }
    }
}

TEST(Diffraction, ImageLiesWhereTheLightFallsAndAxesFollowTheTilts) {
    // The paraboloid's field edges: coma throws the image outwards, the
    // PSF's centroid lies where the rays' centroid does (a few tenths of a
    // per cent apart: the transform maps the pupil linearly), on the side
    // of the field, and the sagittal edge is the plus edge turned by 90
    // degrees, its tangential and sagittal MTF exchanged.
    const Design d = ot::paraboloid(1.0);
    const QualityReport q = computeQuality(d);
    const DiffractionResult r = computeDiffraction(d);
    const FieldDiffraction& plus = r.field(QualityField::plus);
    const FieldDiffraction& minus = r.field(QualityField::minus);
    const FieldDiffraction& sag = r.field(QualityField::sagittal);
    EXPECT_NEAR(plus.centroidX / q.field(QualityField::plus).centroidX, 1, 1e-2);
    EXPECT_NEAR(minus.centroidX / q.field(QualityField::minus).centroidX, 1, 1e-2);
    EXPECT_NEAR(sag.centroidY / q.field(QualityField::sagittal).centroidY, 1, 1e-2);
    EXPECT_NEAR(plus.centroidY, 0, 1e-9);
    EXPECT_NEAR(sag.centroidX, 0, 1e-9);
    for (size_t k = 0; k < plus.mtf.frequency.size(); ++k) {
        EXPECT_NEAR(plus.mtf.tangential[k], sag.mtf.sagittal[k], 1e-6) << k;
        EXPECT_NEAR(plus.mtf.sagittal[k], sag.mtf.tangential[k], 1e-6) << k;
    }
    // Coma's flare: the brightest sample lies between the chief ray and
    // the centroid, on the centroid's side, never beyond it.
    int best = 0;
    const int m = plus.psfSize, c = m / 2;
    for (int col = 0; col < m; ++col)
        if (plus.psfAt(c, col) > plus.psfAt(c, best)) best = col;
    const double peakX = (best - c) * plus.psfSpacing;
    EXPECT_GE(peakX * plus.centroidX, 0);
    EXPECT_LT(std::fabs(peakX), std::fabs(plus.centroidX) + plus.psfSpacing);
    // Strongly aberrated: the ratio the Marechal formula cannot give.
    EXPECT_GT(plus.strehl, 1.5 * plus.strehlMarechal);
}

TEST(Diffraction, FieldsThatDoNotTraceReportTheirStatus) {
    // A flat mirror has no focus, a zero aperture no light; neither changes
    // the design.
    const Design flat = ot::flatMirror(100);
    Design zero = ot::paraboloid();
    zero.aperture = zero.semiAperture = 0;
    for (const Design& d : {flat, zero}) {
        const Design before = d;
        const DiffractionResult r = computeDiffraction(d, {32});
        for (QualityField f : kQualityFields) EXPECT_NE(r.field(f).status, kTraceOk);
        EXPECT_TRUE(bitIdentical(d, before));
        const auto json = diffractionJson(r);
        EXPECT_TRUE(json["fields"]["center"].contains("message"));
    }
    // Only the fields asked for, in their own order.
    const QualityField asked[] = {QualityField::plus, QualityField::center};
    const DiffractionResult some = computeDiffraction(ot::paraboloid(1.0), {32}, asked);
    ASSERT_EQ(some.computed.size(), 2u);
    EXPECT_EQ(some.computed[0], QualityField::center);
    EXPECT_TRUE(some.field(QualityField::minus).psf.empty());
    // A grid outside the range is taken to its nearest end.
    EXPECT_EQ(computeDiffraction(ot::paraboloid(), {4}, asked).grid, kMinDiffractionGrid);
}

TEST(DiffractionParts, RimCellsCarryTheirShareOfTheDisk) {
    // The shares of every cell of a grid add up to the disk's area, and a
    // cell wholly inside or outside is 1 or 0.
    for (int n : {16, 33, 128}) {
        const double h = 1.7, cell = 2 * h / n;
        double sum = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                sum +=
                    squareInDisk(-h + j * cell, -h + (j + 1) * cell, -h + i * cell, -h + (i + 1) * cell, h);
        EXPECT_NEAR(sum * cell * cell, kPi * h * h, 1e-12) << n;
    }
    EXPECT_EQ(squareInDisk(-0.1, 0.1, -0.1, 0.1, 1), 1);
    EXPECT_EQ(squareInDisk(2, 3, 2, 3, 1), 0);
    // A quarter of the unit square's corner cell: 1 - pi/4 lies outside.
    EXPECT_NEAR(squareInDisk(0, 1, 0, 1, 1), kPi / 4, ot::kFewRoundings);
    EXPECT_NEAR(squareInDisk(-1, 1, -1, 1, 1), kPi / 4, ot::kFewRoundings);
}

TEST(DiffractionParts, TransformsAreTheDiscreteFourierTransform) {
    // A 12 x 12 array with values in its first 5 rows, against the sum
    // written out; and the halved real transform against the same sum.
    const int n = 12, rows = 5;
    FftArray<Complex> a(n * n);
    FftWorkspace work(n);
    for (int l = 0; l < n; ++l)
        for (int j = 0; j < n; ++j) {
            a[l * n + j] = l < rows ? Complex(std::sin(l + 2.0 * j), std::cos(3.0 * l - j)) : Complex(0, 0);
            work.real[l * n + j] = std::cos(l * l + 0.5 * j);
        }
    FftArray<Complex> input(n * n);
    std::copy_n(a.data(), n * n, input.data());
    fftForward2d(n, rows, a);
    fftForwardRealTransposed(work);
    for (int q = 0; q < n; ++q) {
        for (int p = 0; p < n; ++p) {
            Complex sum = 0, realSum = 0;
            for (int l = 0; l < n; ++l)
                for (int j = 0; j < n; ++j) {
                    const Complex turn = std::polar(1.0, -2 * kPi * (q * l + p * j) / n);
                    sum += input[l * n + j] * turn;
                    realSum += work.real[l * n + j] * turn;
                }
            EXPECT_NEAR(std::abs(a[q * n + p] - sum), 0, 1e-12) << q << " " << p;
            if (p <= n / 2) {
                EXPECT_NEAR(std::abs(work.half[p * n + q] - realSum), 0, 1e-12) << q << " " << p;
            }
        }
    }
    EXPECT_EQ(fftFriendlySize(256), 256);
    EXPECT_EQ(fftFriendlySize(2 * 1021), 2048);
    EXPECT_EQ(fftFriendlySize(2 * 17), 36);
}

TEST(DiffractionParts, FastBesselFunctionMatchesTheLibrary) {
    double worst = 0;
    for (double x = 0; x < 3000; x += 0.0173) worst = std::max(worst, std::fabs(besselJ1(x) - libraryJ1(x)));
    EXPECT_LT(worst, 1e-8);
    EXPECT_EQ(besselJ1(-2.5), -besselJ1(2.5));
}
