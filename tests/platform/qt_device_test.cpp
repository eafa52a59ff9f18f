// The QPainter device's pixels: the end point left out of lines, the right
// and bottom edges left out of shapes, fixed 8-pixel character cells, block
// copies, the welcome picture, and the live-object count that shows a leak.
#include "platform/qt/qt_device.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "../reports/report_test_designs.h"
#include "platform/qt/headless.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"

namespace orvelin::qt {
namespace {

using gdi::RGB;

class QtDeviceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureQtApplication(); }
    QImage image{60, 50, QImage::Format_RGB32};
    void SetUp() override { image.fill(Qt::white); }
    bool ink(int x, int y) const { return image.pixel(x, y) != qRgb(255, 255, 255); }
    // Bounding box of every non-white pixel: left, top, right, bottom
    // (inclusive); all -1 for a blank image.
    std::vector<int> inkBox() const {
        int l = -1, t = -1, r = -1, b = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (ink(x, y)) {
                    if (l < 0 || x < l) l = x;
                    if (t < 0) t = y;
                    r = std::max(r, x);
                    b = y;
                }
        return {l, t, r, b};
    }
};

TEST_F(QtDeviceTest, LinesLeaveOutTheirEndPoint) {
    {
        QtDevice dc(image);
        dc.moveTo(5, 5);
        dc.lineTo(15, 5);  // horizontal: 5..14
        dc.moveTo(20, 10);
        dc.lineTo(20, 3);  // upwards: 10..4
        dc.moveTo(30, 30);
        dc.lineTo(34, 34);  // diagonal: 4 pixels
        dc.moveTo(40, 40);
        dc.lineTo(40, 40);  // zero length: nothing
    }
    for (int x = 5; x <= 14; ++x) EXPECT_EQ(image.pixel(x, 5), qRgb(0, 0, 0)) << x;
    EXPECT_FALSE(ink(15, 5));
    EXPECT_FALSE(ink(4, 5));
    for (int y = 4; y <= 10; ++y) EXPECT_TRUE(ink(20, y)) << y;
    EXPECT_FALSE(ink(20, 3));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ink(30 + i, 30 + i)) << i;
    EXPECT_FALSE(ink(34, 34));
    EXPECT_FALSE(ink(40, 40));
}

TEST_F(QtDeviceTest, ShapesLeaveOutTheirRightAndBottomEdges) {
    {
        QtDevice dc(image);
        // Borderless fill, as the panels draw: exactly [10, 20) x [5, 8).
        gdi::Handle brush = dc.createSolidBrush(RGB(0, 0, 200));
        gdi::Handle oldBrush = dc.selectObject(brush);
        gdi::Handle oldPen = dc.selectObject(dc.getStockObject(gdi::NULL_PEN));
        dc.rectangle(10, 5, 20, 8);
        dc.selectObject(oldPen);
        dc.selectObject(oldBrush);
        dc.deleteObject(brush);
    }
    EXPECT_EQ(inkBox(), (std::vector<int>{10, 5, 19, 7}));
    EXPECT_EQ(image.pixel(15, 6), qRgb(0, 0, 200));

    image.fill(Qt::white);
    {
        QtDevice dc(image);
        dc.rectangle(2, 2, 12, 9);  // black outline, white inside
        dc.setPixel(30, 30, RGB(255, 0, 0));
    }
    EXPECT_EQ(image.pixel(11, 8), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_FALSE(ink(12, 5));
    EXPECT_FALSE(ink(5, 9));
    EXPECT_FALSE(ink(6, 5));
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 0, 0));

    image.fill(Qt::white);
    {
        // Fills take stock brushes too; an inverted rectangle fills nothing.
        QtDevice dc(image);
        dc.fillRect(gdi::Rect{3, 4, 9, 7}, dc.getStockObject(gdi::LTGRAY_BRUSH));
        dc.fillRect(gdi::Rect{40, 40, 30, 45}, dc.getStockObject(gdi::BLACK_BRUSH));
        dc.fillRect(gdi::Rect{40, 40, 50, 30}, dc.getStockObject(gdi::BLACK_BRUSH));
        dc.fillRect(gdi::Rect{20, 20, 30, 30}, dc.getStockObject(gdi::NULL_BRUSH));
    }
    EXPECT_EQ(inkBox(), (std::vector<int>{3, 4, 8, 6}));
    EXPECT_EQ(image.pixel(8, 6), qRgb(192, 192, 192));

    image.fill(Qt::white);
    {
        QtDevice dc(image);
        // A hollow circle as the Airy overlay draws it: centre (20, 20),
        // R 8, box (12, 12)-(29, 29) exclusive.
        dc.selectObject(dc.getStockObject(gdi::NULL_BRUSH));
        dc.ellipse(12, 12, 29, 29);
    }
    EXPECT_EQ(inkBox(), (std::vector<int>{12, 12, 28, 28}));
    EXPECT_FALSE(ink(20, 20));
}

