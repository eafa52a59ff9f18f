// The window's pure rules: keys, the design-table hit test, placement, the
// plot copy, number entry and what each dialog's OK stores.
#include <gtest/gtest.h>

#include <cmath>

#include "dialogs/dialog_logic.h"
#include "dialogs/entry.h"
#include "shell/commands.h"

using namespace orvelin;

TEST(CharacterKeys, MapToTheirCommandsAndEscapeOnlyLeavesOtherViews) {
    const std::pair<char, int> keys[] = {
        {'A', 700}, {'a', 700}, {'D', 500}, {'d', 500}, {'F', 400}, {'f', 400}, {'L', 102}, {'l', 102},
        {'N', 101}, {'n', 101}, {'P', 601}, {'p', 601}, {'S', 104}, {'s', 104}, {'T', 300}, {'t', 300}};
    for (auto [c, id] : keys) EXPECT_EQ(commandForCharacter(c, kStateDesign), id) << c;
    EXPECT_FALSE(commandForCharacter('Z', kStateDesign));
    EXPECT_TRUE(isCurveKey('z') && isCurveKey('Z'));
    EXPECT_FALSE(commandForCharacter('x', kStateDesign));
    EXPECT_FALSE(commandForCharacter('1', kStateDesign));
    EXPECT_FALSE(commandForCharacter(27, kStateDesign));
    EXPECT_EQ(commandForCharacter(27, kStateWelcome), 500);
    EXPECT_EQ(commandForCharacter(27, kStateReport), 500);
    EXPECT_EQ(commandForCharacter(27, kStateAiryOverlay), 500);
}

TEST(DesignTableHit, RowsAndColumnsTruncateAndNonCellsAreIgnored) {
    const int n = 3;  // two mirrors and the focal plane
    EXPECT_EQ(hitDesignTable(320, 21, 640, n).kind, TableHit::outside);
    TableHit h = hitDesignTable(200, 22, 640, n);
    EXPECT_EQ(h.row, 1);
    EXPECT_EQ(h.column, 1);
    EXPECT_EQ(h.kind, TableHit::cell);
    // The lowest accepted row with n = 3 is y = 84: the aperture row (5).
    h = hitDesignTable(200, 84, 640, n);
    EXPECT_EQ(h.row, 5);
    EXPECT_EQ(h.kind, TableHit::cell);
    EXPECT_EQ(hitDesignTable(200, 85, 640, n).kind, TableHit::outside);
    // x = 10 is W/2 - 310: a negative quotient truncates to column 0.
    h = hitDesignTable(10, 30, 640, n);
    EXPECT_EQ(h.column, 0);
    EXPECT_EQ(h.kind, TableHit::diameters);
    EXPECT_EQ(hitDesignTable(145, 30, 640, n).column, 0);
    EXPECT_EQ(hitDesignTable(146, 30, 640, n).column, 1);
    EXPECT_EQ(hitDesignTable(593, 30, 640, n).column, 4);
    h = hitDesignTable(594, 30, 640, n);
    EXPECT_EQ(h.column, 5);
    EXPECT_EQ(h.kind, TableHit::ignored);
    // Focal-plane row (3): no name cell, no separation.
    const int focalY = 3 * 14 + 10;
    EXPECT_EQ(hitDesignTable(100, focalY, 640, n).row, 3);
    EXPECT_EQ(hitDesignTable(100, focalY, 640, n).kind, TableHit::ignored);
    EXPECT_EQ(hitDesignTable(550, focalY, 640, n).kind, TableHit::ignored);
    EXPECT_EQ(hitDesignTable(450, focalY, 640, n).kind, TableHit::cell);
    // Aperture row: column 2 lies between aperture and field.
    const int apertureY = 4 * 14 + 10;
    EXPECT_EQ(hitDesignTable(300, apertureY, 640, n).column, 2);
    EXPECT_EQ(hitDesignTable(300, apertureY, 640, n).kind, TableHit::ignored);
    EXPECT_EQ(hitDesignTable(100, apertureY, 640, n).kind, TableHit::cell);
    EXPECT_EQ(hitDesignTable(500, apertureY, 640, n).kind, TableHit::cell);
    // Far left of a wider window gives a negative column.
    EXPECT_EQ(hitDesignTable(0, 30, 1000, n).kind, TableHit::ignored);
}

