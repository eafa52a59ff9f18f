// Print Page and Quick Print pages through the recording device: header,
// fonts by page width, exact grid positions of the report and the design
// table, the layout band, the Quick Print spot diagram, the default
// printer's profile string, and the print job when the printer fails or the
// user cancels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "print_test_util.h"
#include "reports/quick_print.h"
#include "tolerance/tolerance_view.h"

namespace orvelin {
namespace {

using printtest::fixedTime;
using printtest::printFont;
using printtest::Records;
using printtest::ScriptedProgress;
using Ints = std::vector<int>;

// A page 2400 pixels wide: header font 48 (cells 24 x 54 on the recording
// device), heading font 64 (32 x 72), value font 56 (28 x 63).
constexpr int W = 2400, V = 3000;

// Each text drawn by exactly one text call, at (x, y).
struct Placed {
    const char* text;
    int x, y;
};
void expectPlaced(const draw::RecordingDevice& dev, std::initializer_list<Placed> placed) {
    for (const Placed& p : placed) {
        const auto found = dev.textsEqual(p.text);
        ASSERT_EQ(found.size(), 1u) << "'" << p.text << "'";
        EXPECT_EQ(found[0].args, (Ints{p.x, p.y})) << "'" << p.text << "'";
    }
}

TEST(PrintPageHeader, FontsByWidthTitleAndDate) {
    EXPECT_EQ(headingFontHeight(2550), 68);  // 68.0 truncated, not rounded up past
    EXPECT_EQ(valueFontHeight(2550), 59);    // 59.51

    // A 12-hour clock with 0 shown as 12; the month has no leading zero.
    EXPECT_EQ(pageDateText(fixedTime(0)), "Tue  3/04/25  12:05:09  AM");
    EXPECT_EQ(pageDateText(fixedTime(12)), "Tue  3/04/25  12:05:09  PM");
    std::tm sunday = fixedTime(9);
    sunday.tm_wday = 0, sunday.tm_mon = 11, sunday.tm_year = 100;
    EXPECT_EQ(pageDateText(sunday), "Sun  12/04/00  09:05:09  AM");

    Records r(printtest::paraboloid());
    r.design.designTitle = "(New Design)";
    draw::RecordingDevice page(W, V, W, V);
    EXPECT_EQ(drawPageHeader(page, r.design, fixedTime()), 54);
    // Left- and right-aligned (0 and 2) in the header's box.
    const auto texts = page.callsOf("textBox");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Orvelin V0.90 - (New Design)");
    EXPECT_EQ(texts[0].args, (Ints{0, 0, 2400, 54, 0}));
    EXPECT_EQ(texts[1].text, "Tue  3/04/25  01:05:09  PM");
    EXPECT_EQ(texts[1].args, (Ints{0, 0, 2400, 54, 2}));
    for (const draw::DrawCall& t : texts) {
        EXPECT_EQ(t.textFont, printFont(48));
        EXPECT_EQ(t.colour, draw::rgb(0, 0, 0));
        EXPECT_EQ(t.background, draw::Fill(draw::rgb(255, 255, 255)));
    }
}

TEST(PrintPageReport, FiguresAndLabelsOnTheCharacterGrid) {
    Records r(printtest::paraboloid(0.5));
    ASSERT_TRUE(r.analysed);
    draw::RecordingDevice page(W, V, W, V);
    drawTraceReportPage(page, r.design, r.results, 54);

    // Value-font grid: L = (2400 - 97 * 28) / 2 = -158, rows of 63 from 54.
    constexpr int L = -158;
    auto grid = [](int a, int b) { return Ints{L + 28 * a, 54 + 63 * b}; };
    // l's, l't, L'S, L'T and B.F.L. are all 500 for a paraboloid.
    const auto fiveHundreds = page.textsEqual("500.000000");
    ASSERT_EQ(fiveHundreds.size(), 5u);
    EXPECT_EQ(fiveHundreds[0].args, grid(13, 5));
    EXPECT_EQ(fiveHundreds[4].args, grid(70, 5));
    // clang-format off
    for (Placed at : {Placed{"  5.012500", 28, 14}, {"  0.224639", 42, 14}, {"  8.726868", 78, 12},
                      {"  0.000 %", 78, 15}, {" Field center ", 17, 2}, {" + Field angle ", 66, 18},
                      {"F/ratio", 30, 13}, {"Anamorphism", 75, 14}})
        expectPlaced(page, {{at.text, L + 28 * at.x, 54 + 63 * at.y}});
    // clang-format on
    ASSERT_EQ(page.textsEqual(" -0.038363").size(), 2u);  // X'T of both field panels
    EXPECT_EQ(page.textsEqual(" -0.038363")[1].args, grid(84, 21));

    // Every figure before the first label; 30 of each and 4 titles.
    const auto texts = page.callsOf("text");
    ASSERT_EQ(texts.size(), 64u);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(texts[i].textFont, printFont(i < 30 ? 56 : 64)) << texts[i].str();

    // Four closed outlines in black; the Field center box runs from
    // (-0.5, 3.5) to (53.5, 15.5) in grid units, truncated toward zero.
    const auto lines = page.callsOf("line");
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0].args, (Ints{-172, 274, 1340, 274}));  // from, to
    EXPECT_EQ(lines[1].args, (Ints{1340, 274, 1340, 1030}));
    EXPECT_EQ(lines[3].args, (Ints{-172, 1030, -172, 274}));
    for (const draw::DrawCall& l : lines)
        EXPECT_EQ(l.pen, (draw::Pen{draw::rgb(0, 0, 0), 1, draw::LineStyle::solid}));

