// `report`: the trace report's figures under the screen's labels, or all 30
// by field name as JSON; `focus`: "Focus!" (after "Z" with --curve) and save.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "reports/report_figures.h"
#include "reports/report_json.h"
#include "trace/analysis.h"
#include "trace/design_saving.h"
#include "trace/layout.h"

namespace orvelin::cli {

namespace {

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void addReportCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("report", "Print the trace report's figures of a design file");
    static std::string path;
    static bool json = false;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->add_flag("--json", json, "all 30 figures by field name, full precision");
    cmd->callback([] {
        Design d = loadForCommand(path);
        const AnalysisResults r = traceDesignView(d).results;
        print(json ? reportJsonText(reportJson(d, r)) : reportText(d, r));
    });
}

void addFocusCommand(CLI::App& app) {
    auto* cmd =
        app.add_subcommand("focus", "Move the focal plane to the best focus and best-fit tilt, and save");
    static std::string path, out;
    static bool curve = false;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->add_option("-o,--output", out, "design file to write")->required();
    cmd->add_flag("--curve", curve,
                  "first curve the focal plane to the mirrors' field curvature (the Z key)");
    cmd->callback([] {
        Design d = loadForCommand(path);
        if (curve) curveFocalPlane(d);
        const AnalysisResults r = traceDesignView(d).results;
        focusToBestFit(d, r.bestFocus, r.bestFitTilt);
        const SaveResult s = saveDesignAs(d, out);
        if (!s.ok) throw Failure(kExitOutputFailed, out + ": " + s.message);
    });
}

}  // namespace orvelin::cli
