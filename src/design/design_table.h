// The design table as every medium writes it: the screen's table, the
// printed page's, the command line's `show` and the design file's rows all
// take their texts from here, so a value reads the same everywhere.
#pragma once

#include <string>

#include "design/design.h"

namespace orvelin {

/// A design value as the tables, the dialogs and the file show it: "%- .7g"
/// (seven significant digits, a blank where a plus sign would go, so that
/// numbers of either sign line up).
std::string formatValue(double value);

/// The column headings of the design table.
inline constexpr const char* kDesignTableHeadings =
    "Surface       Radius        CC/Rsag       Tilt          Separation";

/// The texts of surface i's row: its kind's name, the radius, the conic
/// constant (the sagittal radius for a toroid), the tilt and the separation
/// (empty for the focal plane, which has none).
struct DesignTableRow {
    std::string name;
    std::string radius;
    std::string conicOrSagRadius;
    std::string tilt;
    std::string separation;
};
DesignTableRow designTableRow(const Design& design, int i);

/// The aperture with its unit ("100 mm" with the value's leading blank) and
/// the field semi-angle ("0.5 degrees" likewise).
std::string apertureText(const Design& design);
std::string fieldSemiAngleText(const Design& design);

}  // namespace orvelin
