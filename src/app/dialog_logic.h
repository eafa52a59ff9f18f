// What the parameter dialogs show and what their OK stores, apart from the
// widgets, so each editing path can be checked on a plain Design.
#pragma once

#include <string>

#include "design/design.h"

namespace orvelin {

/// The values of one surface as the surface or focal-plane dialog holds them
/// when OK is pressed.  `second` is the conic constant for kind 0 and the
/// sagittal radius for every other kind.
struct SurfaceEntry {
    int kind = 0;
    double radius = 0;
    double second = 0;
    double tilt = 0;
    double separation = 0;  ///< ignored for the focal plane
};

/// The second box of the surface dialog for a surface of `kind`: the
/// sagittal radius of a toroid, otherwise the conic constant.
bool secondIsSagittal(int kind);

/// The surface dialog's box-11 value for surface k opened (or toggled) with
/// the given tick: the stored sagittal radius when ticked, else the stored
/// conic constant.
double secondValueShown(const Design& d, int k, bool toroidTicked);

/// OK in the surface dialog (mirror k) or the focal-plane dialog (k = n):
/// stores the entry with the kind rule (a conic's sagittal radius follows its
/// radius; any other kind loses its conic constant) and recomputes surface k.
void applySurfaceEntry(Design& d, int k, const SurfaceEntry& entry);

/// OK in the aperture-and-field dialog.
void applyApertureField(Design& d, double aperture, double fieldSemiAngle);

/// The cell the single-value dialog edits, as the dialog presents it.
struct CellPrompt {
    bool editable = false;  ///< false for cells that hold no value
    std::string text;       ///< the line above the edit box
    double value = 0;       ///< the value shown in the box
};

/// Text and current value of the design-table cell (row, column): rows 1..n
/// are surfaces, n+1 and n+2 the aperture row, where columns 0 and 1 are the
/// aperture and 3 and 4 the field semi-angle.
CellPrompt cellPrompt(const Design& d, int row, int column);

/// Screen position (top-left, pixels) of the 160 x 84 single-value dialog
/// for a main window whose outer rectangle is (left, top, right, bottom).
struct ScreenPoint {
    int x = 0;
    int y = 0;
};
ScreenPoint cellDialogPosition(const Design& d, int row, int column, int left, int top, int right,
                               int bottom);

/// OK in the single-value dialog: stores the value in the cell and runs the
/// matching recomputation.
void applyCellValue(Design& d, int row, int column, double value);

/// The accepted range of the New dialog's mirror count.  A count of 0 is a
/// design of a lone focal plane: legal, if of little use (its analysis
/// reports that there is no focus).
inline constexpr int kMinNewMirrors = 0;

/// New design with `mirrors` mirrors: the count, the medium signs, and every
/// value zero (cosField 1).
void startNewDesign(Design& d, int mirrors);

}  // namespace orvelin
