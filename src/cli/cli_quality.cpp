// `quality`: RMS spot, wavefront error, Strehl ratio and best focus of the
// axis and the field edges, as a table (one column per field) or as JSON.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "quality/image_quality.h"
#include "quality/quality_json.h"

namespace orvelin::cli {

namespace {

void printJson(const QualityReport& r, const std::vector<QualityField>& fields) {
    std::printf("%s\n", qualityJson(r, fields).dump(2).c_str());
}

void printTable(const Design& d, const QualityReport& r, const std::vector<QualityField>& fields) {
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Wavelength %g um; Strehl ratio by the %s; %s\n", r.wavelengthMicrons, kStrehlMethod,
                kDiffractionLimitedRule);
    std::printf("%-26s", "");
    for (QualityField f : fields) std::printf("%14s", qualityFieldName(f));
    std::printf("\n");
    for (const QualityFigureRow& row : qualityFigureRows()) {
        std::printf("%-26s", withUnits(row.label, unitsWord(d)).c_str());
        for (QualityField f : fields) {
            const FieldQuality& q = r.field(f);
            if (q.status != kTraceOk && !row.countsAfterFailure)
                std::printf("%14s", "-");
            else if (row.yesNo)
                std::printf(row.format, row.get(q) != 0 ? "yes" : "no");
            else
                printCell(row.format, row.get(q));
        }
        std::printf("\n");
    }
    for (QualityField f : fields)
        if (r.field(f).status != kTraceOk)
            std::printf("%s: %s\n", qualityFieldName(f), traceProblemMessage(r.field(f).status).c_str());
}

}  // namespace

void addQualityCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "quality",
        "Print the image quality of a design file: RMS spot, wavefront error, Strehl ratio, best focus");
    static std::string path;
    static bool json = false;
    static std::vector<std::string> fieldNames;
    static int rays = kDefaultQualityRays;
    static double wavelength = kQualityWavelengthMicrons;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->add_flag("--json", json, "all figures by name, full precision");
    cmd->add_option("--field", fieldNames, "only this field (repeatable): center, minus, plus or sagittal")
        ->check(CLI::IsMember({"center", "minus", "plus", "sagittal"}));
    cmd->add_option("--rays", rays, "at least this many pupil rays per field")
        ->check(between(1, kMaxQualityRays));
    cmd->add_option("--wavelength", wavelength, "wavelength in micrometres")->check(between(1e-6, 1e6));
    cmd->callback([] {
        const Design d = loadTraceableForCommand(path);
        std::vector<QualityField> fields = qualityFieldsNamed(fieldNames);
        if (fields.empty()) fields.assign(kQualityFields.begin(), kQualityFields.end());
        // Only the fields asked for are computed.
        const QualityReport r = computeQuality(d, {rays, wavelength}, fields);
        if (json)
            printJson(r, fields);
        else
            printTable(d, r, fields);
    });
}

}  // namespace orvelin::cli