    // Without a field: the two upper boxes, and B.F.L. alone in its box.
    Records plain(printtest::paraboloid());
    draw::RecordingDevice page2(W, V, W, V);
    drawTraceReportPage(page2, plain.design, plain.results, 54);
    EXPECT_EQ(page2.callsOf("text").size(), 15u + 15u + 2u);
    EXPECT_TRUE(page2.textsEqual(" - Field angle ").empty());
    EXPECT_EQ(page2.callsOf("line").size(), 2u * 4u);
}

TEST(PrintPageDesign, TableRowsApertureLineAndLayoutBand) {
    // The sphere of the worked example; heading-font grid L = (2400 - 67 * 32)
    // / 2 = 128.  The aperture figures' bottom meets that of "Aperture":
    // y = 54 + 8 * 72 - 63 = 567.
    Records r(printtest::singleMirror(0));
    ASSERT_TRUE(r.analysed);
    draw::RecordingDevice page(W, V, W, V);
    const Design before = r.design;
    drawDesignPage(page, r.design, r.geometry, 54);
    // clang-format off
    expectPlaced(page, {
        {"Surface", 128, 198}, {"Separation", 128 + 57 * 32, 198}, {"Aperture", 128, 558},
        {"Field semi-angle", 128 + 27 * 32, 558}, {"sphere", 160, 342}, {" 1000", 608, 342},
        {" 500", 1952, 342}, {"(focal plane)", 1952, 414}, {" 100 mm", 416, 567},
        {" 0 degrees", 128 + 44 * 32, 567}, {"f/5.01", 128 + 62 * 32, 567}});
    // clang-format on
    EXPECT_EQ(page.textsEqual("(focal plane)")[0].textFont, printFont(56));

    // The layout lies in the band from 54 + 9 * 72 - 63 = 639 down to
    // 0.8 W = 1920, within 7/8 of the width, centred, in the page's black pen.
    int minX = 1 << 30, maxX = -minX, minY = minX, maxY = -minX;
    std::size_t lineCount = 0;
    for (const auto& c : page.calls()) {
        if (c.op != "line") continue;
        ++lineCount;
        for (int i : {0, 2}) {
            minX = std::min(minX, c.args[i]), maxX = std::max(maxX, c.args[i]);
            minY = std::min(minY, c.args[i + 1]), maxY = std::max(maxY, c.args[i + 1]);
        }
        EXPECT_EQ(c.pen, (draw::Pen{draw::rgb(0, 0, 0), 1, draw::LineStyle::solid}));
    }
    // Per surface two marginal rays and a face of two strokes (the second
    // paints its end point); the mirror's face is drawn twice.
    EXPECT_EQ(lineCount, 2u + 2u + 2u + 2u + 2u);
    EXPECT_GE(minY, 639);
    EXPECT_LE(maxY, 1921);
    EXPECT_LE(maxX - minX, 2100 + 2);
    EXPECT_NEAR((minX + maxX) / 2.0, 1200, 2);
    // The page only reads the design.
    EXPECT_TRUE(bitIdentical(r.design, before));

    // A design too long for a narrow page leaves no band: no layout, no
    // division by a zero or negative height, and the table still prints.
    Records longDesign(printtest::makeDesign(std::vector<printtest::SurfaceSpec>(21, {0, 0, 0, 10}), 10));
    draw::RecordingDevice narrow(300, 400, 300, 400);
    drawDesignPage(narrow, longDesign.design, longDesign.geometry, 6);
    EXPECT_TRUE(narrow.callsOf("line").empty());
    EXPECT_EQ(narrow.textsEqual("(focal plane)").size(), 1u);
}

