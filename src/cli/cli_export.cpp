// `export`: a design file in, a sequential .zmx prescription out.
#include <string>

#include "cli/cli.h"
#include "exchange/zmx_export.h"

namespace orvelin::cli {

void addExportCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("export", "Write a design as a sequential .zmx prescription");
    static std::string in, out;
    cmd->add_option("IN", in, "design file to read (.ov)")->required();
    cmd->add_option("-o,--output", out, ".zmx file to write")->required();
    cmd->callback([] {
        const Design d = loadForCommand(in);
        const WriteResult r = exchange::exportZmxFile(d, out);
        if (!r.ok) throw Failure(kExitOutputFailed, out + ": " + r.message);
    });
}

}  // namespace orvelin::cli
