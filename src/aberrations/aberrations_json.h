// The aberration plots as JSON and as CSV: the one writer of each that the
// command line and scripts share.  Lengths are micrometres in the image and
// the design's unit along the chief ray, wavefronts in waves, angles in
// degrees; x is the focal plane's tangential direction (the plane of the
// tilts), y the sagittal one.  A point that could not be traced is null in
// JSON and an empty cell in CSV, with its trace status beside it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "aberrations/field_curves.h"
#include "aberrations/field_map.h"
#include "aberrations/ray_fans.h"
#include "aberrations/through_focus.h"

namespace orvelin {

/// {"wavelength_um", "fields": {"center": {"pupil": [...], "tangential":
/// {"ex", "ey", "opd"}, "sagittal": {...}}, ...}}; a field that did not
/// trace: {"status", "message"}.
nlohmann::ordered_json fansJson(const FanResult& result);

/// {"units", "fieldSemiAngle", "field": [...], "tangentialFocus",
/// "sagittalFocus", "distortion", "status", "sagittalSweep": {the same},
/// "focalLength", "focalPlaneTilt": {"tangential", "sagittal", "bestFit"}}.
nlohmann::ordered_json fieldCurvesJson(const FieldCurvesResult& result);

/// {"grid", "fieldSemiAngle", "wavelength_um", "points": [{"field": [t, s],
/// "rmsSpot", "strehl", "rmsWavefront"}, ...]}; a gap has "status" and
/// "message" instead of figures.
nlohmann::ordered_json fieldMapJson(const FieldMapResult& result);

/// {"field", "step", "workingFRatio", "wavelength_um", "spots": [{"shift",
/// "rmsSpot", "points": [[x, y], ...]}, ...]}.
nlohmann::ordered_json throughFocusJson(const ThroughFocusResult& result);

/// CSV with a header line: field,fan,pupil,ex_um,ey_um,opd_waves,status.
std::string fansCsv(const FanResult& result);
/// sweep,field_deg,tangential_focus,sagittal_focus,distortion_pct,status.
std::string fieldCurvesCsv(const FieldCurvesResult& result);
/// tangential_deg,sagittal_deg,rms_spot_um,strehl,rms_wavefront_waves,status.
std::string fieldMapCsv(const FieldMapResult& result);
/// shift,rms_spot_um,x_um,y_um: one line per point.
std::string throughFocusCsv(const ThroughFocusResult& result);

}  // namespace orvelin