TEST(WindowPlacement, CentredOnTheScreenLessTheCaptionBand) {
    const Placement p = mainWindowPlacement(1024, 768 - 38);
    EXPECT_EQ(p.left, 192);
    EXPECT_EQ(p.top, 144);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 454);
    EXPECT_EQ(mainWindowPlacement(1280, 1024 - 38).left, 320);
    EXPECT_EQ(mainWindowPlacement(1280, 1024 - 38).top, 272);
}

TEST(PlotViewCopy, CentresTheBufferAndCopiesOnlyWhatItHolds) {
    // Client smaller than the buffer: the buffer's centre part.
    PlotCopy c = plotViewCopy(1024, 730, 632, 408);
    EXPECT_EQ(c.source, (gdi::Rect{196, 161, 828, 569}));
    EXPECT_EQ(c.target, (gdi::Rect{0, 0, 632, 408}));
    // Client larger in both directions: the whole buffer, centred, and no
    // source pixel outside it.
    c = plotViewCopy(400, 300, 641, 500);
    EXPECT_EQ(c.source, (gdi::Rect{0, 0, 400, 300}));
    EXPECT_EQ(c.target, (gdi::Rect{120, 100, 520, 400}));
    // Wider but lower.
    c = plotViewCopy(400, 300, 600, 200);
    EXPECT_EQ(c.source, (gdi::Rect{0, 50, 400, 250}));
    EXPECT_EQ(c.target, (gdi::Rect{100, 0, 500, 200}));
}

TEST(SmallRules, CaptionDiametersTextAndNewUnits) {
    EXPECT_EQ(designCaption("demo"), "ORVELIN - demo");
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
    EXPECT_EQ(parseNumber("800"), 800);
    EXPECT_EQ(parseNumber("  -3.5e2 "), -350);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("+7"), 7);
    for (const char* bad : {"", "   ", "abc", "12abc", "1,5", "0x10", "inf", "nan", "1e999", "--1", "1 2"})
        EXPECT_FALSE(parseNumber(bad)) << '"' << bad << '"';
    EXPECT_EQ(parseWholeNumber(" 1"), 1);
    EXPECT_EQ(parseWholeNumber("20"), 20);
    EXPECT_EQ(parseWholeNumber("-1"), -1);
    for (const char* bad : {"", "abc", "3.5", "2x", "99999999999"})
        EXPECT_FALSE(parseWholeNumber(bad)) << bad;
}

namespace {

Design twoMirrors() {
    Design d;
    startNewDesign(d, 2);
    d.radius[1] = d.sagRadius[1] = 1000;
    d.conic[1] = 1;
    d.separation[1] = 400;
    d.radius[2] = d.sagRadius[2] = 300;
    d.separation[2] = 100;
    for (int i = 1; i <= 3; ++i) recomputeSurface(d, i);
    d.units = "mm";
    return d;
}

}  // namespace

TEST(DialogStores, SurfaceEntryFollowsTheKindRules) {
    Design d = twoMirrors();
    EXPECT_EQ(d.surfaceCount, 3);
    EXPECT_EQ(d.cosField, 1);
    // A conic: the second value is the conic constant, Rsag follows R.
    applySurfaceEntry(d, 1, {kConic, 1200, 1.5, 2, 450});
    EXPECT_EQ(d.radius[1], 1200);
    EXPECT_EQ(d.sagRadius[1], 1200);
    EXPECT_EQ(d.conic[1], 1.5);
    EXPECT_EQ(d.separation[1], 450);
    EXPECT_EQ(d.signedRadius[1], -d.mediumSign[1] * 1200);
    EXPECT_DOUBLE_EQ(d.curvature[1], 1 / d.signedRadius[1]);
    EXPECT_DOUBLE_EQ(d.oneMinusConic[1], -0.5);
    EXPECT_DOUBLE_EQ(d.sinTilt[1], std::sin(2 * kDegree));
    // A toroid: the second value is the sagittal radius, the conic goes.
    applySurfaceEntry(d, 1, {kToroid, 1200, 1300, 0, 450});
    EXPECT_EQ(d.sagRadius[1], 1300);
    EXPECT_EQ(d.conic[1], 0);
    EXPECT_EQ(d.sinTilt[1], 0);
    EXPECT_EQ(d.cosTilt[1], 1);
    // A "duplicate" kind from a file is stored as a toroid would be.
    applySurfaceEntry(d, 2, {2, 300, 0.25, 0, 100});
    EXPECT_EQ(d.kind[2], 2);
    EXPECT_EQ(d.sagRadius[2], 0.25);
    EXPECT_EQ(d.conic[2], 0);
    // The focal plane has no separation to store.
    d.separation[3] = 7;
    applySurfaceEntry(d, 3, {kConic, -500, 0, 1, 99});
    EXPECT_EQ(d.separation[3], 7);
    EXPECT_EQ(d.radius[3], -500);
}

