// The recording device's own rules: object selection and deletion as the
// drawing code relies on them, and the brush colour each fill records.
#include "platform/recording_device.h"

#include <gtest/gtest.h>

namespace orvelin::gdi {
namespace {

TEST(RecordingDevice, SelectionDeletionAndMisuse) {
    RecordingDevice dc(100, 100);
    Handle pen = dc.createPen(PS_SOLID, 2, RGB(1, 2, 3));
    Handle brush = dc.createSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(dc.selectObject(pen), stockHandle(BLACK_PEN));
    EXPECT_EQ(dc.selectObject(brush), stockHandle(WHITE_BRUSH));
    dc.lineTo(7, 9);
    EXPECT_EQ(dc.selectObject(dc.getStockObject(NULL_PEN)), pen);
    EXPECT_EQ(dc.callsOf("lineTo")[0].penColor, RGB(1, 2, 3));
    EXPECT_EQ(dc.liveObjects(), 2);

    // A selected brush cannot be deleted; once deselected it can.  Deleted
    // objects cannot be selected or deleted again; stock objects delete
    // harmlessly.
    EXPECT_FALSE(dc.deleteObject(brush));
    EXPECT_EQ(dc.misuse().size(), 1u);
    dc.selectObject(dc.getStockObject(NULL_BRUSH));
    EXPECT_TRUE(dc.deleteObject(brush));
    EXPECT_TRUE(dc.deleteObject(pen));
    EXPECT_EQ(dc.liveObjects(), 0);
    EXPECT_EQ(dc.selectObject(pen), Handle{});
    EXPECT_FALSE(dc.deleteObject(pen));
    EXPECT_TRUE(dc.deleteObject(dc.getStockObject(OEM_FIXED_FONT)));
    EXPECT_EQ(dc.misuse().size(), 3u);

    // A fill records the colour of the brush it is given, stock or created;
    // an unknown brush is a misuse.
    Handle blue = dc.createSolidBrush(RGB(0, 0, 200));
    for (Handle b : {blue, dc.getStockObject(GRAY_BRUSH), dc.getStockObject(LTGRAY_BRUSH), Handle{999}})
        dc.fillRect(Rect{1, 2, 3, 4}, b);
    auto fills = dc.callsOf("fillRect");
    ASSERT_EQ(fills.size(), 4u);
    EXPECT_EQ(fills[0].args, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(fills[0].color, RGB(0, 0, 200));
    EXPECT_EQ(fills[1].color, RGB(128, 128, 128));
    EXPECT_EQ(fills[2].color, RGB(192, 192, 192));
    EXPECT_EQ(dc.misuse().back(), "fill with unknown brush 999");
}

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
    dc.text({4, 6}, "f/5.01", Font::oemFixed(), rgb(0, 255, 255));
    EXPECT_EQ(dc.textBox({0, 10, 100, 80}, "\n\nAperture is zero", Font::system(), rgb(0, 0, 0),
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
    EXPECT_EQ(ratio.textFont, Font::oemFixed());
    EXPECT_EQ(ratio.colour, rgb(0, 255, 255));
    EXPECT_FALSE(ratio.background.solid);
    const DrawCall box = dc.callsOf("textBox").at(0);
    EXPECT_EQ(box.args, (std::vector<int>{0, 10, 100, 80, static_cast<int>(Align::centre)}));
    EXPECT_EQ(box.background, Fill(rgb(255, 255, 255)));
    EXPECT_EQ(dc.callsOf("picture").at(0).str(), "picture 5 6 466 337 0 0 'quorvex'");

    // The fake cells: the classic screen fonts, and a scaled font half as
    // wide as it is high.
    EXPECT_EQ(dc.textSize("Radius", Font::oemFixed()), (Size{48, 12}));
    EXPECT_EQ(dc.fontMetrics(Font::systemFixed()).height, 16);
    const FontMetrics print = dc.fontMetrics(Font::scaled(40));
    EXPECT_EQ(print.averageCharWidth, 20);
    EXPECT_EQ(print.lineHeight(), 40 + 5);
}

}  // namespace
}  // namespace orvelin::gdi
