// Ray fans and wavefront fans: what the rays along two lines across the
// pupil do at the image, field by field.
//
// Along the tangential line (pupil x, in the plane of the tilts) and the
// sagittal line (pupil y) the rays of a field are traced to the focal plane
// as the design has it.  Each ray's transverse error is its hit point less
// the chief ray's, in the focal plane's own coordinates (x tangential, y
// sagittal), in micrometres; both components are kept on both lines, since
// a tilted system has no symmetry that makes one vanish.  Its wavefront
// error is the optical path difference against the reference sphere through
// the exit pupil centred on the chief ray's image point, in waves, with
// nothing removed (tilt and defocus stay in): the chief ray's path less the
// ray's, so that a wavefront ahead of the sphere counts positive.  Every fan
// is 0 at the pupil centre by construction.
#pragma once

#include <vector>

#include "quality/image_quality.h"

namespace orvelin {

struct FanOptions {
    int points = 41;  ///< pupil points from -1 to 1 on each line; odd, so that 0 is one of them
    double wavelengthMicrons = kQualityWavelengthMicrons;
    std::vector<QualityField> fields;  ///< in output order; empty: all four
};

/// One line across the pupil: per pupil point, NaN where the ray missed.
struct Fan {
    std::vector<double> ex;           ///< transverse error along x, um
    std::vector<double> ey;           ///< along y, um
    std::vector<double> opd;          ///< optical path difference, waves
    std::vector<TraceStatus> status;  ///< 0, or why the ray is a gap
};

/// The fans of one field.  When status is not 0 the chief ray failed (or no
/// ray could start) and the fans are empty.
struct FieldFans {
    QualityField field = QualityField::center;
    TraceStatus status = kTraceOk;
    int missed = 0;  ///< rays of the fans that failed (gaps)
    Fan tangential;  ///< against pupil x
    Fan sagittal;    ///< against pupil y
};

struct FanResult {
    double wavelengthMicrons = kQualityWavelengthMicrons;
    std::vector<double> pupil;      ///< the normalised pupil coordinates, -1 .. 1
    std::vector<FieldFans> fields;  ///< in the order asked for
    double largestError = 0;        ///< largest |ex| or |ey| of every fan, um (the common scale)
    double largestOpd = 0;          ///< largest |opd|, waves
};

/// Every fan of the fields asked for.  The design is not changed.
FanResult computeFans(const Design& design, const FanOptions& options = {});

}  // namespace orvelin
