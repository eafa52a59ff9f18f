// Export, then import: the same design, every value to 1e-9 relative in
// memory and the same bytes once saved as a design file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "design/design_file.h"
#include "exchange/zmx_export.h"
#include "exchange/zmx_import.h"
#include "support/test_designs.h"

using namespace orvelin;
using namespace orvelin::exchange;
using namespace orvelin::testing;

namespace {

constexpr double kRelative = 1e-9;

bool near(double a, double b) {
    return std::abs(a - b) <= kRelative * std::max(1.0, std::abs(a));
}

/// `sameText`: values typed by a person (at most 13 digits) export to the
/// same text again, and save to the same design file.
void expectRoundTrip(const Design& d, bool sameText = true) {
    const std::string text = formatZmx(d);
    const ZmxImportResult r = importZmxText(text, d.designTitle);
    ASSERT_TRUE(r.accepted()) << r.message << "\n" << text;
    const Design& b = r.design;
    ASSERT_EQ(b.surfaceCount, d.surfaceCount);
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const Surface &p = d.surfaces[i], &q = b.surfaces[i];
        EXPECT_EQ(p.kind, q.kind) << i;
        EXPECT_TRUE(near(p.radius, q.radius)) << i << ": " << p.radius << " " << q.radius;
        EXPECT_TRUE(near(p.sagRadius, q.sagRadius)) << i << ": " << p.sagRadius << " " << q.sagRadius;
        EXPECT_TRUE(near(p.conic, q.conic)) << i << ": " << p.conic << " " << q.conic;
        EXPECT_TRUE(near(p.tilt, q.tilt)) << i << ": " << p.tilt << " " << q.tilt;
        if (i < d.surfaceCount) {
            EXPECT_TRUE(near(p.separation, q.separation)) << i;
        }
        EXPECT_EQ(p.mediumSign, q.mediumSign);
        EXPECT_TRUE(near(p.curvature, q.curvature) && near(p.sinTilt, q.sinTilt) &&
                    near(p.cosTilt, q.cosTilt));
    }
    EXPECT_TRUE(near(d.aperture, b.aperture));
    EXPECT_TRUE(near(d.fieldSemiAngle, b.fieldSemiAngle));
    EXPECT_EQ(d.units, b.units);
    if (sameText) {
        EXPECT_EQ(formatZmx(b), text);
        EXPECT_EQ(formatDesign(d, 4.5), formatDesign(b, 4.5));
    }
}

}  // namespace

TEST(ZmxRoundTrip, EveryExample) {
    for (const char* name : {"paraboloid-f5.ov", "schiefspiegler.ov", "sphere.ov", "toroid.ov"}) {
        Design d;
        ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name).accepted());
        SCOPED_TRACE(name);
        expectRoundTrip(d);
    }
    expectRoundTrip(threeMirrorTilted(true));
    expectRoundTrip(threeMirrorTilted(false));
    // A lone focal plane and twenty mirrors, the smallest and largest designs.
    expectRoundTrip(makeDesign({{-3000, 0, 2, 0}}, 50, 0.1));
    std::vector<SurfaceSpec> twenty;
    for (int i = 0; i < 21; ++i) twenty.push_back({i % 3 ? 2000.0 + i : 0.0, 0.5, (i % 2 ? 1.5 : -2.5), 300});
    expectRoundTrip(makeDesign(twenty, 80, 0.2, "inches"));
}

TEST(ZmxRoundTrip, RandomDesigns) {
    // Every entered value drawn at full precision, toroids among them.
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> u(0, 1);
    for (int k = 0; k < 300; ++k) {
        const int mirrors = static_cast<int>(u(rng) * 21);
        std::vector<SurfaceSpec> specs;
        for (int i = 0; i <= mirrors; ++i) {
            SurfaceSpec s;
            s.kind = u(rng) < 0.2 ? kToroid : kConic;
            s.radius = u(rng) < 0.1 ? 0 : (u(rng) - 0.5) * std::pow(10, 1 + 4 * u(rng));
            s.conic = s.kind == kToroid ? (u(rng) < 0.1 ? 0 : s.radius * (0.5 + u(rng))) : (u(rng) - 0.3) * 5;
            s.tilt = u(rng) < 0.3 ? 0 : (u(rng) - 0.5) * 60;
            s.separation = (u(rng) - 0.1) * 3000;
            specs.push_back(s);
        }
        SCOPED_TRACE(k);
        expectRoundTrip(makeDesign(specs, 1 + 500 * u(rng), u(rng) < 0.2 ? 0 : 3 * u(rng),
                                   u(rng) < 0.5 ? "mm" : "inches"),
                        false);
    }
}

