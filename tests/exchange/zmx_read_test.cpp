// Reading .zmx files: the hand-written prescriptions in tests/data/zmx give
// the designs they were written from, in every encoding; what a design
// cannot hold is refused with its line and reason.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "design/design_file.h"
#include "exchange/zmx_import.h"
#include "support/files.h"
#include "trace/analysis.h"

using namespace orvelin;
using namespace orvelin::exchange;

namespace {

const std::string kData = std::string(ORVELIN_TEST_DATA) + "/zmx/";
constexpr double kRelative = 1e-9;  // imported values against the design written

Design example(const std::string& name) {
    Design d;
    EXPECT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name).accepted());
    return d;
}

void expectNear(double want, double got, const std::string& what) {
    EXPECT_LE(std::abs(want - got), kRelative * std::max(1.0, std::abs(want)))
        << what << ": " << got << " for " << want;
}

/// Entered values, aperture, field and units agree.
void expectSameDesign(const Design& want, const Design& got) {
    ASSERT_EQ(want.surfaceCount, got.surfaceCount);
    for (int i = 1; i <= want.surfaceCount; ++i) {
        const Surface &a = want.surfaces[i], &b = got.surfaces[i];
        const std::string at = "surface " + std::to_string(i);
        EXPECT_EQ(a.kind, b.kind) << at;
        expectNear(a.radius, b.radius, at + " radius");
        expectNear(a.sagRadius, b.sagRadius, at + " sagittal radius");
        expectNear(a.conic, b.conic, at + " conic");
        expectNear(a.tilt, b.tilt, at + " tilt");
        if (i < want.surfaceCount) expectNear(a.separation, b.separation, at + " separation");
    }
    expectNear(want.aperture, got.aperture, "aperture");
    expectNear(want.fieldSemiAngle, got.fieldSemiAngle, "field");
    EXPECT_EQ(want.units, got.units);
}

/// A minimal prescription: one f/5 paraboloid, with `extra` header lines and
/// `mirror` lines in the mirror's record.
std::string oneMirror(const std::string& extra = "", const std::string& mirror = "",
                      const std::string& object = "INFINITY") {
    return "MODE SEQ\r\nUNIT MM X W X CM MR CPMM\r\nENPD 100\r\n" + extra + "SURF 0\r\n  DISZ " + object +
           "\r\nSURF 1\r\n  STOP\r\n  CURV -0.001\r\n  CONI -1\r\n  GLAS MIRROR\r\n" + mirror +
           "  DISZ -500\r\nSURF 2\r\n  DISZ 0\r\n";
}

std::string utf16(const std::string& ascii, bool little, bool mark) {
    std::string out = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (char c : ascii) {
        if (little)
            out += c, out += '\0';
        else
            out += '\0', out += c;
    }
    return out;
}

}  // namespace

