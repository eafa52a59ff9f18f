// orvelin-cli: the headless face of Orvelin.
#include <cstdio>

#include "cli/cli.h"

using namespace orvelin;

namespace {
bool gDamaged = false;
}

Design cli::loadForCommand(const std::string& path) {
    Design design;
    LoadResult r = loadDesign(design, path);
    if (!r.accepted()) throw Failure(kExitFileRefused, path + ": " + r.message);
    if (r.status == LoadStatus::damaged) {
        std::fprintf(stderr, "warning: %s is damaged: %s\n", path.c_str(), r.message.c_str());
        gDamaged = true;
    }
    return design;
}

void cli::failTrace(TraceStatus status) {
    throw Failure(kExitTraceFailed, "trace problem: " + traceProblemMessage(status));
}

cli::DesignViewTrace cli::traceDesignView(Design& design) {
    DesignViewTrace out;
    TraceState state;
    if (!measureLayout(design, state, out.results, out.geometry)) failTrace(state.status);
    return out;
}

double cli::layoutFRatioOf(Design& design) {
    DesignViewTrace out;
    TraceState state;
    return measureLayout(design, state, out.results, out.geometry) ? out.geometry.layoutFRatio : 0.0;
}

int main(int argc, char** argv) {
    CLI::App app{"Orvelin: analyse all-mirror telescope designs without a window", "orvelin-cli"};
    app.require_subcommand(1);
    cli::addShowCommand(app);
    cli::addConvertCommand(app);
    cli::addRenderCommand(app);
    cli::addReportCommand(app);
    cli::addFocusCommand(app);
    cli::addPrintCommand(app);
    cli::addClearanceCommand(app);
    cli::addQualityCommand(app);
    cli::addOptimiseCommand(app);
    cli::addImportCommand(app);
    cli::addExportCommand(app);
    app.footer(cli::exitStatusHelp());
    try {
        const std::string unknown = cli::unknownCommandIn(app, argc, argv);
        if (!unknown.empty()) throw cli::Failure(cli::kExitUsage, cli::unknownCommandMessage(app, unknown));
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? cli::kExitOk : cli::kExitUsage;
    } catch (const cli::Failure& f) {
        std::fprintf(stderr, "orvelin-cli: %s\n", f.what());
        return f.code;
    }
    return gDamaged ? cli::kExitDamaged : cli::kExitOk;
}
