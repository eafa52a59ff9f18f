// The QPainter device's pixels: the end point left out of lines, the right
// and bottom edges left out of shapes, fixed 8-pixel character cells, block
// copies, the welcome picture, and the live-object count that shows a leak.
#include "platform/qt/qt_device.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "platform/qt/headless.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"
#include "support/test_designs.h"

namespace orvelin::qt {
namespace {

using gdi::RGB;

class QtDeviceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureQtApplication(); }
    QImage image{60, 50, QImage::Format_RGB32};
    void SetUp() override { image.fill(Qt::white); }
    // Draws on a fresh white image; the device ends before the pixels are read.
    template <class Draw>
    void paint(Draw draw) {
        image.fill(Qt::white);
        QtDevice dc(image);
        draw(dc);
    }
    bool ink(int x, int y) const { return image.pixel(x, y) != qRgb(255, 255, 255); }
    void expectBlank(std::initializer_list<std::pair<int, int>> points) const {
        for (auto [x, y] : points) EXPECT_FALSE(ink(x, y)) << x << "," << y;
    }
    // Bounding box of the non-white pixels, inclusive; all -1 when blank.
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
    paint([](QtDevice& dc) {
        dc.moveTo(5, 5);
        dc.lineTo(15, 5);  // horizontal: 5..14
        dc.moveTo(20, 10);
        dc.lineTo(20, 3);  // upwards: 10..4
        dc.moveTo(30, 30);
        dc.lineTo(34, 34);  // diagonal: 4 pixels
        dc.moveTo(40, 40);
        dc.lineTo(40, 40);  // zero length: nothing
    });
    for (int i = 0; i < 10; ++i) EXPECT_EQ(image.pixel(5 + i, 5), qRgb(0, 0, 0)) << i;
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(ink(20, 4 + i)) << i;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ink(30 + i, 30 + i)) << i;
    expectBlank({{15, 5}, {4, 5}, {20, 3}, {34, 34}, {40, 40}});
}

TEST_F(QtDeviceTest, ShapesLeaveOutTheirRightAndBottomEdges) {
    paint([](QtDevice& dc) {  // borderless, as the panels draw: [10, 20) x [5, 8)
        gdi::Handle brush = dc.createSolidBrush(RGB(0, 0, 200));
        gdi::Handle oldBrush = dc.selectObject(brush);
        dc.selectObject(dc.getStockObject(gdi::NULL_PEN));
        dc.rectangle(10, 5, 20, 8);
        dc.selectObject(oldBrush);
        dc.deleteObject(brush);
    });
    EXPECT_EQ(inkBox(), (std::vector<int>{10, 5, 19, 7}));
    EXPECT_EQ(image.pixel(15, 6), qRgb(0, 0, 200));

    paint([](QtDevice& dc) { dc.rectangle(2, 2, 12, 9); });  // black outline, white inside
    EXPECT_EQ(image.pixel(11, 8), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));
    expectBlank({{12, 5}, {5, 9}, {6, 5}});

    paint([](QtDevice& dc) {  // stock brushes fill too; inverted rectangles fill nothing
        dc.fillRect(gdi::Rect{3, 4, 9, 7}, dc.getStockObject(gdi::LTGRAY_BRUSH));
        dc.fillRect(gdi::Rect{40, 40, 30, 45}, dc.getStockObject(gdi::BLACK_BRUSH));
        dc.fillRect(gdi::Rect{40, 40, 50, 30}, dc.getStockObject(gdi::BLACK_BRUSH));
        dc.fillRect(gdi::Rect{20, 20, 30, 30}, dc.getStockObject(gdi::NULL_BRUSH));
    });
    EXPECT_EQ(inkBox(), (std::vector<int>{3, 4, 8, 6}));
    EXPECT_EQ(image.pixel(8, 6), qRgb(192, 192, 192));

    paint([](QtDevice& dc) {  // the Airy circle: centre (20, 20), R 8
        dc.selectObject(dc.getStockObject(gdi::NULL_BRUSH));
        dc.ellipse(12, 12, 29, 29);
    });
    EXPECT_EQ(inkBox(), (std::vector<int>{12, 12, 28, 28}));
    EXPECT_FALSE(ink(20, 20));
}