TEST(ZmxRead, HandWrittenFilesGiveTheirDesigns) {
    // Fold pair, mm, entrance pupil, angle fields on y.
    ZmxImportResult r = importZmxFile(kData + "newtonian-fold.zmx");
    ASSERT_EQ(r.status, ZmxImportStatus::ok) << r.message;
    Design d = r.design;
    EXPECT_EQ(d.designTitle, "newtonian-fold");
    ASSERT_EQ(d.surfaceCount, 3);
    EXPECT_DOUBLE_EQ(d.surfaces[1].radius, 1200);
    EXPECT_DOUBLE_EQ(d.surfaces[1].conic, 1);
    EXPECT_DOUBLE_EQ(d.surfaces[1].separation, 500);
    EXPECT_EQ(d.surfaces[1].tilt, 0);
    EXPECT_EQ(d.surfaces[2].radius, 0);
    EXPECT_DOUBLE_EQ(d.surfaces[2].tilt, 45);
    EXPECT_DOUBLE_EQ(d.surfaces[2].separation, 100);
    EXPECT_EQ(d.surfaces[3].tilt, 0);
    EXPECT_EQ(d.aperture, 150);
    EXPECT_EQ(d.fieldSemiAngle, 0.5);
    EXPECT_EQ(d.units, "mm");

    // Tilt-and-return pairs with a decentred image, metres, UTF-16 with a
    // mark: the Schiefspiegler of the examples (field 0.25 in the file).
    r = importZmxFile(kData + "schiefspiegler-tilt-return.zmx");
    ASSERT_EQ(r.status, ZmxImportStatus::warnings) << r.message;
    // It was written for the example's earlier, slightly smaller tilts.
    Design want = example("schiefspiegler.ov");
    want.fieldSemiAngle = 0.25;
    want.surfaces[1].tilt = 3.8;
    want.surfaces[2].tilt = -6.6;
    want.surfaces[3].tilt = -5.41;
    expectSameDesign(want, r.design);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(
        r.warnings[0],
        "mirror 1 is tilted by 3.8 degrees: Orvelin measures the aperture in mirror 1's plane, so its beam "
        "is "
        "narrower in the plane of the tilts by the cosine of the tilt (0.997801) and the figures differ a "
        "little from those of a circular pupil");

    // An F-number in metres, the field given on x: the f/5 paraboloid.
    r = importZmxFile(kData + "paraboloid-fnum-meter.zmx");
    ASSERT_EQ(r.status, ZmxImportStatus::ok) << r.message;
    expectSameDesign(example("paraboloid-f5.ov"), r.design);

    // A tilted toroid between fold pairs, UTF-16 without a mark.
    r = importZmxFile(kData + "toroid-fold-utf16.zmx");
    ASSERT_EQ(r.status, ZmxImportStatus::warnings) << r.message;
    want = example("toroid.ov");
    want.fieldSemiAngle = 0.25;
    want.surfaces[1].tilt = 3.8;
    want.surfaces[2].sagRadius = -3279.3;
    want.surfaces[2].tilt = -8;
    want.surfaces[3].tilt = -6.6;
    expectSameDesign(want, r.design);
}

TEST(ZmxRead, AnFNumberTakesTheParaxialFocalLengthAndFloaTheStopsSemiDiameter) {
    // Two-mirror focal lengths by hand, 1/f = p1 + p2 - d p1 p2 with the
    // mirror powers p = 2/R (negative for a convex secondary):
    //   classical Cassegrain R -45.72, -19.2 convex, 16 apart: f = 80.0934306569343
    //   Gregorian R -45.72, 12 concave, 30 apart: f = -120.315789473684
    // and a chain of three spheres R -200, -60, -150, 70 and 100 apart: f = 250;
    // each at f/4.  The two-mirror ones are aplanatic pairs, so their marginal
    // rays then give the report's F/ratio of about 4 too.
    const struct {
        const char* file;
        double aperture;
        bool corrected;
    } cases[] = {{"cassegrain-fnum.zmx", 80.0934306569343 / 4, true},
                 {"gregorian-fnum.zmx", 120.315789473684 / 4, true},
                 {"three-mirror-fnum.zmx", 250.0 / 4, false}};
    for (const auto& c : cases) {
        const ZmxImportResult r = importZmxFile(kData + c.file);
        ASSERT_EQ(r.status, ZmxImportStatus::ok) << c.file << ": " << r.message;
        expectNear(c.aperture, r.design.aperture, c.file);
        Design d = r.design;
        TraceState state;
        AnalysisResults results;
        ASSERT_TRUE(analyseSystem(d, state, results)) << c.file;
        if (c.corrected) {
            EXPECT_NEAR(std::abs(results.fRatio), 4, 0.02) << c.file;
        }

        // The same file with a floating aperture: the stop's DIAM 10 is a
        // semi-diameter, so the beam is 20 across.
        std::string text = orvelin::testing::readAll(kData + c.file);
        text.replace(text.find("FNUM 4 0"), 8, "FLOA");
        const ZmxImportResult floating = importZmxText(text, "t");
        ASSERT_EQ(floating.status, ZmxImportStatus::ok) << floating.message;
        EXPECT_EQ(floating.design.aperture, 20) << c.file;
    }
}

