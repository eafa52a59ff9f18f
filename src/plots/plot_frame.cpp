#include "plots/plot_frame.h"

#include <cmath>

namespace orvelin {

double defaultPlotScale(const Design& design) {
    return isMetric(design) ? kDefaultScaleMm : kDefaultScaleInch;
}

int setUpPlotFrame(PlotFrame& frame, int clientWidth, int clientHeight, int screenWidth, int screenHeight) {
    // The client rectangle's right and bottom are its width and height.
    frame.windowCentreX = (clientWidth + 1) / 2;
    frame.windowCentreY = (clientHeight + 1) / 2;
    frame.bufferCentreX = screenWidth / 2;
    frame.bufferCentreY = (screenHeight - kCaptionAllowance) / 2;
    frame.windowOriginX = frame.windowCentreX;
    frame.bufferOriginX = frame.bufferCentreX;
    const double cx = frame.bufferCentreX;
    const double cy = frame.bufferCentreY;
    return static_cast<int>(std::sqrt(cx * cx + cy * cy));
}

void applyScaleMode(PlotFrame& frame, const Design& design, int mode) {
    // A scale that is not a positive finite number (never set, or left by a
    // Monte-Carlo plot of a degenerate spot) is treated as not set, so that a
    // focus step can never become zero, infinite or NaN and corrupt the design.
    const bool unset = !(frame.scale > 0) || !std::isfinite(frame.scale);
    if (unset || mode == kCmdStandardPlot) {
        frame.scale = defaultPlotScale(design);
        frame.fieldOffset = kDefaultFieldOffset;
    }
    switch (mode) {
        case kCmdHalfScale:
            frame.scale *= 0.5;
            break;
        case kCmdDoubleScale:
            frame.scale *= 2;
            break;
        case kCmdDoubleScaleAndOffset:
            frame.fieldOffset *= 2;
            frame.scale *= 2;
            break;
        default:
            break;
    }
    frame.focusStep = kFocusStepPixels / frame.scale;
}

void stepFocus(Design& design, const PlotFrame& frame, int command) {
    const int last = design.surfaceCount - 1;  // the space before the focal plane
    if (last < 1 || last >= kSurfaceSlots) return;
    if (!std::isfinite(frame.focusStep)) return;
    if (command == kCmdFocusIn)
        design.surfaces[last].separation -= frame.focusStep;
    else if (command == kCmdFocusOut)
        design.surfaces[last].separation += frame.focusStep;
    else
        return;
    recomputeSurface(design, last);
}

double airyDiskRadius(const Design& design, TraceState& state) {
    // The two tangential rim rays of the axial beam; their difference in L
    // after the last mirror is twice the numerical aperture of the image cone.
    const double h = design.semiAperture;
    startAxialRay(state.ray);
    state.ray.x = h;
    traceToLastMirror(design, state);
    const double lPlus = state.ray.L;
    startAxialRay(state.ray);
    state.ray.x = -h;
    traceToLastMirror(design, state);
    const double lMinus = state.ray.L;
    // 1.22 * 0.000022 inch = 2.684e-5 inch.
    double r = 2.684e-5 / (lPlus - lMinus);
    if (isMetric(design)) r *= 25.4;
    return r;
}

}  // namespace orvelin
