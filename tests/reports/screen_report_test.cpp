// The welcome page, the design table and the trace report through the
// recording device: positions, colours, fonts and formats.
#include "reports/screen_report.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/platform_name.h"
#include "platform/recording_device.h"
#include "support/test_designs.h"

namespace orvelin {
namespace {

using draw::Colour;
using draw::DrawCall;
using draw::Font;
using draw::RecordingDevice;
using draw::rgb;
using Ints = std::vector<int>;

constexpr Colour kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255);

// The one text of `text` at (x, y); fails the test when there is not
// exactly one.
DrawCall textAt(const RecordingDevice& dc, const std::string& text, int x, int y) {
    std::vector<DrawCall> found;
    for (const DrawCall& c : dc.textsEqual(text))
        if (c.args == Ints{x, y}) found.push_back(c);
    EXPECT_EQ(found.size(), 1u) << "'" << text << "' at " << x << ", " << y;
    return found.empty() ? DrawCall{} : found.front();
}

struct Text {
    std::string text;
    int x, y;
    std::optional<Colour> colour{};
    std::optional<Font> font{};
};

void expectTexts(const RecordingDevice& dc, const std::vector<Text>& expected) {
    for (const Text& e : expected) {
        const DrawCall c = textAt(dc, e.text, e.x, e.y);
        EXPECT_TRUE(!e.colour || c.colour == *e.colour) << "colour of '" << e.text << "'";
        EXPECT_TRUE(!e.font || c.textFont == *e.font) << "font of '" << e.text << "'";
    }
}

// The screen pages set their texts over panels and shadows: no text may
// paint a background over what lies beneath it.
void expectTransparentTexts(const RecordingDevice& dc) {
    for (const DrawCall& c : dc.callsOf("text")) EXPECT_EQ(c.background, draw::kHollow) << c.str();
}

TEST(WelcomePage, PictureTextsShadowsAndFonts) {
    RecordingDevice dc(632, 408);  // cx 316, cy 204
    PaintViewPage(dc, kViewWelcome, Design{}, AnalysisResults{});
    auto blits = dc.callsOf("picture");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0].args, (Ints{316 - 147, 204 - 132, 466, 337, 0, 0}));
    EXPECT_EQ(blits[0].text, "quorvex");

    // Black shadows first, the coloured copies over them.  The last line
    // names the system the program runs on.
#if defined(__linux__)
    const char* forPlatform = "for Linux";
#else
    const std::string forPlatformText = std::string("for ") + platformName();
    const char* forPlatform = forPlatformText.c_str();
#endif
    const Font f64 = Font::scaled(64, 700), f96 = Font::scaled(96, 700);
    // clang-format off
    const std::vector<Text> texts = {
        {"Welcome to", 316 - 146, 204 - 149, kBlack, f64}, {forPlatform, 316 - 151, 204 + 91, kBlack, f64},
        {"Orvelin", 316 - 220, 204 - 55, kBlack, f96}, {"Orvelin", 316 - 224, 204 - 60, rgb(255, 255, 0), f96},
        {"Welcome to", 316 - 149, 204 - 153, rgb(224, 224, 0), f64},
        {forPlatform, 316 - 154, 204 + 87, rgb(224, 224, 0), f64}};
    // clang-format on
    expectTexts(dc, texts);
    auto outs = dc.callsOf("text");
    ASSERT_EQ(outs.size(), texts.size());
    for (size_t i = 0; i < outs.size(); ++i) EXPECT_EQ(outs[i].args, (Ints{texts[i].x, texts[i].y})) << i;
    expectTransparentTexts(dc);

    // An odd client size truncates the centre.
    RecordingDevice odd(641, 455);
    PaintViewPage(odd, kViewWelcome, Design{}, AnalysisResults{});
    ASSERT_EQ(odd.callsOf("picture").size(), 1u);
    EXPECT_EQ(odd.callsOf("picture")[0].args, (Ints{320 - 147, 227 - 132, 466, 337, 0, 0}));
    ASSERT_EQ(odd.callsOf("text").size(), 6u);
    EXPECT_EQ(odd.callsOf("text")[0].args, (Ints{320 - 146, 227 - 149}));
    expectTransparentTexts(odd);
}

