// `show`: the design as the design table shows it; `convert`: either layout
// in, the legacy layout out.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "design/design_table.h"
#include "trace/design_saving.h"

namespace orvelin::cli {

namespace {

// A text in a 14-character column, or followed by one blank when longer.
std::string column(std::string s) {
    if (s.size() < 14)
        s.append(14 - s.size(), ' ');
    else
        s += ' ';
    return s;
}

std::string designTable(const Design& d) {
    std::string out = std::string(kDesignTableHeadings) + "\n";
    const int n = d.surfaceCount;
    for (int i = 1; i <= n && i <= kMaxSurfaces; ++i) {
        const DesignTableRow row = designTableRow(d, i);
        std::string name = row.name;
        name.append(14 - name.size(), ' ');
        out += name + column(row.radius) + column(row.conicOrSagRadius) + column(row.tilt);
        out += i < n ? row.separation : "<- focal plane";
        out += "\n";
    }
    out += "Aperture " + apertureText(d) + "    Field semi-angle " + fieldSemiAngleText(d) + "\n";
    return out;
}

}  // namespace

void addShowCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("show", "Print the design table of a design file");
    static std::string path;
    cmd->add_option("FILE", path, "design file (.ov)")->required();
    cmd->callback([] {
        const Design d = loadForCommand(path);
        std::printf("%s\n%s", d.designTitle.c_str(), designTable(d).c_str());
    });
}

void addConvertCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("convert", "Read a design in either layout and write the legacy layout");
    static std::string in, out;
    cmd->add_option("IN", in, "design file to read")->required();
    cmd->add_option("OUT", out, "design file to write")->required();
    cmd->callback([] {
        Design d = loadForCommand(in);
        // Named after the file it is written to, as Save As names it.
        const SaveResult r = saveDesignAs(d, out);
        if (!r.ok) throw Failure(kExitOutputFailed, out + ": " + r.message);
    });
}

}  // namespace orvelin::cli
