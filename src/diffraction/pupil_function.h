// The pupil function of one field on a square grid across the pupil: the
// amplitude and phase with which each cell's light reaches the reference
// sphere, from one real ray a cell.
#pragma once

#include <vector>

#include "design/design.h"
#include "diffraction/fft.h"
#include "quality/image_quality.h"

namespace orvelin {

struct PupilFunction {
    TraceStatus status = kTraceOk;  ///< not 0 when no ray of the grid arrived
    int grid = 0;                   ///< N cells across the diameter 2h
    double cell = 0;                ///< cell size 2h / N, design unit
    /// Row after row (rows along y, sagittal; columns along x, tangential),
    /// N x N: the fraction of the cell inside the disk, 0 where the cell's
    /// ray missed a mirror.
    std::vector<double> amplitude;
    /// The wavefront error in waves (piston removed), 0 where the amplitude
    /// is 0.
    std::vector<double> waves;
    /// amplitude times exp(2 pi i waves), cell by cell.
    std::vector<Complex> field;
    double amplitudeSum = 0;  ///< sum of the amplitudes (the area in cells)
    double powerSum = 0;      ///< sum of their squares
    int rays = 0;             ///< rays traced, one a cell touching the disk
    int missed = 0;           ///< of them, rays that missed a mirror
    /// Whether the image's tangential and sagittal axes run with the
    /// pupil's x and y (+1) or against them (-1): a ray through the pupil
    /// at +x arrives tilted towards signX * (+x) in the image space, seen
    /// from the chief ray.
    int signX = 1;
    int signY = 1;
    /// Mean slope of the wavefront over the pupil, waves per cell, weighted
    /// by the intensity: it says where the PSF's centroid lies.
    double slopeX = 0;
    double slopeY = 0;
    /// Largest change of the wavefront between neighbouring cells, waves.
    double largestStep = 0;

    double amplitudeAt(int row, int column) const {
        return amplitude[static_cast<size_t>(row) * grid + column];
    }
    double wavesAt(int row, int column) const { return waves[static_cast<size_t>(row) * grid + column]; }
};

/// The fraction of the square [x0, x1] x [y0, y1] inside the disk of
/// radius r about the origin, exactly.
double squareInDisk(double x0, double x1, double y0, double y1, double r);

/// Trace one ray through each of the N x N cells that touches the pupil
/// (from the cell's centre, or from its point on the rim when the centre
/// lies outside) and measure its path against the field's reference
/// sphere, at the wavelength lambda (in the design's unit).
PupilFunction samplePupil(const Design& design, QualityField field, const FieldReference& reference, int grid,
                          double lambda);

/// The pupil function padded with zeros into an M x M array (M >= N), row
/// after row: amplitude times exp(2 pi i waves), or the amplitude alone
/// when `aberrated` is false (the same pupil without aberration).
void fillPaddedPupil(const PupilFunction& pupil, int size, bool aberrated, FftArray<Complex>& out);

}  // namespace orvelin
