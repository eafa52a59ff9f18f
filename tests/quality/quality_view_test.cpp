// The image-quality view through the recording device: boxes, dots, Airy
// circles and scale bar where the common scale puts them.
#include "quality/quality_view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "design/design_file.h"
#include "platform/recording_device.h"
#include "support/test_designs.h"

using namespace orvelin;
using draw::DrawCall;
using draw::RecordingDevice;

TEST(QualityView, SpotsCirclesAndScaleBarAtTheCommonScale) {
    const QualityViewData data = computeQualityView(orvelin::testing::paraboloid(0.5));
    RecordingDevice dc(640, 454);
    const draw::Rect area{0, 0, 640, 454};
    drawQualityView(dc, area, data);

    // Four equal square boxes side by side, outlined in grey.
    const auto boxes = dc.callsOf("rect");
    ASSERT_EQ(boxes.size(), 4u);
    const int side = boxes[0].args[2] - boxes[0].args[0];
    EXPECT_EQ(boxes[0].args[3] - boxes[0].args[1], side);
    EXPECT_EQ(boxes[0].args[0], 8);  // the margin, 640 / 80
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(boxes[i].args[0], 8 + static_cast<int>(i) * 156) << i;  // (640 - 16) / 4 apart
        EXPECT_EQ(boxes[i].args[2] - boxes[i].args[0], side);
        EXPECT_EQ(boxes[i].pen.colour, draw::rgb(128, 128, 128));
        EXPECT_EQ(boxes[i].fill, draw::kHollow);
    }

    // The common scale: the largest field spot (its farthest ray from the
    // centroid, the geometric spot size) fills nine tenths of half a box
    // less 2 pixels.
    double extent = 0;
    for (const FieldQuality& q : data.report.fields) extent = std::max({extent, q.geoSpot, q.airyRadius});
    const double scale = 0.9 * (side / 2 - 2) / extent;
    const auto circles = dc.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const int cx = boxes[i].args[0] + side / 2, cy = boxes[i].args[1] + side / 2;
        const int r = static_cast<int>(data.report.fields[i].airyRadius * scale);
        EXPECT_EQ(circles[i].args, (std::vector<int>{cx - r, cy - r, cx + r + 1, cy + r + 1})) << i;
        EXPECT_EQ(circles[i].pen.colour, draw::rgb(208, 0, 0));
        EXPECT_EQ(circles[i].fill, draw::kHollow);
    }
    // A perfect axial image: every dot of the centre spot on the box centre.
    const auto dots = dc.callsOf("pixel");
    ASSERT_EQ(dots.size(), 4u * 289u);
    for (size_t k = 0; k < 289; ++k)
        EXPECT_EQ(dots[k].args, (std::vector<int>{8 + side / 2, boxes[0].args[1] + side / 2}));
    // The field spots stay inside their boxes.
    for (size_t k = 289; k < dots.size(); ++k) {
        const auto& box = boxes[k / 289].args;
        EXPECT_GT(dots[k].args[0], box[0]);
        EXPECT_LT(dots[k].args[0], box[2] - 1);
        EXPECT_GT(dots[k].args[1], box[1]);
        EXPECT_LT(dots[k].args[1], box[3] - 1);
    }
    // The scale bar: the longest 1, 2 or 5 x 10^k um that fits a box,
    // labelled; for the f/5 paraboloid's 25.76 um coma flare at half a
    // degree the box holds 2 x 25.76 um, so the bar is 50 um.
    const QualityViewLayout l = layoutQualityView(area, (boxes[0].args[1] - 8) / 4, data);
    EXPECT_DOUBLE_EQ(l.barMicrons, 50);
    const int barPixels = static_cast<int>(50 * scale);
    const auto lines = dc.callsOf("line");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].args, (std::vector<int>{8, l.barY, 8 + barPixels, l.barY}));
    EXPECT_EQ(dc.textsEqual("50 \xB5m (Airy circles in red)").size(), 1u);
    EXPECT_EQ(dc.textsEqual("rmsSpot 9.138 \xB5m").size(), 3u);
    EXPECT_EQ(dc.textsEqual("rmsSpot 0.000 \xB5m").size(), 1u);
    EXPECT_EQ(dc.textsEqual("sagittal").size(), 1u);
}