TEST_F(QtDeviceTest, ValueCallsKeepTheIntegerRules) {
    using gdi::Font;
    using gdi::rgb;
    const gdi::Pen black{};
    paint([&](QtDevice& dc) {
        dc.line({5, 5}, {15, 5}, black);          // 5..14
        dc.polyline({{20, 10}, {20, 3}}, black);  // 10..4
        dc.line({40, 40}, {40, 40}, black);       // nothing
        dc.line({30, 30}, {34, 34}, gdi::kNoPen);
    });
    for (int i = 0; i < 10; ++i) EXPECT_EQ(image.pixel(5 + i, 5), qRgb(0, 0, 0)) << i;
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(ink(20, 4 + i)) << i;
    expectBlank({{15, 5}, {4, 5}, {20, 3}, {40, 40}, {31, 31}});

    // A borderless panel fills [10, 20) x [5, 8); an outlined box keeps its
    // outline inside the box; an inverted fill fills nothing.
    paint([&](QtDevice& dc) { dc.rect({10, 5, 20, 8}, gdi::kNoPen, rgb(0, 0, 200)); });
    EXPECT_EQ(inkBox(), (std::vector<int>{10, 5, 19, 7}));
    EXPECT_EQ(image.pixel(15, 6), qRgb(0, 0, 200));
    paint([&](QtDevice& dc) { dc.rect({2, 2, 12, 9}, black, rgb(255, 255, 255)); });
    EXPECT_EQ(image.pixel(11, 8), qRgb(0, 0, 0));
    expectBlank({{12, 5}, {5, 9}, {6, 5}});
    paint([&](QtDevice& dc) {
        dc.fill({3, 4, 9, 7}, rgb(192, 192, 192));
        dc.fill({40, 40, 30, 45}, rgb(0, 0, 0));
        dc.pixel({20, 30}, rgb(255, 0, 0));
    });
    EXPECT_EQ(image.pixel(8, 6), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(20, 30), qRgb(255, 0, 0));
    expectBlank({{9, 6}, {35, 42}});
    // The Airy circle: centre (20, 20), R 8, hollow.
    paint([&](QtDevice& dc) { dc.ellipse({12, 12, 29, 29}, black); });
    EXPECT_EQ(inkBox(), (std::vector<int>{12, 12, 28, 28}));
    EXPECT_FALSE(ink(20, 20));

    // Text hangs from its cell's top-left corner in 8-pixel cells; a solid
    // background paints the cells.  textBox centres each line in its box.
    paint([&](QtDevice& dc) {
        EXPECT_EQ(dc.textSize("Radius", Font::oemFixed()), (gdi::Size{48, 12}));
        EXPECT_EQ(dc.fontMetrics(Font::systemFixed()).height, 16);
        EXPECT_EQ(dc.textBox({10, 0, 50, 50}, "\n\n  ", Font::oemFixed(), rgb(0, 0, 0), gdi::Align::centre,
                             rgb(0, 0, 0)),
                  36);
        dc.text({44, 40}, "  ", Font::oemFixed(), rgb(255, 255, 255), rgb(0, 0, 0));
    });
    for (auto [x, y] : {std::pair{22, 24}, {37, 35}, {44, 45}}) EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
    expectBlank({{21, 30}, {38, 30}, {30, 23}, {43, 45}});
}

