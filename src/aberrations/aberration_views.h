// The aberration plots as views: ray and wavefront fans, field curves and
// distortion, the field map and spots through focus.  Each painter takes the
// design's results, computed beforehand, and only draws, through the
// drawing device, so one routine serves the window, image and SVG files and
// the printed page.
#pragma once

#include <string>

#include "aberrations/field_curves.h"
#include "aberrations/field_map.h"
#include "aberrations/ray_fans.h"
#include "aberrations/through_focus.h"
#include "design/design.h"
#include "design/kept_result.h"
#include "platform/draw_device.h"

namespace orvelin {

/// What every view shows above its plot.
struct AberrationViewTitle {
    std::string title;  ///< the design's
    std::string units;  ///< "mm" or "inches"
};
AberrationViewTitle aberrationViewTitle(const Design& design);

/// One row per field (center, minus, plus, sagittal), four plots a row:
/// the tangential and sagittal ray fans (x errors blue, y errors red, um)
/// at one common scale, and the two wavefront fans (waves) at another.
void drawFansView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t, const FanResult& r);

/// The tangential and sagittal foci against the field angle (the sweep in
/// the plane of the tilts solid, the one across it dashed) beside the
/// distortion, with the best-fit focal-plane tilts.
void drawFieldCurvesView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                         const FieldCurvesResult& r);

/// The grid of field points as coloured cells (green best, red worst RMS
/// spot) with each point's RMS spot and Strehl ratio, the field's circle
/// over them; missing points grey.
void drawFieldMapView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                      const FieldMapResult& r);

/// The spots side by side at one scale, each centred on its centroid, with
/// its shift and RMS radius beneath, and a scale bar.
void drawThroughFocusView(draw::Device& dc, const draw::Rect& area, const AberrationViewTitle& t,
                          const ThroughFocusResult& r);

/// The results the views show, computed on first use and kept until the
/// design changes, so that a repaint only draws.
class AberrationViewCache {
  public:
    const FanResult& fans(const Design& design) const;
    const FieldCurvesResult& fieldCurves(const Design& design) const;
    const FieldMapResult& fieldMap(const Design& design) const;
    const ThroughFocusResult& throughFocus(const Design& design) const;

  private:
    KeptResult<FanResult> fans_;
    KeptResult<FieldCurvesResult> curves_;
    KeptResult<FieldMapResult> map_;
    KeptResult<ThroughFocusResult> focus_;
};

/// The view `viewState` (kViewFans, kViewFieldCurves, kViewFieldMap or
/// kViewThroughFocus) of the design into area, from the cache; nothing for
/// another view.
void drawAberrationView(draw::Device& dc, const draw::Rect& area, int viewState, const Design& design,
                        const AberrationViewCache& cache);

}  // namespace orvelin
