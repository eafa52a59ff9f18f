// Print Page and Quick Print pages through the recording device: header,
// fonts by page width, exact grid positions of the report and the design
// table, the layout band, the Quick Print spot diagram, the default
// printer's profile string, and the sequence of the print job when the
// printer fails or the user cancels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "print_test_util.h"
#include "reports/quick_print.h"

namespace orvelin {
namespace {

using printtest::fixedTime;
using printtest::printFont;
using printtest::Records;
using printtest::ScriptedProgress;

// A page 2400 pixels wide: header font 48 (line 54, characters 24 wide in
// the recording device's cells), heading font 64 (72, 32), value font 56
// (63, 28).
constexpr int W = 2400, V = 3000;

std::vector<int> at(int x, int y) {
    return {x, y};
}

// The textOut call drawing exactly `text`; fails the test when there is not
// exactly one.
gdi::DrawCall onlyText(const gdi::RecordingDevice& dev, const std::string& text) {
    const auto found = dev.textsEqual(text);
    EXPECT_EQ(found.size(), 1u) << "'" << text << "'";
    return found.empty() ? gdi::DrawCall{} : found[0];
}

TEST(PrintPageHeader, FontsByWidthTitleAndDate) {
    EXPECT_EQ(headerFontHeight(2400), 48);
    EXPECT_EQ(headingFontHeight(2400), 64);
    EXPECT_EQ(valueFontHeight(2400), 56);
    EXPECT_EQ(headerFontHeight(2549), 50);   // integer division
    EXPECT_EQ(headingFontHeight(2550), 68);  // 68.0: truncated, not rounded up past
    EXPECT_EQ(valueFontHeight(2550), 59);    // 59.51

    // 00:05 is 12 AM, 12:05 is 12 PM, 13:05 is 01 PM; the month has no
    // leading zero, everything else two digits.
    EXPECT_EQ(pageDateText(fixedTime(0, 5)), "Tue  3/04/25  12:05:09  AM");
    EXPECT_EQ(pageDateText(fixedTime(12, 5)), "Tue  3/04/25  12:05:09  PM");
    EXPECT_EQ(pageDateText(fixedTime(13, 5)), "Tue  3/04/25  01:05:09  PM");
    std::tm sunday = fixedTime(9, 0, 11);
    sunday.tm_wday = 0;
    sunday.tm_year = 100;  // 2000
    EXPECT_EQ(pageDateText(sunday), "Sun  12/04/00  09:00:09  AM");

    Records r(printtest::paraboloid());
    r.design.designTitle = "(New Design)";
    gdi::RecordingDevice page(W, V, W, V);
    EXPECT_EQ(drawPageHeader(page, r.design, fixedTime()), 54);
    const auto texts = page.callsOf("drawText");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Orvelin V0.90 - (New Design)");
    EXPECT_EQ(texts[0].args, (std::vector<int>{0, 0, 2400, 54, static_cast<int>(gdi::DT_LEFT)}));
    EXPECT_EQ(texts[1].text, "Tue  3/04/25  01:05:09  PM");
    EXPECT_EQ(texts[1].args, (std::vector<int>{0, 0, 2400, 54, static_cast<int>(gdi::DT_RIGHT)}));
    EXPECT_EQ(texts[0].font, printFont(48));
    EXPECT_EQ(page.liveObjects(), 0);
}

TEST(PrintPageReport, FiguresAndLabelsOnTheCharacterGrid) {
    // The paraboloid of the worked example with a field of 0.5 degrees.
    Records r(printtest::paraboloid(0.5));
    ASSERT_TRUE(r.analysed);
    gdi::RecordingDevice page(W, V, W, V);
    drawTraceReportPage(page, r.design, r.results, 54);

    // Grid of the value font: L = (2400 - 97 * 28) / 2 = -158, rows of 63
    // from y = 54.
    auto grid = [](int a, int b) { return at(-158 + 28 * a, 54 + 63 * b); };
    // l's, l't, L'S, L'T and B.F.L. are all 500 for a paraboloid.
    const auto fiveHundreds = page.textsEqual("500.000000");
    ASSERT_EQ(fiveHundreds.size(), 5u);
    EXPECT_EQ(fiveHundreds[0].args, grid(13, 5));
    EXPECT_EQ(fiveHundreds[4].args, grid(70, 5));
    EXPECT_EQ(onlyText(page, "  5.012500").args, grid(28, 14));  // F/ratio
    EXPECT_EQ(onlyText(page, "  0.224639").args, grid(42, 14));  // LA'toler
    EXPECT_EQ(onlyText(page, "  8.726868").args, grid(78, 12));  // Field diameter
    EXPECT_EQ(onlyText(page, "  0.000 %").args, grid(78, 15));   // Anamorphism
    EXPECT_EQ(page.textsEqual(" -0.038363").size(), 2u);         // X'T of both panels
    EXPECT_EQ(page.textsEqual(" -0.038363")[1].args, grid(84, 21));

    EXPECT_EQ(onlyText(page, " Field center ").args, grid(17, 2));
    EXPECT_EQ(onlyText(page, " + Field angle ").args, grid(66, 18));
    EXPECT_EQ(onlyText(page, "F/ratio").args, grid(30, 13));
    EXPECT_EQ(onlyText(page, "Anamorphism").args, grid(75, 14));

    // Every figure before the first label; 30 of each and 4 titles.
    const auto texts = page.callsOf("textOut");
    ASSERT_EQ(texts.size(), 64u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(texts[i].font, printFont(56)) << texts[i].str();
    for (int i = 30; i < 64; ++i) EXPECT_EQ(texts[i].font, printFont(64)) << texts[i].str();

    // Four boxes, each a closed outline; the Field center box runs from
    // (-0.5, 3.5) to (53.5, 15.5) in grid units, truncated toward zero.
    const auto moves = page.callsOf("moveTo");
    const auto lines = page.callsOf("lineTo");
    ASSERT_EQ(moves.size(), 4u);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(moves[0].args, at(-172, 274));
    EXPECT_EQ(lines[0].args, (std::vector<int>{-172, 274, 1340, 274}));  // from, to
    EXPECT_EQ(lines[1].args, (std::vector<int>{1340, 274, 1340, 1030}));
    EXPECT_EQ(lines[2].args, (std::vector<int>{1340, 1030, -172, 1030}));
    EXPECT_EQ(lines[3].args, (std::vector<int>{-172, 1030, -172, 274}));
    EXPECT_EQ(page.liveObjects(), 0);

    // Without a field: the two upper boxes, and B.F.L. alone in its box.
    Records plain(printtest::paraboloid());
    gdi::RecordingDevice page2(W, V, W, V);
    drawTraceReportPage(page2, plain.design, plain.results, 54);
    EXPECT_EQ(page2.callsOf("textOut").size(), 15u + 15u + 2u);
    EXPECT_TRUE(page2.textsEqual("Tilt").empty());
    EXPECT_TRUE(page2.textsEqual(" - Field angle ").empty());
    EXPECT_EQ(page2.callsOf("moveTo").size(), 2u);
}

TEST(PrintPageDesign, TableRowsApertureLineAndLayoutBand) {
    // The sphere of the worked example: heading font cells 32 x 72, so
    // L = (2400 - 67 * 32) / 2 = 128; rows from y = 54.
    Records r(printtest::makeDesign({{1000, 0, 0, 500}, {0, 0, 0, 0}}, 100));
    ASSERT_TRUE(r.analysed);
    gdi::RecordingDevice page(W, V, W, V);
    drawDesignPage(page, r.design, r.geometry, 54);

    EXPECT_EQ(onlyText(page, "Surface").args, at(128, 198));
    EXPECT_EQ(onlyText(page, "Separation").args, at(128 + 57 * 32, 198));
    EXPECT_EQ(onlyText(page, "Aperture").args, at(128, 558));
    EXPECT_EQ(onlyText(page, "Field semi-angle").args, at(128 + 27 * 32, 558));
    EXPECT_EQ(onlyText(page, "sphere").args, at(160, 342));
    EXPECT_EQ(onlyText(page, " 1000").args, at(608, 342));
    EXPECT_EQ(onlyText(page, " 500").args, at(1952, 342));
    EXPECT_EQ(onlyText(page, "(focal plane)").args, at(1952, 414));
    EXPECT_EQ(onlyText(page, "(focal plane)").font, printFont(56));
    // The aperture line's bottom meets the bottom of the "Aperture" line:
    // y = 54 + 8 * 72 - 63.
    EXPECT_EQ(onlyText(page, " 100 mm").args, at(416, 567));
    EXPECT_EQ(onlyText(page, " 0 degrees").args, at(128 + 44 * 32, 567));
    EXPECT_EQ(onlyText(page, "f/5.01").args, at(128 + 62 * 32, 567));

    // The layout lies in the band from 54 + 9 * 72 - 63 = 639 down to
    // 0.8 W = 1920, within 7/8 of the width, centred across the page, in
    // the page's own black pen (no face colours on paper).
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    std::size_t lineCount = 0;
    for (const auto& c : page.calls()) {
        if (c.op != "moveTo" && c.op != "lineTo") continue;
        ++lineCount;
        minX = std::min(minX, c.args[0]), maxX = std::max(maxX, c.args[0]);
        minY = std::min(minY, c.args[1]), maxY = std::max(maxY, c.args[1]);
        EXPECT_EQ(c.penColor, gdi::RGB(0, 0, 0));
    }
    // Per surface two marginal rays (4 calls) and a face (3 calls); the
    // mirror's face is drawn twice.
    EXPECT_EQ(lineCount, 4u + 3u + 3u + 4u + 3u);
    EXPECT_GE(minY, 639);
    EXPECT_LE(maxY, 1921);
    EXPECT_LE(maxX - minX, 2100 + 2);
    EXPECT_NEAR((minX + maxX) / 2.0, 1200, 2);
    EXPECT_EQ(page.liveObjects(), 0);
    EXPECT_EQ(r.design.signedSeparation[0], r.geometry.layoutWidth - r.geometry.layoutMaxX);

    // A design too long for a narrow page leaves no band: no layout, no
    // division by a zero or negative height, and the table still prints.
    Records longDesign(printtest::makeDesign(std::vector<printtest::Surface>(21, {0, 0, 0, 10}), 10));
    gdi::RecordingDevice narrow(300, 400, 300, 400);
    drawDesignPage(narrow, longDesign.design, longDesign.geometry, 6);
    EXPECT_TRUE(narrow.callsOf("lineTo").empty());
    EXPECT_EQ(narrow.textsEqual("(focal plane)").size(), 1u);
}

// A document on a recording page that can be told to fail at any call.
struct FakeDocument : PrintDocument {
    gdi::RecordingDevice page{W, V, W, V};
    std::vector<std::string> log;
    std::string failAt;  // "startDoc", "startPage", "endPage" or "endDoc"
    std::string name;

    bool step(const char* what) {
        log.emplace_back(what);
        return failAt != what;
    }
    bool startDoc(std::string_view documentName) override {
        name = documentName;
        return step("startDoc");
    }
    bool startPage() override { return step("startPage"); }
    gdi::Device& device() override { return page; }
    bool endPage() override { return step("endPage"); }
    void abortDoc() override { step("abortDoc"); }
    bool endDoc() override { return step("endDoc"); }
    std::string errorText() const override { return "the printer is out of paper"; }
};

TEST(PrintPageJob, FailuresAreReportedAndCancelAborts) {
    using Log = std::vector<std::string>;
    Records r(printtest::paraboloid());
    r.frame.scale = 1900;

    {  // A clean report page.
        FakeDocument doc;
        ScriptedProgress progress;
        const PrintJobResult res = runPrintPageJob(doc, r.print, 300, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::printed);
        EXPECT_EQ(doc.name, "Orvelin: printing");
        EXPECT_EQ(doc.log, (Log{"startDoc", "startPage", "endPage", "endDoc"}));
        EXPECT_EQ(progress.shown, 0) << "text pages keep the progress dialog hidden";
        EXPECT_FALSE(doc.page.textsEqual("B.F.L.").empty());
    }
    {  // The document cannot start: nothing drawn, and said so.
        FakeDocument doc;
        doc.failAt = "startDoc";
        ScriptedProgress progress;
        const PrintJobResult res = runPrintPageJob(doc, r.print, 500, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::startFailed);
        EXPECT_NE(res.message.find("out of paper"), std::string::npos);
        EXPECT_EQ(doc.log, (Log{"startDoc", "endDoc"}));
        EXPECT_TRUE(doc.page.calls().empty());
    }
    {  // The page cannot start: not drawn, the document dropped.
        FakeDocument doc;
        doc.failAt = "startPage";
        ScriptedProgress progress;
        const PrintJobResult res = runPrintPageJob(doc, r.print, 600, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::pageFailed);
        EXPECT_EQ(doc.log, (Log{"startDoc", "startPage", "endPage", "abortDoc", "endDoc"}));
        EXPECT_TRUE(doc.page.calls().empty());
    }
    for (const char* where : {"endPage", "endDoc"}) {  // The printer does not take the page.
        FakeDocument doc;
        doc.failAt = where;
        ScriptedProgress progress;
        const PrintJobResult res = runPrintPageJob(doc, r.print, 300, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::endFailed) << where;
        EXPECT_FALSE(res.message.empty());
    }
    {  // Cancel during a printed plot: the document is aborted.
        FakeDocument doc;
        ScriptedProgress progress;
        progress.cancelAtPump = 5;
        const PrintJobResult res = runPrintPageJob(doc, r.print, 600, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::cancelled);
        EXPECT_EQ(res.printAborted, 1);
        EXPECT_EQ(progress.shown, 1);
        EXPECT_EQ(doc.log, (Log{"startDoc", "startPage", "endPage", "abortDoc", "endDoc"}));
    }
    {  // A spot-plot page: the plot area lies below the header.
        FakeDocument doc;
        ScriptedProgress progress;
        runPrintPageJob(doc, r.print, 602, progress, fixedTime());
        EXPECT_EQ(r.frame.windowCentreX, 1200);
        EXPECT_EQ(r.frame.bufferCentreY, (3000 - 54) / 2);
        EXPECT_EQ(r.frame.windowCentreY, 54 + (3000 - 54) / 2);
        EXPECT_EQ(progress.texts, (std::vector<std::string>{"Plotting 2000 rays"}));
        EXPECT_EQ(doc.page.liveObjects(), 0);
    }
    {  // A sphere's blur is far larger than its Airy disk: the dots that
       // fall above the plot area leave the header line alone.
        Records sphere(printtest::makeDesign({{1000, 0, 0, 500}, {0, 0, 0, 0}}, 100));
        FakeDocument doc;
        ScriptedProgress progress;
        runPrintPageJob(doc, sphere.print, 602, progress, fixedTime());
        const auto dots = doc.page.callsOf("setPixel");
        ASSERT_GT(dots.size(), 2000u);
        int top = 1 << 30;
        for (const auto& d : dots) top = std::min(top, d.args[1]);
        EXPECT_EQ(top, 54);
    }
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
    EXPECT_FALSE(parsePrinterProfile(kNoPrinterProfile));
    EXPECT_FALSE(parsePrinterProfile(""));
    EXPECT_FALSE(parsePrinterProfile("PDF,CUPS-PDF"));
    EXPECT_FALSE(parsePrinterProfile("PDF,,"));
}

TEST(QuickPrintPage, SummaryPositionsInTheHeaderFont) {
    // The paraboloid with a field of 0.5 degrees; header font cells 24 x 54.
    Records r(printtest::paraboloid(0.5));
    ASSERT_TRUE(r.analysed);
    gdi::RecordingDevice page(W, V, W, V);
    drawQuickPrintPage(page, r.print, fixedTime());

    for (const auto& c : page.calls()) {
        if (c.op != "textOut" && c.op != "drawText") continue;
        ASSERT_EQ(c.font, printFont(48)) << c.str();
    }
    EXPECT_EQ(page.callsOf("drawText")[0].args, (std::vector<int>{0, 0, 2400, 54, 0}));

    // Table: L = (2400 - 67 * 24) / 4 = 198; the aperture figures stand on
    // the line of their headings, y = 54 + 7 * 54.
    EXPECT_EQ(onlyText(page, "Surface").args, at(198, 162));
    EXPECT_EQ(onlyText(page, "parab").args, at(222, 270));
    EXPECT_EQ(onlyText(page, "Aperture").args, at(198, 432));
    EXPECT_EQ(onlyText(page, " 100 mm").args, at(198 + 9 * 24, 432));
    EXPECT_EQ(onlyText(page, "f/5.01").args, at(198 + 62 * 24, 432));

    // Spot diagram: r = trunc(0.6 L) = 118 about (W - 316, 54 + 10 * 54 / 2),
    // hollow; the Airy radius maps to 119 pixels.  A paraboloid focuses the
    // axis perfectly: 116 rays, each a pair of 3 x 3 blocks on the centre.
    const auto circles = page.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].args, (std::vector<int>{1966, 206, 2203, 443}));
    EXPECT_TRUE(circles[0].brushNull);
    const double airy = 2.684e-5 * 25.4 / (2 * 0.099750623);
    EXPECT_NEAR(r.frame.scale, 119 / airy, 1e-3 * 119 / airy);
    EXPECT_EQ(r.frame.windowCentreX, 316);
    EXPECT_EQ(r.frame.windowCentreY, 324);
    const auto dots = page.callsOf("setPixel");
    EXPECT_EQ(dots.size(), 116u * 18);
    for (const auto& d : dots) {
        ASSERT_LE(std::abs(d.args[0] - 2084), 1) << d.str();
        ASSERT_LE(std::abs(d.args[1] - 324), 1) << d.str();
    }

