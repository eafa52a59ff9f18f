// `clearance FILE [--edge E] [--thickness T] [--margin M] [--json]`: every
// beam envelope against every mirror body and the focal plane, smallest
// clearance first, and the verdict.  Exit 0 when clear, 8 when obstructed
// (naming the tightest pair), 4 when the design does not trace.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "clearance/clearance.h"
#include "clearance/clearance_json.h"
#include "cli/cli.h"

namespace orvelin::cli {

namespace {

struct ClearanceCommandOptions {
    std::string file;
    double edge = 0;
    double thickness = -1;
    double margin = 0;
    bool json = false;
};

// "the entrance beam" or "the beam 1-2".
std::string beamName(int space) {
    return space == 0 ? "the entrance beam" : "the beam " + clearanceSpaceName(space);
}

void printTable(const Design& d, const ClearanceReport& report, const ClearanceOptions& options) {
    std::printf("%s: clearances in %s, smallest first\n", d.designTitle.c_str(), d.units.c_str());
    std::string thickness =
        options.thickness < 0 ? std::string("1/6 of each diameter") : std::to_string(options.thickness);
    std::printf("(edge %g, thickness %s, margin %g)\n\n", options.edge, thickness.c_str(), options.margin);
    std::printf("  %-10s %7s %14s\n", "space", "surface", "clearance");
    for (const ClearancePair& p : report.pairs) {
        const bool short_ = p.clearance < options.margin;
        std::printf("  %-10s %7d %14.6f%s\n", clearanceSpaceName(p.space).c_str(), p.surface, p.clearance,
                    short_ ? (p.clearance < 0 ? "  obstructed" : "  below margin") : "");
    }
    std::printf("\n%s: smallest clearance %.6f\n", report.clear ? "clear" : "obstructed",
                report.minClearance);
}

void printJson(const ClearanceReport& report) {
    std::printf("%s\n", clearanceJson(report).dump(2).c_str());
}

}  // namespace

void addClearanceCommand(CLI::App& app) {
    auto o = std::make_shared<ClearanceCommandOptions>();
    CLI::App* cmd = app.add_subcommand(
        "clearance", "Check that no mirror, blank or focal plane stands in a beam going elsewhere");
    cmd->add_option("file", o->file, "design file (.ov)")->required();
    cmd->add_option("--edge", o->edge, "widen every mirror and the image by E on each side (design units)")
        ->check(atLeast(0))
        ->capture_default_str();
    cmd->add_option("--thickness", o->thickness,
                    "thickness of each mirror's blank behind its face (default: 1/6 of its diameter)")
        ->check(atLeast(0));
    cmd->add_option("--margin", o->margin, "least clearance every pair must keep (design units)")
        ->capture_default_str();
    cmd->add_flag("--json", o->json, "write {clear, minClearance, pairs} as JSON");
    cmd->callback([o]() {
        Design design = loadForCommand(o->file);
        // The same refusal as the report's: a design whose design view would
        // not trace has no layout to check.
        traceDesignView(design);
        ClearanceOptions options;
        options.edge = o->edge;
        options.thickness = o->thickness;
        options.margin = o->margin;
        const ClearanceReport report = checkClearance(design, options);
        if (report.status != kTraceOk) failTrace(report.status);
        if (o->json)
            printJson(report);
        else
            printTable(design, report, options);
        std::fflush(stdout);
        if (!report.clear) {
            const ClearancePair& p = report.pairs.front();
            char text[160];
            if (p.clearance < 0)
                std::snprintf(text, sizeof text, "obstructed: surface %d reaches %.6f %s into %s", p.surface,
                              -p.clearance, design.units.c_str(), beamName(p.space).c_str());
            else
                std::snprintf(text, sizeof text,
                              "obstructed: surface %d is %.6f %s from %s, less than the margin %g", p.surface,
                              p.clearance, design.units.c_str(), beamName(p.space).c_str(), options.margin);
            throw Failure(kExitObstructed, text);
        }
    });
}

}  // namespace orvelin::cli