TEST(DesignTable, ParaboloidPanelHeadingsRowsAndAperture) {
    RecordingDevice dc(630, 411);
    const int cx = 315, n = 2;
    PaintViewPage(dc, kViewDesign, testing::paraboloid(0.5), AnalysisResults{});

    // One panel, 20 to 14n+42 = 70, filled grey without outline.
    auto rects = dc.callsOf("rect");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].args, (Ints{cx - 271, 20, cx + 268, 70}));
    EXPECT_EQ(rects[0].fill, draw::Fill(rgb(168, 168, 168)));
    EXPECT_EQ(rects[0].pen, draw::kNoPen);

    // Bevel: 11 segments, the groove dark at 14n+22 and light at 14n+23.
    auto lines = dc.callsOf("line");
    ASSERT_EQ(lines.size(), 11u);
    const Colour L = rgb(224, 224, 224), D = rgb(96, 96, 96);
    const std::vector<std::pair<Ints, Colour>> bevel = {
        {{cx + 267, 19, cx - 271, 19}, L}, {{cx - 271, 19, cx - 271, 51}, L},
        {{cx + 268, 18, cx - 272, 18}, L}, {{cx - 272, 18, cx - 272, 71}, L},
        {{cx + 267, 51, cx - 271, 51}, L}, {{cx - 271, 51, cx - 271, 70}, L},
        {{cx - 271, 70, cx + 267, 70}, D}, {{cx + 267, 70, cx + 267, 19}, D},
        {{cx + 267, 50, cx - 271, 50}, D}, {{cx - 272, 71, cx + 268, 71}, D},
        {{cx + 268, 71, cx + 268, 18}, D}};
    for (size_t i = 0; i < bevel.size(); ++i) {
        EXPECT_EQ(lines[i].args, bevel[i].first) << i;
        EXPECT_EQ(lines[i].pen, (draw::Pen{bevel[i].second, 1, draw::LineStyle::solid})) << i;
    }

    // Headings: grey shadow 2 right and 2 down, then white.  Rows at
    // y = 14 i + 8, black, small fixed font; "%- .7g" puts a blank before a positive
    // number.
    const std::string columns = "Surface       Radius        CC/Rsag       Tilt          Separation";
    const Colour grey = rgb(160, 160, 160);
    // clang-format off
    expectTexts(dc, {
        {columns, cx - 264, 3, grey}, {columns, cx - 266, 1, kWhite, Font::boldMono()},
        {"Aperture", cx - 266, 14 * n + 24, kWhite}, {"Aperture", cx - 264, 14 * n + 26, grey},
        {"Field semi-angle", cx - 65, 14 * n + 24}, {"Field semi-angle", cx - 63, 14 * n + 26},
        {"parab", cx - 263, 22, kBlack, Font::smallMono()}, {" 1000", cx - 162, 22}, {" 1", cx - 48, 22},
        {" 0", cx + 64, 22}, {" 500", cx + 176, 22}, {"flat", cx - 263, 36},
        {"<- focal plane", cx + 152, 36}, {" 100 mm", cx - 199, 55}, {" 0.5 degrees", cx + 64, 55}});
    // clang-format on
    EXPECT_EQ(dc.callsOf("text").size(), 6u + 5u + 5u + 2u);
    expectTransparentTexts(dc);
}

