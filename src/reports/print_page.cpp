#include "reports/print_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "design/design_table.h"
#include "plots/layout_drawing.h"
#include "reports/report_figures.h"

namespace orvelin {

namespace {

using draw::Device;
using draw::Font;

// One line of printed text, its cell's top-left corner at (x, y).
void printText(Device& dc, const Font& font, int x, int y, std::string_view text) {
    dc.text({x, y}, text, font, kPrintTextColour, kPrintTextBackground);
}

// Printer positions are computed in doubles and truncated toward zero.  A
// value beyond any page (a degenerate layout) is pinned far outside it
// rather than overflowing an int.
int px(double v) {
    if (!(v > -1e8)) return -100000000;
    if (!(v < 1e8)) return 100000000;
    return static_cast<int>(v);
}

template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, fmt, args...);
    if (n < 0) return {};
    if (n < static_cast<int>(sizeof buf)) return std::string(buf, n);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(s.data(), s.size(), fmt, args...);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

// Grid cells are whole pixels for text and fractional for the boxes, whose
// outlines lie half a cell around their figures.
int gridX(const ReportGrid& g, int a) {
    return g.left + a * g.charWidth;
}
int gridY(const ReportGrid& g, int b) {
    return g.top + b * g.lineHeight;
}

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kHalfDayNames[2] = {"AM", "PM"};

}  // namespace

int headerFontHeight(int pageWidth) {
    return pageWidth / 50;
}

int headingFontHeight(int pageWidth) {
    return static_cast<int>(pageWidth * 0.026666666666666667);
}

int valueFontHeight(int pageWidth) {
    return static_cast<int>(pageWidth * 0.023337222870478413);
}

LineMetrics lineMetrics(const Device& dc, const draw::Font& font) {
    const draw::FontMetrics m = dc.fontMetrics(font);
    return LineMetrics{m.lineHeight(), m.averageCharWidth};
}

std::string pageTitle(const Design& design) {
    return format("Orvelin %s - %s", kProgramVersion, design.designTitle.c_str());
}

std::string pageDateText(const std::tm& now) {
    const int wday = (now.tm_wday % 7 + 7) % 7;
    const int hour = (now.tm_hour % 24 + 24) % 24;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return format("%s  %d%s%02d%s%02d  %02d%s%02d%s%02d  %s", kDayNames[wday], now.tm_mon + 1, "/",
                  now.tm_mday, "/", (now.tm_year % 100 + 100) % 100, hour12, ":", now.tm_min, ":", now.tm_sec,
                  kHalfDayNames[hour / 12]);
}

