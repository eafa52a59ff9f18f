// orvelin-cli-optimise: the optimiser of orvelin-cli, in a program of its
// own so that only this command loads Ceres and its linear algebra.
// orvelin-cli runs it in its own place, with the same arguments.
#include <memory>

#include "cli/cli.h"

using namespace orvelin;

int main(int argc, char** argv) {
    const std::unique_ptr<CLI::App> app = cli::makeApp();
    cli::addOptimiseCommand(*app);
    cli::addToleranceCommand(*app);
    cli::addDesignCommand(*app);
    return cli::runCommandLine(*app, argc, argv);
}