// A document on a recording page that fails at a chosen call.
struct FakeDocument : PrintDocument {
    draw::RecordingDevice page{W, V, W, V};
    std::vector<std::string> log;
    std::string failAt, name;

    bool step(const char* what) {
        log.emplace_back(what);
        return failAt != what;
    }
    bool beginDocument(std::string_view documentName) override {
        name = documentName;
        return step("beginDocument");
    }
    bool beginPage() override { return step("beginPage"); }
    draw::Device& device() override { return page; }
    bool finishPage() override { return step("finishPage"); }
    void abandonDocument() override { step("abandonDocument"); }
    bool finishDocument() override { return step("finishDocument"); }
    std::string errorText() const override { return "the printer is out of paper"; }
};

TEST(PrintPageJob, FailuresAreReportedAndCancelAborts) {
    using Log = std::vector<std::string>;
    const Log clean{"beginDocument", "beginPage", "finishPage", "finishDocument"};
    const Log aborted{"beginDocument", "beginPage", "finishPage", "abandonDocument", "finishDocument"};
    Records r(printtest::paraboloid());
    r.frame.scale = 1900;
    struct Case {
        const char* failAt;
        int view, cancelAtPump;
        PrintStatus status;
        Log log;
    } const cases[] = {
        {"", 300, -1, PrintStatus::printed, clean},
        {"beginDocument", 500, -1, PrintStatus::startFailed, {"beginDocument", "finishDocument"}},
        {"beginPage", 600, -1, PrintStatus::pageFailed, aborted},  // not drawn, document dropped
        {"finishPage", 300, -1, PrintStatus::endFailed, aborted},
        {"finishDocument", 300, -1, PrintStatus::endFailed, clean},
        {"", 600, 5, PrintStatus::cancelled, aborted},
    };
    for (const Case& c : cases) {
        FakeDocument doc;
        doc.failAt = c.failAt;
        ScriptedProgress progress;
        progress.cancelAtPump = c.cancelAtPump;
        const PrintJobResult res = r.printPage(doc, c.view, progress, fixedTime());
        EXPECT_EQ(res.status, c.status) << c.failAt;
        EXPECT_EQ(doc.log, c.log) << c.failAt;
        EXPECT_EQ(doc.name, "Orvelin: printing");
        if (!*c.failAt) {
            EXPECT_EQ(progress.shown, c.view >= 600) << "text pages keep the progress dialog hidden";
        }
        EXPECT_EQ(res.printAborted, c.cancelAtPump > 0 ? 1 : 0);
        if (c.status == PrintStatus::printed) {
            EXPECT_FALSE(doc.page.textsEqual("B.F.L.").empty());
        }
        if (!res.failed()) continue;
        EXPECT_NE(res.message.find("out of paper"), std::string::npos) << c.failAt;
        if (c.status != PrintStatus::endFailed) {
            EXPECT_TRUE(doc.page.calls().empty()) << c.failAt;
        }
    }

    {  // A spot-plot page: the plot area lies below the header.
        FakeDocument doc;
        ScriptedProgress progress;
        r.printPage(doc, 602, progress, fixedTime());
        EXPECT_EQ(r.frame.windowCentreX, 1200);
        EXPECT_EQ(r.frame.bufferCentreY, (3000 - 54) / 2);
        EXPECT_EQ(r.frame.windowCentreY, 54 + (3000 - 54) / 2);
        EXPECT_EQ(progress.texts, std::vector<std::string>{"Plotting 2000 rays"});
    }
    {  // A sphere's blur is far larger than its Airy disk: the dots that
       // fall above the plot area leave the header line alone.
        Records sphere(printtest::singleMirror(0));
        FakeDocument doc;
        ScriptedProgress progress;
        sphere.printPage(doc, 602, progress, fixedTime());
        const auto dots = doc.page.callsOf("pixel");
        ASSERT_GT(dots.size(), 2000u);
        int top = 1 << 30;
        for (const auto& d : dots) top = std::min(top, d.args[1]);
        EXPECT_EQ(top, 54);
    }
    // Quick Print: every failure is reported, none passed off as printed.
    for (const char* where : {"beginDocument", "beginPage", "finishPage", "finishDocument", ""}) {
        FakeDocument doc;
        doc.failAt = where;
        const PrintJobResult res = runQuickPrintJob(doc, r.print, fixedTime());
        EXPECT_EQ(res.failed(), *where != 0) << where;
        EXPECT_EQ(res.message.find("out of paper") != std::string::npos, *where != 0) << where;
        if (!*where) {
            EXPECT_EQ(doc.log, clean);
        }
    }
}

