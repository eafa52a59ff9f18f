#include "reports/screen_report.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

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

// Format into a buffer and draw with the length the formatting produced
// (clamped to the buffer for absurdly large figures).
void textOutF(Device& dc, int x, int y, const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    int len = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (len < 0) return;
    if (len > static_cast<int>(sizeof buffer) - 1) len = sizeof buffer - 1;
    dc.textOut(x, y, std::string_view(buffer, len));
}

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

    dc.setBkMode(gdi::TRANSPARENT);
    Handle font64 = dc.createFont({64, 0, gdi::FW_BOLD, false, "System_Font"});
    Handle oldFont = dc.selectObject(font64);

    // Each text first in black, as the shadow to the lower right of the
    // coloured copy drawn over it.
    dc.setTextColor(kBlack);
    dc.textOut(cx - 146, cy - 149, "Welcome to");
    dc.textOut(cx - 151, cy + 91, "for Windows");

    Handle font96 = dc.createFont({96, 0, gdi::FW_BOLD, false, "System_Font"});
    dc.selectObject(font96);
    dc.textOut(cx - 220, cy - 55, "Orvelin");
    dc.setTextColor(RGB(255, 255, 0));
    dc.textOut(cx - 224, cy - 60, "Orvelin");
    dc.selectObject(font64);
    dc.deleteObject(font96);

    dc.setTextColor(RGB(224, 224, 0));
    dc.textOut(cx - 149, cy - 153, "Welcome to");
    dc.textOut(cx - 154, cy + 87, "for Windows");
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
    static const char kColumns[] = "Surface       Radius        CC/Rsag       Tilt          Separation";
    dc.setBkMode(gdi::TRANSPARENT);
    Handle oldFont = selectStock(dc, gdi::SYSTEM_FIXED_FONT);
    for (int pass = 0; pass < 2; ++pass) {
        const int off = pass == 0 ? 2 : 0;
        dc.setTextColor(pass == 0 ? RGB(160, 160, 160) : kWhite);
        dc.textOut(cx - 266 + off, 1 + off, kColumns);
        dc.textOut(cx - 266 + off, 14 * n + 24 + off, "Aperture");
        dc.textOut(cx - 65 + off, 14 * n + 24 + off, "Field semi-angle");
    }

    // Rows: "%- .7g" keeps a blank where a positive number's sign would be,
    // so digits of either sign line up under the headings.
    selectStock(dc, gdi::OEM_FIXED_FONT);
    dc.setTextColor(kBlack);
    for (int i = 1; i <= n; ++i) {
        const int y = 14 * i + 8;
        textOutF(dc, cx - 263, y, "%s", surfaceKindName(d, i));
        textOutF(dc, cx - 162, y, "%- .7g", d.surfaces[i].radius);
        textOutF(dc, cx - 48, y, "%- .7g",
                 d.surfaces[i].kind == kToroid ? d.surfaces[i].sagRadius : d.surfaces[i].conic);
        textOutF(dc, cx + 64, y, "%- .7g", d.surfaces[i].tilt);
        if (i < n)
            textOutF(dc, cx + 176, y, "%- .7g", d.surfaces[i].separation);
        else
            dc.textOut(cx + 152, y, "<- focal plane");
    }
    textOutF(dc, cx - 199, 14 * n + 27, "%- .7g %s", d.aperture, d.units.c_str());
    textOutF(dc, cx + 64, 14 * n + 27, "%- .7g degrees", d.fieldSemiAngle);
    dc.selectObject(oldFont);
}

// ---------------------------------------------------------------------------
// Trace report.

