// The trace report's 30 figures in one table: each figure's field name (for
// scripts), its label, how its value is written, the box it belongs to and
// where the screen report and the printed reports place it.  The screen
// report, Print Page, Quick Print and the command line's text and JSON
// reports all read this table; a new figure is added here and nowhere else.
//
// The table is in the report's reading order: the Field center box, the
// Focal plane box (field diameter and anamorphism under it), then the - and
// + field boxes.  The figures of the field boxes, and those of the focal
// plane that only a field gives, are shown only for a design with a field.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "design/design.h"
#include "trace/analysis.h"

namespace orvelin {

/// The report's boxes, in reading order.
enum class ReportBox { center, focalPlane, fieldMinus, fieldPlus };

/// A box: its title, where the screen draws its panel (left edge an offset
/// from the centre of the client area) and title, where the printed report
/// puts its title and its outline on the character grid (outlines lie half
/// a cell around their figures).
struct ReportBoxPlace {
    const char* title;  ///< as drawn, with a blank at each end: " Field center "
    bool fieldOnly;
    int screenDx, screenTop, screenWidth, screenHeight, screenTitleDx;
    int printTitleA, printTitleB;
    double printLeft, printTop, printRight, printBottom;
};
inline constexpr int kReportBoxCount = 4;
extern const std::array<ReportBoxPlace, kReportBoxCount> kReportBoxes;
const ReportBoxPlace& reportBox(ReportBox box);

/// How a figure's value is written: "%10.6f", or "%7.3f %%" (a percentage).
enum class FigureFormat { fixed, percent };

/// The colour of a label on screen; `caption` labels stand under the focal
/// plane's panel and are drawn with the box titles, in their shadow and white.
enum class LabelColour { yellow, cyan, black, caption };

struct ReportFigure {
    const char* name;    ///< field name, e.g. "lsParaxial", "fieldPanelMinus.ast"
    const char* label;   ///< the report's label, e.g. "l's"
    std::size_t offset;  ///< of its double in AnalysisResults
    FigureFormat format;
    ReportBox box;
    bool fieldOnly;
    // On screen, offsets from the box's top-left corner.
    LabelColour colour;
    int screenLabelX, screenLabelY, screenValueX, screenValueY;
    // On paper, character-grid positions.
    int printValueA, printValueB, printLabelA, printLabelB;
};

inline constexpr int kReportFigureCount = kAnalysisFigureCount;
extern const std::array<ReportFigure, kReportFigureCount> kReportFigures;

/// The figure's value among the results.
double figureValue(const ReportFigure& figure, const AnalysisResults& results);
/// The figure's value as the reports write it.
std::string formatFigure(const ReportFigure& figure, double value);
/// Whether a design shows the figure (the field figures need a field).
bool showsFigure(const ReportFigure& figure, const Design& design);
bool showsBox(const ReportBoxPlace& box, const Design& design);

/// One figure's field name and value.
struct AnalysisFigure {
    const char* name;
    double value;
};
/// The figures with their values in the order of AnalysisResults.
std::array<AnalysisFigure, kAnalysisFigureCount> analysisFigures(const AnalysisResults& results);

/// The command line's text report: the design's title, then each box's title
/// and its figures under their labels, as the screen shows them.
std::string reportText(const Design& design, const AnalysisResults& results);

}  // namespace orvelin
