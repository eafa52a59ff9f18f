#include "cli/cli_tolerance_view.h"

#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "tolerance/tolerance_view.h"

namespace orvelin::cli {

std::string toleranceViewHelp() {
    char run[200];
    std::snprintf(run, sizeof run,
                  "), refocused for focus, judged by worst.strehl against a threshold of %g "
                  "(diffraction-limited), with %d Monte-Carlo trials from seed %llu.",
                  kViewToleranceThreshold, kViewToleranceTrials,
                  static_cast<unsigned long long>(kViewToleranceSeed));
    return std::string("The view tolerances runs the default tolerances (") + kDefaultTolerancesHelp + run;
}

ToleranceResult viewTolerances(const Design& design) {
    const ToleranceOptions o = viewToleranceOptions(design);
    ToleranceResult r = computeTolerances(design, o);
    if (r.status == ToleranceStatus::nominalFailed)
        throw Failure(kExitTraceFailed, "the design as given has no image for " + o.criterion.name + ": " +
                                            traceProblemMessage(r.traceStatus));
    return r;
}

}  // namespace orvelin::cli
