#include "reports/screen_report.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "design/design_table.h"
#include "reports/report_figures.h"
#include "platform/platform_name.h"

namespace orvelin {

namespace {

using gdi::COLORREF;
using gdi::Device;
using gdi::Handle;
using gdi::RGB;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kBevelLight = RGB(224, 224, 224);
constexpr COLORREF kBevelDark = RGB(96, 96, 96);

Handle selectStock(Device& dc, gdi::StockObject s) {
    return dc.selectObject(dc.getStockObject(s));
}

}  // namespace

// ---------------------------------------------------------------------------
// Welcome page.

void paintWelcomePage(Device& dc) {
    const gdi::Rect client = dc.clientRect();
    const int cx = client.right / 2;
    const int cy = client.bottom / 2;

    // The picture, copied with a generous extent: only what the bitmap
    // covers is drawn.
    Handle bitmap = dc.loadBitmap(kWelcomeBitmap);
    if (bitmap) {
        dc.bitBltBitmap(cx - 147, cy - 132, 466, 337, bitmap, 0, 0);
        dc.deleteObject(bitmap);
    }

    // The system the program runs on, as "for Linux".
    const std::string forPlatform = std::string("for ") + platformName();
    dc.setBkMode(gdi::TRANSPARENT);
    Handle font64 = dc.createFont({64, 0, gdi::FW_BOLD, false, "System_Font"});
    Handle oldFont = dc.selectObject(font64);

    // Each text first in black, as the shadow to the lower right of the
    // coloured copy drawn over it.
    dc.setTextColor(kBlack);
    dc.textOut(cx - 146, cy - 149, "Welcome to");
    dc.textOut(cx - 151, cy + 91, forPlatform);

    Handle font96 = dc.createFont({96, 0, gdi::FW_BOLD, false, "System_Font"});
    dc.selectObject(font96);
    dc.textOut(cx - 220, cy - 55, "Orvelin");
    dc.setTextColor(RGB(255, 255, 0));
    dc.textOut(cx - 224, cy - 60, "Orvelin");
    dc.selectObject(font64);
    dc.deleteObject(font96);

    dc.setTextColor(RGB(224, 224, 0));
    dc.textOut(cx - 149, cy - 153, "Welcome to");
    dc.textOut(cx - 154, cy + 87, forPlatform);
    dc.selectObject(oldFont);
    dc.deleteObject(font64);
}

// ---------------------------------------------------------------------------
// Raised panels.

void drawRaisedPanel(Device& dc, int L, int T, int w, int h, COLORREF fill) {
    Handle brush = dc.createSolidBrush(fill);
    Handle oldBrush = dc.selectObject(brush);
    Handle oldPen = selectStock(dc, gdi::NULL_PEN);
    dc.rectangle(L, T, L + w, T + h);

    Handle light = dc.createPen(gdi::PS_SOLID, 1, kBevelLight);
    Handle dark = dc.createPen(gdi::PS_SOLID, 1, kBevelDark);
    // Inner ring, then outer ring: each a light stroke from the top-right
    // corner along the top and down the left, then a dark one along the
    // bottom and up the right.
    for (int ring = 1; ring <= 2; ++ring) {
        const int r = ring;
        dc.selectObject(light);
        dc.moveTo(L + w + r - 1, T - r);
        dc.lineTo(L - r, T - r);
        dc.lineTo(L - r, T + h + r - 1);
        dc.selectObject(dark);
        dc.lineTo(L + w + r - 1, T + h + r - 1);
        dc.lineTo(L + w + r - 1, T - r);
    }
    dc.selectObject(oldPen);
    dc.selectObject(oldBrush);
    dc.deleteObject(light);
    dc.deleteObject(dark);
    dc.deleteObject(brush);
}

// ---------------------------------------------------------------------------
// Design table.

void paintDesignTable(Device& dc, const Design& d) {
    const gdi::Rect client = dc.clientRect();
    const int cx = client.right / 2;
    const int n = d.surfaceCount;
    const int bottom = 14 * n + 42;

    // The panel, with an etched groove (dark at 14n+22, light at 14n+23)
    // between the surface rows and the aperture row.
    Handle brush = dc.createSolidBrush(RGB(168, 168, 168));
    Handle oldBrush = dc.selectObject(brush);
    Handle oldPen = selectStock(dc, gdi::NULL_PEN);
    dc.rectangle(cx - 271, 20, cx + 268, bottom);

    Handle light = dc.createPen(gdi::PS_SOLID, 1, kBevelLight);
    Handle dark = dc.createPen(gdi::PS_SOLID, 1, kBevelDark);
    dc.selectObject(light);
    dc.moveTo(cx + 267, 19);
    dc.lineTo(cx - 271, 19);
    dc.lineTo(cx - 271, 14 * n + 23);
    dc.moveTo(cx + 268, 18);
    dc.lineTo(cx - 272, 18);
    dc.lineTo(cx - 272, 14 * n + 43);
    dc.moveTo(cx + 267, 14 * n + 23);
    dc.lineTo(cx - 271, 14 * n + 23);
    dc.lineTo(cx - 271, 14 * n + 42);
    dc.selectObject(dark);
    dc.lineTo(cx + 267, 14 * n + 42);
    dc.lineTo(cx + 267, 19);
    dc.moveTo(cx + 267, 14 * n + 22);
    dc.lineTo(cx - 271, 14 * n + 22);
    dc.moveTo(cx - 272, 14 * n + 43);
    dc.lineTo(cx + 268, 14 * n + 43);
    dc.lineTo(cx + 268, 18);
    dc.selectObject(oldPen);
    dc.selectObject(oldBrush);
    dc.deleteObject(light);
    dc.deleteObject(dark);
    dc.deleteObject(brush);

    // Headings: a grey shadow pass, then white 2 pixels up and left.
    dc.setBkMode(gdi::TRANSPARENT);
    Handle oldFont = selectStock(dc, gdi::SYSTEM_FIXED_FONT);
    for (int pass = 0; pass < 2; ++pass) {
        const int off = pass == 0 ? 2 : 0;
        dc.setTextColor(pass == 0 ? RGB(160, 160, 160) : kWhite);
        dc.textOut(cx - 266 + off, 1 + off, kDesignTableHeadings);
        dc.textOut(cx - 266 + off, 14 * n + 24 + off, "Aperture");
        dc.textOut(cx - 65 + off, 14 * n + 24 + off, "Field semi-angle");
    }

    // Rows: the values keep a blank where a positive number's sign would be,
    // so digits of either sign line up under the headings.
    selectStock(dc, gdi::OEM_FIXED_FONT);
    dc.setTextColor(kBlack);
    for (int i = 1; i <= n; ++i) {
        const int y = 14 * i + 8;
        const DesignTableRow row = designTableRow(d, i);
        dc.textOut(cx - 263, y, row.name);
        dc.textOut(cx - 162, y, row.radius);
        dc.textOut(cx - 48, y, row.conicOrSagRadius);
        dc.textOut(cx + 64, y, row.tilt);
        if (i < n)
            dc.textOut(cx + 176, y, row.separation);
        else
            dc.textOut(cx + 152, y, "<- focal plane");
    }
    dc.textOut(cx - 199, 14 * n + 27, apertureText(d).substr(0, 127));
    dc.textOut(cx + 64, 14 * n + 27, fieldSemiAngleText(d));
    dc.selectObject(oldFont);
}

// ---------------------------------------------------------------------------
// Trace report.

void paintTraceReport(Device& dc, const Design& d, const AnalysisResults& r) {
    const gdi::Rect client = dc.clientRect();
    const int cx = client.right / 2;
    const auto labelAt = [&](const ReportFigure& f, int ox, int oy) {
        const ReportBoxPlace& box = reportBox(f.box);
        dc.textOut(cx + box.screenDx + f.screenLabelX + ox, box.screenTop + f.screenLabelY + oy, f.label);
    };
    const auto valueAt = [&](const ReportFigure& f) {
        const ReportBoxPlace& box = reportBox(f.box);
        // Clamped as a 128-byte buffer would hold it, for absurdly large figures.
        dc.textOut(cx + box.screenDx + f.screenValueX, box.screenTop + f.screenValueY,
                   formatFigure(f, figureValue(f, r)).substr(0, 127));
    };

    // Titles: a grey shadow 2 right and 3 down, then white.  The off-axis
    // parts exist only for a design with a field.
    dc.setBkMode(gdi::TRANSPARENT);
    Handle oldFont = selectStock(dc, gdi::SYSTEM_FIXED_FONT);
    for (int pass = 0; pass < 2; ++pass) {
        const int ox = pass == 0 ? 2 : 0;
        const int oy = pass == 0 ? 3 : 0;
        dc.setTextColor(pass == 0 ? RGB(128, 128, 128) : kWhite);
        for (const ReportBoxPlace& box : kReportBoxes)
            if (showsBox(box, d))
                dc.textOut(cx + box.screenDx + box.screenTitleDx + ox, box.screenTop - 20 + oy, box.title);
        for (const ReportFigure& f : kReportFigures)
            if (f.colour == LabelColour::caption && showsFigure(f, d)) labelAt(f, ox, oy);
    }

    for (const ReportBoxPlace& box : kReportBoxes)
        if (showsBox(box, d))
            drawRaisedPanel(dc, cx + box.screenDx, box.screenTop, box.screenWidth, box.screenHeight,
                            RGB(136, 168, 200));

    // Labels in three colour passes.
    static const COLORREF kPassColour[] = {kYellow, kCyan, kBlack};
    for (LabelColour pass : {LabelColour::yellow, LabelColour::cyan, LabelColour::black}) {
        dc.setTextColor(kPassColour[static_cast<int>(pass)]);
        for (const ReportFigure& f : kReportFigures)
            if (f.colour == pass && showsFigure(f, d)) labelAt(f, 0, 0);
    }

    // Values, those in the panels first.
    selectStock(dc, gdi::OEM_FIXED_FONT);
    dc.setTextColor(kBlack);
    for (const ReportFigure& f : kReportFigures)
        if (f.colour != LabelColour::caption && showsFigure(f, d)) valueAt(f);
    for (const ReportFigure& f : kReportFigures)
        if (f.colour == LabelColour::caption && showsFigure(f, d)) valueAt(f);
    dc.selectObject(oldFont);
}

void PaintViewPage(Device& dc, int viewState, const Design& design, const AnalysisResults& results) {
    switch (viewState) {
        case kViewWelcome:
            paintWelcomePage(dc);
            break;
        case kViewTraceReport:
            paintTraceReport(dc, design, results);
            break;
        case kViewDesign:
            paintDesignTable(dc, design);
            break;
        default:
            break;
    }
}

}  // namespace orvelin