TEST_F(QtDeviceTest, ValueCallsDrawWhatTheHandleCallsDraw) {
    // The same picture through both forms of the interface, pixel for pixel:
    // a panel and its bevel, a wide line, a hollow circle, text in every
    // kind of font with and without a background, and the welcome picture.
    auto draw = [&](bool values) {
        QImage out(kInitialClientWidth, kInitialClientHeight, QImage::Format_RGB32);
        out.fill(Qt::gray);
        QtDevice dc(out);
        using gdi::Font;
        using gdi::rgb;
        if (values) {
            dc.rect({100, 20, 400, 70}, gdi::kNoPen, rgb(168, 168, 168));
            dc.polyline({{399, 19}, {99, 19}, {99, 71}}, gdi::Pen{rgb(224, 224, 224)});
            dc.line({50, 100}, {300, 250}, gdi::Pen{rgb(0, 0, 160), 3});
            dc.ellipse({200, 200, 261, 261}, gdi::Pen{rgb(255, 255, 255)}, gdi::kHollow);
            dc.text({110, 30}, "Separation -12.5", Font::oemFixed(), rgb(0, 0, 0));
            dc.text({110, 50}, "Field center", Font::systemFixed(), rgb(255, 255, 255), rgb(0, 0, 0));
            dc.textBox({0, 300, 632, 408}, "* Trace problem *\nsecond", Font::system(), rgb(0, 32, 192),
                       gdi::Align::centre);
            dc.text({300, 120}, "Orvelin", Font::scaled(64, 700), rgb(255, 255, 0));
            dc.picture({400, 150}, {466, 337}, kWelcomeBitmap);
        } else {
            gdi::Handle brush = dc.createSolidBrush(RGB(168, 168, 168));
            gdi::Handle oldBrush = dc.selectObject(brush);
            gdi::Handle oldPen = dc.selectObject(dc.getStockObject(gdi::NULL_PEN));
            dc.rectangle(100, 20, 400, 70);
            gdi::Handle light = dc.createPen(gdi::PS_SOLID, 1, RGB(224, 224, 224));
            dc.selectObject(light);
            dc.moveTo(399, 19);
            dc.lineTo(99, 19);
            dc.lineTo(99, 71);
            gdi::Handle wide = dc.createPen(gdi::PS_SOLID, 3, RGB(0, 0, 160));
            dc.selectObject(wide);
            dc.moveTo(50, 100);
            dc.lineTo(300, 250);
            gdi::Handle white = dc.createPen(gdi::PS_SOLID, 1, RGB(255, 255, 255));
            dc.selectObject(white);
            dc.selectObject(dc.getStockObject(gdi::NULL_BRUSH));
            dc.ellipse(200, 200, 261, 261);
            dc.selectObject(oldPen);
            dc.selectObject(oldBrush);
            dc.setBkMode(gdi::TRANSPARENT);
            gdi::Handle oldFont = dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
            dc.textOut(110, 30, "Separation -12.5");
            dc.selectObject(dc.getStockObject(gdi::SYSTEM_FIXED_FONT));
            dc.setBkMode(gdi::OPAQUE);
            dc.setBkColor(RGB(0, 0, 0));
            dc.setTextColor(RGB(255, 255, 255));
            dc.textOut(110, 50, "Field center");
            dc.setBkMode(gdi::TRANSPARENT);
            dc.selectObject(dc.getStockObject(gdi::SYSTEM_FONT));
            dc.setTextColor(RGB(0, 32, 192));
            dc.drawText("* Trace problem *\nsecond", gdi::Rect{0, 300, 632, 408}, gdi::DT_CENTER);
            gdi::Handle big = dc.createFont({64, 0, gdi::FW_BOLD, false, "System_Font"});
            dc.selectObject(big);
            dc.setTextColor(RGB(255, 255, 0));
            dc.textOut(300, 120, "Orvelin");
            dc.selectObject(oldFont);
            gdi::Handle bitmap = dc.loadBitmap(kWelcomeBitmap);
            dc.bitBltBitmap(400, 150, 466, 337, bitmap, 0, 0);
            for (gdi::Handle h : {brush, light, wide, white, big, bitmap}) EXPECT_TRUE(dc.deleteObject(h));
        }
        dc.end();
        return out;
    };
    const QImage byValue = draw(true);
    const QImage byHandle = draw(false);
    EXPECT_TRUE(byValue == byHandle);
    EXPECT_NE(byValue.pixel(110, 19), qRgb(128, 128, 128));  // something was drawn
}

TEST_F(QtDeviceTest, FixedFontsKeepTheirCharacterCells) {
    paint([](QtDevice& dc) {
        dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
        EXPECT_EQ(dc.getTextExtent("Radius"), (gdi::Size{48, 12}));
        EXPECT_EQ(dc.getTextMetrics().tmAveCharWidth, 8);
        dc.setBkMode(gdi::TRANSPARENT);
        dc.textOut(4, 10, "H H");
        dc.selectObject(dc.getStockObject(gdi::SYSTEM_FIXED_FONT));
        EXPECT_EQ(dc.getTextMetrics().tmHeight, 16);
        EXPECT_EQ(dc.getTextExtent("Separation").width, 80);
    });
    // Ink only in the first and third 8-pixel cells, inside the 12-row cell.
    std::vector<int> box = inkBox();
    EXPECT_TRUE(box[0] >= 4 && box[2] <= 27 && box[1] >= 10 && box[3] <= 21) << box[0] << box[1];
    for (int y = 10; y < 22; ++y)
        for (int x = 13; x < 19; ++x) EXPECT_FALSE(ink(x, y)) << x << "," << y;
}

