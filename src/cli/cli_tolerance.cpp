// `tolerance`: how much each mirror value may be off, as a sensitivity table
// (each value alone at both ends of its band, refocused) and, with --trials,
// a Monte-Carlo run of whole telescopes built within the bands.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tolerance/tolerance.h"
#include "tolerance/tolerance_json.h"

namespace orvelin::cli {

namespace {

/// The criterion as the quality table prints its figure.
const char* valueFormat(const Criterion& c) {
    return c.figure == CriterionFigure::rmsWavefront ? "%10.5f" : "%10.4f";
}

/// A number in its column; one that rounds to zero prints without a sign.
std::string formatted(const char* format, double v) {
    if (!std::isfinite(v)) return std::string(9, ' ') + "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    if (std::string(buf).find_first_of("123456789") == std::string::npos)
        std::snprintf(buf, sizeof buf, format, 0.0);
    return buf;
}

std::string unitOf(const Criterion& c) {
    return c.figure == CriterionFigure::rmsSpot        ? " um"
           : c.figure == CriterionFigure::rmsWavefront ? " waves"
                                                       : "";
}

void printText(const Design& d, const ToleranceResult& r) {
    const ToleranceOptions& o = r.options;
    const char* f = valueFormat(o.criterion);
    std::printf("%s: criterion %s%s, compensation %s\n", d.designTitle.c_str(), o.criterion.name.c_str(),
                unitOf(o.criterion).c_str(), compensationName(o.compensation));
    std::printf("nominal %s", formatted(f, r.nominal.value).c_str());
    for (std::size_t i = 0; i < r.compensatorNames.size(); ++i)
        std::printf("   %s %.6f (design %.6f)", r.compensatorNames[i].c_str(), r.nominal.compensators[i],
                    r.designCompensators[i]);
    std::printf("\n\nSensitivity, most damaging first (refocus: compensators' shift from nominal)\n");
    std::printf("%-14s %12s %10s %10s %10s %10s", "tolerance", "+-", "minus", "change", "plus", "change");
    for (const std::string& n : r.compensatorNames) std::printf("  %-23s", ("refocus " + n).c_str());
    std::printf("\n");
    for (const SensitivityRow& row : r.sensitivity) {
        std::printf("%-14s %12.6g", row.tolerance.name().c_str(), row.span);
        for (const CompensatedValue* end : {&row.minus, &row.plus}) {
            if (!end->traced) {
                std::printf(" %10s %10s", "failed", "");
                continue;
            }
            std::printf(" %s %s", formatted(f, end->value).c_str(),
                        formatted(f, end->value - r.nominal.value).c_str());
        }
        for (std::size_t i = 0; i < r.compensatorNames.size(); ++i) {
            auto shift = [&](const CompensatedValue& e) {
                return e.traced ? formatted("%+.6f", e.compensators[i] - r.nominal.compensators[i]) : "-";
            };
            std::printf("  %-23s", (shift(row.minus) + " / " + shift(row.plus)).c_str());
        }
        std::printf("\n");
    }
    if (!r.montecarlo) return;
    const MonteCarloResult& m = *r.montecarlo;
    std::printf("\nMonte-Carlo: %d trials (%s, seed %llu), %d failed\n", m.trials,
                o.distribution == Distribution::normal ? "normal, sigma V/2 cut at V" : "uniform",
                static_cast<unsigned long long>(o.seed), m.failed);
    std::printf("mean %s   std %s\n", formatted(f, m.mean).c_str(), formatted(f, m.std).c_str());
    std::printf("met by 50%% %s   by 90%% %s   by 98%% %s   (of the trials, %s)\n",
                formatted(f, m.p50).c_str(), formatted(f, m.p90).c_str(), formatted(f, m.p98).c_str(),
                o.criterion.higherIsBetter() ? "at least this" : "at most this");
    if (m.yield)
        std::printf("yield %.1f %% (%s %s %g)\n", 100 * *m.yield, o.criterion.name.c_str(),
                    o.criterion.higherIsBetter() ? ">=" : "<=", *o.threshold);
    if (m.worstTrial >= 0) {
        const auto& v = m.values[m.worstTrial];
        std::printf("worst trial %d: %s\n", m.worstTrial, v ? formatted(f, *v).c_str() : "failed");
        for (std::size_t t = 0; t < o.tolerances.size() && t < m.worstOffsets.size(); ++t)
            std::printf("  %-14s %+.6g\n", o.tolerances[t].name().c_str(), m.worstOffsets[t]);
    }
}

}  // namespace

void addToleranceCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(kToleranceCommand.name, kToleranceCommand.description);
    static std::string path, compensate = "focus", criterion = "worst.strehl", distribution = "uniform";
    static std::vector<std::string> tols;
    static bool defaults = false, json = false;
    static std::optional<double> threshold;
    static std::optional<int> trials;
    static std::uint64_t seed = 1;
    cmd->add_option("DESIGN", path, "design file (.ov)")->required();
    cmd->add_option("--tol", tols,
                    "KIND:K=±V (or +-V): radius (V in design units, or % of the radius with a trailing %), "
                    "sagradius (a toroid's), conic, tilt (degrees) or sep (to the next surface) of mirror K, "
                    "* for every mirror that has the value; repeatable, a later one replaces an earlier one")
        ->allow_extra_args(false);
    cmd->add_flag("--default-tolerances", defaults,
                  std::string("the stated set: ") + kDefaultTolerancesHelp + "; --tol values replace theirs");
    cmd->add_option(
           "--compensate", compensate,
           "re-solved for every perturbed design: focus (the focal plane's distance), focus,tilt (and "
           "its tilt) or none")
        ->check(CLI::IsMember({"focus", "focus,tilt", "none"}));
    cmd->add_option("--criterion", criterion,
                    "quality.FIELD.FIGURE or worst.FIGURE (the worst of the four fields), FIGURE rmsSpot, "
                    "rmsWavefront or strehl; default worst.strehl");
    cmd->add_option("--threshold", threshold,
                    "what a built telescope must meet: a Strehl ratio at least, the others at most");
    cmd->add_option("--trials", trials, "Monte-Carlo trials, 1..1000000 (without: the sensitivity only)");
    cmd->add_option("--seed", seed, "seed of the Monte-Carlo draws (the same seed, the same results)");
    cmd->add_option("--distribution", distribution, "uniform within ±V, or normal with sigma V/2 cut at ±V")
        ->check(CLI::IsMember({"uniform", "normal"}));
    cmd->add_flag("--json", json, "the result as JSON (the same bytes for a seed on any number of cores)");
    cmd->callback([] {
        Design d = loadForCommand(path);
        ToleranceOptions o;
        std::string error;
        if (defaults)
            for (const std::string& t : defaultToleranceTexts(d))
                if (!parseTolerance(t, d, o.tolerances, error))
                    throw Failure(kExitUsage, "bad default: " + error);
        for (const std::string& t : tols)
            if (!parseTolerance(t, d, o.tolerances, error)) throw Failure(kExitUsage, "bad --tol: " + error);
        o.compensation = *parseCompensation(compensate);
        const auto c = parseCriterion(criterion, error);
        if (!c) throw Failure(kExitUsage, "bad --criterion: " + error);
        o.criterion = *c;
        if (threshold && !std::isfinite(*threshold))
            throw Failure(kExitUsage, "bad --threshold: not a number");
        o.threshold = threshold;
        if (trials && (*trials < 1 || *trials > kMaxToleranceTrials))
            throw Failure(kExitUsage, "bad --trials: " + std::to_string(*trials) + " is not 1.." +
                                          std::to_string(kMaxToleranceTrials));
        o.trials = trials.value_or(0);
        o.seed = seed;
        o.distribution = distribution == "normal" ? Distribution::normal : Distribution::uniform;
        if (const std::string why = checkToleranceOptions(o); !why.empty()) throw Failure(kExitUsage, why);
        {
            // Refused as the report is when the design view would not trace.
            Design probe = d;
            traceDesignView(probe);
        }
        const ToleranceResult r = computeTolerances(d, o);
        if (r.status == ToleranceStatus::nominalFailed)
            throw Failure(kExitTraceFailed, "the design as given has no image for " + o.criterion.name +
                                                ": " + traceProblemMessage(r.traceStatus));
        if (json)
            std::printf("%s\n", toleranceJson(r).dump(2).c_str());
        else
            printText(d, r);
    });
}

}  // namespace orvelin::cli
