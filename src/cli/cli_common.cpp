// What both programs of the command line share: loading a design for a
// command, the design view's traces, and the one place where errors become
// exit statuses.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "cli/cli.h"
#include "platform/atomic_file.h"

namespace orvelin::cli {

namespace {

bool gDamaged = false;

/// The number an option's text holds; false when it holds none, which
/// CLI11's own conversion then reports.
bool numberIn(const std::string& text, double& v) {
    const char* start = text.c_str();
    char* end = nullptr;
    v = std::strtod(start, &end);
    return end != start;
}

/// A bound as a person writes it: 1000000 and 0.000001, not 1.000000e+06.
std::string bound(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

CLI::Validator rangeCheck(double low, double high, const std::string& words) {
    return CLI::Validator(
        [low, high, words](std::string& text) -> std::string {
            double v = 0;
            if (!numberIn(text, v) || !std::isfinite(v)) return {};  // refused as not finite
            return v < low || v > high ? words + ", not " + text : std::string();
        },
        words.substr(std::string("must be ").size()));
}

}  // namespace

CLI::Validator atLeast(double low) {
    return rangeCheck(low, std::numeric_limits<double>::infinity(), "must be " + bound(low) + " or more");
}

CLI::Validator between(double low, double high) {
    return rangeCheck(low, high, "must be from " + bound(low) + " to " + bound(high));
}

void refuseNonFiniteNumbers(CLI::App& app) {
    const CLI::Validator finite(
        [](std::string& text) -> std::string {
            double v = 0;
            return numberIn(text, v) && !std::isfinite(v) ? "must be a finite number, not " + text
                                                          : std::string();
        },
        "");
    for (CLI::Option* option : app.get_options()) {
        std::string type = option->get_type_name();
        type = type.substr(0, type.find(':'));  // the value's type, without its checks
        if (type.find("FLOAT") != std::string::npos || type.find("INT") != std::string::npos ||
            type.find("NUMBER") != std::string::npos)
            option->check(finite);
    }
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        refuseNonFiniteNumbers(*command);
}

Design loadForCommand(const std::string& path) {
    Design design;
    LoadResult r = loadDesign(design, path);
    if (!r.accepted()) throw Failure(kExitFileRefused, path + ": " + r.message);
    if (r.status == LoadStatus::damaged) {
        std::fprintf(stderr, "warning: %s is damaged: %s\n", path.c_str(), r.message.c_str());
        gDamaged = true;
    }
    return design;
}

void writeOutputFile(const std::string& path, const std::string& bytes) {
    const WriteResult w = writeFileAtomically(path, bytes);
    if (!w.ok) throw Failure(kExitOutputFailed, path + ": " + w.message);
}

ScratchFile::ScratchFile(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? "" : folder) + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw Failure(kExitOutputFailed, path + ": cannot write: " + std::strerror(errno));
    ::close(fd);
    path_ = pattern;
}

ScratchFile::~ScratchFile() {
    ::unlink(path_.c_str());
}

std::string ScratchFile::bytes() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void failTrace(TraceStatus status) {
    throw Failure(kExitTraceFailed, "trace problem: " + traceProblemMessage(status));
}

Design loadTraceableForCommand(const std::string& path) {
    Design d = loadForCommand(path);
    Design probe = d;
    traceDesignView(probe);
    return d;
}

std::vector<QualityField> qualityFieldsNamed(const std::vector<std::string>& names) {
    std::vector<QualityField> fields;
    for (QualityField f : kQualityFields)
        for (const std::string& name : names)
            if (name == qualityFieldName(f) && (fields.empty() || fields.back() != f)) fields.push_back(f);
    return fields;
}

void printCell(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    std::string text = buf;
    if (!std::isfinite(v)) {
        // The gap keeps its column: "-" where the number would end.
        const std::size_t end = text.find_last_not_of(' ') + 1;
        const std::size_t start = text.find_first_not_of(' ');
        text.replace(start, end - start, std::string(end - start - 1, ' ') + "-");
    } else {
        const size_t minus = text.find('-');
        if (minus != std::string::npos && text.find_first_of("123456789") == std::string::npos)
            text[minus] = ' ';
    }
    std::printf("%s", text.c_str());
}

DesignAnalysis traceDesignView(const Design& design) {
    DesignAnalysis analysis = analyseDesign(design);
    if (!analysis.traced()) failTrace(analysis.status);
    return analysis;
}

std::unique_ptr<CLI::App> makeApp() {
    auto app = std::make_unique<CLI::App>("Orvelin: analyse all-mirror telescope designs without a window",
                                          "orvelin-cli");
    app->require_subcommand(1);
    app->footer(exitStatusHelp());
    return app;
}

int runCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        const std::string unknown = unknownCommandIn(app, argc, argv);
        if (!unknown.empty()) throw Failure(kExitUsage, unknownCommandMessage(app, unknown));
        refuseNonFiniteNumbers(app);
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    } catch (const Failure& f) {
        std::fprintf(stderr, "orvelin-cli: %s\n", f.what());
        return f.code;
    }
    return gDamaged ? kExitDamaged : kExitOk;
}

}  // namespace orvelin::cli
