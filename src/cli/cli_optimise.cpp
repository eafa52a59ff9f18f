// `optimise`: damped least squares over chosen design values, towards target
// figures or the smallest image; writes the best design found.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "clearance/clearance.h"
#include "cli/cli.h"
#include "optimise/optimise_json.h"
#include "optimise/optimiser.h"
#include "trace/design_saving.h"

namespace orvelin::cli {

namespace {

void printText(const OptimiseProblem& p, const OptimiseResult& r) {
    std::printf("%-24s %20s %20s\n", "variable", "start", "end");
    for (std::size_t j = 0; j < p.variables.size(); ++j)
        std::printf("%-24s %20.12g %20.12g\n", p.variables[j].name().c_str(), r.startValues[j],
                    r.endValues[j]);
    if (!p.targets.empty()) {
        std::printf("%-24s %20s %20s %20s\n", "target", "value", "start", "end");
        for (std::size_t i = 0; i < p.targets.size(); ++i)
            std::printf("%-24s %20.12g %20.12g %20.12g\n", p.targets[i].figure.c_str(), p.targets[i].value,
                        r.startFigures[i], r.endFigures[i]);
    }
    std::printf("%-24s %20.12g %20.12g\n", "merit", r.startMerit, r.endMerit);
    if (p.keepClear) std::printf("%-24s %20.12g %20.12g\n", "clearance", r.startClearance, r.endClearance);
    std::printf("iterations %d\n", r.iterations);
}

void printJson(const OptimiseProblem& p, const OptimiseResult& r) {
    std::printf("%s\n", optimiseJson(p, r).dump(2).c_str());
}

}  // namespace

void addOptimiseCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(kOptimiseCommand.name, kOptimiseCommand.description);
    static std::string path, out, minimise;
    static std::vector<std::string> vary, targets;
    static int maxIterations = 100;
    static bool json = false;
    static std::optional<double> keepClear;
    cmd->add_option("DESIGN", path, "design file (.ov)")->required();
    cmd->add_option("-o,--output", out, "design file to write (never the input)")->required();
    cmd->add_option(
           "--vary", vary,
           "VAR[=LOW..HIGH]: radius:K, conic:K, rsag:K, tilt:K or sep:K; LOW = HIGH holds the value there")
        ->required();
    cmd->add_option("--target", targets, "FIGURE=VALUE[:WEIGHT], FIGURE as report --json names it");
    cmd->add_option("--minimise", minimise, "spot or wavefront: the image over the four fields")
        ->check(CLI::IsMember({"spot", "wavefront"}));
    cmd->add_option("--max-iterations", maxIterations, "most iterations of the search")->check(atLeast(0));
    cmd->add_option("--keep-clear", keepClear,
                    "M: keep the light path unobstructed, every clearance at least M (design units; "
                    "mirror blanks a sixth of their diameter thick, as `clearance` checks)")
        ->check(atLeast(0));
    cmd->add_flag("--json", json, "the result as JSON");
    cmd->callback([] {
        Design d = loadForCommand(path);
        OptimiseProblem p;
        p.maxIterations = maxIterations;
        p.keepClear = keepClear.has_value();
        p.clearMargin = keepClear.value_or(0);
        std::string error;
        for (const std::string& v : vary) {
            auto parsed = parseVariable(v, d, error);
            if (!parsed) throw Failure(kExitUsage, "bad --vary: " + error);
            p.variables.push_back(*parsed);
        }
        for (const std::string& t : targets) {
            auto parsed = parseTarget(t, error);
            if (!parsed) throw Failure(kExitUsage, "bad --target: " + error);
            p.targets.push_back(*parsed);
        }
        if (!minimise.empty() || p.targets.empty())
            p.minimise = minimise == "wavefront" ? MinimiseKind::wavefront : MinimiseKind::spot;
        std::error_code ec;
        if (std::filesystem::equivalent(path, out, ec))
            throw Failure(kExitUsage, out + ": the output would replace the input design");

        OptimiseResult r = optimise(d, p);
        const SaveResult s = saveDesignAs(r.design, out);
        if (!s.ok) throw Failure(kExitOutputFailed, out + ": " + s.message);

        // The verdict is for the design as the file holds it, so read it back.
        if (!p.targets.empty()) {
            Design written;
            if (loadDesign(written, out).accepted()) {
                FigureEvaluator e;
                std::vector<std::string> names;
                for (const OptimiseTarget& t : p.targets) names.push_back(t.figure);
                bool met = e.evaluate(written, names, MinimiseKind::none);
                for (std::size_t i = 0; met && i < p.targets.size(); ++i) {
                    r.endFigures[i] = e.figure(p.targets[i].figure);
                    met = targetMet(r.endFigures[i], p.targets[i].value);
                }
                if (r.converged && !met)
                    r.reason = "the targets are not met once the values are rounded for the file";
                r.converged = r.converged && met;
            }
        }
        if (p.keepClear) {
            Design written;
            if (loadDesign(written, out).accepted()) {
                r.endClearance = minClearance(written, ClearanceOptions{0, -1, p.clearMargin});
                if (r.converged && !(r.endClearance >= p.clearMargin - kClearanceTolerance)) {
                    r.converged = false;
                    r.reason =
                        "the design is not clear by the margin once its values are rounded for the file";
                }
            }
        }
        if (json)
            printJson(p, r);
        else
            printText(p, r);
        if (!r.converged) throw Failure(kExitNotConverged, "did not converge: " + r.reason);
    });
}

}  // namespace orvelin::cli
