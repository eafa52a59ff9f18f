// `design FAMILY --aperture D --f-ratio F [--field DEG] [--margin M]
// [--units mm|inches] -o OUT.ov [--json]`: a ready, clear, corrected design
// of a classic unobstructed family, written only when it meets every
// criterion.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "families/family.h"
#include "trace/design_saving.h"

namespace orvelin::cli {

namespace {

std::string familyRules() {
    std::string text = "Families and their layout rules (f the focal length):\n";
    for (Family f : kFamilies) {
        text += "  " + std::string(familyWord(f)) + ": " + familyLayoutRule(f) + "\n";
    }
    text +=
        "Then the optimiser, keeping every clearance at the margin, varies the tilts, the toroids' "
        "sagittal radii and the focal plane's distance and tilt towards the smallest wavefront error "
        "over the axis and the field's edges.  The design is written when it is clear by the margin, "
        "its f-ratio is within 2 % of the request and its Strehl ratio is at least 0.8 on axis and "
        "0.5 at every edge of the field; otherwise exit 9 with the reason and no file.\n";
    return text;
}

}  // namespace

void addDesignCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(kDesignCommand.name, kDesignCommand.description);
    static std::string family, out, units = "mm";
    static double aperture = 0, fRatio = 0, field = 0;
    static std::optional<double> margin;
    static bool json = false;
    std::string families;
    for (Family f : kFamilies) families += std::string(families.empty() ? "" : "|") + familyWord(f);
    cmd->add_option("FAMILY", family, families)
        ->required()
        ->check(CLI::IsMember({"herschelian", "kutter", "yolo", "trischiefspiegler"}));
    cmd->add_option("--aperture", aperture, "D: full aperture (design units)")
        ->required()
        ->check(CLI::PositiveNumber);
    cmd->add_option("--f-ratio", fRatio, "F: focal ratio")->required()->check(CLI::PositiveNumber);
    cmd->add_option("--field", field, "DEG: full field in degrees, as the design file's Field (default 0)")
        ->check(CLI::Range(0.0, 19.999));
    cmd->add_option("--margin", margin,
                    "M: least clearance of every mirror, blank and the focus from every beam (design units; "
                    "default 5 mm or 0.2 inch)")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--units", units, "mm or inches (default mm)")->check(CLI::IsMember({"mm", "inches"}));
    cmd->add_option("-o,--output", out, "design file to write")->required();
    cmd->add_flag("--json", json, "the figures as JSON");
    cmd->footer(familyRules());
    cmd->callback([] {
        FamilyRequest req;
        req.family = *familyFromWord(family);
        req.aperture = aperture;
        req.fRatio = fRatio;
        req.fieldDegrees = field;
        req.units = units;
        req.margin = margin.value_or(units == "mm" ? 5.0 : 0.2);
        if (const auto problem = familyRequestProblem(req)) throw Failure(kExitUsage, *problem);

        FamilyResult r = designFamily(req);
        if (json)
            std::printf("%s\n", familyJson(req, r).dump(2).c_str());
        else if (r.traced)
            std::printf("%s", familyFiguresText(r, units).c_str());
        if (!r.ok) throw Failure(kExitNotMet, std::string(familyWord(req.family)) + ": " + r.reason);

        const SaveResult s = saveDesignAs(r.design, out);
        if (!s.ok) throw Failure(kExitOutputFailed, out + ": " + s.message);
    });
}

}  // namespace orvelin::cli
