// Rendered views compared with stored reference images, so that a change in
// the QPainter device (fonts, pixel rules, colours) is seen.
//
// Tolerance: a pixel differs when one of its channels differs by more than
// kChannelTolerance; at most kDifferingPixelShare of the pixels may differ
// (room for the font rasteriser's antialiasing, none for a moved line or a
// changed colour).  Set ORVELIN_UPDATE_REFERENCES=1 to rewrite the
// references after an intended change, and look at them before committing.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <string>

#include "design/design_file.h"
#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"

namespace orvelin {
namespace {

constexpr int kChannelTolerance = 40;
constexpr double kDifferingPixelShare = 0.004;

QImage renderView(const std::string& example, int view) {
    Design d;
    LoadResult loaded = loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + example);
    EXPECT_TRUE(loaded.accepted()) << example << ": " << loaded.message;
    QImage image(qt::kInitialClientWidth, qt::kInitialClientHeight, QImage::Format_RGB32);
    TraceState state;
    AnalysisResults results;
    LayoutGeometry geometry;
    qt::QtDevice dc(image, gdi::Rect{0, 0, image.width(), image.height()}, qt::DeviceCaps{1024, 768});
    eraseBackground(dc, viewBackground(view));
    if (view == kViewDesign) {
        paintDesignView(dc, d, state, results, geometry);
    } else {
        analyseSystem(d, state, results);
        PaintViewPage(dc, view, d, results);
    }
    EXPECT_EQ(dc.liveObjects(), 0);
    dc.end();
    return image;
}

void compareWithReference(const QImage& image, const std::string& name) {
    const QString path = QString::fromStdString(std::string(ORVELIN_TEST_DATA) + "/reference/" + name);
    if (const char* update = std::getenv("ORVELIN_UPDATE_REFERENCES"); update && std::string(update) == "1") {
        ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return;
    }
    QImage reference(path);
    ASSERT_FALSE(reference.isNull()) << "missing reference " << path.toStdString();
    reference = reference.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(reference.size(), image.size()) << name;
    long differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > kChannelTolerance ||
                std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
                std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance)
                ++differing;
        }
    const long allowed = static_cast<long>(kDifferingPixelShare * image.width() * image.height());
    EXPECT_LE(differing, allowed) << name << ": " << differing << " pixels differ";
}

class RenderReference : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { qt::ensureQtApplication(); }
};

TEST_F(RenderReference, ParaboloidViews) {
    compareWithReference(renderView("paraboloid-f5.ov", kViewWelcome), "welcome.png");
    compareWithReference(renderView("paraboloid-f5.ov", kViewDesign), "paraboloid-design.png");
    compareWithReference(renderView("paraboloid-f5.ov", kViewTraceReport), "paraboloid-report.png");
}

TEST_F(RenderReference, SphereDesignView) {
    compareWithReference(renderView("sphere.ov", kViewDesign), "sphere-design.png");
}

TEST_F(RenderReference, ExactPixelsOfTheDesignView) {
    // Checked independently of the references: the paraboloid's mirror is a
    // blue face two pixels thick at the right of the box, and the table's
    // panel grey with its light top bevel at y 19.
    QImage image = renderView("paraboloid-f5.ov", kViewDesign);
    const int cx = qt::kInitialClientWidth / 2;
    EXPECT_EQ(image.pixel(cx, 19), qRgb(224, 224, 224));
    EXPECT_EQ(image.pixel(cx, 18), qRgb(224, 224, 224));
    EXPECT_EQ(image.pixel(cx - 270, 30), qRgb(168, 168, 168));
    EXPECT_EQ(image.pixel(cx + 268, 30), qRgb(96, 96, 96));
    EXPECT_EQ(image.pixel(cx + 269, 30), qRgb(160, 160, 160));
    int blueColumns = 0;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, (76 + 408) / 2) == qRgb(0, 0, 160)) ++blueColumns;
    EXPECT_EQ(blueColumns, 2);
}

}  // namespace
}  // namespace orvelin
