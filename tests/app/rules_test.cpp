// The window's pure rules: keys, the design-table hit test, placement, the
// plot copy, number entry and what each dialog's OK stores.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "app/command_rules.h"
#include "app/dialog_logic.h"
#include "app/entry.h"
#include "support/test_designs.h"

using namespace orvelin;

TEST(CharacterKeys, EitherCaseMapsAndEscapeOnlyLeavesOtherViews) {
    for (auto [c, id] : {std::pair{'A', 700}, {'d', 500}, {'L', 102}, {'p', 601}, {'S', 104}, {'t', 300}})
        EXPECT_EQ(commandForCharacter(c, kViewDesign), id) << c;
    EXPECT_EQ(commandForCharacter('f', kViewDesign), commandForCharacter('F', kViewDesign));
    EXPECT_TRUE(isCurveKey('z') && isCurveKey('Z'));
    for (int c : {int('Z'), int('x'), int('1'), 27}) EXPECT_FALSE(commandForCharacter(c, kViewDesign)) << c;
    for (int s : {kViewWelcome, kViewTraceReport, kViewAiryOverlay})
        EXPECT_EQ(commandForCharacter(27, s), 500);
}

TEST(DesignTableHit, RowsAndColumnsTruncateAndNonCellsAreIgnored) {
    const int n = 3;  // two mirrors and the focal plane
    const auto hit = [](int x, int y, int width = 640) {
        const TableHit h = hitDesignTable(x, y, width, n);
        return std::tuple{h.row, h.column, h.kind};
    };
    using T = TableHit;
    EXPECT_EQ(hitDesignTable(320, 21, 640, n).kind, T::outside);
    EXPECT_EQ(hitDesignTable(200, 85, 640, n).kind, T::outside);
    EXPECT_EQ(hit(200, 22), std::tuple(1, 1, T::cell));
    EXPECT_EQ(hit(200, 84), std::tuple(5, 1, T::cell));  // the lowest row taken
    // Column edges; left of the first a negative quotient truncates to 0.
    EXPECT_EQ(hit(10, 30), std::tuple(1, 0, T::diameters));
    EXPECT_EQ(hit(145, 30), std::tuple(1, 0, T::diameters));
    EXPECT_EQ(hit(146, 30), std::tuple(1, 1, T::cell));
    EXPECT_EQ(hit(593, 30), std::tuple(1, 4, T::cell));
    EXPECT_EQ(hit(594, 30), std::tuple(1, 5, T::ignored));
    EXPECT_EQ(hit(0, 30, 1000), std::tuple(1, -1, T::ignored));
    // The focal plane (row 3) has no name cell and no separation.
    EXPECT_EQ(hit(100, 52), std::tuple(3, 0, T::ignored));
    EXPECT_EQ(hit(450, 52), std::tuple(3, 3, T::cell));
    EXPECT_EQ(hit(550, 52), std::tuple(3, 4, T::ignored));
    // The aperture row: column 2 lies between aperture and field.
    EXPECT_EQ(hit(100, 66), std::tuple(4, 0, T::cell));
    EXPECT_EQ(hit(300, 66), std::tuple(4, 2, T::ignored));
    EXPECT_EQ(hit(500, 66), std::tuple(4, 4, T::cell));
}

TEST(WindowPlacement, CentredOnTheScreenLessTheCaptionBand) {
    const Placement p = mainWindowPlacement(1024, 768 - 38);
    EXPECT_EQ((std::array{p.left, p.top, p.width, p.height}), (std::array{192, 144, 640, 454}));
    EXPECT_EQ(mainWindowPlacement(1280, 1024 - 38).top, 272);
}

TEST(PlotViewCopy, CentresTheBufferAndCopiesOnlyWhatItHolds) {
    // Client smaller than the buffer: the buffer's centre part.
    PlotCopy c = plotViewCopy(1024, 730, 632, 408);
    EXPECT_EQ(c.source, (draw::Rect{196, 161, 828, 569}));
    EXPECT_EQ(c.target, (draw::Rect{0, 0, 632, 408}));
    // Client larger in both directions: the whole buffer, centred, and no
    // source pixel outside it.
    c = plotViewCopy(400, 300, 641, 500);
    EXPECT_EQ(c.source, (draw::Rect{0, 0, 400, 300}));
    EXPECT_EQ(c.target, (draw::Rect{120, 100, 520, 400}));
    // Wider but lower.
    c = plotViewCopy(400, 300, 600, 200);
    EXPECT_EQ(c.source, (draw::Rect{0, 50, 400, 250}));
    EXPECT_EQ(c.target, (draw::Rect{100, 0, 500, 200}));
}

TEST(SmallRules, CaptionDiametersTextAndNewUnits) {
    EXPECT_EQ(designCaption(kNewDesignTitle), "ORVELIN - (New Design)");
    EXPECT_EQ(diametersText(50, 62.5), "Central:                  100\nUnvignetted field:  125");
    EXPECT_STREQ(unitsForNewAperture(20), "inches");  // aperture 40
    EXPECT_STREQ(unitsForNewAperture(20.25), "mm");   // aperture 40.5
    EXPECT_STREQ(unitsForNewAperture(0), "inches");
}