namespace {

enum Box { kCenter, kFocal, kMinus, kPlus };

struct BoxPlace {
    int dx, top, w, h;
    const char* title;
    int titleDx;
};

// Left edges are offsets from the centre of the client area.
constexpr BoxPlace kBoxes[] = {
    {-297, 33, 367, 159, " Field center ", 125},
    {115, 33, 183, 87, " Focal plane ", 40},
    {-297, 228, 275, 87, " - Field angle ", 68},
    {24, 228, 275, 87, " + Field angle ", 68},
};

enum Colour { kLabelYellow, kLabelCyan, kLabelBlack };

struct Cell {
    Box box;
    const char* label;
    Colour colour;
    int lx, ly, vx, vy;  ///< label and value offsets from the box's top-left
    bool fieldOnly;
    double (*value)(const AnalysisResults&);
};

#define FIGURE(expr) [](const AnalysisResults& r) { return r.expr; }

// A grid of columns k and rows j: label at (37 + 92k, 9 + 36j), value at
// (6 + 92k, 25 + 36j); the bottom row of the Field center box has its
// longer labels 15 pixels further left.
const Cell kCells[] = {
    {kCenter, "ast'", kLabelYellow, 37, 9, 6, 25, false, FIGURE(astParaxial)},
    {kCenter, "l's", kLabelBlack, 129, 9, 98, 25, false, FIGURE(lsParaxial)},
    {kCenter, "l't", kLabelBlack, 221, 9, 190, 25, false, FIGURE(ltParaxial)},
    {kCenter, "AST'", kLabelYellow, 37, 45, 6, 61, false, FIGURE(astMarginal)},
    {kCenter, "L'S", kLabelBlack, 129, 45, 98, 61, false, FIGURE(lsMarginal)},
    {kCenter, "L'T", kLabelBlack, 221, 45, 190, 61, false, FIGURE(ltMarginal)},
    {kCenter, "Coma'S", kLabelYellow, 37, 81, 6, 97, false, FIGURE(comaS)},
    {kCenter, "Coma'T", kLabelYellow, 129, 81, 98, 97, false, FIGURE(comaT)},
    {kCenter, "LA'S", kLabelBlack, 221, 81, 190, 97, false, FIGURE(laS)},
    {kCenter, "LA'T", kLabelBlack, 313, 81, 282, 97, false, FIGURE(laT)},
    {kCenter, "Focus'S", kLabelBlack, 22, 117, 6, 133, false, FIGURE(focusS)},
    {kCenter, "Focus'T", kLabelBlack, 114, 117, 98, 133, false, FIGURE(focusT)},
    {kCenter, "F/ratio", kLabelCyan, 206, 117, 190, 133, false, FIGURE(fRatio)},
    {kCenter, "LA'toler", kLabelBlack, 298, 117, 282, 133, false, FIGURE(laTolerance)},
    {kFocal, "B.F.L.", kLabelBlack, 37, 9, 6, 25, false, FIGURE(bestFocus)},
    {kFocal, "Tilt", kLabelCyan, 129, 9, 98, 25, true, FIGURE(bestFitTilt)},
    {kFocal, "Tilt'S", kLabelBlack, 37, 45, 6, 61, true, FIGURE(tiltS)},
    {kFocal, "Tilt'T", kLabelBlack, 129, 45, 98, 61, true, FIGURE(tiltT)},
    {kMinus, "AST'", kLabelBlack, 37, 9, 6, 25, true, FIGURE(fieldPanelMinus.ast)},
    {kMinus, "X'S", kLabelBlack, 129, 9, 98, 25, true, FIGURE(fieldPanelMinus.xS)},
    {kMinus, "X'T", kLabelBlack, 221, 9, 190, 25, true, FIGURE(fieldPanelMinus.xT)},
    {kMinus, "Coma'S", kLabelBlack, 37, 45, 6, 61, true, FIGURE(fieldPanelMinus.comaS)},
    {kMinus, "Coma'T", kLabelBlack, 129, 45, 98, 61, true, FIGURE(fieldPanelMinus.comaT)},
    {kPlus, "AST'", kLabelBlack, 37, 9, 6, 25, true, FIGURE(fieldPanelPlus.ast)},
    {kPlus, "X'S", kLabelBlack, 129, 9, 98, 25, true, FIGURE(fieldPanelPlus.xS)},
    {kPlus, "X'T", kLabelBlack, 221, 9, 190, 25, true, FIGURE(fieldPanelPlus.xT)},
    {kPlus, "Coma'S", kLabelBlack, 37, 45, 6, 61, true, FIGURE(fieldPanelPlus.comaS)},
    {kPlus, "Coma'T", kLabelBlack, 129, 45, 98, 61, true, FIGURE(fieldPanelPlus.comaT)},
};

#undef FIGURE

}  // namespace

void paintTraceReport(Device& dc, const Design& d, const AnalysisResults& r) {
    const gdi::Rect client = dc.clientRect();
    const int cx = client.right / 2;
    // The off-axis parts exist only for a design with a field.
    const bool field = d.sinField != 0.0;
    const int boxCount = field ? 4 : 2;
    const int focalL = cx + kBoxes[kFocal].dx;
    const int focalT = kBoxes[kFocal].top;

    // Titles: a grey shadow 2 right and 3 down, then white.
    dc.setBkMode(gdi::TRANSPARENT);
    Handle oldFont = selectStock(dc, gdi::SYSTEM_FIXED_FONT);
    for (int pass = 0; pass < 2; ++pass) {
        const int ox = pass == 0 ? 2 : 0;
        const int oy = pass == 0 ? 3 : 0;
        dc.setTextColor(pass == 0 ? RGB(128, 128, 128) : kWhite);
        for (int b = 0; b < boxCount; ++b) {
            const BoxPlace& box = kBoxes[b];
            dc.textOut(cx + box.dx + box.titleDx + ox, box.top - 20 + oy, box.title);
        }
        if (field) {
            dc.textOut(focalL + 40 + ox, focalT + 101 + oy, "Field diameter");
            dc.textOut(focalL + 53 + ox, focalT + 137 + oy, "Anamorphism");
        }
    }

    for (int b = 0; b < boxCount; ++b)
        drawRaisedPanel(dc, cx + kBoxes[b].dx, kBoxes[b].top, kBoxes[b].w, kBoxes[b].h, RGB(136, 168, 200));

    // Labels in three colour passes.
    static const COLORREF kPassColour[] = {kYellow, kCyan, kBlack};
    for (int pass = kLabelYellow; pass <= kLabelBlack; ++pass) {
        dc.setTextColor(kPassColour[pass]);
        for (const Cell& c : kCells) {
            if (c.colour != pass || (c.fieldOnly && !field)) continue;
            dc.textOut(cx + kBoxes[c.box].dx + c.lx, kBoxes[c.box].top + c.ly, c.label);
        }
    }

    // Values.
    selectStock(dc, gdi::OEM_FIXED_FONT);
    dc.setTextColor(kBlack);
    for (const Cell& c : kCells) {
        if (c.fieldOnly && !field) continue;
        textOutF(dc, cx + kBoxes[c.box].dx + c.vx, kBoxes[c.box].top + c.vy, "%10.6f", c.value(r));
    }
    if (field) {
        textOutF(dc, focalL + 49, focalT + 117, "%10.6f", r.fieldDiameter);
        textOutF(dc, focalL + 55, focalT + 153, "%7.3f %%", r.anamorphism);
    }
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
