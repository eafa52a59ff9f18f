// `fieldmap`: the RMS spot and the Strehl ratio over a grid of field points
// covering the whole field.
#include <cstdio>
#include <string>

#include "aberrations/aberrations_json.h"
#include "cli/cli.h"

namespace orvelin::cli {

namespace {

void printGrid(const FieldMapResult& r, const char* title, const char* format,
               double (*get)(const FieldQuality&)) {
    std::printf("\n%s\n%12s", title, "sag \\ tan");
    for (int t = 0; t < r.grid; ++t) std::printf("%10.4f", r.at(t, 0).field.tangential);
    std::printf("\n");
    // The top row is the largest sagittal angle, as the map is drawn.
    for (int s = r.grid - 1; s >= 0; --s) {
        std::printf("%12.4f", r.at(0, s).field.sagittal);
        for (int t = 0; t < r.grid; ++t) {
            const FieldQuality& q = r.at(t, s).quality;
            if (q.status != kTraceOk)
                std::printf("%10s", "-");
            else
                printCell(format, get(q));
        }
        std::printf("\n");
    }
}

void printTable(const Design& d, const FieldMapResult& r) {
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Field map, %d x %d points over +-%g degrees (tangential across, sagittal down)\n", r.grid,
                r.grid, r.fieldDegrees);
    printGrid(r, "RMS spot (um)", "%10.3f", [](const FieldQuality& q) { return q.rmsSpot; });
    printGrid(r, "Strehl ratio", "%10.4f", [](const FieldQuality& q) { return q.strehl; });
    for (const FieldMapPoint& p : r.points)
        if (p.quality.status != kTraceOk)
            std::printf("(%g, %g): %s\n", p.field.tangential, p.field.sagittal,
                        traceProblemMessage(p.quality.status).c_str());
}

}  // namespace

void addFieldMapCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "fieldmap", "Print the RMS spot and Strehl ratio of a design file over a grid covering its field");
    static std::string path;
    static bool json = false, csv = false;
    static double field = 0;
    static int grid = 5;
    static int rays = kDefaultQualityRays;
    static double wavelength = kQualityWavelengthMicrons;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    auto* j = cmd->add_flag("--json", json, "every point by name, full precision");
    cmd->add_flag("--csv", csv, "one line per field point, with a header line")->excludes(j);
    cmd->add_option("--field", field, "field semi-angle covered, degrees (default: the design's)")
        ->check(CLI::Range(1e-6, 89.0));
    cmd->add_option("--grid", grid, "points along each direction of the field")->check(CLI::Range(1, 41));
    cmd->add_option("--rays", rays, "at least this many pupil rays per point")->check(CLI::Range(1, 100000));
    cmd->add_option("--wavelength", wavelength, "wavelength in micrometres")->check(CLI::Range(1e-6, 1e6));
    cmd->callback([] {
        const Design d = loadTraceableForCommand(path);
        const FieldMapResult r = computeFieldMap(d, {grid, field, rays, wavelength});
        if (json)
            std::printf("%s\n", fieldMapJson(r).dump(2).c_str());
        else if (csv)
            std::printf("%s", fieldMapCsv(r).c_str());
        else
            printTable(d, r);
    });
}

}  // namespace orvelin::cli