// The tolerance page: the view below the header, from the analysis the
// records hold, and a note when they hold none.
TEST(PrintPageTolerances, TheViewBelowTheHeader) {
    Records r(printtest::paraboloid());
    ToleranceOptions o = viewToleranceOptions(r.design);
    o.trials = 20;
    const ToleranceResult tolerances = computeTolerances(r.design, o);
    ASSERT_EQ(tolerances.status, ToleranceStatus::ok);
    FakeDocument doc;
    ScriptedProgress progress;
    r.tolerances = &tolerances;
    EXPECT_EQ(r.printPage(doc, kViewTolerances, progress, fixedTime()).status,
              PrintStatus::printed);
    // The margin is W / 80; the header 54 pixels high.
    expectPlaced(doc.page, {{"Tolerances: test", 30, 54 + 30}});
    EXPECT_EQ(doc.page.textsEqual("20 trials, seed 1").size(), 1u);
    EXPECT_EQ(doc.page.textsEqual(toleranceTable(tolerances, "mm")[0].tolerance).size(), 1u);

    FakeDocument none;
    r.tolerances = nullptr;
    r.printPage(none, kViewTolerances, progress, fixedTime());
    EXPECT_EQ(
        none.page.textsEqual("No tolerance analysis of this design: Tools > Tolerances... runs one.").size(),
        1u);
}

TEST(QuickPrintProfile, DeviceDriverAndPort) {
    auto p = parsePrinterProfile("HP LaserJet 4,HPPCL5MS,LPT1:");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->device, "HP LaserJet 4");  // blanks inside the name stay
    EXPECT_EQ(p->driver, "HPPCL5MS");
    EXPECT_EQ(p->port, "LPT1:");
    p = parsePrinterProfile("PDF, CUPS-PDF,  cups-pdf:/");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->driver, "CUPS-PDF");  // blanks after a comma are skipped
    EXPECT_EQ(p->port, "cups-pdf:/");
    for (const char* bad : {kNoPrinterProfile, "", "PDF,CUPS-PDF", "PDF,,"})
        EXPECT_FALSE(parsePrinterProfile(bad)) << bad;
}

