// `diffraction`: the diffraction image of the axis and the field edges (the
// Strehl ratio, encircled energy and MTF), as a table or as JSON, with the
// PSF and the MTF curves written as CSV files on request.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "diffraction/diffraction.h"
#include "diffraction/diffraction_output.h"
#include "platform/atomic_file.h"

namespace orvelin::cli {

namespace {

/// A number in its column; a value that rounds to zero prints without a
/// minus sign.
void printCell(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    std::string text = buf;
    const size_t minus = text.find('-');
    if (minus != std::string::npos && text.find_first_of("123456789") == std::string::npos) text[minus] = ' ';
    std::printf("%s", text.c_str());
}

void printTable(const Design& d, const DiffractionResult& r) {
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Wavelength %g um\n%s\n", r.wavelengthMicrons, diffractionSamplingText(r).c_str());
    std::printf("%-30s", "");
    for (QualityField f : r.computed) std::printf("%14s", qualityFieldName(f));
    std::printf("\n");
    auto row = [&](const std::string& label, const char* format, auto get) {
        std::printf("%-30s", label.c_str());
        for (QualityField f : r.computed) {
            const FieldDiffraction& q = r.field(f);
            if (q.status != kTraceOk)
                std::printf("%14s", "-");
            else
                printCell(format, get(q));
        }
        std::printf("\n");
    };
    row("strehl", "%14.4f", [](const FieldDiffraction& q) { return q.strehl; });
    row("strehlMarechal", "%14.4f", [](const FieldDiffraction& q) { return q.strehlMarechal; });
    row("ee50 (um)", "%14.4f", [](const FieldDiffraction& q) { return q.ee50; });
    row("ee80 (um)", "%14.4f", [](const FieldDiffraction& q) { return q.ee80; });
    row("fNumber", "%14.4f", [](const FieldDiffraction& q) { return q.fNumber; });
    row("airyRadius (um)", "%14.4f", [](const FieldDiffraction& q) { return q.airyRadius; });
    row("cutoff (cycles/mm)", "%14.3f", [](const FieldDiffraction& q) { return q.cutoff; });
    row("psfSpacing (um)", "%14.4f", [](const FieldDiffraction& q) { return q.psfSpacing; });
    row("centroid x (um)", "%14.4f", [](const FieldDiffraction& q) { return q.centroidX; });
    row("centroid y (um)", "%14.4f", [](const FieldDiffraction& q) { return q.centroidY; });
    for (size_t i = 0; i < kMtfQuoteFractions.size(); ++i) {
        const double fraction = kMtfQuoteFractions[i];
        const std::string at = "MTF " + std::to_string(static_cast<int>(fraction * 100 + 0.5)) + "% ";
        row(at + "frequency (c/mm)", "%14.3f",
            [&](const FieldDiffraction& q) { return fraction * q.cutoff; });
        row(at + "tangential", "%14.4f", [&](const FieldDiffraction& q) { return q.mtfTangentialAt[i]; });
        row(at + "sagittal", "%14.4f", [&](const FieldDiffraction& q) { return q.mtfSagittalAt[i]; });
    }
    for (QualityField f : r.computed) {
        const FieldDiffraction& q = r.field(f);
        if (q.status != kTraceOk)
            std::printf("%s: %s\n", qualityFieldName(f), traceProblemMessage(q.status).c_str());
        else if (q.undersampled)
            std::printf(
                "%s: the wavefront changes by more than half a wave from cell to cell; a finer --grid "
                "is needed for a true image\n",
                qualityFieldName(f));
    }
}

void writeOutput(const std::string& path, const std::string& text) {
    const WriteResult w = writeFileAtomically(path, text);
    if (!w.ok) throw Failure(kExitOutputFailed, path + ": " + w.message);
}

}  // namespace

void addDiffractionCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "diffraction",
        "Print the diffraction image of a design file: Strehl ratio, encircled energy, MTF; write the PSF");
    static std::string path, psfPath, mtfPath;
    static bool json = false;
    static std::vector<std::string> fieldNames;
    static int grid = kDefaultDiffractionGrid;
    static double wavelength = kQualityWavelengthMicrons;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->add_flag("--json", json, "all figures and curves by name, full precision");
    cmd->add_option("--field", fieldNames, "only this field (repeatable): center, minus, plus or sagittal")
        ->check(CLI::IsMember({"center", "minus", "plus", "sagittal"}));
    cmd->add_option("--grid", grid, "cells across the pupil's diameter, 16 to 1024 (default 128)")
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                try {
                    const int n = std::stoi(value);
                    if (n >= kMinDiffractionGrid && n <= kMaxDiffractionGrid) return "";
                } catch (...) {
                }
                return "the grid must be a whole number of cells from 16 to 1024, not " + value;
            },
            "16..1024"));
    cmd->add_option("--wavelength", wavelength, "wavelength in micrometres")->check(CLI::Range(1e-6, 1e6));
    cmd->add_option("--psf-csv", psfPath, "write each field's PSF as a grid to this CSV file");
    cmd->add_option("--mtf-csv", mtfPath, "write the MTF curves as columns to this CSV file");
    cmd->callback([] {
        Design d = loadForCommand(path);
        {
            // Refused as the report is when the design view would not trace.
            Design probe = d;
            traceDesignView(probe);
        }
        std::vector<QualityField> fields;
        for (QualityField f : kQualityFields)
            for (const std::string& name : fieldNames)
                if (name == qualityFieldName(f) && (fields.empty() || fields.back() != f))
                    fields.push_back(f);
        if (fields.empty()) fields.assign(kQualityFields.begin(), kQualityFields.end());
        const DiffractionResult r = computeDiffraction(d, {grid, wavelength}, fields);
        if (!psfPath.empty()) writeOutput(psfPath, psfCsv(r));
        if (!mtfPath.empty()) writeOutput(mtfPath, mtfCsv(r));
        if (json)
            std::printf("%s\n", diffractionJson(r).dump(2).c_str());
        else
            printTable(d, r);
    });
}

}  // namespace orvelin::cli
