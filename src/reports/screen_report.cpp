#include "reports/screen_report.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "design/design_table.h"
#include "platform/platform_name.h"
#include "reports/report_figures.h"

namespace orvelin {

namespace {

using draw::Colour;
using draw::Device;
using draw::Font;
using draw::Pen;
using draw::rgb;

constexpr Colour kBlack = rgb(0, 0, 0);
constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kYellow = rgb(255, 255, 0);
constexpr Colour kCyan = rgb(0, 255, 255);
constexpr Pen kBevelLight{rgb(224, 224, 224)};
constexpr Pen kBevelDark{rgb(96, 96, 96)};

// The welcome page's lettering: the system face, bold, in two sizes.
constexpr Font kWelcomeFont = Font::scaled(64, 700);
constexpr Font kWelcomeTitleFont = Font::scaled(96, 700);

}  // namespace

// ---------------------------------------------------------------------------
// Welcome page.

void paintWelcomePage(Device& dc) {
    const draw::Size client = dc.size();
    const int cx = client.width / 2;
    const int cy = client.height / 2;

    // The picture, copied with a generous extent: only what the picture
    // covers is drawn.
    dc.picture({cx - 147, cy - 132}, {466, 337}, kWelcomeBitmap);

    // The system the program runs on, as "for Linux".
    const std::string forPlatform = std::string("for ") + platformName();

    // Each text first in black, as the shadow to the lower right of the
    // coloured copy drawn over it.
    dc.text({cx - 146, cy - 149}, "Welcome to", kWelcomeFont, kBlack);
    dc.text({cx - 151, cy + 91}, forPlatform, kWelcomeFont, kBlack);
    dc.text({cx - 220, cy - 55}, "Orvelin", kWelcomeTitleFont, kBlack);
    dc.text({cx - 224, cy - 60}, "Orvelin", kWelcomeTitleFont, rgb(255, 255, 0));
    dc.text({cx - 149, cy - 153}, "Welcome to", kWelcomeFont, rgb(224, 224, 0));
    dc.text({cx - 154, cy + 87}, forPlatform, kWelcomeFont, rgb(224, 224, 0));
}

// ---------------------------------------------------------------------------
// Raised panels.

void drawRaisedPanel(Device& dc, int L, int T, int w, int h, Colour fill) {
    dc.rect({L, T, L + w, T + h}, draw::kNoPen, fill);
    // Inner ring, then outer ring: each a light stroke from the top-right
    // corner along the top and down the left, then a dark one along the
    // bottom and up the right.
    for (int r = 1; r <= 2; ++r) {
        dc.polyline({{L + w + r - 1, T - r}, {L - r, T - r}, {L - r, T + h + r - 1}}, kBevelLight);
        dc.polyline({{L - r, T + h + r - 1}, {L + w + r - 1, T + h + r - 1}, {L + w + r - 1, T - r}},
                    kBevelDark);
    }
}

// ---------------------------------------------------------------------------
// Design table.

void paintDesignTable(Device& dc, const Design& d) {
    const int cx = dc.size().width / 2;
    // A count no file can give (a damaged record) never reads past the slots.
    const int n = std::clamp(d.surfaceCount, 0, kMaxSurfaces);
    const int bottom = 14 * n + 42;

    // The panel, with an etched groove (dark at 14n+22, light at 14n+23)
    // between the surface rows and the aperture row.
    dc.rect({cx - 271, 20, cx + 268, bottom}, draw::kNoPen, rgb(168, 168, 168));
    dc.polyline({{cx + 267, 19}, {cx - 271, 19}, {cx - 271, 14 * n + 23}}, kBevelLight);
    dc.polyline({{cx + 268, 18}, {cx - 272, 18}, {cx - 272, 14 * n + 43}}, kBevelLight);
    dc.polyline({{cx + 267, 14 * n + 23}, {cx - 271, 14 * n + 23}, {cx - 271, 14 * n + 42}}, kBevelLight);
    dc.polyline({{cx - 271, 14 * n + 42}, {cx + 267, 14 * n + 42}, {cx + 267, 19}}, kBevelDark);
    dc.line({cx + 267, 14 * n + 22}, {cx - 271, 14 * n + 22}, kBevelDark);
    dc.polyline({{cx - 272, 14 * n + 43}, {cx + 268, 14 * n + 43}, {cx + 268, 18}}, kBevelDark);

    // Headings: a grey shadow pass, then white 2 pixels up and left.
    const Font headings = Font::boldMono();
    for (int pass = 0; pass < 2; ++pass) {
        const int off = pass == 0 ? 2 : 0;
        const Colour colour = pass == 0 ? rgb(160, 160, 160) : kWhite;
        dc.text({cx - 266 + off, 1 + off}, kDesignTableHeadings, headings, colour);
        dc.text({cx - 266 + off, 14 * n + 24 + off}, "Aperture", headings, colour);
        dc.text({cx - 65 + off, 14 * n + 24 + off}, "Field semi-angle", headings, colour);
    }

    // Rows: the values keep a blank where a positive number's sign would be,
    // so digits of either sign line up under the headings.
    const Font rows = Font::smallMono();
    for (int i = 1; i <= n; ++i) {
        const int y = 14 * i + 8;
        const DesignTableRow row = designTableRow(d, i);
        dc.text({cx - 263, y}, row.name, rows, kBlack);
        dc.text({cx - 162, y}, row.radius, rows, kBlack);
        dc.text({cx - 48, y}, row.conicOrSagRadius, rows, kBlack);
        dc.text({cx + 64, y}, row.tilt, rows, kBlack);
        if (i < n)
            dc.text({cx + 176, y}, row.separation, rows, kBlack);
        else
            dc.text({cx + 152, y}, "<- focal plane", rows, kBlack);
    }
    dc.text({cx - 199, 14 * n + 27}, apertureText(d).substr(0, 127), rows, kBlack);
    dc.text({cx + 64, 14 * n + 27}, fieldSemiAngleText(d), rows, kBlack);
}

// ---------------------------------------------------------------------------
// Trace report.

void paintTraceReport(Device& dc, const Design& d, const AnalysisResults& r) {
    const int cx = dc.size().width / 2;
    const Font labels = Font::boldMono();
    const auto labelAt = [&](const ReportFigure& f, int ox, int oy, Colour colour) {
        const ReportBoxPlace& box = reportBox(f.box);
        dc.text({cx + box.screenDx + f.screenLabelX + ox, box.screenTop + f.screenLabelY + oy}, f.label,
                labels, colour);
    };
    const auto valueAt = [&](const ReportFigure& f) {
        const ReportBoxPlace& box = reportBox(f.box);
        // Clamped as a 128-byte buffer would hold it, for absurdly large figures.
        dc.text({cx + box.screenDx + f.screenValueX, box.screenTop + f.screenValueY},
                formatFigure(f, figureValue(f, r)).substr(0, 127), Font::smallMono(), kBlack);
    };

    // Titles: a grey shadow 2 right and 3 down, then white.  The off-axis
    // parts exist only for a design with a field.
    for (int pass = 0; pass < 2; ++pass) {
        const int ox = pass == 0 ? 2 : 0;
        const int oy = pass == 0 ? 3 : 0;
        const Colour colour = pass == 0 ? rgb(128, 128, 128) : kWhite;
        for (const ReportBoxPlace& box : kReportBoxes)
            if (showsBox(box, d))
                dc.text({cx + box.screenDx + box.screenTitleDx + ox, box.screenTop - 20 + oy}, box.title,
                        labels, colour);
        for (const ReportFigure& f : kReportFigures)
            if (f.colour == LabelColour::caption && showsFigure(f, d)) labelAt(f, ox, oy, colour);
    }

    for (const ReportBoxPlace& box : kReportBoxes)
        if (showsBox(box, d))
            drawRaisedPanel(dc, cx + box.screenDx, box.screenTop, box.screenWidth, box.screenHeight,
                            rgb(136, 168, 200));

    // Labels in three colour passes.
    static const Colour kPassColour[] = {kYellow, kCyan, kBlack};
    for (LabelColour pass : {LabelColour::yellow, LabelColour::cyan, LabelColour::black})
        for (const ReportFigure& f : kReportFigures)
            if (f.colour == pass && showsFigure(f, d)) labelAt(f, 0, 0, kPassColour[static_cast<int>(pass)]);

    // Values, those in the panels first.
    for (const ReportFigure& f : kReportFigures)
        if (f.colour != LabelColour::caption && showsFigure(f, d)) valueAt(f);
    for (const ReportFigure& f : kReportFigures)
        if (f.colour == LabelColour::caption && showsFigure(f, d)) valueAt(f);
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
