// What each figure means and in which unit it is given, in words for a
// person: the report's 30 figures (named as the report's table names them)
// and the image-quality figures ("quality.plus.rmsSpot").  The window's
// tooltips and the optimiser's list of targets read it; the figures' own
// labels and names stay as the report and the command line have them.
#pragma once

#include <optional>
#include <string>

#include "design/design.h"

namespace orvelin {

struct ReportFigure;

struct FigureNote {
    std::string label;    ///< as the report or the quality table labels it: "Coma'T", "RMS spot"
    std::string field;    ///< the report's box or the field: "Field center", "+ Field angle"
    std::string unit;     ///< "mm", "inches", "degrees", "um", "waves", "%", or "" for a pure number
    std::string meaning;  ///< one sentence, without the unit
};

/// The note of a figure for a design in `units` ("mm" or "inches"); nothing
/// for a name that is no figure.
std::optional<FigureNote> figureNote(const std::string& name, const std::string& units);

/// "Coma'T, Field center (mm)": label, field and unit, as a list shows it.
std::string figureTitle(const FigureNote& note);

/// "Tangential coma on axis ... (mm)": meaning and unit, as a tooltip says it.
std::string figureExplanation(const FigureNote& note);

/// The trace report's figure whose label or value lies under the client
/// pixel (x, y) of a client area `clientWidth` wide; null where there is
/// none.  Labels are taken 8 pixels a character and 16 high, values ten
/// characters of 8 by 14, as the report's fixed fonts draw them.
const ReportFigure* reportFigureAt(const Design& design, int clientWidth, int x, int y);

}  // namespace orvelin
