// `throughfocus`: spot diagrams of one field with the focal plane moved
// whole steps either side, each with its RMS radius.
#include <cstdio>
#include <string>

#include "aberrations/aberrations_json.h"
#include "cli/cli.h"

namespace orvelin::cli {

namespace {

void printTable(const Design& d, const ThroughFocusResult& r) {
    const std::string unit = unitsWord(d);
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Spots through focus, field %s: step %.6f %s (working f/%.3f), %g um\n",
                qualityFieldName(r.field), r.step, unit.c_str(), r.workingFRatio, r.wavelengthMicrons);
    std::printf("%14s %14s %8s\n", ("shift (" + unit + ")").c_str(), "rmsSpot (um)", "rays");
    for (const FocusSpot& s : r.spots) {
        printCell("%14.6f", s.shift);
        if (s.status != kTraceOk)
            std::printf(" %14s %8s  %s\n", "-", "-", traceProblemMessage(s.status).c_str());
        else
            std::printf(" %14.4f %8zu\n", s.rmsSpot, s.points.size());
    }
}

}  // namespace

void addThroughFocusCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "throughfocus",
        "Print the spots of one field of a design file with the focal plane moved through focus");
    static std::string path;
    static bool json = false, csv = false;
    static std::string fieldName = "center";
    static double step = 0;
    static int rays = kDefaultQualityRays;
    static double wavelength = kQualityWavelengthMicrons;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    auto* j = cmd->add_flag("--json", json, "every spot and point, full precision");
    cmd->add_flag("--csv", csv, "one line per spot point, with a header line")->excludes(j);
    cmd->add_option("--field", fieldName, "the field: center, minus, plus or sagittal")
        ->check(CLI::IsMember({"center", "minus", "plus", "sagittal"}));
    cmd->add_option("--step", step,
                    "focus step in the design's unit (default: the depth of focus 2 lambda F^2)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--rays", rays, "at least this many pupil rays")->check(CLI::Range(1, kMaxQualityRays));
    cmd->add_option("--wavelength", wavelength, "wavelength in micrometres")->check(CLI::Range(1e-6, 1e6));
    cmd->callback([] {
        const Design d = loadTraceableForCommand(path);
        ThroughFocusOptions options;
        options.field = *qualityFieldFromName(fieldName);
        options.step = step;
        options.rays = rays;
        options.wavelengthMicrons = wavelength;
        const ThroughFocusResult r = computeThroughFocus(d, options);
        // The field's own chief ray may still fail where the design view traced.
        if (r.status != kTraceOk) failTrace(r.status);
        if (json)
            std::printf("%s\n", throughFocusJson(r).dump(2).c_str());
        else if (csv)
            std::printf("%s", throughFocusCsv(r).c_str());
        else
            printTable(d, r);
    });
}

}  // namespace orvelin::cli
