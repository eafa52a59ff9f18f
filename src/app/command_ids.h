// The program's command numbers, which are its menu ids, and the views they
// lead to.  A view is numbered by the command that shows it (the trace
// report 300, the design view 500, the Monte-Carlo plots 602 and 603, the
// Airy overlay 700); the standard plot's view is 600, shared by every
// command that ends in a standard plot (601, 604 to 606, 903, 904), and the
// welcome page is 0.  The plot dispatch, the printed page of each view, the
// window and the command line all switch on these one set of numbers.
#pragma once

namespace orvelin {

enum Command : int {
    kViewWelcome = 0,
    kCmdAperture = 19,
    kCmdField = 20,
    kCmdNew = 101,
    kCmdOpen = 102,
    kCmdSave = 103,
    kCmdSaveAs = 104,
    kCmdPrintPage = 105,
    kCmdQuickPrint = 106,
    kCmdMetric = 107,
    kCmdEnglish = 108,
    kCmdExit = 109,
    kCmdImport = 110,       ///< File > Import...: a .zmx mirror system
    kCmdExport = 111,       ///< File > Export...: the design as .zmx
    kCmdSurfaceBase = 200,  ///< 200 + k: the Edit-menu item of surface k
    kCmdTrace = 300,
    kViewTraceReport = kCmdTrace,
    kCmdFocus = 400,
    kCmdDisplay = 500,
    kViewDesign = kCmdDisplay,
    kViewStandardPlot = 600,
    kCmdStandardPlot = 601,
    kCmdUniformAiry = 602,
    kViewUniformAiry = kCmdUniformAiry,
    kCmdUniformBlur = 603,
    kViewUniformBlur = kCmdUniformBlur,
    kCmdHalfScale = 604,
    kCmdDoubleScale = 605,
    kCmdDoubleScaleAndOffset = 606,
    kCmdAiry = 700,
    kViewAiryOverlay = kCmdAiry,
    kCmdHelpContents = 801,
    kCmdAbout = 802,
    kCmdFocusIn = 903,
    kCmdFocusOut = 904,
    kCmdClearance = 1600,  ///< Tools > "Clearance...": the clearance view
    kViewClearance = kCmdClearance,
    kCmdImageQuality = 1001,  ///< Tools menu: the image-quality figures and spots
    kViewImageQuality = kCmdImageQuality,
    kCmdOptimise = 1700,  ///< Tools > "Optimise...": the optimiser's dialog
    kCmdFans = 1810,      ///< Tools menu: ray and wavefront fans
    kViewFans = kCmdFans,
    kCmdFieldCurves = 1811,  ///< Tools menu: field curves and distortion
    kViewFieldCurves = kCmdFieldCurves,
    kCmdFieldMap = 1812,  ///< Tools menu: RMS spot and Strehl across the field
    kViewFieldMap = kCmdFieldMap,
    kCmdThroughFocus = 1813,  ///< Tools menu: spots through focus
    kViewThroughFocus = kCmdThroughFocus,
    kCmdDiffraction = 1800,  ///< Tools menu: the diffraction image, MTF and encircled energy
    kViewDiffraction = kCmdDiffraction,
    /// The "I" key in the diffraction view: the PSF's intensity linear or logarithmic.
    kCmdDiffractionScale = 1801,
    kCmdTolerances = 1900,  ///< Tools > "Tolerances...": the tolerance window
    kViewTolerances = kCmdTolerances,
    kCmdNewFromFamily = 1950,  ///< File > "New from a family...": a design of a classic family
};

}  // namespace orvelin
