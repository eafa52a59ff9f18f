// `fieldcurves`: the tangential and sagittal foci and the distortion across
// the field, and the focal-plane tilt that fits the foci best.
#include <cstdio>
#include <string>

#include "aberrations/aberrations_json.h"
#include "cli/cli.h"

namespace orvelin::cli {

namespace {

void printSweep(const char* title, const FieldSweep& s, const std::string& unit) {
    std::printf("\n%s\n", title);
    std::printf("%10s %16s %16s %14s\n", "field (deg)", ("tangential (" + unit + ")").c_str(),
                ("sagittal (" + unit + ")").c_str(), "distortion (%)");
    for (const FieldCurvePoint& p : s.points) {
        printCell("%10.4f", p.field);
        printCell(" %16.6f", p.tangentialFocus);
        printCell(" %16.6f", p.sagittalFocus);
        printCell(" %14.5f", p.distortion);
        if (p.status != kTraceOk) std::printf("  %s", traceProblemMessage(p.status).c_str());
        std::printf("\n");
    }
}

void printTable(const Design& d, const FieldCurvesResult& r) {
    const std::string unit = unitsWord(d);
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Foci along the chief ray from the focal plane; distortion against f tan(angle)\n");
    printSweep("Tangential sweep (in the plane of the tilts)", r.tangential, unit);
    printSweep("Sagittal sweep", r.sagittal, unit);
    std::printf("\nBest-fit focal-plane tilt (deg): tangential ");
    printCell("%.4f", r.tiltTangential);
    std::printf(", sagittal ");
    printCell("%.4f", r.tiltSagittal);
    std::printf(", both ");
    printCell("%.4f", r.tiltBestFit);
    std::printf("\n");
}

}  // namespace

void addFieldCurvesCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "fieldcurves",
        "Print the astigmatic field curves and the distortion of a design file across its field");
    static std::string path;
    static bool json = false, csv = false;
    static double field = 0;
    static int points = 21;
    static double wavelength = kQualityWavelengthMicrons;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    auto* j = cmd->add_flag("--json", json, "every curve by name, full precision");
    cmd->add_flag("--csv", csv, "one line per field point, with a header line")->excludes(j);
    cmd->add_option("--field", field, "field semi-angle covered, degrees (default: the design's)")
        ->check(CLI::Range(1e-6, 89.0));
    cmd->add_option("--points", points, "field points from -field to +field (odd)")
        ->check(CLI::Range(3, 10001) & OddNumber);
    cmd->add_option("--wavelength", wavelength,
                    "wavelength in micrometres (mirrors: the curves do not change)")
        ->check(CLI::Range(1e-6, 1e6));
    cmd->callback([] {
        const Design d = loadTraceableForCommand(path);
        const FieldCurvesResult r = computeFieldCurves(d, {points, field});
        if (json)
            std::printf("%s\n", fieldCurvesJson(r).dump(2).c_str());
        else if (csv)
            std::printf("%s", fieldCurvesCsv(r).c_str());
        else
            printTable(d, r);
    });
}

}  // namespace orvelin::cli
