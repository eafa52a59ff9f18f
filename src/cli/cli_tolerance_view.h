// The tolerance view from the command line (render and print): the window
// shows the analysis its dialog ran; the command line runs the view's
// stated default analysis instead.
#pragma once

#include <string>

#include "design/design.h"
#include "tolerance/tolerance.h"

namespace orvelin::cli {

/// What --help says of the tolerances view: the analysis it runs.
std::string toleranceViewHelp();

/// The view's default analysis of `design` (viewToleranceOptions): Failure
/// with exit 4 and the reason when the design as given has no image.
ToleranceResult viewTolerances(const Design& design);

}  // namespace orvelin::cli