TEST(QuickPrintPage, SummaryPositionsInTheHeaderFont) {
    Records r(printtest::paraboloid(0.5));
    ASSERT_TRUE(r.analysed);
    draw::RecordingDevice page(W, V, W, V);
    drawQuickPrintPage(page, r.print, fixedTime());
    for (const auto& c : page.calls())
        if (c.op == "text" || c.op == "textBox") {
            ASSERT_EQ(c.textFont, printFont(48)) << c.str();
        }
    EXPECT_EQ(page.callsOf("textBox")[0].args, (Ints{0, 0, 2400, 54, 0}));

    // Table: L = (2400 - 67 * 24) / 4 = 198, the aperture figures on the
    // line of their headings, 54 + 7 * 54.  Report in the lower half:
    // L2 = (2400 - 97 * 24) / 2 = 36, rows of 54 from V / 2 = 1500.
    // clang-format off
    expectPlaced(page, {
        {"Surface", 198, 162}, {"parab", 222, 270}, {"Aperture", 198, 432},
        {" 100 mm", 198 + 9 * 24, 432}, {"f/5.01", 198 + 62 * 24, 432}, {"l's", 36 + 17 * 24, 1500 + 4 * 54},
        {"B.F.L.", 36 + 74 * 24, 1716}, {"  8.726868", 36 + 78 * 24, 1500 + 12 * 54}});
    // clang-format on

    // Spot diagram: r = trunc(0.6 L) = 118 about (W - 316, 54 + 10 * 54 / 2),
    // hollow; the Airy radius maps to 119 pixels.  A paraboloid focuses the
    // axis perfectly: 116 rays, each a pair of 3 x 3 blocks on the centre.
    const auto circles = page.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].args, (Ints{1966, 206, 2203, 443}));
    EXPECT_EQ(circles[0].fill, draw::kHollow);
    EXPECT_EQ(circles[0].pen, (draw::Pen{draw::rgb(0, 0, 0), 1, draw::LineStyle::solid}));
    const double airy = 2.684e-5 * 25.4 / (2 * 0.099750623);
    EXPECT_NEAR(r.frame.scale, 119 / airy, 1e-3 * 119 / airy);
    EXPECT_EQ(r.frame.windowCentreX, 316);
    EXPECT_EQ(r.frame.windowCentreY, 324);
    const auto dots = page.callsOf("pixel");
    EXPECT_EQ(dots.size(), 116u * 18);
    for (const auto& d : dots)
        ASSERT_TRUE(std::abs(d.args[0] - 2084) <= 1 && std::abs(d.args[1] - 324) <= 1) << d.str();

    // The four boxes come last, four strokes each; the layout before them
    // fills the upper half below the table, 54 + 9 * 54 to 1500.
    const auto& calls = page.calls();
    ASSERT_GE(calls.size(), 16u);
    const std::size_t boxes = calls.size() - 16;
    EXPECT_EQ(calls[boxes].op, "line");
    EXPECT_EQ(calls[boxes].args, (Ints{24, 1689, 1320, 1689}));
    EXPECT_EQ(calls[boxes + 1].args, (Ints{1320, 1689, 1320, 2337}));
    for (std::size_t i = 0; i < boxes; ++i) {
        if (calls[i].op == "line") {
            EXPECT_TRUE(calls[i].args[1] >= 540 && calls[i].args[1] <= 1501) << calls[i].str();
            EXPECT_TRUE(calls[i].args[3] >= 540 && calls[i].args[3] <= 1501) << calls[i].str();
        }
    }
}

// Quick Print of the sphere: its spot is many Airy disks wide, and every
// dot stays inside the box of the circle (none on the header, the table or
// the layout), while the dots near the centre are all drawn.
TEST(QuickPrintPage, TheSpotStaysInItsBox) {
    Records r(printtest::singleMirror(0));
    ASSERT_TRUE(r.analysed);
    draw::RecordingDevice page(W, V, W, V);
    drawQuickPrintPage(page, r.print, fixedTime());
    const auto circles = page.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    const Ints box = circles[0].args;  // left, top, right and bottom (exclusive)
    EXPECT_EQ(box, (Ints{1966, 206, 2203, 443}));
    const auto dots = page.callsOf("pixel");
    int nearCentre = 0;
    for (const auto& d : dots) {
        ASSERT_TRUE(d.args[0] >= box[0] && d.args[0] < box[2] && d.args[1] >= box[1] && d.args[1] < box[3])
            << d.str();
        if (std::abs(d.args[0] - 2084) <= 20 && std::abs(d.args[1] - 324) <= 20) ++nearCentre;
    }
    // The rim rays land outside (116 rays would give 116 * 18 pixels); the
    // paraxial core is drawn whole.
    EXPECT_LT(dots.size(), 116u * 18);
    EXPECT_GT(nearCentre, 0);
}

