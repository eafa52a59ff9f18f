// The diffraction image as the command line and scripts hand it on: JSON of
// every figure and curve, and CSV tables of the PSF and the MTF.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "diffraction/diffraction.h"

namespace orvelin {

/// How the pupil was sampled and where the PSF lies, in words.
std::string diffractionSamplingText(const DiffractionResult& result);

/// Every figure and curve of the computed fields, in the order of
/// kQualityFields; a field that did not trace gives its status and
/// message.
nlohmann::ordered_json diffractionJson(const DiffractionResult& result);

/// The PSF of each computed field as a grid: a line naming the field and
/// its spacing, a header line of the tangential coordinates (um), then a
/// line per sagittal coordinate (um) followed by the intensities; a blank
/// line between fields.
std::string psfCsv(const DiffractionResult& result);

/// The MTF curves as columns: for each computed field its frequencies
/// (cycles/mm), tangential, sagittal and diffraction-limited modulation.
std::string mtfCsv(const DiffractionResult& result);

}  // namespace orvelin
