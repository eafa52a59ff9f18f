#include "app/view_table.h"

#include "app/command_ids.h"
#include "app/view_painters.h"
#include "reports/design_view.h"

namespace orvelin {

namespace {

using draw::rgb;

constexpr draw::Colour kGrey = rgb(128, 128, 128);  // the welcome page's
constexpr draw::Colour kWhite = rgb(255, 255, 255);
constexpr draw::Colour kPlotBrown = rgb(160, 96, 32);

// Number, word, status-line name, background, printable, commands for a
// printed page, needs a trace, screen painter, page painter.
constexpr ViewEntry kViews[] = {
    {kViewWelcome, "welcome", "Welcome", kGrey, false, {0, 0}, false, paintWelcomeView, nullptr},
    {kViewDesign, "design", "Design", kDesignViewBackground, true, {0, 0}, false, paintDesignView, printDesignPage},
    {kViewTraceReport, "report", "Trace report", rgb(128, 160, 192), true, {0, 0}, true, paintReportView,
     printReportPage},
    {kViewStandardPlot, "standard", "Standard plot", kPlotBrown, true, {kCmdStandardPlot, 0}, true, nullptr,
     printPlotPage<kViewStandardPlot>},
    {kViewUniformAiry, "airy", "Uniform Airy plot", kPlotBrown, true, {kCmdUniformAiry, 0}, true, nullptr,
     printPlotPage<kViewUniformAiry>},
    {kViewUniformBlur, "blur", "Uniform blur plot", kPlotBrown, true, {kCmdUniformBlur, 0}, true, nullptr,
     printPlotPage<kViewUniformBlur>},
    {kViewAiryOverlay, "overlay", "Plot with Airy disk", kPlotBrown, true, {kCmdStandardPlot, kCmdAiry}, true,
     nullptr, printPlotPage<kViewAiryOverlay>},
    {kViewClearance, "clearance", "Clearance", kGrey, true, {0, 0}, false, paintClearanceView,
     printClearancePage},
    {kViewImageQuality, "quality", "Image quality", kWhite, true, {0, 0}, true, paintQualityView,
     printQualityPage},
    {kViewFans, "fans", "Ray fans", kWhite, true, {0, 0}, true, paintAberrationView<kViewFans>,
     printAberrationPage<kViewFans>},
    {kViewFieldCurves, "fieldcurves", "Field curves", kWhite, true, {0, 0}, true,
     paintAberrationView<kViewFieldCurves>, printAberrationPage<kViewFieldCurves>},
    {kViewFieldMap, "fieldmap", "Field map", kWhite, true, {0, 0}, true, paintAberrationView<kViewFieldMap>,
     printAberrationPage<kViewFieldMap>},
    {kViewThroughFocus, "throughfocus", "Spots through focus", kWhite, true, {0, 0}, true,
     paintAberrationView<kViewThroughFocus>, printAberrationPage<kViewThroughFocus>},
    {kViewDiffraction, "diffraction", "Diffraction", kWhite, true, {0, 0}, true, paintDiffractionView,
     printDiffractionPage},
    {kViewTolerances, "tolerances", "Tolerances", kWhite, true, {0, 0}, true, paintToleranceView,
     printTolerancePage},
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

draw::Colour viewBackground(int viewState) {
    const ViewEntry* view = viewEntry(viewState);
    return view ? view->background : viewEntry(kViewWelcome)->background;
}

const ViewEntry* viewForWord(std::string_view word) {
    for (const ViewEntry& e : kViews)
        if (word == e.word) return &e;
    return nullptr;
}

}  // namespace orvelin