    // Report in the lower half: L2 = (2400 - 97 * 24) / 2 = 36, rows of 54
    // from V / 2 = 1500.
    EXPECT_EQ(onlyText(page, "l's").args, at(36 + 17 * 24, 1500 + 4 * 54));
    EXPECT_EQ(onlyText(page, "B.F.L.").args, at(36 + 74 * 24, 1716));
    EXPECT_EQ(onlyText(page, "  8.726868").args, at(36 + 78 * 24, 1500 + 12 * 54));

    // The four boxes come last, after the font is released.
    const auto& calls = page.calls();
    ASSERT_GE(calls.size(), 20u);
    EXPECT_EQ(calls[calls.size() - 20].op, "moveTo");
    EXPECT_EQ(calls[calls.size() - 20].args, at(24, 1689));
    EXPECT_EQ(calls[calls.size() - 19].args, (std::vector<int>{24, 1689, 1320, 1689}));
    EXPECT_EQ(calls[calls.size() - 18].args, (std::vector<int>{1320, 1689, 1320, 2337}));

    // The layout fills the upper half below the table: 54 + 9 * 54 to 1500.
    for (std::size_t i = 0; i + 20 < calls.size(); ++i) {
        const auto& c = calls[i];
        if (c.op != "moveTo" && c.op != "lineTo") continue;
        EXPECT_GE(c.args[1], 540) << c.str();
        EXPECT_LE(c.args[1], 1501) << c.str();
    }
    EXPECT_EQ(page.liveObjects(), 0);
}

TEST(QuickPrintJob, FailuresAreReportedNotPassedOffAsPrinted) {
    Records r(printtest::paraboloid());
    for (const char* where : {"startDoc", "startPage", "endPage", "endDoc"}) {
        FakeDocument doc;
        doc.failAt = where;
        const PrintJobResult res = runQuickPrintJob(doc, r.print, fixedTime());
        EXPECT_TRUE(res.failed()) << where;
        EXPECT_NE(res.message.find("out of paper"), std::string::npos) << where;
    }
    FakeDocument doc;
    const PrintJobResult res = runQuickPrintJob(doc, r.print, fixedTime());
    EXPECT_EQ(res.status, PrintStatus::printed);
    EXPECT_EQ(doc.name, "");
    EXPECT_EQ(doc.log, (std::vector<std::string>{"startDoc", "startPage", "endPage", "endDoc"}));
}

}  // namespace
}  // namespace orvelin
