// The QPainter device's pixels: the end point left out of lines, the right
// and bottom edges left out of shapes, fixed 8-pixel character cells, block
// copies, the welcome picture and computed pictures.
#include "platform/qt/qt_device.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QFileInfo>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "platform/qt/headless.h"
#include "reports/screen_report.h"

namespace orvelin::qt {
namespace {

using draw::Font;
using draw::rgb;

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

TEST_F(QtDeviceTest, LinesAndShapesKeepTheIntegerRules) {
    const draw::Pen black{};
    paint([&](QtDevice& dc) {
        dc.line({5, 5}, {15, 5}, black);          // 5..14
        dc.polyline({{20, 10}, {20, 3}}, black);  // 10..4
        dc.line({30, 30}, {34, 34}, black);       // diagonal: 4 pixels
        dc.line({40, 40}, {40, 40}, black);       // nothing
        dc.line({45, 30}, {49, 34}, draw::kNoPen);
    });
    for (int i = 0; i < 10; ++i) EXPECT_EQ(image.pixel(5 + i, 5), qRgb(0, 0, 0)) << i;
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(ink(20, 4 + i)) << i;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ink(30 + i, 30 + i)) << i;
    expectBlank({{15, 5}, {4, 5}, {20, 3}, {34, 34}, {40, 40}, {46, 31}});

    // A polyline leaves out only its last point: the bevel's corner is drawn.
    paint([&](QtDevice& dc) { dc.polyline({{10, 2}, {2, 2}, {2, 10}}, draw::Pen{rgb(224, 224, 224)}); });
    EXPECT_EQ(image.pixel(2, 2), qRgb(224, 224, 224));
    EXPECT_EQ(inkBox(), (std::vector<int>{2, 2, 10, 9}));

    // A borderless panel fills [10, 20) x [5, 8); an outlined box keeps its
    // outline inside the box; an inverted fill fills nothing.
    paint([&](QtDevice& dc) { dc.rect({10, 5, 20, 8}, draw::kNoPen, rgb(0, 0, 200)); });
    EXPECT_EQ(inkBox(), (std::vector<int>{10, 5, 19, 7}));
    EXPECT_EQ(image.pixel(15, 6), qRgb(0, 0, 200));
    paint([&](QtDevice& dc) { dc.rect({2, 2, 12, 9}, black, rgb(255, 255, 255)); });
    EXPECT_EQ(image.pixel(11, 8), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));
    expectBlank({{12, 5}, {5, 9}, {6, 5}});
    // A wide outline stays inside the box too.
    paint([&](QtDevice& dc) { dc.rect({2, 2, 12, 9}, draw::Pen{rgb(0, 0, 0), 2}); });
    EXPECT_EQ(inkBox(), (std::vector<int>{2, 2, 11, 8}));
    EXPECT_TRUE(ink(10, 7));
    expectBlank({{4, 4}, {9, 6}});
    paint([&](QtDevice& dc) {
        dc.fill({3, 4, 9, 7}, rgb(192, 192, 192));
        dc.fill({40, 40, 30, 45}, rgb(0, 0, 0));
        dc.fill({40, 40, 50, 30}, rgb(0, 0, 0));
        dc.pixel({20, 30}, rgb(255, 0, 0));
    });
    EXPECT_EQ(image.pixel(8, 6), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(3, 4), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(20, 30), qRgb(255, 0, 0));
    expectBlank({{9, 6}, {8, 7}, {35, 42}, {45, 35}});
    // The Airy circle: centre (20, 20), R 8, hollow.
    paint([&](QtDevice& dc) { dc.ellipse({12, 12, 29, 29}, black); });
    EXPECT_EQ(inkBox(), (std::vector<int>{12, 12, 28, 28}));
    EXPECT_FALSE(ink(20, 20));
}

// A line thrown 10^8 pixels off the device (a layout far off the page) is
// drawn where it shows, and a PDF of it stays small: the pixels far beyond
// the page are not written.
TEST_F(QtDeviceTest, FarLinesDrawOnlyWhereTheyCanShow) {
    paint([&](QtDevice& dc) { dc.line({30, 20}, {-100000000, -100000000}, draw::Pen{}); });
    for (int i = 0; i <= 20; ++i) EXPECT_TRUE(ink(30 - i, 20 - i)) << i;
    EXPECT_EQ(inkBox(), (std::vector<int>{10, 0, 30, 20}));
    QTemporaryDir dir;
    const QString path = dir.filePath("far.pdf");
    {
        QPdfWriter pdf(path);
        QtDevice dc(pdf, draw::Rect{0, 0, 600, 800}, ScreenMetrics{600, 800, 72, 72});
        dc.line({300, 400}, {100000000, -100000000}, draw::Pen{});
        dc.line({-100000000, 100000000}, {300, 400}, draw::Pen{});
    }
    EXPECT_LT(QFileInfo(path).size(), 2'000'000);
}