TEST(DesignTable, ToroidsNegativeNumbersAndInches) {
    // A toroidal mirror shows its sagittal radius in the CC/Rsag column, a
    // toroidal focal plane too; negative numbers start with their sign, and
    // seven significant digits are kept.
    const Design d = testing::makeDesign(
        {{-1234.5, -1250.125, -7.25, -350, kToroid}, {1234.56789, 0.5, 12, 900}, {400, 410, 0, 0, kToroid}},
        203.2, 0.25, "inches");
    RecordingDevice dc(640, 454);
    const int cx = 320;
    PaintViewPage(dc, kViewDesign, d, AnalysisResults{});
    // clang-format off
    expectTexts(dc, {
        {"toroid", cx - 263, 22}, {"-1234.5", cx - 162, 22}, {"-1250.125", cx - 48, 22},
        {"-7.25", cx + 64, 22}, {"-350", cx + 176, 22}, {"ellip", cx - 263, 36}, {" 1234.568", cx - 162, 36},
        {" 0.5", cx - 48, 36}, {"toroid", cx - 263, 50}, {" 410", cx - 48, 50}, {"<- focal plane", cx + 152, 50},
        {" 203.2 inches", cx - 199, 14 * 3 + 27}, {" 0.25 degrees", cx + 64, 14 * 3 + 27}});
    // clang-format on
}

AnalysisResults sampleResults() {
    AnalysisResults r;
    // clang-format off
    r.lsParaxial = 500; r.ltParaxial = 500.25; r.astParaxial = -0.25; r.lsMarginal = 498.5;
    r.ltMarginal = 497.75; r.astMarginal = 0.75; r.bestFocus = 499.125; r.comaS = 0.001;
    r.comaT = -0.003; r.laS = -1.5; r.laT = -2.5; r.focusS = 501.25; r.focusT = 501.5;
    r.fRatio = 5.0125; r.laTolerance = 0.224639;
    r.fieldPanelMinus = {0.038363, 0.0, -0.038363, -0.010909, -0.032835};
    r.fieldPanelPlus = {0.5, 1.5, 2.5, 3.5, 4.5}; r.tiltS = 1.25; r.tiltT = -1.75; r.bestFitTilt = 12.5;
    r.fieldDiameter = 8.726868; r.anamorphism = -0.0421;
    // clang-format on
    return r;
}

