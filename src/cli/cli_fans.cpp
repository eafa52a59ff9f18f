// `fans`: the transverse ray errors and the wavefront along the tangential
// and sagittal lines of the pupil, field by field, as a table, JSON or CSV.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "aberrations/aberrations_json.h"
#include "cli/cli.h"

namespace orvelin::cli {

namespace {

void printTable(const Design& d, const FanResult& r) {
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Ray fans (um) and wavefront fans (waves at %g um), relative to the chief ray\n",
                r.wavelengthMicrons);
    for (const FieldFans& f : r.fields) {
        std::printf("\n%s\n", qualityFieldName(f.field));
        if (f.status != kTraceOk) {
            std::printf("  %s\n", traceProblemMessage(f.status).c_str());
            continue;
        }
        std::printf("%8s %12s %12s %10s %12s %12s %10s\n", "pupil", "tan ex", "tan ey", "tan opd", "sag ex",
                    "sag ey", "sag opd");
        for (std::size_t k = 0; k < r.pupil.size(); ++k) {
            std::printf("%8.4f", r.pupil[k]);
            for (const Fan* fan : {&f.tangential, &f.sagittal}) {
                printCell(" %12.4f", fan->ex[k]);
                printCell(" %12.4f", fan->ey[k]);
                printCell(" %10.5f", fan->opd[k]);
            }
            std::printf("\n");
        }
    }
}

}  // namespace

void addFansCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "fans", "Print the ray fans and wavefront fans of a design file: image errors across the pupil");
    static std::string path;
    static bool json = false, csv = false;
    static std::vector<std::string> fieldNames;
    static int points = 41;
    static double wavelength = kQualityWavelengthMicrons;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    auto* j = cmd->add_flag("--json", json, "every fan by name, full precision");
    cmd->add_flag("--csv", csv, "one line per ray, with a header line")->excludes(j);
    cmd->add_option("--field", fieldNames, "only this field (repeatable): center, minus, plus or sagittal")
        ->check(CLI::IsMember({"center", "minus", "plus", "sagittal"}));
    cmd->add_option("--points", points, "pupil points from -1 to 1 on each line (odd)")
        ->check(CLI::Range(3, 10001) & OddNumber);
    cmd->add_option("--wavelength", wavelength, "wavelength in micrometres")->check(CLI::Range(1e-6, 1e6));
    cmd->callback([] {
        const Design d = loadTraceableForCommand(path);
        FanOptions options;
        options.points = points;
        options.wavelengthMicrons = wavelength;
        options.fields = qualityFieldsNamed(fieldNames);
        const FanResult r = computeFans(d, options);
        if (json)
            std::printf("%s\n", fansJson(r).dump(2).c_str());
        else if (csv)
            std::printf("%s", fansCsv(r).c_str());
        else
            printTable(d, r);
    });
}

}  // namespace orvelin::cli