TEST_F(QtDeviceTest, DrawTextAlignsLinesInItsRectangle) {
    paint([](QtDevice& dc) {
        dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
        dc.setBkColor(RGB(0, 0, 0));
        // Two blank lines, then two characters centred in [10, 50).
        EXPECT_EQ(dc.drawText("\n\n  ", gdi::Rect{10, 0, 50, 50}, gdi::DT_CENTER), 36);
        dc.drawText("  ", gdi::Rect{0, 40, 60, 50}, gdi::DT_RIGHT | gdi::DT_NOCLIP);
    });
    // Opaque blanks paint their cells in the background colour.  Centred:
    // (40 - 16) / 2 = 12 -> x 22..37, on the third line 24..35; right-aligned:
    // 44..59, 40..49 once clipped by the image.
    for (auto [x, y] : {std::pair{22, 24}, {37, 35}, {44, 45}}) EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
    expectBlank({{21, 30}, {38, 30}, {30, 23}, {43, 45}});
}

TEST_F(QtDeviceTest, CreatedFontsHonourTheirCellHeightAndKerning) {
    QtDevice dc(image);
    for (int h : {16, 64, 96}) {
        gdi::Handle f = dc.createFont({h, 0, gdi::FW_BOLD, false, "System_Font"});
        gdi::Handle old = dc.selectObject(f);
        EXPECT_NEAR(dc.getTextMetrics().tmHeight, h, 2) << h;
        // Ligatures are off, kerning is not: "AV" closes up.
        EXPECT_LT(dc.getTextExtent("AV").width, dc.getTextExtent("A").width + dc.getTextExtent("V").width)
            << h;
        dc.selectObject(old);
        EXPECT_TRUE(dc.deleteObject(f));
    }
    gdi::Handle em = dc.createFont({-20, 0, gdi::FW_NORMAL, false, "MS Sans Serif"});
    dc.selectObject(em);
    EXPECT_GT(dc.getTextMetrics().tmHeight, 20);  // a negative height is the em, without leading
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
        dc.selectObject(font);
        dc.textOut(100, 100, "flat office fish");
        dc.selectObject(dc.getStockObject(gdi::SYSTEM_FONT));
        dc.textOut(100, 400, "flat field");
        dc.deleteObject(font);
    }
    const std::string text = pdfText(path);
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    EXPECT_NE(text.find("flat office fish"), std::string::npos) << text;
    EXPECT_NE(text.find("flat field"), std::string::npos) << text;
    for (const char* ligature : {"\xEF\xAC\x81", "\xEF\xAC\x82", "\xEF\xAC\x83"})
        EXPECT_EQ(text.find(ligature), std::string::npos) << text;
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
    for (auto [x, y] : {std::pair{10, 10}, {49, 39}}) EXPECT_EQ(image.pixel(x, y), qRgb(160, 96, 32));
    expectBlank({{9, 10}, {50, 40}});

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
    // The picture's grey corners at (10, 20) and (306, 284), white beyond.
    for (auto [x, y] : {std::pair{10, 20}, {306, 284}}) EXPECT_EQ(big.pixel(x, y), qRgb(128, 128, 128));
    for (auto [x, y] : {std::pair{307, 284}, {306, 285}}) EXPECT_EQ(big.pixel(x, y), qRgb(255, 255, 255));
}

TEST_F(QtDeviceTest, EveryPageReleasesWhatItCreatesAndALeakShows) {
    QImage window(kInitialClientWidth, kInitialClientHeight, QImage::Format_RGB32);
    const int before = QtDevice::leakedOrLiveObjects();
    {
        QtDevice dc(window);
        Design d = testing::paraboloid(0.5), bad = testing::makeDesign({{1000, 1, 0, 500}, {}}, 0);
        TraceState state;
        AnalysisResults results;
        LayoutGeometry geometry;
        ASSERT_TRUE(paintDesignView(dc, d, state, results, geometry));
        PaintViewPage(dc, kViewTraceReport, d, results);
        PaintViewPage(dc, kViewWelcome, d, results);
        EXPECT_FALSE(paintDesignView(dc, bad, state, results, geometry));  // the banner
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
