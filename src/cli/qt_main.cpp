// orvelin-cli-qt: the commands of orvelin-cli that draw through Qt.
// orvelin-cli runs this program in its own place (with the same arguments)
// for them, so that the commands that draw nothing never load Qt.
#include <memory>

#include "cli/cli.h"

using namespace orvelin;

int main(int argc, char** argv) {
    const std::unique_ptr<CLI::App> app = cli::makeApp();
    cli::addRenderCommand(*app);
    cli::addPrintCommand(*app);
    return cli::runCommandLine(*app, argc, argv);
}