std::tm localTimeNow() {
    const std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

void drawHeaderLine(Device& dc, const Font& font, int pageWidth, int lineHeight, const Design& design,
                    const std::tm& now) {
    const draw::Rect header{0, 0, pageWidth, lineHeight};
    dc.textBox(header, pageTitle(design), font, kPrintTextColour, draw::Align::left, kPrintTextBackground);
    dc.textBox(header, pageDateText(now), font, kPrintTextColour, draw::Align::right, kPrintTextBackground);
}

void drawReportValues(Device& dc, const Font& font, const ReportGrid& grid, const Design& design,
                      const AnalysisResults& results) {
    for (const ReportFigure& f : kReportFigures)
        if (showsFigure(f, design))
            printText(dc, font, gridX(grid, f.printValueA), gridY(grid, f.printValueB),
                      formatFigure(f, figureValue(f, results)));
}

void drawReportLabels(Device& dc, const Font& font, const ReportGrid& grid, const Design& design) {
    for (const ReportBoxPlace& box : kReportBoxes)
        if (showsBox(box, design))
            printText(dc, font, gridX(grid, box.printTitleA), gridY(grid, box.printTitleB), box.title);
    for (const ReportFigure& f : kReportFigures)
        if (showsFigure(f, design))
            printText(dc, font, gridX(grid, f.printLabelA), gridY(grid, f.printLabelB), f.label);
}

void drawReportBoxes(Device& dc, const ReportGrid& grid, const Design& design) {
    for (const ReportBoxPlace& b : kReportBoxes) {
        if (!showsBox(b, design)) continue;
        const int left = px(grid.left + b.printLeft * grid.charWidth);
        const int right = px(grid.left + b.printRight * grid.charWidth);
        const int top = px(grid.top + b.printTop * grid.lineHeight);
        const int bottom = px(grid.top + b.printBottom * grid.lineHeight);
        dc.polyline({{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}}, kPrintPen);
    }
}

double reportDepthInLines(const Design& design) {
    double depth = 0;
    for (const ReportBoxPlace& b : kReportBoxes)
        if (showsBox(b, design)) depth = std::max(depth, b.printBottom);
    return depth;
}

void drawPrintedLayout(Device& dc, const Design& d, const LayoutGeometry& g, int pageWidth, double sideMargin,
                       double top, double bottom) {
    const int n = d.surfaceCount;
    if (n < 1 || n >= kSurfaceSlots) return;
    const double band = bottom - top;
    const double s1 = g.layoutWidth / (pageWidth - sideMargin);
    const double s2 = g.layoutHeight / band;
    const double k = (s1 != 0 && s1 > s2) ? s1 : s2;
    // A design too long for the page leaves no band below its table, and a
    // layout of no size has no scale: nothing to draw in either case.
    if (!(band > 0) || !(k > 0) || !std::isfinite(k)) return;
    const double Y0 = (band - g.layoutHeight / k) * 0.5 + top - g.layoutMinY / k;
    const double X0 = (pageWidth - g.layoutWidth / k) * 0.5;
    // The incoming beam starts at the left edge of the centred box.
    drawFoldedLayout(dc, d, g, X0, Y0, k, g.layoutWidth - g.layoutMaxX, false);
}

void drawDesignTableHeadings(Device& dc, const Font& font, const Design& design, int left, int cw, int top,
                             int rowHeight) {
    const int n = design.surfaceCount;
    const int y = top + 2 * rowHeight;
    printText(dc, font, left, y, "Surface");
    printText(dc, font, left + 15 * cw, y, "Radius");
    printText(dc, font, left + 29 * cw, y, "CC/Rsag");
    printText(dc, font, left + 43 * cw, y, "Tilt");
    printText(dc, font, left + 57 * cw, y, "Separation");
    const int ya = top + (n + 5) * rowHeight;
    printText(dc, font, left, ya, "Aperture");
    printText(dc, font, left + 27 * cw, ya, "Field semi-angle");
}

void drawDesignTableRows(Device& dc, const Font& font, const Design& d, int left, int cw, int top,
                         int rowHeight) {
    const int n = d.surfaceCount;
    if (n >= kSurfaceSlots) return;
    for (int i = 1; i <= n; ++i) {
        const int y = top + (i + 3) * rowHeight;
        const DesignTableRow row = designTableRow(d, i);
        printText(dc, font, left + cw, y, row.name);
        printText(dc, font, left + 15 * cw, y, row.radius);
        printText(dc, font, left + 29 * cw, y, row.conicOrSagRadius);
        printText(dc, font, left + 43 * cw, y, row.tilt);
        printText(dc, font, left + 57 * cw, y, i < n ? row.separation : "(focal plane)");
    }
}

void drawApertureLine(Device& dc, const Font& font, const Design& d, const LayoutGeometry& g, int left,
                      int cw, int y) {
    printText(dc, font, left + 9 * cw, y, apertureText(d));
    printText(dc, font, left + 44 * cw, y, fieldSemiAngleText(d));
    printText(dc, font, left + 62 * cw, y, format("f/%.2f", g.layoutFRatio));
}

int drawPageHeader(Device& dc, const Design& design, const std::tm& now) {
    const int W = dc.screenSize().width;
    const Font font = printFont(headerFontHeight(W));
    const int H = lineMetrics(dc, font).lineHeight;
    drawHeaderLine(dc, font, W, H, design, now);
    return H;
}

void drawTraceReportPage(Device& dc, const Design& design, const AnalysisResults& results, int H) {
    const int W = dc.screenSize().width;
    const Font valueFont = printFont(valueFontHeight(W));
    const LineMetrics m = lineMetrics(dc, valueFont);
    // The report is 97 characters of the value font wide, centred.
    const ReportGrid grid{(W - 97 * m.charWidth) / 2, H, m.charWidth, m.lineHeight};
    drawReportValues(dc, valueFont, grid, design, results);
    // Labels in the larger heading font, on the value font's grid.
    drawReportLabels(dc, printFont(headingFontHeight(W)), grid, design);
    drawReportBoxes(dc, grid, design);
}

void drawDesignPage(Device& dc, const Design& design, const LayoutGeometry& geometry, int H) {
    const int W = dc.screenSize().width;
    const int n = design.surfaceCount;
    const Font headingFont = printFont(headingFontHeight(W));
    const LineMetrics heading = lineMetrics(dc, headingFont);
    const int lh1 = heading.lineHeight;
    const int cw = heading.charWidth;
    // The table is 67 heading characters wide, centred.
    const int L = (W - 67 * cw) / 2;
    drawDesignTableHeadings(dc, headingFont, design, L, cw, H, lh1);

    // Rows in the value font, on the heading font's columns and rows.
    const Font valueFont = printFont(valueFontHeight(W));
    const int lh2 = lineMetrics(dc, valueFont).lineHeight;
    drawDesignTableRows(dc, valueFont, design, L, cw, H, lh1);
    // The aperture values stand on the baseline of their headings' line.
    drawApertureLine(dc, valueFont, design, geometry, L, cw, H + (n + 6) * lh1 - lh2);

    // The layout below, bounded by the width (not the page height) at 0.8 W.
    const int top = H + (n + 7) * lh1 - lh2;
    const int sideMargin = static_cast<int>(W * 0.125);
    const int bottom = static_cast<int>(W * 0.8);
    drawPrintedLayout(dc, design, geometry, W, sideMargin, top, bottom);
}

void setPageFrame(PlotFrame& frame, int pageWidth, int pageHeight, int H) {
    frame.windowCentreX = frame.windowOriginX = pageWidth / 2;
    frame.bufferCentreY = (pageHeight - H) / 2;
    frame.windowCentreY = H + frame.bufferCentreY;
}

void drawPrintPage(Device& dc, const Design& design, const PageBody& body, const std::tm& now) {
    const int H = drawPageHeader(dc, design, now);
    if (body) body(dc, H);
}

PrintJobResult printFailure(PrintStatus status, const PrintDocument& doc) {
    PrintJobResult result;
    result.status = status;
    std::string why = doc.errorText();
    switch (status) {
        case PrintStatus::startFailed:
            result.message = "The printer did not accept the print job.";
            break;
        case PrintStatus::pageFailed:
            result.message = "The printer could not start a page; nothing was printed.";
            break;
        case PrintStatus::endFailed:
            result.message = "The print job could not be finished; the page may not have been printed.";
            break;
        default:
            break;
    }
    if (!why.empty()) result.message += "\n" + why;
    return result;
}

PrintJobResult runOnePageJob(PrintDocument& doc, std::string_view documentName, PrintProgress& progress,
                             const std::function<void(Device&)>& drawPage) {
    if (!doc.beginDocument(documentName)) {
        // Release what the failed start may hold; nothing was printed.
        PrintJobResult failed = printFailure(PrintStatus::startFailed, doc);
        doc.finishDocument();
        return failed;
    }
    if (!doc.beginPage()) {
        // The page is not drawn, and the job must not pass for printed.
        PrintJobResult failed = printFailure(PrintStatus::pageFailed, doc);
        doc.finishPage();
        doc.abandonDocument();
        doc.finishDocument();
        return failed;
    }
    drawPage(doc.device());
    const bool pageEnded = doc.finishPage();
    if (progress.aborted()) {
        // What was drawn goes away with the page: a cancelled job is never
        // half-printed.
        doc.abandonDocument();
        doc.finishDocument();
        PrintJobResult cancelled;
        cancelled.status = PrintStatus::cancelled;
        cancelled.printAborted = 1;
        return cancelled;
    }
    if (!pageEnded) {
        PrintJobResult failed = printFailure(PrintStatus::endFailed, doc);
        doc.abandonDocument();
        doc.finishDocument();
        return failed;
    }
    if (!doc.finishDocument()) return printFailure(PrintStatus::endFailed, doc);
    return PrintJobResult{};
}

PrintJobResult runPrintPageJob(PrintDocument& doc, const Design& design, const PageBody& body,
                               PrintProgress& progress, const std::tm& now) {
    return runOnePageJob(doc, kPrintPageDocumentName, progress,
                         [&](Device& dc) { drawPrintPage(dc, design, body, now); });
}

}  // namespace orvelin
