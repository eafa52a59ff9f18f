// `report`: the trace report's figures under the screen's labels, or all 30
// by field name as JSON; `focus`: "Focus!" (after "Z" with --curve) and save.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli.h"
#include "trace/analysis.h"
#include "trace/layout.h"

namespace orvelin::cli {

namespace {

void line(const char* label, double v) {
    std::printf("  %-16s%10.6f\n", label, v);
}

void printPanel(const char* title, const FieldPanel& p) {
    std::printf("%s\n", title);
    line("AST'", p.ast);
    line("X'S", p.xS);
    line("X'T", p.xT);
    line("Coma'S", p.comaS);
    line("Coma'T", p.comaT);
}

/// The boxes of the screen report in their reading order; the field parts
/// only for a design with a field, as on screen.
void printReport(const Design& d, const AnalysisResults& r) {
    const bool field = d.sinField != 0.0;
    std::printf("%s\n", d.designTitle.c_str());
    std::printf("Field center\n");
    line("ast'", r.astParaxial);
    line("l's", r.lsParaxial);
    line("l't", r.ltParaxial);
    line("AST'", r.astMarginal);
    line("L'S", r.lsMarginal);
    line("L'T", r.ltMarginal);
    line("Coma'S", r.comaS);
    line("Coma'T", r.comaT);
    line("LA'S", r.laS);
    line("LA'T", r.laT);
    line("Focus'S", r.focusS);
    line("Focus'T", r.focusT);
    line("F/ratio", r.fRatio);
    line("LA'toler", r.laTolerance);
    std::printf("Focal plane\n");
    line("B.F.L.", r.bestFocus);
    if (!field) return;
    line("Tilt", r.bestFitTilt);
    line("Tilt'S", r.tiltS);
    line("Tilt'T", r.tiltT);
    line("Field diameter", r.fieldDiameter);
    std::printf("  %-16s%7.3f %%\n", "Anamorphism", r.anamorphism);
    printPanel("- Field angle", r.fieldPanelMinus);
    printPanel("+ Field angle", r.fieldPanelPlus);
}

// A string as JSON text.  Titles come from file names, which on Linux may be
// any bytes: what is not valid UTF-8 becomes U+FFFD rather than an error.
std::string jsonString(const std::string& s) {
    return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

/// All 30 figures by field name; the field panels as nested objects.
/// "%.17g" keeps every bit of each double.
void printJson(const Design& d, const AnalysisResults& r) {
    std::printf("{\n  \"title\": %s,\n  \"units\": %s", jsonString(d.designTitle).c_str(),
                jsonString(d.units).c_str());
    std::string open;  // the nested object being written, if any
    bool firstInObject = false;
    for (const AnalysisFigure& f : analysisFigures(r)) {
        const std::string name = f.name;
        const size_t dot = name.find('.');
        const std::string group = dot == std::string::npos ? "" : name.substr(0, dot);
        const std::string key = dot == std::string::npos ? name : name.substr(dot + 1);
        if (group != open) {
            if (!open.empty()) std::printf("\n  }");
            if (!group.empty()) std::printf(",\n  \"%s\": {", group.c_str());
            open = group;
            firstInObject = true;
        }
        if (open.empty()) {
            std::printf(",\n  \"%s\": %.17g", key.c_str(), f.value);
        } else {
            std::printf("%s\n    \"%s\": %.17g", firstInObject ? "" : ",", key.c_str(), f.value);
            firstInObject = false;
        }
    }
    if (!open.empty()) std::printf("\n  }");
    std::printf("\n}\n");
}

}  // namespace

void addReportCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("report", "Print the trace report's figures of a design file");
    static std::string path;
    static bool json = false;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->add_flag("--json", json, "all 30 figures by field name, full precision");
    cmd->callback([] {
        Design d = loadForCommand(path);
        const AnalysisResults r = traceDesignView(d).results;
        if (json)
            printJson(d, r);
        else
            printReport(d, r);
    });
}

void addFocusCommand(CLI::App& app) {
    auto* cmd =
        app.add_subcommand("focus", "Move the focal plane to the best focus and best-fit tilt, and save");
    static std::string path, out;
    static bool curve = false;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->add_option("-o,--output", out, "design file to write")->required();
    cmd->add_flag("--curve", curve,
                  "first curve the focal plane to the mirrors' field curvature (the Z key)");
    cmd->callback([] {
        Design d = loadForCommand(path);
        if (curve) curveFocalPlane(d);
        const AnalysisResults r = traceDesignView(d).results;
        focusToBestFit(d, r.bestFocus, r.bestFitTilt);
        d.designTitle = titleFromFileName(fileNameOfPath(out));  // as Save As names it
        const SaveResult s = saveDesign(d, out, layoutFRatioOf(d));
        if (!s.ok) throw Failure(kExitOutputFailed, out + ": " + s.message);
    });
}

}  // namespace orvelin::cli
