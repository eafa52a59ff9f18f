// What the main window shows.  The numbers are those of the commands that
// lead to each view, and they are what the printing commands and the paint
// code switch on.
#pragma once

namespace orvelin {

enum ViewState : int {
    kViewWelcome = 0,
    kViewTraceReport = 300,
    kViewDesign = 500,
    kViewStandardPlot = 600,
    kViewUniformAiry = 602,
    kViewUniformBlur = 603,
    kViewAiryOverlay = 700,
};

}  // namespace orvelin
