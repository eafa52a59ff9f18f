#include "reports/quick_print.h"

#include <algorithm>
#include <cmath>

#include "plots/pupil_pattern.h"
#include "plots/spot_plot.h"
#include "plots/standard_plot.h"

namespace orvelin {

namespace {

using draw::Device;

// The next token of `rest` made of characters outside `delimiters`, leading
// delimiters skipped (empty fields are no tokens); rest moves past it and
// past one delimiter after it.
std::optional<std::string> nextToken(std::string_view& rest, std::string_view delimiters) {
    const std::size_t begin = rest.find_first_not_of(delimiters);
    if (begin == std::string_view::npos) {
        rest = {};
        return std::nullopt;
    }
    rest.remove_prefix(begin);
    const std::size_t end = rest.find_first_of(delimiters);
    std::string token(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return token;
}

// The page draws nothing that can be cancelled.
struct NoProgress : PrintProgress {};

// Where the report goes, and whether the page holds everything in a font of
// these metrics: the report's 97 columns across the width, its boxes above
// the foot of the page, and a band for the layout between the table and the
// report of at least a sixth of the page.  The report starts at the middle
// of the page, or higher where the middle leaves it too little room (a
// landscape page).
constexpr double kLeastLayoutShare = 1.0 / 6;

struct QuickPrintPlace {
    int reportTop = 0;
    bool fits = false;
};

QuickPrintPlace placeQuickPrint(int W, int V, int n, double reportDepth, const LineMetrics& m) {
    QuickPrintPlace p;
    const int lh = m.lineHeight;
    p.reportTop = std::min(V / 2, V - static_cast<int>(std::ceil(reportDepth * lh)) - 1);
    const int tableBottom = lh + (n + 7) * lh;
    p.fits = kReportColumns * m.charWidth <= W && tableBottom + V * kLeastLayoutShare <= p.reportTop;
    return p;
}

}  // namespace

std::optional<PrinterProfile> parsePrinterProfile(std::string_view profile) {
    std::string_view rest = profile;
    // Blanks belong to the printer's name; driver and port never hold any.
    auto device = nextToken(rest, ",");
    auto driver = nextToken(rest, ", ");
    auto port = nextToken(rest, ", ");
    if (!device || !driver || !port) return std::nullopt;
    return PrinterProfile{*device, *driver, *port};
}

std::string noDefaultPrinterMessage() {
    return "There is no default printer. Choose one in the system's printer settings, then try again.";
}

std::string printerNotOpenedMessage(const std::string& device) {
    return "The default printer \"" + device + "\" cannot be opened.";
}

void drawQuickPrintPage(Device& dc, PrintRecords& r, const std::tm& now) {
    const Design& d = r.design;
    const int n = d.surfaceCount;
    const int W = dc.screenSize().width;
    const int V = dc.screenSize().height;

    // One font for the whole page: the header font, or a smaller one where
    // the page would not hold everything in it.
    int fontHeight = headerFontHeight(W);
    LineMetrics m = lineMetrics(dc, printFont(fontHeight));
    QuickPrintPlace place = placeQuickPrint(W, V, n, reportDepthInLines(d), m);
    for (int tries = 0; !place.fits && fontHeight > 1 && tries < 100; ++tries) {
        fontHeight = std::min(fontHeight - 1, static_cast<int>(fontHeight * 0.97));
        m = lineMetrics(dc, printFont(fontHeight));
        place = placeQuickPrint(W, V, n, reportDepthInLines(d), m);
    }
    const draw::Font font = printFont(fontHeight);
    const int lh = m.lineHeight;
    const int cw = m.charWidth;
    const int H = lh;
    const int V2 = place.reportTop;
    drawHeaderLine(dc, font, W, lh, d, now);

    // The table takes a quarter of the free width on its left, leaving the
    // room on its right for the spot diagram.
    const int L = (W - 67 * cw) / 4;
    drawDesignTableHeadings(dc, font, d, L, cw, H, lh);
    drawDesignTableRows(dc, font, d, L, cw, H, lh);
    drawApertureLine(dc, font, d, r.analysis.geometry, L, cw, H + (n + 5) * lh);

    // The layout fills the band between the table and the report.
    drawPrintedLayout(dc, d, r.analysis.geometry, W, W * 0.125, H + (n + 7) * lh, V2);

    // The axial spot inside the Airy circle, in the free space right of the
    // table, mirrored so that it reads from the right edge of the page.
    // The circle stays beside the table, half a line clear of the layout.
    const int radius = std::min(static_cast<int>(L * 0.6), ((n + 5) * lh) / 2);
    const int X = L + radius;
    const int Y = H + ((n + 8) * lh) / 2;
    PlotFrame& f = r.frame;
    f.windowCentreX = f.windowOriginX = X;
    f.windowCentreY = Y;
    dc.ellipse({W - X - radius, Y - radius, W - X + radius + 1, Y + radius + 1}, kPrintPen);

    NoProgress noProgress;
    // A spot larger than the Airy disk is cut at the circle's box: its dots
    // would fall on the table, the header and the layout.
    const draw::Rect spotBox{W - X - radius, Y - radius, W - X + radius + 1, Y + radius + 1};
    PrintedPlot plot{d, r.trace, f, r.random, dc, noProgress, kViewStandardPlot, spotBox};
    setEntranceTangential(d, r.trace);  // the command runs only on a clean trace
    SpotPlot centring{d, r.trace, f, r.random, dc, dc, nullptr};
    measureSpotCentre(centring, StartRay::axial);
    const double airy = airyDiskRadius(d, r.trace);
    // The Airy radius maps to radius + 1 pixels; the circle is drawn with
    // radius.  A beam without convergence has an infinite Airy radius: all
    // its dots fall on the centre.
    f.scale = (radius + 1) / std::fabs(airy);
    traceHalfPupil(d, r.trace.ray, StartRay::axial, StandardPupilPattern, [&] { printQuickDot(plot, W); });

    // The trace report in the lower half, on a grid of the header font.
    const ReportGrid grid{(W - 97 * cw) / 2, V2, cw, lh};
    drawReportValues(dc, font, grid, d, r.analysis.results);
    drawReportLabels(dc, font, grid, d);
    drawReportBoxes(dc, grid, d);
}

PrintJobResult runQuickPrintJob(PrintDocument& doc, PrintRecords& records, const std::tm& now) {
    NoProgress noProgress;
    return runOnePageJob(doc, "", noProgress, [&](Device& dc) { drawQuickPrintPage(dc, records, now); });
}

}  // namespace orvelin
