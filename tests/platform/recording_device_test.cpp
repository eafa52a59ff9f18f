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

}  // namespace
}  // namespace orvelin::gdi
