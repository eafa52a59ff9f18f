#include "reports/report_json.h"

#include <cstdio>
#include <string_view>

#include "reports/report_figures.h"

namespace orvelin {

nlohmann::ordered_json reportJson(const Design& design, const AnalysisResults& results) {
    // Built member by member at the end of each object: the names are unique
    // and already in order, so no lookup is needed (a script reading the
    // report in a loop spends most of its time here otherwise).
    using Json = nlohmann::ordered_json;
    Json out = Json::object();
    Json::object_t& top = out.get_ref<Json::object_t&>();
    top.reserve(kAnalysisFigureCount + 2);
    top.emplace_back("title", design.designTitle);
    top.emplace_back("units", design.units);
    Json::object_t* group = nullptr;
    std::string_view groupName;
    for (const AnalysisFigure& f : analysisFigures(results)) {
        // "fieldPanelPlus.ast" is the key "ast" of the object "fieldPanelPlus".
        const std::string_view name = f.name;
        const size_t dot = name.find('.');
        if (dot == std::string_view::npos) {
            top.emplace_back(std::string(name), f.value);
            group = nullptr;
            continue;
        }
        if (!group || name.substr(0, dot) != groupName) {
            groupName = name.substr(0, dot);
            top.emplace_back(std::string(groupName), Json::object());
            group = &top.back().second.get_ref<Json::object_t&>();
        }
        group->emplace_back(std::string(name.substr(dot + 1)), f.value);
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