TEST(ZmxRoundTrip, ExportedTextIsAsciiWithWindowsLineEnds) {
    Design d;
    ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/toroid.ov").accepted());
    const std::string text = formatZmx(d);
    for (std::size_t i = 0; i < text.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(text[i]), 128u);
        if (text[i] == '\n') {
            ASSERT_EQ(text[i - 1], '\r') << i;
        }
    }
    // The toroid: a fold pair of -8.1 degrees, its comment, the sagittal radius
    // as the radius of rotation; thickness negative after one reflection.
    EXPECT_NE(
        text.find("MODE SEQ\r\nNAME toroid\r\nUNIT MM X W X CM MR CPMM\r\nENPD 110\r\nFTYP 0 0 4 1 0 0 0\r\n"
                  "XFLN 0 0 0 0.25 0 0 0 0 0 0 0 0\r\nYFLN 0 0.25 -0.25 0 0 0 0 0 0 0 0 0\r\n"
                  "WAVM 1 0.5588 1\r\nPWAV 1\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("SURF 5\r\n  TYPE COORDBRK\r\n  CURV 0\r\n  DISZ 0\r\n  PARM 1 0\r\n  PARM 2 0\r\n"
                        "  PARM 3 -8.1\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find("  COMM Orvelin's toroid and TOROIDAL agree to second order\r\n  TYPE TOROIDAL\r\n"
                  "  CURV -0.00030303030303030303\r\n  PARM 1 -3279.7\r\n  GLAS MIRROR 0 0\r\n  DISZ 0\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("  PARM 3 3.9\r\n  PARM 4 0\r\n  PARM 5 0\r\n  PARM 6 0\r\nSURF 5"),
              std::string::npos);
    EXPECT_NE(text.find("  DISZ -700\r\n"), std::string::npos);
    EXPECT_NE(text.find("  DISZ 2248.6\r\n"), std::string::npos);
}

namespace {

/// Every entered value, the aperture and the field, as the same doubles.
void expectSameDoubles(const Design& a, const Design& b, const std::string& what) {
    ASSERT_EQ(a.surfaceCount, b.surfaceCount) << what;
    for (int i = 1; i <= a.surfaceCount; ++i) {
        const Surface &p = a.surfaces[i], &q = b.surfaces[i];
        EXPECT_EQ(p.kind, q.kind) << what << " " << i;
        EXPECT_EQ(p.radius, q.radius) << what << " " << i;
        EXPECT_EQ(p.sagRadius, q.sagRadius) << what << " " << i;
        EXPECT_EQ(p.conic, q.conic) << what << " " << i;
        EXPECT_EQ(p.tilt, q.tilt) << what << " " << i;
        if (i < a.surfaceCount) {
            EXPECT_EQ(p.separation, q.separation) << what << " " << i;
        }
    }
    EXPECT_EQ(a.aperture, b.aperture) << what;
    EXPECT_EQ(a.fieldSemiAngle, b.fieldSemiAngle) << what;
}

/// Import, save as a design file and load it; export and import again.
void expectDigitsKept(const Design& d, const std::string& what) {
    Design saved;
    ASSERT_TRUE(loadDesignFromText(saved, formatDesign(d, 0), "t.ov").accepted()) << what;
    expectSameDoubles(d, saved, what + " through a design file");
    const ZmxImportResult back = importZmxText(formatZmx(d), "t");
    ASSERT_TRUE(back.accepted()) << what << ": " << back.message;
    expectSameDoubles(d, back.design, what + " through an export");
}

}  // namespace

TEST(ZmxRoundTrip, ValuesKeepTheirDigitsWhateverTheEntranceDistance) {
    // Found by fuzzing: a near-flat mirror whose F-number makes an aperture
    // (and so an exported entrance distance) of 7.8e8 and of 8.3e14, with
    // separations of 0.14, 7.07 and 500 between the mirrors.
    for (const char* name : {"zmx-export-digits.zmx", "zmx-export-digits-2.zmx"}) {
        const ZmxImportResult r = importZmxFile(std::string(ORVELIN_TEST_DATA) + "/zmx/" + name);
        ASSERT_TRUE(r.accepted()) << name << ": " << r.message;
        expectDigitsKept(r.design, name);
    }
    // A 25 m Gregorian with its typed digits at every scale from 25 um to
    // 25,000 km, and with an aperture a million times its separations.
    for (int e = -6; e <= 6; e += 3) {
        const auto v = [e](const char* digits) {
            return std::strtod((digits + ("e" + std::to_string(e))).c_str(), nullptr);
        };
        Design d = makeDesign({{v("-50000.0"), 1, 0.25, v("20262.4764")},
                               {v("4163.90144"), 0.458, -1.5, v("27003.18")},
                               {0, 0, 1.25, 0}},
                              v("25000"), 0.05);
        expectDigitsKept(d, "Gregorian 1e" + std::to_string(e));
        if (e > 3) continue;  // beyond any telescope
        d.aperture = v("25000000000");
        recomputeAperture(d);
        expectDigitsKept(d, "Gregorian 1e" + std::to_string(e) + " with a vast aperture");
    }
}