TEST(ZmxRead, RefusedFilesNameTheLineAndTheReason) {
    struct Case {
        std::string file, message;
    };
    const Case cases[] = {
        {"refused-decentred-mirror.zmx",
         "line 54: mirror 1 is decentred by 10 from the entrance axis: off-axis segments cannot be held"},
        {"refused-two-axis-tilt.zmx",
         "line 95: mirror 2 is tilted about a second axis: all tilts must lie in one plane"},
        {"refused-lens.zmx", "line 38: GLAS N-BK7 makes a lens: only mirrors (GLAS MIRROR) can be read"},
    };
    for (const Case& c : cases) {
        const ZmxImportResult r = importZmxFile(kData + c.file);
        EXPECT_EQ(r.status, ZmxImportStatus::refused) << c.file;
        EXPECT_EQ(r.message, c.message) << c.file;
    }

    // Built in place: each line of the reason as the user reads it.
    const std::pair<std::string, std::string> texts[] = {
        {"MODE NSC\r\n" + oneMirror(), "line 1: MODE NSC: only sequential (SEQ) files can be read"},
        {"MNUM 2 1\r\n" + oneMirror(), "line 1: MNUM 2: several configurations cannot be read"},
        {oneMirror("", "", "1000"),
         "line 5: the object is at a finite distance: only an object at infinity can be read"},
        {oneMirror("", "  TYPE PARAXIAL\r\n"),
         "line 11: surface type PARAXIAL cannot be held: only STANDARD, "
         "EVENASPH, TOROIDAL and COORDBRK surfaces can be read"},
        {oneMirror("", "  TYPE EVENASPH\r\n  PARM 2 1e-9\r\n"),
         "line 12: mirror 1 is an even asphere with PARM 2 = 1e-09: only conics can be held"},
        {oneMirror("", "  TYPE TOROIDAL\r\n"),
         "line 6: mirror 1 is a toroid with a conic constant (CONI -1): "
         "Orvelin's toroid has none"},
        {oneMirror("FTYP 1 0 1 1 0 0 0\r\n"), "line 4: FTYP 1: only field angles (type 0) can be read"},
        {"UNIT FT\r\n" + oneMirror(), "line 1: UNIT FT: the lens unit must be MM, CM, IN or METER"},
        {oneMirror("", "  CURV nan\r\n"), "line 11: CURV: \"nan\" is not a finite number"},
        {oneMirror("", "  DISZ 1e999\r\n"), "line 11: DISZ: \"1e999\" is not a finite number"},
        {"CURV 1\r\n" + oneMirror(), "line 1: CURV comes before the first SURF"},
        {"MODE SEQ\r\nENPD 10\r\n", "no surfaces (SURF records): not a sequential prescription"},
        {"SURF 0\r\n  DISZ INFINITY\r\nSURF 2\r\n", "line 3: SURF 2 where surface 1 was due"},
    };
    for (const auto& [text, message] : texts) {
        const ZmxImportResult r = importZmxText(text, "t");
        EXPECT_EQ(r.status, ZmxImportStatus::refused) << text;
        EXPECT_EQ(r.message, message);
    }
    std::string noAperture = oneMirror();
    noAperture.replace(noAperture.find("ENPD 100\r\n"), 10, "");
    EXPECT_EQ(importZmxText(noAperture, "t").message, "the file gives no aperture (ENPD, FNUM or FLOA)");
    std::string afocal = oneMirror();
    afocal.replace(afocal.find("ENPD 100"), 8, "FNUM 4 0");
    afocal.replace(afocal.find("CURV -0.001"), 11, "CURV 0");
    EXPECT_EQ(importZmxText(afocal, "t").message,
              "line 3: an F-number for an afocal system gives no aperture");
}

