// orvelin-cli: the headless face of Orvelin.  This program links the core
// without Qt or the optimiser's libraries; the commands that need them run
// in their own programs (see cli.h).
#include <memory>

#include "cli/cli.h"

using namespace orvelin;

int main(int argc, char** argv) {
    const std::unique_ptr<CLI::App> app = cli::makeApp();
    cli::addShowCommand(*app);
    cli::addConvertCommand(*app);
    cli::addDelegatedCommand(*app, cli::kRenderCommand, argv);
    cli::addReportCommand(*app);
    cli::addFocusCommand(*app);
    cli::addDelegatedCommand(*app, cli::kPrintCommand, argv);
    cli::addClearanceCommand(*app);
    cli::addQualityCommand(*app);
    cli::addDiffractionCommand(*app);
    cli::addDelegatedCommand(*app, cli::kOptimiseCommand, argv);
    cli::addDelegatedCommand(*app, cli::kToleranceCommand, argv);
    cli::addDelegatedCommand(*app, cli::kDesignCommand, argv);
    cli::addImportCommand(*app);
    cli::addExportCommand(*app);
    cli::addFansCommand(*app);
    cli::addFieldCurvesCommand(*app);
    cli::addFieldMapCommand(*app);
    cli::addThroughFocusCommand(*app);
    return cli::runCommandLine(*app, argc, argv);
}
