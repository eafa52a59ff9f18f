// `import`: a sequential .zmx mirror system in, a design file out.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "exchange/zmx_import.h"
#include "trace/design_saving.h"

namespace orvelin::cli {

void addImportCommand(CLI::App& app) {
    auto* cmd =
        app.add_subcommand("import", "Read a sequential .zmx mirror system and write it as a design file");
    static std::string in, out;
    cmd->add_option("IN", in, ".zmx file to read")->required();
    cmd->add_option("-o,--output", out, "design file to write (.ov)")->required();
    cmd->callback([] {
        exchange::ZmxImportResult r = exchange::importZmxFile(in);
        if (!r.accepted()) throw Failure(kExitFileRefused, in + ": " + r.message);
        for (const std::string& w : r.warnings)
            std::fprintf(stderr, "warning: %s: %s\n", in.c_str(), w.c_str());
        // The title a loaded file would get from its name.
        const SaveResult saved = saveDesignAs(r.design, out);
        if (!saved.ok) throw Failure(kExitOutputFailed, out + ": " + saved.message);
        if (!r.warnings.empty())
            throw Failure(kExitDamaged, in + ": read with " + std::to_string(r.warnings.size()) +
                                            (r.warnings.size() == 1 ? " warning" : " warnings") + "; " + out +
                                            " written");
    });
}

}  // namespace orvelin::cli
