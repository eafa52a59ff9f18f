// The diffraction view: for the axis and the field edges, the star image
// (the point spread function) as a picture with the Airy radius over it,
// the MTF against the diffraction limit and the encircled energy, beside
// each field's Strehl ratios and encircled-energy radii.  The painter takes
// the diffraction image computed beforehand and only draws, through the
// drawing device, so one routine serves the window, image and SVG files
// and the printed page.
#pragma once

#include "aberrations/aberration_views.h"
#include "design/design.h"
#include "design/kept_result.h"
#include "diffraction/diffraction.h"
#include "platform/draw_device.h"

namespace orvelin {

/// Decades of intensity the logarithmic picture spans below the peak.
inline constexpr int kPsfDecades = 4;

/// The colour of a PSF sample at f (0 dark .. 1 the peak), from black
/// through purple, red and orange to pale yellow, so that the brightness
/// grows evenly and the picture reads in grey on paper too.
draw::Colour psfColour(double f);

/// Where an intensity v (a fraction of the field's peak) lies on the
/// colour scale: v itself, or on the logarithmic scale 1 + log10(v) /
/// kPsfDecades; 0 below the scale.
double psfScalePosition(double v, bool logIntensity);

/// Half the width of the PSF pictures, um about the chief ray, one for all
/// the fields that traced: room for three Airy radii, and for the centroid
/// and one and a half times the radius of 80 % of the energy, rounded up to
/// a whole step of the axis; never more than the computed window.  0 when
/// no field traced.
double psfWindowHalfWidth(const DiffractionResult& r);

/// The view, one row per computed field: the field's figures (Strehl ratio
/// from the PSF and from the Marechal estimate, the radii of 50 % and 80 %
/// encircled energy, the f-ratio and the Airy radius), its PSF at one
/// common scale (x tangential, in the plane of the tilts; y sagittal, up),
/// each picture scaled to its own peak, linear or logarithmic, with the
/// circle of the Airy radius 1.22 lambda F# about its peak; its
/// tangential and sagittal MTF with the diffraction limit (cycles/mm,
/// contrast 0..1); and its encircled energy against the radius (um,
/// fraction 0..1) with the Airy pattern's.  A field that did not trace
/// shows its trace status instead.  A colour scale and the curves' legend
/// close the view.
void drawDiffractionView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                         const DiffractionResult& r, bool logIntensity);

/// The diffraction image of the four fields at the default grid and
/// wavelength, computed on first use and kept until the design changes,
/// so that a repaint only draws.
class DiffractionViewCache {
  public:
    const DiffractionResult& result(const Design& design) const;

  private:
    KeptResult<DiffractionResult> kept_;
};

/// The view of the design into area, from the cache.
void drawDiffractionViewOf(draw::Device& dc, const draw::Rect& area, const Design& design,
                           const DiffractionViewCache& cache, bool logIntensity);

}  // namespace orvelin
