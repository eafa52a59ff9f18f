#include "app/view_table.h"

#include "app/command_ids.h"

namespace orvelin {

namespace {

using draw::rgb;

constexpr draw::Colour kGrey = rgb(128, 128, 128);  // the welcome page's
constexpr draw::Colour kWhite = rgb(255, 255, 255);
constexpr draw::Colour kPlotBrown = rgb(160, 96, 32);

constexpr ViewEntry kViews[] = {
    {kViewWelcome, "welcome", "Welcome", kGrey, false, {0, 0}},
    {kViewDesign, "design", "Design", rgb(160, 160, 160), true, {0, 0}},
    {kViewTraceReport, "report", "Trace report", rgb(128, 160, 192), true, {0, 0}},
    {kViewStandardPlot, "standard", "Standard plot", kPlotBrown, true, {kCmdStandardPlot, 0}},
    {kViewUniformAiry, "airy", "Uniform Airy plot", kPlotBrown, true, {kCmdUniformAiry, 0}},
    {kViewUniformBlur, "blur", "Uniform blur plot", kPlotBrown, true, {kCmdUniformBlur, 0}},
    {kViewAiryOverlay, "overlay", "Plot with Airy disk", kPlotBrown, true, {kCmdStandardPlot, kCmdAiry}},
    {kViewClearance, "clearance", "Clearance", kGrey, true, {0, 0}},
    {kViewImageQuality, "quality", "Image quality", kWhite, true, {0, 0}},
    {kViewFans, "fans", "Ray fans", kWhite, true, {0, 0}},
    {kViewFieldCurves, "fieldcurves", "Field curves", kWhite, true, {0, 0}},
    {kViewFieldMap, "fieldmap", "Field map", kWhite, true, {0, 0}},
    {kViewThroughFocus, "throughfocus", "Spots through focus", kWhite, true, {0, 0}},
    {kViewDiffraction, "diffraction", "Diffraction", kWhite, true, {0, 0}},
    {kViewTolerances, "tolerances", "Tolerances", kWhite, true, {0, 0}},
};

}  // namespace

std::span<const ViewEntry> viewTable() {
    return kViews;
}

const ViewEntry* viewEntry(int view) {
    for (const ViewEntry& e : kViews)
        if (e.view == view) return &e;
    return nullptr;
}

const ViewEntry* viewForWord(std::string_view word) {
    for (const ViewEntry& e : kViews)
        if (word == e.word) return &e;
    return nullptr;
}

}  // namespace orvelin