TEST(ZmxRead, OnlyAFlatImageMaySitOffTheAxis) {
    const auto shifted = [](const char* curvature) {
        std::string text = oneMirror();
        text.replace(text.find("SURF 2\r\n  DISZ 0"), 16,
                     "SURF 2\r\n  TYPE COORDBRK\r\n  PARM 2 5\r\n  DISZ 0\r\nSURF 3\r\n  CURV " +
                         std::string(curvature) + "\r\n  DISZ 0");
        return importZmxText(text, "t");
    };
    const ZmxImportResult flat = shifted("0");
    ASSERT_EQ(flat.status, ZmxImportStatus::ok) << flat.message;
    EXPECT_EQ(flat.design.surfaces[1].separation, 500);
    EXPECT_EQ(shifted("0.002").message,
              "line 16: the image surface is decentred by 5 from the axis leaving mirror "
              "1: only a flat image surface may sit off the axis");
}

TEST(ZmxRead, EveryEncodingReadsTheSameDesign) {
    const std::string ascii = oneMirror("NAME caf\xE9\r\nFTYP 0 0 2 1 0 0 0\r\nYFLN 0 -0.7 0.3\r\n");
    const ZmxImportResult plain = importZmxText(ascii, "t");
    ASSERT_EQ(plain.status, ZmxImportStatus::ok) << plain.message;
    EXPECT_EQ(plain.design.fieldSemiAngle, 0.7);  // the largest of the first two fields
    EXPECT_EQ(plain.design.surfaces[1].radius, 1000);

    std::string utf8 = "\xEF\xBB\xBF" + ascii;
    utf8.replace(utf8.find('\xE9'), 1, "\xC3\xA9");
    std::string lf = ascii;
    for (std::size_t at; (at = lf.find('\r')) != std::string::npos;) lf.erase(at, 1);
    for (const std::string& bytes : {utf16(ascii, true, true), utf16(ascii, false, true),
                                     utf16(ascii, true, false), utf16(ascii, false, false), utf8, lf}) {
        const ZmxImportResult r = importZmxText(bytes, "t");
        ASSERT_EQ(r.status, ZmxImportStatus::ok) << r.message;
        EXPECT_TRUE(bitIdentical(plain.design, r.design));
    }

    // Bytes that cannot be the encoding they claim.
    std::string odd = utf16(ascii, true, true);
    odd.pop_back();
    EXPECT_EQ(importZmxText(odd, "t").message, "the UTF-16 text ends in the middle of a character");
    EXPECT_EQ(importZmxText(std::string("\xFF\xFE\x00\xD8\x41\x00", 6), "t").message,
              "the text is not valid UTF-16 (a lone surrogate at byte 2)");
    EXPECT_EQ(importZmxText("\xEF\xBB\xBFMODE \xC3(", "t").message, "the text is not valid UTF-8 at byte 8");
    EXPECT_EQ(importZmxText(std::string("MODE SEQ\0", 9), "t").message,
              "the text holds a zero character at byte 8: not a prescription");
}

TEST(ZmxRead, WarningsForTheStopAndForAFloatingAperture) {
    // The stop on an air surface ahead of the mirror; the aperture floats on it.
    std::string text = oneMirror();
    text.replace(text.find("ENPD 100"), 8, "FLOA");
    text.replace(text.find("SURF 1\r\n  STOP\r\n"), 16,
                 "SURF 1\r\n  STOP\r\n  DIAM 60 1 0 0 1 \"\"\r\n  DISZ 20\r\nSURF 2\r\n");
    text.replace(text.find("SURF 2\r\n  DISZ 0"), 8, "SURF 3\r\n");
    const ZmxImportResult r = importZmxText(text, "t");
    ASSERT_EQ(r.status, ZmxImportStatus::warnings) << r.message;
    EXPECT_EQ(r.design.aperture, 120);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0],
              "line 6: the stop is surface 1, not the first mirror: Orvelin's stop is the first "
              "mirror, so off-axis figures will differ");
    // The air surface only carried its thickness.
    EXPECT_EQ(r.design.surfaceCount, 2);
    EXPECT_EQ(r.design.surfaces[1].separation, 500);
}
