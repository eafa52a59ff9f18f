#include "design/design_table.h"

#include <cstdio>

namespace orvelin {

std::string formatValue(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%- .7g", value);
    return buffer;
}

DesignTableRow designTableRow(const Design& d, int i) {
    const Surface& s = d.surfaces[i];
    DesignTableRow row;
    row.name = surfaceKindName(d, i);
    row.radius = formatValue(s.radius);
    row.conicOrSagRadius = formatValue(s.kind == kToroid ? s.sagRadius : s.conic);
    row.tilt = formatValue(s.tilt);
    if (i < d.surfaceCount) row.separation = formatValue(s.separation);
    return row;
}

std::string apertureText(const Design& d) {
    return formatValue(d.aperture) + " " + d.units;
}

std::string fieldSemiAngleText(const Design& d) {
    return formatValue(d.fieldSemiAngle) + " degrees";
}

}  // namespace orvelin