TEST(NumberEntry, ShowsSevenDigitsAndRefusesWhatIsNotANumber) {
    EXPECT_EQ(formatValue(800), " 800");
    EXPECT_EQ(formatValue(-0.5), "-0.5");
    EXPECT_EQ(formatValue(1.0 / 3), " 0.3333333");
    EXPECT_EQ(formatValue(1.5e-12), " 1.5e-12");
    EXPECT_EQ(parseNumber("  -3.5e2 "), -350);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("+7"), 7);
    for (const char* bad : {"", "   ", "abc", "12abc", "1,5", "0x10", "inf", "nan", "1e999", "--1", "1 2"})
        EXPECT_FALSE(parseNumber(bad)) << '"' << bad << '"';
    // Why: out of the double range, or no number at all.
    EXPECT_EQ(numberProblem(" 1e309"), NumberProblem::tooLarge);
    EXPECT_EQ(numberProblem("-2.5e400"), NumberProblem::tooLarge);
    EXPECT_EQ(numberProblem("1e-400"), NumberProblem::tooSmall);
    EXPECT_EQ(numberProblem("1e308"), NumberProblem::none);
    EXPECT_EQ(numberProblem("4.9e-324"), NumberProblem::none);  // the smallest double
    for (const char* bad : {"", "abc", "inf", "1e309x", "0x1p2000"})
        EXPECT_EQ(numberProblem(bad), NumberProblem::notANumber) << '"' << bad << '"';
    EXPECT_EQ(parseWholeNumber(" 1"), 1);
    EXPECT_EQ(parseWholeNumber("-1"), -1);
    for (const char* bad : {"", "abc", "3.5", "2x", "99999999999"})
        EXPECT_FALSE(parseWholeNumber(bad)) << bad;
}

namespace {

Design twoMirrors() {
    return orvelin::testing::makeDesign({{1000, 1, 0, 400}, {300, 0, 0, 100}, {0, 0, 0, 0}}, 100);
}

}  // namespace

TEST(DialogStores, SurfaceEntryRecomputesAndTheFocalPlaneKeepsNoSeparation) {
    Design d = twoMirrors();
    applySurfaceEntry(d, 1, {kConic, 1200, 1.5, 2, 450});
    EXPECT_EQ(d.surfaces[1].sagRadius, 1200);
    EXPECT_EQ(d.surfaces[1].separation, 450);
    EXPECT_DOUBLE_EQ(d.surfaces[1].curvature, 1 / (-d.surfaces[1].mediumSign * 1200));
    EXPECT_DOUBLE_EQ(d.surfaces[1].oneMinusConic, -0.5);
    EXPECT_DOUBLE_EQ(d.surfaces[1].sinTilt, std::sin(2 * kDegree));
    applySurfaceEntry(d, 1, {kToroid, 1200, 1300, 0, 450});
    EXPECT_EQ(d.surfaces[1].conic, 0);
    EXPECT_EQ(d.surfaces[1].cosTilt, 1);
    d.surfaces[3].separation = 7;
    applySurfaceEntry(d, 3, {kConic, -500, 0, 1, 99});
    EXPECT_EQ(d.surfaces[3].separation, 7);
    EXPECT_EQ(d.surfaces[3].radius, -500);
}

TEST(DialogStores, SingleCells) {
    Design d = twoMirrors();
    EXPECT_EQ(cellPrompt(d, 1, 2).text, "Edit conic constant #1");
    EXPECT_EQ(cellPrompt(d, 1, 2).value, 1);
    EXPECT_EQ(cellPrompt(d, 5, 4).text, "Edit field semi-angle");
    for (auto [row, column] : {std::pair{3, 4}, {1, 0}, {4, 2}})
        EXPECT_FALSE(cellPrompt(d, row, column).editable);
    d.surfaces[2].kind = kToroid;
    d.surfaces[2].sagRadius = 333;
    EXPECT_EQ(cellPrompt(d, 2, 1).text, "Tangential radius #2");
    EXPECT_EQ(cellPrompt(d, 2, 2).text, "Sagittal radius #2");
    EXPECT_EQ(cellPrompt(d, 2, 2).value, 333);

    // Over the cell: window (100, 50)-(740, 504), so Xc = 420.
    ScreenPoint p = cellDialogPosition(d, 2, 3, 100, 50, 740, 504);
    EXPECT_EQ(p.x, 420 + 336 - 322);
    EXPECT_EQ(p.y, 50 + 28 + 64);
    p = cellDialogPosition(d, 4, 1, 100, 50, 740, 504);
    EXPECT_EQ(p.x, 420 - 242);
    EXPECT_EQ(p.y, 50 + 42 + 86);
    EXPECT_EQ(cellDialogPosition(d, 4, 4, 100, 50, 740, 504).x, 420 + 38);

    applyCellValue(d, 2, 2, 444);  // toroid: the sagittal radius
    EXPECT_EQ(d.surfaces[2].sagRadius, 444);
    EXPECT_EQ(d.surfaces[2].conic, 0);
    applyCellValue(d, 2, 4, 120);
    EXPECT_EQ(d.surfaces[2].signedSeparation, -d.surfaces[2].mediumSign * 120);
    applyCellValue(d, 3, 4, 5);  // the focal plane has no separation
    EXPECT_EQ(d.surfaces[3].separation, 0);
    applyCellValue(d, 5, 4, 1);
    EXPECT_DOUBLE_EQ(d.sinField, std::sin(kDegree));
}

TEST(DialogStores, NewDesignStartsFromZero) {
    Design d = twoMirrors();
    d.units = "inches";
    startNewDesign(d, 4);
    EXPECT_EQ(d.surfaceCount, 5);
    for (int i = 0; i < kSurfaceSlots; ++i)
        EXPECT_TRUE(d.surfaces[i].radius == 0 && d.surfaces[i].cosTilt == 0) << i;
    EXPECT_EQ(d.aperture, 0);
    EXPECT_EQ(d.cosField, 1);
    EXPECT_EQ(d.units, "inches");
}
