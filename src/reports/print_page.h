// Print Page: one printed page for the view on screen, under a header line
// with the program, the design's title and the date.
//
// The trace report (view 300) and the design table with the layout (view
// 500) are printed as text and lines on a character grid whose cells come
// from the real metrics of the page's fonts, so a substitute face moves
// every position with it; the spot-plot views (600, 602, 603, 700) are
// printed by the printed plots inside a frame set up here.  Everything is
// measured in printer pixels from two values: the printable width W and, for
// the plots, the printable height.  (0, 0) is the printable area's top-left
// corner.
//
// The page is drawn through the drawing device, so the same routines draw on
// paper, into a PDF file and into the recording device of the tests.  The
// document itself (start, page, end, abort) is the platform's, behind
// PrintDocument.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "design/design.h"
#include "platform/draw_device.h"
#include "platform/print_document.h"
#include "plots/plot_frame.h"
#include "plots/printed_plots.h"
#include "plots/random.h"
#include "trace/analysis.h"
#include "trace/layout.h"
#include "trace/ray_trace.h"

namespace orvelin {

/// What a printed page reads, and what its spot plots trace with: the
/// design and its analysis are only read (printing runs no analysis); the
/// plots' trace, frame and random numbers go on from the screen's, as a
/// printed plot continues the last one shown.
struct PrintRecords {
    const Design& design;
    TraceState& trace;
    const DesignAnalysis& analysis;  ///< the design's, as the design view shows it
    PlotFrame& frame;
    RandomSource& random;
};

/// The version shown in the header line.
inline constexpr const char* kProgramVersion = "V0.90";
/// The name a Print Page job carries in the printer's queue.
inline constexpr const char* kPrintPageDocumentName = "Orvelin: printing";
/// Every printed text is in the sans face, of normal weight.
inline constexpr int kPrintFontWeight = 400;

/// Font heights by the printable width W, truncated toward zero.
int headerFontHeight(int pageWidth);   ///< W / 50: the header line
int headingFontHeight(int pageWidth);  ///< W / 37.5: headings, labels, box titles
int valueFontHeight(int pageWidth);    ///< W / 42.85: table rows and figures

/// The printed face at a cell height.
constexpr draw::Font printFont(int height) {
    return draw::Font::scaled(height, kPrintFontWeight);
}
/// Printed text is black, on white cells.
inline constexpr draw::Colour kPrintTextColour = draw::rgb(0, 0, 0);
inline constexpr draw::Fill kPrintTextBackground = draw::rgb(255, 255, 255);
/// The pen of the printed boxes.
inline constexpr draw::Pen kPrintPen{draw::rgb(0, 0, 0)};

/// A font's line height (height plus external leading) and average
/// character width, the two measures every position is made of.
struct LineMetrics {
    int lineHeight = 0;
    int charWidth = 0;
};
LineMetrics lineMetrics(const draw::Device& dc, const draw::Font& font);

/// "Orvelin V0.90 - <title>".
std::string pageTitle(const Design& design);
/// "Tue  3/04/25  01:05:09  PM": day name, month without a leading zero,
/// day, two-digit year, hour on a 12-hour clock (0 shown as 12), minutes,
/// seconds, AM or PM.
std::string pageDateText(const std::tm& now);
/// The local time now.
std::tm localTimeNow();

/// The header line in a font: the title left-aligned and the date
/// right-aligned in the rectangle (0, 0)-(W, lineHeight).
void drawHeaderLine(draw::Device& dc, const draw::Font& font, int pageWidth, int lineHeight,
                    const Design& design, const std::tm& now);

/// The character grid of the printed report: grid position (a, b) is
/// x = left + a charWidth, y = top + b lineHeight.
struct ReportGrid {
    int left = 0;
    int top = 0;
    int charWidth = 0;
    int lineHeight = 0;
};

/// The report's figures ("%10.6f", the anamorphism "%7.3f %%"), in the font
/// given; the field rows only for a design with a field.
void drawReportValues(draw::Device& dc, const draw::Font& font, const ReportGrid& grid, const Design& design,
                      const AnalysisResults& results);
/// The box titles and the labels of the figures, in the font given.
void drawReportLabels(draw::Device& dc, const draw::Font& font, const ReportGrid& grid, const Design& design);
/// The outlines of the boxes in black: Field center and Focal plane, and
/// with a field the - and + field boxes.
void drawReportBoxes(draw::Device& dc, const ReportGrid& grid, const Design& design);

/// How far the report reaches below its grid's top, in lines: the bottom of
/// its lowest box (the field boxes only with a field).  It spans 97
/// character columns across, from half a column left of the grid.
double reportDepthInLines(const Design& design);
inline constexpr int kReportColumns = 97;

/// The layout's side view in black, scaled to fit both the
/// width W less a side margin and the band from `top` to `bottom`, centred
/// across the full width, from the geometry of the last layout drawing.
/// The incoming beam is drawn as on the screen.  A band of
/// no height, or a layout of no size, draws nothing.
void drawPrintedLayout(draw::Device& dc, const Design& design, const LayoutGeometry& geometry, int pageWidth,
                       double sideMargin, double top, double bottom);

/// The design table in the fonts given, with the column grid L and
/// charWidth and the row step rowHeight, rows from y = top: headings at row
/// 2, surfaces at rows i + 3, the aperture headings at row n + 5.
void drawDesignTableHeadings(draw::Device& dc, const draw::Font& font, const Design& design, int left,
                             int charWidth, int top, int rowHeight);
void drawDesignTableRows(draw::Device& dc, const draw::Font& font, const Design& design, int left,
                         int charWidth, int top, int rowHeight);
/// The aperture, field and focal-ratio line at y.
void drawApertureLine(draw::Device& dc, const draw::Font& font, const Design& design,
                      const LayoutGeometry& geometry, int left, int charWidth, int y);

/// The header line of a Print Page page, in the header font.  Returns H, the header font's line height.
int drawPageHeader(draw::Device& dc, const Design& design, const std::tm& now);
/// The trace report page below a header of height H.
void drawTraceReportPage(draw::Device& dc, const Design& design, const AnalysisResults& results, int H);
/// The design page below a header of height H: the table, then the layout.
void drawDesignPage(draw::Device& dc, const Design& design, const LayoutGeometry& geometry, int H);
/// The plot frame of a spot-plot page: the plot area is the page below the
/// header.  Other frame fields keep the last screen plot's values.
void setPageFrame(PlotFrame& frame, int pageWidth, int pageHeight, int H);

/// What a page shows below its header line, whose bottom is `top` (each
/// view's page painter, app/view_table.h); none: the header alone.
using PageBody = std::function<void(draw::Device& dc, int top)>;

/// The whole page of a view: the header, then the body.
void drawPrintPage(draw::Device& dc, const Design& design, const PageBody& body, const std::tm& now);

/// How a print job ended.
enum class PrintStatus {
    printed,      ///< the page went to the printer
    cancelled,    ///< the user cancelled; the document was aborted
    startFailed,  ///< the document could not be started; nothing printed
    pageFailed,   ///< the page could not be started; nothing drawn
    endFailed,    ///< the page or the document could not be finished
};

struct PrintJobResult {
    PrintStatus status = PrintStatus::printed;
    std::string message;   ///< for the user; empty when printed or cancelled
    int printAborted = 0;  ///< 1 after a cancel
    bool failed() const { return status != PrintStatus::printed && status != PrintStatus::cancelled; }
};

/// A one-page job on an opened document: start the document under
/// `documentName`, start the page, draw it with drawPage, end the page and
/// the document.  A cancel reported by `progress` while the page was drawn
/// aborts the document.  Failures are reported in the result, never passed
/// off as printed.
PrintJobResult runOnePageJob(PrintDocument& doc, std::string_view documentName, PrintProgress& progress,
                             const std::function<void(draw::Device&)>& drawPage);

/// A Print Page job on an opened document: start, the page of the view,
/// end; a cancel during a printed plot aborts the document.  Failures are
/// reported in the result, never passed off as printed.
PrintJobResult runPrintPageJob(PrintDocument& doc, const Design& design, const PageBody& body,
                               PrintProgress& progress, const std::tm& now);

/// The result of a job whose document failed at `status`, with the
/// document's reason.
PrintJobResult printFailure(PrintStatus status, const PrintDocument& doc);

}  // namespace orvelin
