// The layout drawing through the recording device: footprints, focal ratio,
// every pixel position of the f/5 paraboloid, colours, restoring the focal
// plane, failures and windows too small for a picture.
#include "trace/layout.h"

#include <gtest/gtest.h>

#include "../reports/report_test_designs.h"
#include "platform/recording_device.h"

namespace orvelin {
namespace {

using gdi::DrawCall;
using gdi::RecordingDevice;
using gdi::RGB;

// Footprints are compared to the printed digits of the worked example.
constexpr double kPrintedDigits = 5e-7;

struct Drawn {
    bool ok;
    Design design;
    TraceState state;
    AnalysisResults results;
    LayoutGeometry geometry;
};

Drawn draw(Design d, RecordingDevice& dc) {
    Drawn r{false, d, {}, {}, {}};
    r.ok = drawLayout(r.design, r.state, r.results, r.geometry, dc);
    return r;
}

std::vector<int> segment(const DrawCall& c) {
    return c.args;
}

TEST(LayoutDrawing, ParaboloidFootprintsAndFocalRatio) {
    RecordingDevice dc(632, 408);
    Drawn r = draw(testing::paraboloid(), dc);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(r.geometry.centralSemiDiameter[1], 50, kPrintedDigits);
    EXPECT_NEAR(r.geometry.centralSemiDiameter[2], 0, kPrintedDigits);
    EXPECT_NEAR(r.geometry.unvignettedSemiDiameter[1], 50, kPrintedDigits);
    EXPECT_NEAR(r.geometry.unvignettedSemiDiameter[2], 4.392426, kPrintedDigits);
    EXPECT_NEAR(r.geometry.layoutFRatio, 5.0125, 5e-5);

    // Untilted: every face stands vertical, half as tall as its footprint.
    EXPECT_EQ(r.geometry.faceSin[1], 0);
    EXPECT_EQ(r.geometry.faceCos[2], 1);
    EXPECT_NEAR(r.geometry.faceHalfY[2], 4.392426, kPrintedDigits);
    // The focal plane lies 500 to the left of the mirror: 550 wide with the
    // 10 % for the incoming beam, 100 high (the mirror's face).
    EXPECT_NEAR(r.geometry.layoutWidth, 550, 1e-9);
    EXPECT_NEAR(r.geometry.layoutHeight, 100, 1e-9);
    EXPECT_NEAR(r.geometry.layoutMinY, -50, 1e-9);
    EXPECT_NEAR(r.geometry.layoutMaxX, 0, 1e-9);

    // "f/5.01" beside the aperture row, cyan, transparent, in the OEM font.
    auto texts = dc.callsOf("textOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "f/5.01");
    EXPECT_EQ(texts[0].args, (std::vector<int>{(632 + 1) / 2 + 208, 14 * 2 + 27}));
    EXPECT_EQ(texts[0].textColor, RGB(0, 255, 255));
    EXPECT_EQ(texts[0].bkMode, gdi::TRANSPARENT);
    EXPECT_EQ(texts[0].font, "OEM_FIXED_FONT");
}

TEST(LayoutDrawing, ParaboloidPixelPositions) {
    // Client 630 x 411, worked by hand from the drawing's rules:
    // band top 76; width 550 -> sx = 550/598.5 beats sy = 100/(390.45-76),
    // so k = 550/598.5 units per pixel.  Box origin X0 = (630-598.5)/2 =
    // 15.75, Y0 = 76 + (335 - 100/k)/2 + 50/k = 243.5.  The mirror vertex is
    // 598.5 pixels right of X0 (614.25), the focal plane 500/k = 544.09 back
    // to the left (70.16).  Beam half-width 50/k = 54.409; focal-plane face
    // half-height 4.392426/k = 4.7798.
    RecordingDevice dc(630, 411);
    Drawn r = draw(testing::paraboloid(), dc);
    ASSERT_TRUE(r.ok);
    auto lines = dc.callsOf("lineTo");
    ASSERT_EQ(lines.size(), 2u + 4u + 2u + 2u);  // rays, mirror, rays, focal plane
    // Incoming beam: two rays parallel to X from the box's left edge.
    EXPECT_EQ(segment(lines[0]), (std::vector<int>{15, 297, 614, 297}));
    EXPECT_EQ(segment(lines[1]), (std::vector<int>{15, 189, 614, 189}));
    // The mirror: concave, blue, two pixels thick, end point painted.
    EXPECT_EQ(segment(lines[2]), (std::vector<int>{614, 189, 614, 297}));
    EXPECT_EQ(segment(lines[3]), (std::vector<int>{614, 297, 614, 298}));
    EXPECT_EQ(segment(lines[4]), (std::vector<int>{615, 189, 615, 297}));
    EXPECT_EQ(segment(lines[5]), (std::vector<int>{615, 297, 615, 298}));
    for (int i = 2; i <= 5; ++i) EXPECT_EQ(lines[i].penColor, RGB(0, 0, 160)) << i;
    // The converging beam back to the focal point.
    EXPECT_EQ(segment(lines[6]), (std::vector<int>{614, 297, 70, 243}));
    EXPECT_EQ(segment(lines[7]), (std::vector<int>{614, 189, 70, 243}));
    EXPECT_EQ(lines[6].penColor, RGB(0, 0, 0));  // the caller's pen
    // The flat focal plane: green, one pixel thick.
    EXPECT_EQ(segment(lines[8]), (std::vector<int>{70, 238, 70, 248}));
    EXPECT_EQ(segment(lines[9]), (std::vector<int>{70, 248, 70, 249}));
    EXPECT_EQ(lines[8].penColor, RGB(0, 160, 0));
    EXPECT_EQ(dc.liveObjects(), 0);
    EXPECT_TRUE(dc.misuse().empty());
    EXPECT_EQ(dc.selectedPen(), dc.getStockObject(gdi::BLACK_PEN));
}

TEST(LayoutDrawing, FaceColoursFollowTheRadiusSign) {
    // A convex secondary (red), a flat fold (green), a concave primary (blue)
    // and a curved focal plane coloured by its own radius.
    Design d = testing::makeDesign({{-2000, 0, 0, -600}, {500, 0, 0, 200}, {0, 0, 0, 300}}, 50, 0);
    d.radius[4] = d.sagRadius[4] = -300;
    recomputeSurface(d, 4);
    RecordingDevice dc(632, 408);
    Drawn r = draw(d, dc);
    ASSERT_TRUE(r.ok) << "status " << r.state.status;
    std::vector<gdi::COLORREF> faces;
    for (const DrawCall& c : dc.callsOf("lineTo"))
        if (c.penColor != RGB(0, 0, 0) && (faces.empty() || faces.back() != c.penColor))
            faces.push_back(c.penColor);
    EXPECT_EQ(faces,
              (std::vector<gdi::COLORREF>{RGB(160, 0, 0), RGB(0, 0, 160), RGB(0, 160, 0), RGB(160, 0, 0)}));
}

TEST(LayoutDrawing, FocalPlaneIsRestoredAfterDrawingTheBestFitPlane) {
    // A tilted Newtonian-like fold with field: best focus and best-fit tilt
    // differ from the user's focal plane, which must come back exactly.
    Design d = testing::makeDesign({{1600, 1, 3, 700}, {0, 0, 45, 100}}, 150, 0.8);
    d.separation[2] = 123.25;  // user's distance to the focal plane
    d.tilt[3] = 2.5;
    d.radius[3] = d.sagRadius[3] = -480;
    recomputeSurface(d, 2);
    recomputeSurface(d, 3);
    const Design before = d;
    RecordingDevice dc(632, 408);
    TraceState state;
    AnalysisResults results;
    LayoutGeometry g;
    ASSERT_TRUE(drawLayout(d, state, results, g, dc)) << state.status;
    EXPECT_EQ(d.separation[2], before.separation[2]);
    EXPECT_EQ(d.signedSeparation[2], before.signedSeparation[2]);
    EXPECT_EQ(d.tilt[3], before.tilt[3]);
    EXPECT_EQ(d.sinTilt[3], before.sinTilt[3]);
    EXPECT_EQ(d.cosTilt[3], before.cosTilt[3]);
    EXPECT_EQ(d.radius[3], before.radius[3]);
    EXPECT_EQ(d.curvature[3], before.curvature[3]);
    EXPECT_NE(results.bestFocus, before.signedSeparation[2]);
}

TEST(LayoutDrawing, FailedAnalysisDrawsNothingAndRestores) {
    // Aperture zero: status 1, no call reaches the device.
    RecordingDevice dc(632, 408);
    Drawn zero = draw(testing::makeDesign({{1000, 1, 0, 500}}, 0, 0.5), dc);
    EXPECT_FALSE(zero.ok);
    EXPECT_EQ(zero.state.status, kTraceApertureZero);
    EXPECT_TRUE(dc.calls().empty());

    // A hyperboloid so steep that the beam cannot meet it: a trace failure
    // from inside the drawing (or the analysis) with the surface's status.
    Design bad = testing::makeDesign({{10, 0, 0, 500}}, 100, 0.5);
    const Design before = bad;
    RecordingDevice dc2(632, 408);
    Drawn miss = draw(bad, dc2);
    EXPECT_FALSE(miss.ok);
    EXPECT_EQ(miss.state.status, traceMissStatus(1));
    EXPECT_TRUE(dc2.calls().empty());
    EXPECT_EQ(miss.design.separation[1], before.separation[1]);
    EXPECT_EQ(miss.design.tilt[2], before.tilt[2]);
}

TEST(LayoutDrawing, NoBandBelowTheTableMeansNoPictureAndNoDivision) {
    // 0.95 * 80 - 76 = 0: the band has no height.  The footprints and the
    // focal ratio are still measured and written; nothing else is drawn.
    for (int height : {80, 60, 1, 0}) {
        RecordingDevice dc(632, height);
        Drawn r = draw(testing::paraboloid(), dc);
        ASSERT_TRUE(r.ok) << height;
        EXPECT_TRUE(dc.callsOf("lineTo").empty()) << height;
        EXPECT_EQ(dc.callsOf("textOut").size(), 1u) << height;
        EXPECT_NEAR(r.geometry.unvignettedSemiDiameter[2], 4.392426, kPrintedDigits);
        EXPECT_EQ(dc.liveObjects(), 0);
    }
    // No width either.
    RecordingDevice narrow(0, 408);
    EXPECT_TRUE(draw(testing::paraboloid(), narrow).ok);
    EXPECT_TRUE(narrow.callsOf("lineTo").empty());

    // Twenty mirrors put the band top at 14 * 24 + 6 = 342: below 95 % of a
    // 360-pixel window.  A fold of flats after a paraboloid traces cleanly.
    std::initializer_list<testing::MirrorValues> many = {
        {4000, 1, 0, 1000}, {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50},
        {0, 0, 0, 50},      {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50},
        {0, 0, 0, 50},      {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50},
        {0, 0, 0, 50},      {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 50}, {0, 0, 0, 1000}};
    RecordingDevice small(640, 360);
    Drawn r20 = draw(testing::makeDesign(many, 100, 0), small);
    ASSERT_TRUE(r20.ok) << r20.state.status;
    EXPECT_TRUE(small.callsOf("lineTo").empty());
    // The same design in a tall window is drawn: 20 mirrors x 6 strokes,
    // the focal plane's 2, and 2 rays per surface: 6 per mirror, 4 for the plane.
    RecordingDevice tall(640, 1200);
    ASSERT_TRUE(draw(testing::makeDesign(many, 100, 0), tall).ok);
    EXPECT_EQ(tall.callsOf("lineTo").size(), 20u * 6u + 4u);
    EXPECT_EQ(tall.liveObjects(), 0);
}

}  // namespace
}  // namespace orvelin