TEST(QualityView, FieldThatDoesNotTraceShowsItsMessage) {
    // A small secondary that the field's chief ray misses.
    const Design d = orvelin::testing::makeDesign({{1000, 1, 0, 400}, {-20, 0, 0, 200}, {}}, 100, 5);
    RecordingDevice dc(800, 600);
    drawQualityView(dc, {0, 0, 800, 600}, computeQualityView(d));
    EXPECT_EQ(dc.textsEqual("Light misses surface #2").size(), 3u);
    EXPECT_EQ(dc.callsOf("ellipse").size(), 1u);
}

TEST(QualityView, EverySpotStaysInItsBoxAndTheScaleIsStatedAtEverySize) {
    // The examples with a field, in windows from the smallest to a
    // maximised one and shapes far from the usual.
    std::vector<std::pair<std::string, Design>> designs;
    for (const char* name : {"schiefspiegler.ov", "toroid.ov", "paraboloid-f5.ov"}) {
        Design d;
        ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name).accepted()) << name;
        designs.emplace_back(name, d);
    }
    designs.emplace_back("three mirrors", orvelin::testing::threeMirrorTilted());
    for (const auto& [name, design] : designs) {
        const QualityViewData data = computeQualityView(design);
        for (auto [w, h] : {std::pair{600, 340},
                            {632, 408},
                            {1600, 1000},
                            {1920, 1137},
                            {2560, 1400},
                            {1900, 420},
                            {640, 1200}}) {
            SCOPED_TRACE(name + " " + std::to_string(w) + "x" + std::to_string(h));
            RecordingDevice dc(w, h);
            const draw::Rect area{0, 0, w, h};
            drawQualityView(dc, area, data);
            const auto boxes = dc.callsOf("rect");
            ASSERT_EQ(boxes.size(), 4u);
            // Clear of the box's edge by a twentieth of its side at least.
            auto inside = [](const std::vector<int>& box, int x, int y) {
                const int clear = std::max(2, (box[2] - box[0]) / 20);
                return x >= box[0] + clear && x < box[2] - clear && y >= box[1] + clear && y < box[3] - clear;
            };
            // Dots are drawn field by field, each field's spot in its box.
            const auto dots = dc.callsOf("pixel");
            size_t k = 0, outside = 0;
            for (size_t i = 0; i < 4; ++i) {
                if (data.report.fields[i].status != kTraceOk) continue;
                for (size_t j = 0; j < data.spots[i].size() && k < dots.size(); ++j, ++k)
                    if (!inside(boxes[i].args, dots[k].args[0], dots[k].args[1])) ++outside;
            }
            EXPECT_EQ(k, dots.size());
            EXPECT_EQ(outside, 0u) << "dots outside their box";
            const auto circles = dc.callsOf("ellipse");
            for (size_t i = 0; i < circles.size(); ++i) {
                const auto& c = circles[i].args;
                EXPECT_TRUE(c[0] >= boxes[i].args[0] && c[2] <= boxes[i].args[2] &&
                            c[1] >= boxes[i].args[1] && c[3] <= boxes[i].args[3])
                    << "Airy circle " << i;
            }
            // Every box on the page, and the scale written where it is seen.
            for (const DrawCall& b : boxes) EXPECT_TRUE(b.args[0] >= 0 && b.args[2] <= w && b.args[3] <= h);
            bool stated = false;
            for (const DrawCall& t : dc.callsOf("text"))
                if (t.text.find("\xB5m (Airy circles in red)") != std::string::npos)
                    stated = t.args[1] >= 0 && t.args[1] + 11 <= h && t.args[0] < w;
            EXPECT_TRUE(stated) << "no scale within the view";
        }
    }
}
