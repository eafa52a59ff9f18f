#include "dialogs/entry_tips.h"

#include "design/design.h"

namespace orvelin {

QString entryTip(EntryKind kind, const std::string& units) {
    // A new design takes its units from its aperture once every dialog is
    // done: above 40 in millimetres, 40 or less in inches.
    const QString length = units.empty()   ? QStringLiteral("in the design's unit (mm or inches)")
                           : units == "mm" ? QStringLiteral("in mm")
                                           : QStringLiteral("in inches");
    switch (kind) {
        case EntryKind::radius:
            return QStringLiteral("Radius of curvature at the vertex, %1; 0 is flat").arg(length);
        case EntryKind::conic:
            return QStringLiteral(
                "Conic constant, a pure number: 0 a sphere, 1 a paraboloid, between 0 and 1 a prolate "
                "ellipsoid, above 1 a hyperboloid, below 0 an oblate ellipsoid");
        case EntryKind::tangentialRadius:
            return QStringLiteral("Radius of the toroid in the plane of the layout, %1").arg(length);
        case EntryKind::sagittalRadius:
            return QStringLiteral("Radius of the toroid across the plane of the layout, %1").arg(length);
        case EntryKind::tilt:
            return QStringLiteral("Tilt about the axis across the plane of the layout, in degrees");
        case EntryKind::separation:
            return QStringLiteral("Distance to the next surface, %1").arg(length);
        case EntryKind::backFocus:
            return QStringLiteral("Distance from the last mirror to the focal plane (back focal length), %1")
                .arg(length);
        case EntryKind::aperture:
            return units.empty()
                       ? QStringLiteral(
                             "Full aperture (diameter) of the entrance beam; above 40 the design "
                             "is in mm, 40 or less in inches")
                       : QStringLiteral("Full aperture (diameter) of the entrance beam, %1").arg(length);
        case EntryKind::fieldSemiAngle:
            return QStringLiteral("Half the angle of the field, in degrees");
        case EntryKind::mirrorCount:
            return QStringLiteral("How many mirrors the design has, 0 to 20 (0: a focal plane alone)");
    }
    return {};
}

EntryKind cellEntry(const Design& d, int row, int column) {
    const int n = d.surfaceCount;
    if (row > n) return column <= 1 ? EntryKind::aperture : EntryKind::fieldSemiAngle;
    const bool conic = d.surfaces[row].kind == kConic;
    switch (column) {
        case 1:
            return conic ? EntryKind::radius : EntryKind::tangentialRadius;
        case 2:
            return conic ? EntryKind::conic : EntryKind::sagittalRadius;
        case 3:
            return EntryKind::tilt;
        default:
            return row == n - 1 ? EntryKind::backFocus : EntryKind::separation;
    }
}

}  // namespace orvelin