TEST(DialogStores, ApertureFieldAndSingleCells) {
    Design d = twoMirrors();
    applyApertureField(d, 150, 0.75);
    EXPECT_EQ(d.semiAperture, 75);
    EXPECT_DOUBLE_EQ(d.sinField, std::sin(0.75 * kDegree));
    applyApertureField(d, 150, 0);
    EXPECT_EQ(d.sinField, 0);
    EXPECT_EQ(d.cosField, 1);

    EXPECT_EQ(cellPrompt(d, 1, 1).text, "Edit radius #1");
    EXPECT_EQ(cellPrompt(d, 1, 2).text, "Edit conic constant #1");
    EXPECT_EQ(cellPrompt(d, 1, 2).value, 1);
    EXPECT_EQ(cellPrompt(d, 2, 3).text, "Edit tilt #2");
    EXPECT_EQ(cellPrompt(d, 2, 4).text, "Edit separation #2");
    EXPECT_FALSE(cellPrompt(d, 3, 4).editable);
    EXPECT_FALSE(cellPrompt(d, 1, 0).editable);
    EXPECT_EQ(cellPrompt(d, 4, 0).text, "Edit aperture");
    EXPECT_EQ(cellPrompt(d, 5, 4).text, "Edit field semi-angle");
    EXPECT_FALSE(cellPrompt(d, 4, 2).editable);
    d.kind[2] = kToroid;
    d.sagRadius[2] = 333;
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

    applyCellValue(d, 1, 1, 900);
    EXPECT_EQ(d.radius[1], 900);
    EXPECT_EQ(d.sagRadius[1], 900);
    EXPECT_DOUBLE_EQ(d.curvature[1], 1 / (-d.mediumSign[1] * 900));
    applyCellValue(d, 1, 2, 0.5);
    EXPECT_EQ(d.conic[1], 0.5);
    applyCellValue(d, 2, 2, 444);  // toroid: the sagittal radius
    EXPECT_EQ(d.sagRadius[2], 444);
    EXPECT_EQ(d.conic[2], 0);
    applyCellValue(d, 2, 4, 120);
    EXPECT_EQ(d.separation[2], 120);
    EXPECT_EQ(d.signedSeparation[2], -d.mediumSign[2] * 120);
    applyCellValue(d, 3, 4, 5);  // the focal plane has no separation
    EXPECT_EQ(d.separation[3], 0);
    applyCellValue(d, 4, 0, 80);
    EXPECT_EQ(d.aperture, 80);
    EXPECT_EQ(d.semiAperture, 40);
    applyCellValue(d, 5, 3, 0);
    EXPECT_EQ(d.sinField, 0);
    EXPECT_EQ(d.cosField, 1);
    applyCellValue(d, 5, 4, 1);
    EXPECT_DOUBLE_EQ(d.sinField, std::sin(kDegree));
}

TEST(DialogStores, NewDesignStartsFromZero) {
    Design d = twoMirrors();
    d.units = "inches";
    d.designTitle = "kept";
    startNewDesign(d, 4);
    EXPECT_EQ(d.surfaceCount, 5);
    EXPECT_EQ(d.mediumSign[5], 1);
    EXPECT_EQ(d.mediumSign[4], -1);
    for (int i = 0; i < kSurfaceSlots; ++i) {
        EXPECT_EQ(d.radius[i], 0);
        EXPECT_EQ(d.cosTilt[i], 0);
    }
    EXPECT_EQ(d.aperture, 0);
    EXPECT_EQ(d.cosField, 1);
    EXPECT_EQ(d.units, "inches");
}
