// What each entry of the parameter dialogs means and in which unit it is
// given, for the tooltips of their labels (the labels keep their words).
#pragma once

#include <QString>
#include <string>

namespace orvelin {

struct Design;

enum class EntryKind {
    radius,
    conic,
    tangentialRadius,
    sagittalRadius,
    tilt,
    separation,
    backFocus,
    aperture,
    fieldSemiAngle,
    mirrorCount
};

/// The tooltip of an entry for a design in `units` ("mm" or "inches"; "" for
/// a design whose units are not chosen yet).
QString entryTip(EntryKind kind, const std::string& units);

/// The entry of the design table's cell (row, column), as the cell dialog
/// edits it.
EntryKind cellEntry(const Design& design, int row, int column);

}  // namespace orvelin