TEST(TraceReport, BoxesTitlesLabelsAndValuesWithField) {
    RecordingDevice dc(632, 408);
    const int cx = 316;
    PaintViewPage(dc, kViewTraceReport, testing::paraboloid(0.5), sampleResults());

    // Four raised panels, each filled by one rectangle.
    auto rects = dc.callsOf("rect");
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[0].args, (Ints{cx - 297, 33, cx - 297 + 367, 33 + 159}));
    EXPECT_EQ(rects[1].args, (Ints{cx + 115, 33, cx + 115 + 183, 33 + 87}));
    EXPECT_EQ(rects[2].args, (Ints{cx - 297, 228, cx - 297 + 275, 228 + 87}));
    EXPECT_EQ(rects[3].args, (Ints{cx + 24, 228, cx + 24 + 275, 228 + 87}));
    for (const DrawCall& r : rects) {
        EXPECT_EQ(r.fill, draw::Fill(rgb(136, 168, 200)));
        EXPECT_EQ(r.pen, draw::kNoPen);
    }
    // Bevel of the Focal plane box (L 431, T 33, w 183, h 87): inner ring,
    // then outer, each light along the top and down the left, then dark.
    const int L = cx + 115, T = 33, w = 183, h = 87;
    auto lines = dc.callsOf("line");
    ASSERT_EQ(lines.size(), 32u);
    // clang-format off
    const std::vector<Ints> bevel = {
        {L + w, T - 1, L - 1, T - 1}, {L - 1, T - 1, L - 1, T + h},
        {L - 1, T + h, L + w, T + h}, {L + w, T + h, L + w, T - 1},
        {L + w + 1, T - 2, L - 2, T - 2}, {L - 2, T - 2, L - 2, T + h + 1},
        {L - 2, T + h + 1, L + w + 1, T + h + 1}, {L + w + 1, T + h + 1, L + w + 1, T - 2}};
    // clang-format on
    for (size_t i = 0; i < bevel.size(); ++i) {
        EXPECT_EQ(lines[8 + i].args, bevel[i]) << i;
        EXPECT_EQ(lines[8 + i].pen.colour, (i % 4) < 2 ? rgb(224, 224, 224) : rgb(96, 96, 96)) << i;
    }

    // Titles: grey shadow 2 right, 3 down, white above.  Labels: a colour
    // per label, bold fixed font.  Values: "%10.6f", black, small fixed font; the
    // last two are X'T of the - field and Coma'T of the + field.
    const int C = cx - 297;
    const Colour yellow = rgb(255, 255, 0), cyan = rgb(0, 255, 255);
    // clang-format off
    expectTexts(dc, {
        {" Field center ", C + 125, 13, kWhite}, {" Field center ", C + 127, 16, rgb(128, 128, 128)},
        {" Focal plane ", L + 40, 13}, {" - Field angle ", C + 68, 208},
        {" + Field angle ", cx + 24 + 68, 208}, {"Field diameter", L + 40, T + 101, kWhite},
        {"Field diameter", L + 42, T + 104}, {"Anamorphism", L + 53, T + 137},
        {"ast'", C + 37, 33 + 9, yellow, Font::boldMono()}, {"F/ratio", C + 206, 33 + 117, cyan},
        {"Focus'S", C + 22, 33 + 117, kBlack}, {"LA'toler", C + 298, 33 + 117, kBlack},
        {"Coma'T", C + 129, 33 + 81, yellow}, {"Tilt", L + 129, T + 9, cyan},
        {"X'T", cx + 24 + 221, 228 + 9, kBlack},
        {"  5.012500", C + 190, 33 + 133, kBlack, Font::smallMono()}, {"  0.224639", C + 282, 33 + 133},
        {" -0.250000", C + 6, 33 + 25}, {"500.250000", C + 190, 33 + 25},
        {" -2.500000", C + 282, 33 + 97}, {"499.125000", L + 6, T + 25}, {" 12.500000", L + 98, T + 25},
        {" -1.750000", L + 98, T + 61}, {"  8.726868", L + 49, T + 117}, {" -0.042 %", L + 55, T + 153},
        {" -0.038363", C + 190, 228 + 25}, {"  4.500000", cx + 24 + 98, 228 + 61}});
    // clang-format on
    // 30 figures, 28 labels (two figures sit under titles), 12 title texts.
    EXPECT_EQ(dc.callsOf("text").size(), 30u + 28u + 12u);
    expectTransparentTexts(dc);
}

TEST(TraceReport, NoFieldShowsOnlyTheAxialFiguresAndOtherViewsNothing) {
    RecordingDevice dc(632, 408);
    PaintViewPage(dc, kViewTraceReport, testing::paraboloid(0), sampleResults());
    EXPECT_EQ(dc.callsOf("rect").size(), 2u);
    for (const char* absent : {"Tilt", "Tilt'S", "Tilt'T", "Field diameter", "Anamorphism", " - Field angle ",
                               " + Field angle ", "X'S"})
        EXPECT_TRUE(dc.textsEqual(absent).empty()) << absent;
    textAt(dc, "B.F.L.", 316 + 115 + 37, 33 + 9);
    // 15 figures and labels, 2 titles with shadows.
    EXPECT_EQ(dc.callsOf("text").size(), 15u + 15u + 4u);
    expectTransparentTexts(dc);

    for (int view : {600, 602, 603, 700, 1, -1}) {
        RecordingDevice other(632, 408);
        PaintViewPage(other, view, testing::paraboloid(0.5), sampleResults());
        EXPECT_TRUE(other.calls().empty()) << view;
    }
}

}  // namespace
}  // namespace orvelin
