// The diffraction image of a star: point spread function (PSF), modulation
// transfer function (MTF) and encircled energy, for the axis and the field
// edges, from the real-ray wavefront of the image-quality figures.
//
// The pupil function is sampled on an N x N grid of square cells across the
// disk of radius h in the start plane of the trace.  Each cell inside the
// disk sends one real ray; its amplitude is the fraction of the cell inside
// the disk (1 inside, less on the rim, 0 for a ray that misses a mirror) and
// its phase 2 pi W / lambda, W the ray's optical path to the reference
// sphere centred on the chief ray's point in the focal plane, piston
// removed and tilt left in, so that the image lies where the light falls.
// The grid is padded with zeros to M >= 2N, and the squared modulus of its
// Fourier transform is the PSF on the plane perpendicular to the chief ray
// at its point in the focal plane (on a tilted focal plane the image the
// plane itself receives is a projection of it), sampled lambda F# N / M
// apart (at most lambda F# / 2, the Nyquist rate of the intensity), F# the
// field's working f-ratio.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "design/design.h"
#include "quality/image_quality.h"

namespace orvelin {

/// Cells across the pupil's diameter: the default, and the range a caller
/// may ask for.
inline constexpr int kDefaultDiffractionGrid = 128;
inline constexpr int kMinDiffractionGrid = 16;
inline constexpr int kMaxDiffractionGrid = 1024;

/// Fewest points of the MTF and encircled-energy curves.
inline constexpr int kMinCurvePoints = 64;

/// The fractions of the cutoff frequency at which the MTF is quoted.
inline constexpr std::array<double, 4> kMtfQuoteFractions = {0.10, 0.25, 0.50, 0.75};

struct DiffractionOptions {
    int grid = kDefaultDiffractionGrid;                    ///< kMinDiffractionGrid .. kMaxDiffractionGrid
    double wavelengthMicrons = kQualityWavelengthMicrons;  ///< must be positive
};

/// Modulation against spatial frequency, from 0 to the cutoff.
struct MtfCurves {
    std::vector<double> frequency;         ///< cycles/mm
    std::vector<double> tangential;        ///< pattern varying in the plane of the tilts
    std::vector<double> sagittal;          ///< pattern varying across it
    std::vector<double> diffractionLimit;  ///< the same pupil without aberration, tangential
};

/// Energy within a circle about the PSF's centroid, as a fraction of all
/// the energy the pupil passes.
struct EncircledEnergyCurve {
    std::vector<double> radius;  ///< um
    std::vector<double> fraction;
};

/// The diffraction image of one field.  When status is not 0 the field
/// did not trace and nothing else means anything.
struct FieldDiffraction {
    TraceStatus status = kTraceOk;
    double strehl = 0;          ///< the PSF's peak, 1 for the same pupil without aberration
    double strehlMarechal = 0;  ///< exp(-(2 pi rmsWavefront)^2), as the quality figures give it
    double ee50 = 0;            ///< radius holding half the energy, um
    double ee80 = 0;            ///< radius holding 80 % of it, um
    double fNumber = 0;         ///< working f-ratio of the field
    double cutoff = 0;          ///< 1 / (lambda F#), cycles/mm
    double airyRadius = 0;      ///< 1.22 lambda F#, um
    double psfSpacing = 0;      ///< between PSF samples, um
    double centroidX = 0;       ///< PSF centroid about the chief ray, um (tangential)
    double centroidY = 0;       ///< (sagittal)
    int pupilRays = 0;          ///< rays traced, one a cell inside the disk
    int missedRays = 0;         ///< of them, rays that missed a mirror
    /// The wavefront changes by more than half a wave between neighbouring
    /// cells somewhere: the grid is too coarse for the aberration, and the
    /// PSF's outer parts fold back into the computed window.
    bool undersampled = false;
    /// M x M samples, row after row: rows run along the sagittal axis (y),
    /// columns along the tangential one (x, in the plane of the tilts); the
    /// chief ray at row and column M / 2; sample (r, c) lies at
    /// ((c - M/2) psfSpacing, (r - M/2) psfSpacing).
    int psfSize = 0;
    std::vector<double> psf;
    MtfCurves mtf;
    std::array<double, 4> mtfTangentialAt{};  ///< at kMtfQuoteFractions of the cutoff
    std::array<double, 4> mtfSagittalAt{};
    EncircledEnergyCurve encircledEnergy;

    double psfAt(int row, int column) const { return psf[static_cast<size_t>(row) * psfSize + column]; }
};

struct DiffractionResult {
    double wavelengthMicrons = kQualityWavelengthMicrons;
    int grid = kDefaultDiffractionGrid;        ///< cells across the pupil
    int fftSize = 0;                           ///< M, the padded transform's size
    std::vector<QualityField> computed;        ///< the fields computed, in the order of kQualityFields
    std::array<FieldDiffraction, 4> fields{};  ///< in the order of kQualityFields

    const FieldDiffraction& field(QualityField f) const { return fields[static_cast<size_t>(f)]; }
};

/// The PSF's padded transform size for a grid of n cells.
int diffractionFftSize(int grid);

/// The diffraction image of the listed fields (all four by default).  The
/// design is not changed.  A grid outside kMinDiffractionGrid ..
/// kMaxDiffractionGrid is clamped into it.
DiffractionResult computeDiffraction(const Design& design, const DiffractionOptions& options = {},
                                     std::span<const QualityField> fields = kQualityFields);

/// One field.
FieldDiffraction computeFieldDiffraction(const Design& design, QualityField field,
                                         const DiffractionOptions& options = {});

}  // namespace orvelin