TEST_F(QtDeviceTest, FixedFontsKeepTheirCharacterCells) {
    {
        QtDevice dc(image);
        dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
        EXPECT_EQ(dc.getTextExtent("Radius"), (gdi::Size{48, 12}));
        EXPECT_EQ(dc.getTextMetrics().tmHeight, 12);
        EXPECT_EQ(dc.getTextMetrics().tmAveCharWidth, 8);
        dc.setBkMode(gdi::TRANSPARENT);
        dc.textOut(4, 10, "H H");
        dc.selectObject(dc.getStockObject(gdi::SYSTEM_FIXED_FONT));
        EXPECT_EQ(dc.getTextMetrics().tmHeight, 16);
        EXPECT_EQ(dc.getTextExtent("Separation").cx, 80);
    }
    // Ink only in the first and third 8-pixel cells, inside the 12-row cell.
    std::vector<int> box = inkBox();
    EXPECT_GE(box[0], 4);
    EXPECT_LE(box[2], 4 + 24 - 1);
    EXPECT_GE(box[1], 10);
    EXPECT_LE(box[3], 10 + 12 - 1);
    for (int y = 10; y < 22; ++y)
        for (int x = 12 + 1; x < 20 - 1; ++x) EXPECT_FALSE(ink(x, y)) << x << "," << y;

    // Opaque text fills its cell with the background colour first.
    image.fill(Qt::white);
    {
        QtDevice dc(image);
        dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
        dc.setBkColor(RGB(0, 255, 0));
        dc.textOut(0, 0, "  ");
    }
    EXPECT_EQ(inkBox(), (std::vector<int>{0, 0, 15, 11}));
}

TEST_F(QtDeviceTest, DrawTextAlignsLinesInItsRectangle) {
    {
        QtDevice dc(image);
        dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
        dc.setBkMode(gdi::OPAQUE);
        dc.setBkColor(RGB(0, 0, 0));
        // Two blank lines, then two characters centred in [10, 50).
        EXPECT_EQ(dc.drawText("\n\n  ", gdi::Rect{10, 0, 50, 50}, gdi::DT_CENTER), 36);
        dc.drawText("  ", gdi::Rect{0, 40, 60, 50}, gdi::DT_RIGHT | gdi::DT_NOCLIP);
    }
    // Centred: (40 - 16) / 2 = 12 -> x 22..37, on the third line 24..35;
    // right-aligned: 44..59, 40..49 once clipped by the image.
    EXPECT_EQ(image.pixel(22, 24), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(37, 35), qRgb(0, 0, 0));
    EXPECT_FALSE(ink(21, 30));
    EXPECT_FALSE(ink(38, 30));
    EXPECT_FALSE(ink(30, 23));
    EXPECT_EQ(image.pixel(44, 45), qRgb(0, 0, 0));
    EXPECT_FALSE(ink(43, 45));
}

TEST_F(QtDeviceTest, CreatedFontsHonourTheirCellHeight) {
    QtDevice dc(image);
    for (int h : {16, 64, 96}) {
        gdi::Handle f = dc.createFont({h, 0, gdi::FW_BOLD, false, "System_Font"});
        gdi::Handle old = dc.selectObject(f);
        EXPECT_NEAR(dc.getTextMetrics().tmHeight, h, 2) << h;
        EXPECT_GT(dc.getTextExtent("Orvelin").cx, 0);
        dc.selectObject(old);
        EXPECT_TRUE(dc.deleteObject(f));
    }
    gdi::Handle em = dc.createFont({-20, 0, gdi::FW_NORMAL, false, "MS Sans Serif"});
    dc.selectObject(em);
    EXPECT_GT(dc.getTextMetrics().tmHeight, 20);
    EXPECT_GE(dc.getTextMetrics().tmExternalLeading, 0);
    dc.selectObject(dc.getStockObject(gdi::SYSTEM_FONT));
    dc.deleteObject(em);
    EXPECT_EQ(dc.liveObjects(), 0);
}

