// The recording device's own rules: object selection and deletion as the
// drawing code relies on them, and the fake metrics.
#include "platform/recording_device.h"

#include <gtest/gtest.h>

namespace orvelin::gdi {
namespace {

TEST(RecordingDevice, SelectReturnsThePreviousObjectOfTheSameKind) {
    RecordingDevice dc(100, 100);
    EXPECT_EQ(dc.selectedPen(), stockHandle(BLACK_PEN));
    EXPECT_EQ(dc.selectedBrush(), stockHandle(WHITE_BRUSH));
    EXPECT_EQ(dc.selectedFont(), stockHandle(SYSTEM_FONT));
    Handle pen = dc.createPen(PS_SOLID, 1, RGB(1, 2, 3));
    Handle brush = dc.createSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(dc.selectObject(pen), stockHandle(BLACK_PEN));
    EXPECT_EQ(dc.selectObject(brush), stockHandle(WHITE_BRUSH));
    EXPECT_EQ(dc.selectObject(dc.getStockObject(NULL_PEN)), pen);
    EXPECT_EQ(dc.liveObjects(), 2);

    // A selected brush cannot be deleted; once deselected it can.
    EXPECT_FALSE(dc.deleteObject(brush));
    EXPECT_EQ(dc.misuse().size(), 1u);
    dc.selectObject(dc.getStockObject(NULL_BRUSH));
    EXPECT_TRUE(dc.deleteObject(brush));
    EXPECT_TRUE(dc.deleteObject(pen));
    EXPECT_EQ(dc.liveObjects(), 0);
    // Deleted objects cannot be selected or deleted again; stock objects
    // delete harmlessly.
    EXPECT_EQ(dc.selectObject(pen), Handle{});
    EXPECT_FALSE(dc.deleteObject(pen));
    EXPECT_TRUE(dc.deleteObject(dc.getStockObject(OEM_FIXED_FONT)));
    EXPECT_EQ(dc.misuse().size(), 3u);
}

TEST(RecordingDevice, CallsCarryTheirState) {
    RecordingDevice dc(100, 100);
    Handle pen = dc.createPen(PS_SOLID, 2, RGB(10, 20, 30));
    dc.selectObject(pen);
    dc.moveTo(3, 4);
    dc.lineTo(7, 9);
    dc.lineTo(1, 1);
    dc.setTextColor(RGB(0, 255, 255));
    dc.setBkMode(TRANSPARENT);
    dc.selectObject(dc.getStockObject(OEM_FIXED_FONT));
    dc.textOut(5, 6, "f/5.01");
    auto lines = dc.callsOf("lineTo");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].args, (std::vector<int>{3, 4, 7, 9}));
    EXPECT_EQ(lines[1].args, (std::vector<int>{7, 9, 1, 1}));
    EXPECT_EQ(lines[0].penColor, RGB(10, 20, 30));
    EXPECT_EQ(lines[0].penWidth, 2);
    DrawCall t = dc.callsOf("textOut")[0];
    EXPECT_EQ(t.str(), "textOut 5 6 'f/5.01'");
    EXPECT_EQ(t.font, "OEM_FIXED_FONT");
    EXPECT_EQ(t.bkMode, TRANSPARENT);

    // Fake metrics: the classic cells of the stock fixed fonts.
    EXPECT_EQ(dc.getTextMetrics().tmHeight, 12);
    EXPECT_EQ(dc.getTextExtent("Radius"), (Size{48, 12}));
    dc.selectObject(dc.getStockObject(SYSTEM_FIXED_FONT));
    EXPECT_EQ(dc.getTextMetrics().tmHeight, 16);
    Handle f = dc.createFont({-40, 0, FW_NORMAL, false, "MS Sans Serif"});
    dc.selectObject(f);
    EXPECT_EQ(dc.getTextMetrics().tmHeight, 40);
    EXPECT_EQ(dc.getTextMetrics().tmAveCharWidth, 20);
    EXPECT_EQ(dc.drawText("a\nb\nc", Rect{0, 0, 50, 50}, DT_CENTER), 120);

    // A fill records the colour of the brush it is given, stock or created;
    // an unknown brush is a misuse.
    Handle blue = dc.createSolidBrush(RGB(0, 0, 200));
    dc.fillRect(Rect{1, 2, 3, 4}, blue);
    dc.fillRect(Rect{1, 2, 3, 4}, dc.getStockObject(GRAY_BRUSH));
    dc.fillRect(Rect{1, 2, 3, 4}, dc.getStockObject(LTGRAY_BRUSH));
    dc.fillRect(Rect{1, 2, 3, 4}, Handle{999});
    auto fills = dc.callsOf("fillRect");
    ASSERT_EQ(fills.size(), 4u);
    EXPECT_EQ(fills[0].color, RGB(0, 0, 200));
    EXPECT_EQ(fills[1].color, RGB(128, 128, 128));
    EXPECT_EQ(fills[2].color, RGB(192, 192, 192));
    EXPECT_EQ(fills[0].args, (std::vector<int>{1, 2, 3, 4}));
    ASSERT_FALSE(dc.misuse().empty());
    EXPECT_EQ(dc.misuse().back(), "fill with unknown brush 999");
}

}  // namespace
}  // namespace orvelin::gdi