// Everything drawn lies on the page: each text's cell, each line and the
// circle; the report's boxes end above the foot of the page, below the
// layout.
void expectWholePageOnPaper(const draw::RecordingDevice& page, int width, int height) {
    int cellWidth = 0, cellHeight = 0, lowestLayoutLine = 0, reportTop = height;
    for (const auto& c : page.calls()) {
        if (c.op == "text") {
            const int fontHeight = c.textFont.height;
            cellWidth = fontHeight / 2;
            cellHeight = fontHeight * 9 / 8;
            EXPECT_GE(c.args[0], 0) << c.str();
            EXPECT_LE(c.args[0] + static_cast<int>(c.text.size()) * cellWidth, width) << c.str();
            EXPECT_GE(c.args[1], 0) << c.str();
            EXPECT_LE(c.args[1] + cellHeight, height) << c.str();
            if (c.text == " Field center ") reportTop = c.args[1];
        } else if (c.op == "line" || c.op == "pixel") {
            for (std::size_t i = 0; i + 1 < c.args.size(); i += 2) {
                EXPECT_TRUE(c.args[i] >= 0 && c.args[i] <= width && c.args[i + 1] >= 0 &&
                            c.args[i + 1] <= height)
                    << c.str();
            }
            if (c.op == "line" && reportTop == height)
                lowestLayoutLine = std::max(lowestLayoutLine, c.args[1]);
        } else if (c.op == "ellipse") {
            EXPECT_TRUE(c.args[0] >= 0 && c.args[1] >= 0 && c.args[2] <= width && c.args[3] <= height)
                << c.str();
        }
    }
    EXPECT_LT(lowestLayoutLine, reportTop) << "the layout runs into the report";
}

TEST(QuickPrintPage, EveryFigureFitsInBothOrientations) {
    // Letter at 300 pixels per inch less the margins, upright and turned:
    // upright the page is laid out exactly as always (the positions above),
    // turned it takes a smaller font and lifts the report.
    for (const auto& [width, height] : {std::pair{2400, 3150}, std::pair{3150, 2400}}) {
        SCOPED_TRACE(width);
        Records r(printtest::paraboloid(0.5));
        draw::RecordingDevice page(width, height, width, height);
        drawQuickPrintPage(page, r.print, fixedTime());
        expectWholePageOnPaper(page, width, height);
        ASSERT_EQ(page.textsEqual(" - Field angle ").size(), 1u);
        const auto calls = page.calls();
        const int fieldBoxesBottom = calls[calls.size() - 2].args[1];  // the last box's bottom
        EXPECT_LT(fieldBoxesBottom, height);
        const draw::Font font = page.textsEqual(" + Field angle ")[0].textFont;
        EXPECT_EQ(font == printFont(width / 50), width < height) << font.height;
    }
    // Twenty mirrors make a table too long for the upper half: the page
    // still holds it, the layout and the report.
    std::vector<testing::SurfaceSpec> many(21, testing::SurfaceSpec{0, 0, 0, 20});
    many[0] = {1000, 0, 0, 120};
    Records twenty(testing::makeDesign(many, 100, 0.5));
    draw::RecordingDevice page(2400, 3150, 2400, 3150);
    drawQuickPrintPage(page, twenty.print, fixedTime());
    expectWholePageOnPaper(page, 2400, 3150);
    EXPECT_EQ(page.textsEqual("(focal plane)").size(), 1u);
}

// The diffraction view's page: under the header, across the page and as
// tall as it is wide (2400 x 2400 from y 54), in the plots' font of 37
// (cells 18 wide, lines of 41) with a margin of 30; the printed scale
// follows the window's.  Rows of 503 from y 248 (under the columns'
// titles) put the first PSF picture, 421 square, at (433, 248): a figures
// column of "Mar\xE9chal 0.000" (252 + 41) and tick labels of 110 to its
// left.
TEST(PrintPageDiffraction, TheViewAcrossThePageOnTheWindowsScale) {
    Records r(printtest::paraboloid(0.5));
    ASSERT_TRUE(r.analysed);
    for (bool log : {false, true}) {
        r.diffractionLog = log;
        draw::RecordingDevice page(W, V, W, V);
        ScriptedProgress progress;
        r.drawPage(page, kViewDiffraction, progress, fixedTime());
        EXPECT_EQ(page.textsEqual("Orvelin V0.90 - test").size(), 1u);
        expectPlaced(page, {{"Diffraction: test", 30, 84}});
        const auto images = page.callsOf("image");
        ASSERT_EQ(images.size(), 5u);
        EXPECT_EQ(images[0].args, (Ints{433, 248, 421, 421}));
        EXPECT_EQ(images[3].args, (Ints{433, 248 + 3 * 503, 421, 421}));
        EXPECT_EQ(page.textsEqual("1e-4").size(), log ? 1u : 0u);
        EXPECT_EQ(progress.shown, 0);
        int lowest = 0;
        for (const draw::DrawCall& c : page.calls())
            if (c.op == "text") lowest = std::max(lowest, c.args[1]);
        EXPECT_LT(lowest, 54 + 2400);
    }
}

}  // namespace
}  // namespace orvelin
