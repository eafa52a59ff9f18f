// What both programs of the command line share: loading a design for a
// command, the design view's traces, and the one place where errors become
// exit statuses.
#include <cstdio>

#include "cli/cli.h"

namespace orvelin::cli {

namespace {

bool gDamaged = false;

}  // namespace

Design loadForCommand(const std::string& path) {
    Design design;
    LoadResult r = loadDesign(design, path);
    if (!r.accepted()) throw Failure(kExitFileRefused, path + ": " + r.message);
    if (r.status == LoadStatus::damaged) {
        std::fprintf(stderr, "warning: %s is damaged: %s\n", path.c_str(), r.message.c_str());
        gDamaged = true;
    }
    return design;
}

void failTrace(TraceStatus status) {
    throw Failure(kExitTraceFailed, "trace problem: " + traceProblemMessage(status));
}

DesignViewTrace traceDesignView(Design& design) {
    DesignViewTrace out;
    TraceState state;
    if (!measureLayout(design, state, out.results, out.geometry)) failTrace(state.status);
    return out;
}

double layoutFRatioOf(Design& design) {
    return designFRatio(design);
}

std::unique_ptr<CLI::App> makeApp() {
    auto app = std::make_unique<CLI::App>("Orvelin: analyse all-mirror telescope designs without a window",
                                          "orvelin-cli");
    app->require_subcommand(1);
    app->footer(exitStatusHelp());
    return app;
}

int runCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        const std::string unknown = unknownCommandIn(app, argc, argv);
        if (!unknown.empty()) throw Failure(kExitUsage, unknownCommandMessage(app, unknown));
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    } catch (const Failure& f) {
        std::fprintf(stderr, "orvelin-cli: %s\n", f.what());
        return f.code;
    }
    return gDamaged ? kExitDamaged : kExitOk;
}

}  // namespace orvelin::cli
