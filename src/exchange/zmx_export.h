// Exporting a design as a sequential .zmx prescription.
//
// Every tilted mirror is written between two coordinate breaks of its tilt,
// so that the axis of the file follows the folded beam and thicknesses turn
// negative after each odd reflection, as sequential programs expect.  The
// text is ASCII with CRLF line ends; numbers are written in the shortest
// form that reads back to the same double.
#pragma once

#include <string>

#include "design/design.h"
#include "platform/atomic_file.h"

namespace orvelin::exchange {

/// The one wavelength written, in micrometres (only for information: the
/// design itself has none).
inline constexpr double kExportWavelength = 0.5588;

/// The design as .zmx text.
std::string formatZmx(const Design& design);

/// Write the design as a .zmx file, replacing `path` atomically.
WriteResult exportZmxFile(const Design& design, const std::string& path);

}  // namespace orvelin::exchange