TEST_F(QtDeviceTest, TextHangsFromItsCellAndBoxesAlignTheirLines) {
    // Opaque blanks paint their cells in the background colour.  Two blank
    // lines, then two characters centred in [10, 50): (40 - 16) / 2 = 12 ->
    // x 22..37, on the third line 24..35; right-aligned in [0, 60): 44..59,
    // from row 40, clipped to the box's bottom at 50.
    paint([&](QtDevice& dc) {
        EXPECT_EQ(dc.textBox({10, 0, 50, 50}, "\n\n  ", Font::smallMono(), rgb(0, 0, 0), draw::Align::centre,
                             rgb(0, 0, 0)),
                  36);
        dc.textBox({0, 40, 60, 48}, "  ", Font::smallMono(), rgb(255, 255, 255), draw::Align::right,
                   rgb(0, 0, 0));
    });
    for (auto [x, y] : {std::pair{22, 24}, {37, 35}, {44, 40}, {59, 47}})
        EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
    expectBlank({{21, 30}, {38, 30}, {30, 23}, {43, 45}, {50, 48}});

    // A one-line text at a point paints its cells from there.
    paint([&](QtDevice& dc) {
        dc.text({44, 40}, "  ", Font::smallMono(), rgb(255, 255, 255), rgb(0, 0, 0));
    });
    EXPECT_EQ(inkBox(), (std::vector<int>{44, 40, 59, 49}));
}

TEST_F(QtDeviceTest, FixedFontsKeepTheirCharacterCells) {
    paint([](QtDevice& dc) {
        EXPECT_EQ(dc.textSize("Radius", Font::smallMono()), (draw::Size{48, 12}));
        EXPECT_EQ(dc.fontMetrics(Font::smallMono()).averageCharWidth, 8);
        dc.text({4, 10}, "H H", Font::smallMono(), rgb(0, 0, 0));
        EXPECT_EQ(dc.fontMetrics(Font::boldMono()).height, 16);
        EXPECT_EQ(dc.textSize("Separation", Font::boldMono()).width, 80);
    });
    // Ink only in the first and third 8-pixel cells, inside the 12-row cell.
    std::vector<int> box = inkBox();
    EXPECT_TRUE(box[0] >= 4 && box[2] <= 27 && box[1] >= 10 && box[3] <= 21) << box[0] << box[1];
    for (int y = 10; y < 22; ++y)
        for (int x = 13; x < 19; ++x) EXPECT_FALSE(ink(x, y)) << x << "," << y;
}

TEST_F(QtDeviceTest, CreatedFontsHonourTheirCellHeightAndKerning) {
    QtDevice dc(image);
    for (int h : {16, 64, 96}) {
        const Font f = Font::scaled(h, 700);
        EXPECT_NEAR(dc.fontMetrics(f).height, h, 2) << h;
        // Ligatures are off, kerning is not: "AV" closes up.
        EXPECT_LT(dc.textSize("AV", f).width, dc.textSize("A", f).width + dc.textSize("V", f).width) << h;
    }
    // A negative height is the em, without leading.
    EXPECT_GT(dc.fontMetrics(Font::scaled(-20)).height, 20);
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
        QtDevice dc(pdf, draw::Rect{0, 0, 2400, 3000}, ScreenMetrics{2400, 3000, 300, 300});
        dc.text({100, 100}, "flat office fish", Font::scaled(-60), rgb(0, 0, 0));
        dc.text({100, 400}, "flat field", Font::boldSans(), rgb(0, 0, 0));
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
        b.pixel({20, 15}, rgb(255, 0, 0));
        QtDevice window(image);
        // Centre of the buffer on the centre of a 60 x 50 window: the source
        // origin is negative, and only the buffer's own pixels are copied.
        window.copy({0, 0}, {60, 50}, b, {(40 - 60) / 2, (30 - 50) / 2});
    }
    EXPECT_EQ(image.pixel(30, 25), qRgb(255, 0, 0));
    for (auto [x, y] : {std::pair{10, 10}, {49, 39}}) EXPECT_EQ(image.pixel(x, y), qRgb(160, 96, 32));
    expectBlank({{9, 10}, {50, 40}});

    QImage big(400, 300, QImage::Format_RGB32);
    big.fill(Qt::white);
    QtDevice dc(big);
    dc.picture({10, 20}, {466, 337}, kWelcomeBitmap);  // extent larger than the 297 x 265 picture
    dc.picture({0, 0}, {400, 300}, "no such picture");
    dc.end();
    // The picture's grey corners at (10, 20) and (306, 284), white beyond.
    for (auto [x, y] : {std::pair{10, 20}, {306, 284}}) EXPECT_EQ(big.pixel(x, y), qRgb(128, 128, 128));
    for (auto [x, y] : {std::pair{307, 284}, {306, 285}}) EXPECT_EQ(big.pixel(x, y), qRgb(255, 255, 255));
}

// A computed picture lands pixel for pixel, unscaled; the drawing device's
// own fallback (runs of fills, for a device that holds no pictures) leaves
// the same pixels, and a short pixel list draws nothing.
TEST_F(QtDeviceTest, ComputedPicturesLandPixelForPixel) {
    const std::vector<draw::Colour> pixels = {rgb(255, 0, 0), rgb(255, 0, 0), rgb(0, 0, 255),
                                              rgb(0, 255, 0), rgb(1, 2, 3),   rgb(0, 255, 0)};
    for (bool fallback : {false, true}) {
        paint([&](QtDevice& dc) {
            if (fallback)
                dc.draw::Device::image({7, 9}, {3, 2}, pixels);
            else
                dc.image({7, 9}, {3, 2}, pixels);
            dc.image({30, 30}, {3, 3}, pixels);  // six pixels for nine: nothing
        });
        EXPECT_EQ(inkBox(), (std::vector<int>{7, 9, 9, 10})) << fallback;
        for (int k = 0; k < 6; ++k) {
            const draw::Colour c = pixels[k];
            EXPECT_EQ(image.pixel(7 + k % 3, 9 + k / 3), qRgb(c.r, c.g, c.b)) << fallback << " " << k;
        }
    }
}

}  // namespace
}  // namespace orvelin::qt
