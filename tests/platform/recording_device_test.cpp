// The recording device's own rules: each call recorded with its style as
// given, and the fake character cells the table layouts are measured in.
#include "platform/recording_device.h"

#include <gtest/gtest.h>

namespace orvelin::draw {
namespace {

TEST(RecordingDevice, ValueCallsRecordTheirStyleAsGiven) {
    RecordingDevice dc(100, 80, 640, 480);
    EXPECT_EQ(dc.size(), (Size{100, 80}));
    EXPECT_EQ(dc.screenSize(), (Size{640, 480}));
    const Pen red{rgb(160, 0, 0), 2, LineStyle::dash};
    // A polyline is its segments, each a line of its own.
    dc.polyline({{1, 2}, {5, 2}, {5, 9}}, red);
    dc.rect({0, 0, 10, 5}, kNoPen, rgb(168, 168, 168));
    dc.ellipse({3, 3, 20, 20}, Pen{}, kHollow);
    dc.fill({1, 1, 4, 4}, rgb(1, 2, 3));
    dc.pixel({7, 8}, rgb(255, 255, 255));
    dc.text({4, 6}, "f/5.01", Font::smallMono(), rgb(0, 255, 255));
    EXPECT_EQ(dc.textBox({0, 10, 100, 80}, "\n\nAperture is zero", Font::boldSans(), rgb(0, 0, 0),
                         Align::centre, rgb(255, 255, 255)),
              48);
    dc.picture({5, 6}, {466, 337}, "quorvex");

    const auto lines = dc.callsOf("line");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].args, (std::vector<int>{1, 2, 5, 2}));
    EXPECT_EQ(lines[1].args, (std::vector<int>{5, 2, 5, 9}));
    EXPECT_EQ(lines[1].pen, red);
    const DrawCall panel = dc.callsOf("rect").at(0);
    EXPECT_EQ(panel.pen.style, LineStyle::none);
    EXPECT_EQ(panel.fill, Fill(rgb(168, 168, 168)));
    EXPECT_FALSE(dc.callsOf("ellipse").at(0).fill.solid);
    EXPECT_EQ(dc.callsOf("fill").at(0).colour, rgb(1, 2, 3));
    EXPECT_EQ(dc.callsOf("pixel").at(0).str(), "pixel 7 8");
    const DrawCall ratio = dc.textsEqual("f/5.01").at(0);
    EXPECT_EQ(ratio.str(), "text 4 6 'f/5.01'");
    EXPECT_EQ(ratio.textFont, Font::smallMono());
    EXPECT_EQ(ratio.colour, rgb(0, 255, 255));
    EXPECT_FALSE(ratio.background.solid);
    const DrawCall box = dc.callsOf("textBox").at(0);
    EXPECT_EQ(box.args, (std::vector<int>{0, 10, 100, 80, static_cast<int>(Align::centre)}));
    EXPECT_EQ(box.background, Fill(rgb(255, 255, 255)));
    EXPECT_EQ(dc.callsOf("picture").at(0).str(), "picture 5 6 466 337 0 0 'quorvex'");

    // The fake cells: the classic screen fonts, and a scaled font half as
    // wide as it is high.
    EXPECT_EQ(dc.textSize("Radius", Font::smallMono()), (Size{48, 12}));
    EXPECT_EQ(dc.fontMetrics(Font::boldMono()).height, 16);
    const FontMetrics print = dc.fontMetrics(Font::scaled(40));
    EXPECT_EQ(print.averageCharWidth, 20);
    EXPECT_EQ(print.lineHeight(), 40 + 5);
}

}  // namespace
}  // namespace orvelin::draw