// What pdftotext reads from a PDF; empty when the tool is missing.
std::string pdfText(const QString& path) {
    std::string out;
    const std::string command = "pdftotext '" + path.toStdString() + "' - 2>/dev/null";
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

TEST_F(QtDeviceTest, PrintedTextKeepsItsLettersApart) {
    // DejaVu Sans has "fl", "fi" and "ffi" ligatures; on a page they would
    // come back from the PDF as single characters (U+FB02, U+FB01, U+FB03).
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("letters.pdf"));
    {
        QPdfWriter pdf(path);
        pdf.setResolution(300);
        QtDevice dc(pdf, gdi::Rect{0, 0, 2400, 3000}, DeviceCaps{2400, 3000, 300, 300});
        dc.setBkMode(gdi::TRANSPARENT);
        gdi::Handle font = dc.createFont({-60, 0, gdi::FW_NORMAL, false, "MS Sans Serif"});
        gdi::Handle old = dc.selectObject(font);
        dc.textOut(100, 100, "flat office fish");
        dc.selectObject(dc.getStockObject(gdi::SYSTEM_FONT));
        dc.textOut(100, 400, "flat field");
        dc.selectObject(old);
        dc.deleteObject(font);
    }
    const std::string text = pdfText(path);
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    EXPECT_NE(text.find("flat office fish"), std::string::npos) << text;
    EXPECT_NE(text.find("flat field"), std::string::npos) << text;
    for (const char* ligature : {"\xEF\xAC\x81", "\xEF\xAC\x82", "\xEF\xAC\x83"})
        EXPECT_EQ(text.find(ligature), std::string::npos) << text;

    // Only the ligatures go: kerning pairs still close up ("AV" narrower
    // than "A" and "V" apart), so text keeps its width.
    QtDevice dc(image);
    gdi::Handle f = dc.createFont({64, 0, gdi::FW_BOLD, false, "System_Font"});
    dc.selectObject(f);
    EXPECT_LT(dc.getTextExtent("AV").cx, dc.getTextExtent("A").cx + dc.getTextExtent("V").cx);
    dc.selectObject(dc.getStockObject(gdi::SYSTEM_FONT));
    dc.deleteObject(f);
}

TEST_F(QtDeviceTest, BlockCopiesAndTheWelcomePicture) {
    // The plot buffer: a 40 x 30 image with a red pixel at (20, 15).
    QImage buffer(40, 30, QImage::Format_RGB32);
    buffer.fill(qRgb(160, 96, 32));
    {
        QtDevice b(buffer);
        b.setPixel(20, 15, RGB(255, 0, 0));
        QtDevice window(image);
        // Centre of the buffer on the centre of a 60 x 50 window: the source
        // origin is negative, and only the buffer's own pixels are copied.
        window.bitBlt(0, 0, 60, 50, b, (40 - 60) / 2, (30 - 50) / 2);
    }
    EXPECT_EQ(image.pixel(30, 25), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(10, 10), qRgb(160, 96, 32));
    EXPECT_EQ(image.pixel(49, 39), qRgb(160, 96, 32));
    EXPECT_FALSE(ink(9, 10));
    EXPECT_FALSE(ink(50, 40));

    QImage big(400, 300, QImage::Format_RGB32);
    big.fill(Qt::white);
    QtDevice dc(big);
    gdi::Handle picture = dc.loadBitmap(kWelcomeBitmap);
    ASSERT_TRUE(picture);
    EXPECT_EQ(dc.bitmapSize(picture), (gdi::Size{297, 265}));
    dc.bitBltBitmap(10, 20, 466, 337, picture, 0, 0);  // extent larger than the picture
    EXPECT_TRUE(dc.deleteObject(picture));
    EXPECT_FALSE(dc.loadBitmap("no such picture"));
    dc.end();
    EXPECT_EQ(big.pixel(10, 20), qRgb(128, 128, 128));
    EXPECT_EQ(big.pixel(306, 284), qRgb(128, 128, 128));
    EXPECT_EQ(big.pixel(307, 284), qRgb(255, 255, 255));
    EXPECT_EQ(big.pixel(306, 285), qRgb(255, 255, 255));
}

TEST_F(QtDeviceTest, EveryPageReleasesWhatItCreatesAndALeakShows) {
    QImage window(kInitialClientWidth, kInitialClientHeight, QImage::Format_RGB32);
    const int before = QtDevice::leakedOrLiveObjects();
    {
        QtDevice dc(window);
        Design d = testing::paraboloid();
        TraceState state;
        AnalysisResults results;
        LayoutGeometry geometry;
        eraseBackground(dc, viewBackground(kViewDesign));
        ASSERT_TRUE(paintDesignView(dc, d, state, results, geometry));
        EXPECT_EQ(dc.liveObjects(), 0);
        PaintViewPage(dc, kViewTraceReport, d, results);
        EXPECT_EQ(dc.liveObjects(), 0);
        PaintViewPage(dc, kViewWelcome, d, results);
        EXPECT_EQ(dc.liveObjects(), 0);
        Design bad = testing::makeDesign({{1000, 1, 0, 500}}, 0, 0);
        EXPECT_FALSE(paintDesignView(dc, bad, state, results, geometry));
        EXPECT_EQ(dc.liveObjects(), 0);
    }
    EXPECT_EQ(QtDevice::leakedOrLiveObjects(), before);

    // A drawing that forgets its pen is seen, on the device and after it.
    {
        QtDevice dc(window);
        dc.createPen(gdi::PS_SOLID, 1, RGB(1, 1, 1));
        EXPECT_EQ(dc.liveObjects(), 1);
    }
    EXPECT_EQ(QtDevice::leakedOrLiveObjects(), before + 1);
}

}  // namespace
}  // namespace orvelin::qt
