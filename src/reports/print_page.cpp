#include "reports/print_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "clearance/clearance_view.h"

namespace orvelin {

namespace {

using gdi::Device;
using gdi::Handle;

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

// One figure of the report: where its value and its label go on the grid,
// and whether it belongs to the field rows.
struct ReportItem {
    const char* label;
    double (*value)(const AnalysisResults&);
    int valueA, valueB;
    int labelA, labelB;
    bool fieldOnly;
    bool percent;  // the anamorphism, "%7.3f %%"
};

#define FIG(expr) [](const AnalysisResults& r) { return r.expr; }

const ReportItem kReportItems[] = {
    {"ast'", FIG(astParaxial), 0, 5, 3, 4, false, false},
    {"l's", FIG(lsParaxial), 13, 5, 17, 4, false, false},
    {"l't", FIG(ltParaxial), 27, 5, 31, 4, false, false},
    {"AST'", FIG(astMarginal), 0, 8, 3, 7, false, false},
    {"L'S", FIG(lsMarginal), 13, 8, 17, 7, false, false},
    {"L'T", FIG(ltMarginal), 27, 8, 31, 7, false, false},
    {"Coma'S", FIG(comaS), 0, 11, 3, 10, false, false},
    {"Coma'T", FIG(comaT), 14, 11, 17, 10, false, false},
    {"LA'S", FIG(laS), 28, 11, 31, 10, false, false},
    {"LA'T", FIG(laT), 42, 11, 45, 10, false, false},
    {"Focus'S", FIG(focusS), 0, 14, 3, 13, false, false},
    {"Focus'T", FIG(focusT), 14, 14, 17, 13, false, false},
    {"F/ratio", FIG(fRatio), 28, 14, 30, 13, false, false},
    {"LA'toler", FIG(laTolerance), 42, 14, 43, 13, false, false},
    {"B.F.L.", FIG(bestFocus), 70, 5, 74, 4, false, false},
    {"Tilt", FIG(bestFitTilt), 85, 5, 88, 4, true, false},
    {"Tilt'S", FIG(tiltS), 71, 8, 74, 7, true, false},
    {"Tilt'T", FIG(tiltT), 85, 8, 88, 7, true, false},
    {"Field diameter", FIG(fieldDiameter), 78, 12, 75, 11, true, false},
    {"Anamorphism", FIG(anamorphism), 78, 15, 75, 14, true, true},
    {"AST'", FIG(fieldPanelMinus.ast), 0, 21, 3, 20, true, false},
    {"X'S", FIG(fieldPanelMinus.xS), 14, 21, 17, 20, true, false},
    {"X'T", FIG(fieldPanelMinus.xT), 28, 21, 31, 20, true, false},
    {"Coma'S", FIG(fieldPanelMinus.comaS), 0, 24, 3, 23, true, false},
    {"Coma'T", FIG(fieldPanelMinus.comaT), 14, 24, 17, 23, true, false},
    {"AST'", FIG(fieldPanelPlus.ast), 56, 21, 59, 20, true, false},
    {"X'S", FIG(fieldPanelPlus.xS), 70, 21, 73, 20, true, false},
    {"X'T", FIG(fieldPanelPlus.xT), 84, 21, 87, 20, true, false},
    {"Coma'S", FIG(fieldPanelPlus.comaS), 56, 24, 59, 23, true, false},
    {"Coma'T", FIG(fieldPanelPlus.comaT), 70, 24, 73, 23, true, false},
};

#undef FIG

struct ReportTitle {
    const char* text;
    int a, b;
    bool fieldOnly;
};

const ReportTitle kReportTitles[] = {
    {" Field center ", 17, 2, false},
    {" Focal plane ", 75, 2, false},
    {" - Field angle ", 10, 18, true},
    {" + Field angle ", 66, 18, true},
};

struct ReportBox {
    double left, top, right, bottom;  // grid units
    bool fieldOnly;
};

const ReportBox kReportBoxes[] = {
    {-0.5, 3.5, 53.5, 15.5, false},  // Field center
    {69.5, 3.5, 96.5, 9.5, false},   // Focal plane
    {-0.5, 19.5, 39.5, 25.5, true},  // - field
    {55.5, 19.5, 96.5, 25.5, true},  // + field
};

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

Handle createPrintFont(Device& dc, int height) {
    gdi::FontSpec spec;
    spec.height = height;
    spec.weight = kPrintFontWeight;
    spec.face = kPrintFaceName;
    return dc.createFont(spec);
}

LineMetrics lineMetrics(const Device& dc) {
    const gdi::TextMetrics tm = dc.getTextMetrics();
    return LineMetrics{tm.tmHeight + tm.tmExternalLeading, tm.tmAveCharWidth};
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

void drawHeaderLine(Device& dc, int pageWidth, int lineHeight, const Design& design, const std::tm& now) {
    const gdi::Rect header{0, 0, pageWidth, lineHeight};
    dc.drawText(pageTitle(design), header, gdi::DT_LEFT);
    dc.drawText(pageDateText(now), header, gdi::DT_RIGHT);
}

void drawReportValues(Device& dc, const ReportGrid& grid, const Design& design,
                      const AnalysisResults& results) {
    const bool field = design.sinField != 0.0;
    for (const ReportItem& item : kReportItems) {
        if (item.fieldOnly && !field) continue;
        const double v = item.value(results);
        dc.textOut(gridX(grid, item.valueA), gridY(grid, item.valueB),
                   item.percent ? format("%7.3f %%", v) : format("%10.6f", v));
    }
}

void drawReportLabels(Device& dc, const ReportGrid& grid, const Design& design) {
    const bool field = design.sinField != 0.0;
    for (const ReportTitle& t : kReportTitles) {
        if (t.fieldOnly && !field) continue;
        dc.textOut(gridX(grid, t.a), gridY(grid, t.b), t.text);
    }
    for (const ReportItem& item : kReportItems) {
        if (item.fieldOnly && !field) continue;
        dc.textOut(gridX(grid, item.labelA), gridY(grid, item.labelB), item.label);
    }
}

void drawReportBoxes(Device& dc, const ReportGrid& grid, const Design& design) {
    const bool field = design.sinField != 0.0;
    for (const ReportBox& b : kReportBoxes) {
        if (b.fieldOnly && !field) continue;
        const int left = px(grid.left + b.left * grid.charWidth);
        const int right = px(grid.left + b.right * grid.charWidth);
        const int top = px(grid.top + b.top * grid.lineHeight);
        const int bottom = px(grid.top + b.bottom * grid.lineHeight);
        dc.moveTo(left, top);
        dc.lineTo(right, top);
        dc.lineTo(right, bottom);
        dc.lineTo(left, bottom);
        dc.lineTo(left, top);
    }
}

double reportDepthInLines(const Design& design) {
    const bool field = design.sinField != 0.0;
    double depth = 0;
    for (const ReportBox& b : kReportBoxes)
        if (!b.fieldOnly || field) depth = std::max(depth, b.bottom);
    return depth;
}

void drawPrintedLayout(Device& dc, Design& d, const LayoutGeometry& g, int pageWidth, double sideMargin,
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
    d.surfaces[0].signedSeparation = g.layoutWidth - g.layoutMaxX;

    drawFoldedLayout(dc, d, g, X0, Y0, k, false);
}

void drawDesignTableHeadings(Device& dc, const Design& design, int left, int cw, int top, int rowHeight) {
    const int n = design.surfaceCount;
    const int y = top + 2 * rowHeight;
    dc.textOut(left, y, "Surface");
    dc.textOut(left + 15 * cw, y, "Radius");
    dc.textOut(left + 29 * cw, y, "CC/Rsag");
    dc.textOut(left + 43 * cw, y, "Tilt");
    dc.textOut(left + 57 * cw, y, "Separation");
    const int ya = top + (n + 5) * rowHeight;
    dc.textOut(left, ya, "Aperture");
    dc.textOut(left + 27 * cw, ya, "Field semi-angle");
}

void drawDesignTableRows(Device& dc, const Design& d, int left, int cw, int top, int rowHeight) {
    const int n = d.surfaceCount;
    if (n >= kSurfaceSlots) return;
    for (int i = 1; i <= n; ++i) {
        const int y = top + (i + 3) * rowHeight;
        dc.textOut(left + cw, y, surfaceKindName(d, i));
        dc.textOut(left + 15 * cw, y, format("%- .7g", d.surfaces[i].radius));
        dc.textOut(
            left + 29 * cw, y,
            format("%- .7g", d.surfaces[i].kind == kToroid ? d.surfaces[i].sagRadius : d.surfaces[i].conic));
        dc.textOut(left + 43 * cw, y, format("%- .7g", d.surfaces[i].tilt));
        dc.textOut(left + 57 * cw, y, i < n ? format("%- .7g", d.surfaces[i].separation) : "(focal plane)");
    }
}

void drawApertureLine(Device& dc, const Design& d, const LayoutGeometry& g, int left, int cw, int y) {
    dc.textOut(left + 9 * cw, y, format("%- .7g %s", d.aperture, d.units.c_str()));
    dc.textOut(left + 44 * cw, y, format("%- .7g degrees", d.fieldSemiAngle));
    dc.textOut(left + 62 * cw, y, format("f/%.2f", g.layoutFRatio));
}

int drawPageHeader(Device& dc, const Design& design, const std::tm& now) {
    const int W = dc.getDeviceCaps(gdi::HORZRES);
    Handle font = createPrintFont(dc, headerFontHeight(W));
    Handle old = dc.selectObject(font);
    const int H = lineMetrics(dc).lineHeight;
    drawHeaderLine(dc, W, H, design, now);
    dc.selectObject(old);
    dc.deleteObject(font);
    return H;
}

void drawTraceReportPage(Device& dc, const Design& design, const AnalysisResults& results, int H) {
    const int W = dc.getDeviceCaps(gdi::HORZRES);
    Handle valueFont = createPrintFont(dc, valueFontHeight(W));
    Handle old = dc.selectObject(valueFont);
    const LineMetrics m = lineMetrics(dc);
    // The report is 97 characters of the value font wide, centred.
    const ReportGrid grid{(W - 97 * m.charWidth) / 2, H, m.charWidth, m.lineHeight};
    drawReportValues(dc, grid, design, results);

    // Labels in the larger heading font, on the value font's grid.
    Handle headingFont = createPrintFont(dc, headingFontHeight(W));
    dc.selectObject(headingFont);
    dc.deleteObject(valueFont);
    drawReportLabels(dc, grid, design);

    dc.selectObject(old);
    dc.deleteObject(headingFont);
    drawReportBoxes(dc, grid, design);
}

void drawDesignPage(Device& dc, Design& design, const LayoutGeometry& geometry, int H) {
    const int W = dc.getDeviceCaps(gdi::HORZRES);
    const int n = design.surfaceCount;
    Handle headingFont = createPrintFont(dc, headingFontHeight(W));
    Handle old = dc.selectObject(headingFont);
    const LineMetrics heading = lineMetrics(dc);
    const int lh1 = heading.lineHeight;
    const int cw = heading.charWidth;
    // The table is 67 heading characters wide, centred.
    const int L = (W - 67 * cw) / 2;
    drawDesignTableHeadings(dc, design, L, cw, H, lh1);

    // Rows in the value font, on the heading font's columns and rows.
    Handle valueFont = createPrintFont(dc, valueFontHeight(W));
    dc.selectObject(valueFont);
    dc.deleteObject(headingFont);
    const int lh2 = lineMetrics(dc).lineHeight;
    drawDesignTableRows(dc, design, L, cw, H, lh1);
    // The aperture values stand on the baseline of their headings' line.
    drawApertureLine(dc, design, geometry, L, cw, H + (n + 6) * lh1 - lh2);

    // The layout below, bounded by the width (not the page height) at 0.8 W.
    const int top = H + (n + 7) * lh1 - lh2;
    const int sideMargin = static_cast<int>(W * 0.125);
    const int bottom = static_cast<int>(W * 0.8);
    drawPrintedLayout(dc, design, geometry, W, sideMargin, top, bottom);

    dc.selectObject(old);
    dc.deleteObject(valueFont);
}

void setPageFrame(PlotFrame& frame, int pageWidth, int pageHeight, int H) {
    frame.windowCentreX = frame.windowOriginX = pageWidth / 2;
    frame.bufferCentreY = (pageHeight - H) / 2;
    frame.windowCentreY = H + frame.bufferCentreY;
}

void drawPrintPage(Device& dc, PrintRecords& r, int viewState, PrintProgress& progress, const std::tm& now) {
    const int H = drawPageHeader(dc, r.design, now);
    switch (viewState) {
        case kViewTraceReport:
            drawTraceReportPage(dc, r.design, r.results, H);
            break;
        case kViewDesign:
            drawDesignPage(dc, r.design, r.geometry, H);
            break;
        case kViewStandardPlot:
        case kViewUniformAiry:
        case kViewUniformBlur:
        case kViewAiryOverlay: {
            setPageFrame(r.frame, dc.getDeviceCaps(gdi::HORZRES), dc.getDeviceCaps(gdi::VERTRES), H);
            progress.show();
            PrintedPlot plot{r.design,  r.trace,
                             r.frame,   r.random,
                             dc,        progress,
                             viewState, gdi::Rect{kUnclipped.left, H, kUnclipped.right, kUnclipped.bottom}};
            printPlotForView(plot);
            break;
        }
        case kViewClearance: {
            // The clearance view across the page, as wide as three quarters tall.
            const int W = dc.getDeviceCaps(gdi::HORZRES);
            printClearanceView(dc, r.design, ClearanceOptions{}, {0, H, W, H + W * 3 / 4}, std::max(1, W / 640));
            break;
        }
        default:
            break;  // nothing but the header
    }
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
    if (!doc.startDoc(documentName)) {
        // Release what the failed start may hold; nothing was printed.
        PrintJobResult failed = printFailure(PrintStatus::startFailed, doc);
        doc.endDoc();
        return failed;
    }
    if (!doc.startPage()) {
        // The page is not drawn, and the job must not pass for printed.
        PrintJobResult failed = printFailure(PrintStatus::pageFailed, doc);
        doc.endPage();
        doc.abortDoc();
        doc.endDoc();
        return failed;
    }
    drawPage(doc.device());
    const bool pageEnded = doc.endPage();
    if (progress.aborted()) {
        // What was drawn goes away with the page: a cancelled job is never
        // half-printed.
        doc.abortDoc();
        doc.endDoc();
        PrintJobResult cancelled;
        cancelled.status = PrintStatus::cancelled;
        cancelled.printAborted = 1;
        return cancelled;
    }
    if (!pageEnded) {
        PrintJobResult failed = printFailure(PrintStatus::endFailed, doc);
        doc.abortDoc();
        doc.endDoc();
        return failed;
    }
    if (!doc.endDoc()) return printFailure(PrintStatus::endFailed, doc);
    return PrintJobResult{};
}

PrintJobResult runPrintPageJob(PrintDocument& doc, PrintRecords& records, int viewState,
                               PrintProgress& progress, const std::tm& now) {
    return runOnePageJob(doc, kPrintPageDocumentName, progress,
                         [&](Device& dc) { drawPrintPage(dc, records, viewState, progress, now); });
}

}  // namespace orvelin
