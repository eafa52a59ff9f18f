// Encircled energy from the optical transfer function.
//
// The PSF, sampled at the Nyquist rate of the intensity or finer, is a
// band-limited function known everywhere from its samples: its Fourier
// coefficients (the OTF) vanish beyond the pupil's diameter.  The energy
// within the circle of radius r about a point c is then exactly
//     sum over frequencies f of OTF(f) exp(2 pi i f.c) r J1(2 pi r |f|) / |f|,
// where counting whole pixels inside the circle is off by several per cent
// at this sampling.  The OTF is gathered by |f| into fine radial bins first,
// so that the Bessel function is evaluated once a bin and radius.
#pragma once

#include <vector>

#include "diffraction/diffraction.h"
#include "diffraction/fft.h"

namespace orvelin {

/// A sampled PSF as the encircled energy reads it: work.real holds M x M
/// samples, row after row, sample (r, c) at ((c - M/2) spacing,
/// (r - M/2) spacing); the rest of work is scratch.
struct PsfSamples {
    FftWorkspace& work;
    double spacing = 0;  ///< between samples, um
};

struct EncircledEnergy {
    EncircledEnergyCurve curve;
    double ee50 = 0;  ///< um
    double ee80 = 0;
};

/// Energy about (cx, cy) (um from the PSF's sample M/2, M/2): the curve from
/// 0 to a few times the radius of 80 %, at least kMinCurvePoints points, and
/// the radii of 50 % and 80 % found exactly.  support: how far the OTF
/// reaches, in frequency steps of 1 / (M spacing) (the pupil's diameter in
/// cells, and one for its rim); energyScale: the energy the pupil passes
/// over the energy the samples hold (the part beyond the sampled window,
/// where a hard-edged pupil sends a little light); airyRadius sets the
/// least extent of the curve.
EncircledEnergy encircledEnergy(const PsfSamples& psf, double cx, double cy, int support, double energyScale,
                                double airyRadius);

}  // namespace orvelin
