#include "reports/report_json.h"

#include <cstdio>

#include "reports/report_figures.h"

namespace orvelin {

nlohmann::ordered_json reportJson(const Design& design, const AnalysisResults& results) {
    nlohmann::ordered_json out;
    out["title"] = design.designTitle;
    out["units"] = design.units;
    for (const AnalysisFigure& f : analysisFigures(results)) {
        // "fieldPanelPlus.ast" is the key "ast" of the object "fieldPanelPlus".
        const std::string name = f.name;
        const size_t dot = name.find('.');
        if (dot == std::string::npos)
            out[name] = f.value;
        else
            out[name.substr(0, dot)][name.substr(dot + 1)] = f.value;
    }
    return out;
}

namespace {

// A string as JSON text.  Titles come from file names, which on Linux may be
// any bytes: what is not valid UTF-8 becomes U+FFFD rather than an error.
std::string jsonString(const std::string& s) {
    return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string jsonNumber(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string jsonValue(const nlohmann::ordered_json& v) {
    return v.is_string() ? jsonString(v.get_ref<const std::string&>()) : jsonNumber(v.get<double>());
}

}  // namespace

std::string reportJsonText(const nlohmann::ordered_json& report) {
    std::string out = "{";
    const char* separator = "\n";
    for (const auto& [key, value] : report.items()) {
        out += separator + std::string("  ") + jsonString(key) + ": ";
        separator = ",\n";
        if (!value.is_object()) {
            out += jsonValue(value);
            continue;
        }
        out += "{";
        const char* inner = "\n";
        for (const auto& [k, v] : value.items()) {
            out += inner + std::string("    ") + jsonString(k) + ": " + jsonValue(v);
            inner = ",\n";
        }
        out += "\n  }";
    }
    out += "\n}\n";
    return out;
}

}  // namespace orvelin
