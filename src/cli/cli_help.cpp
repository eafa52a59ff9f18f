// What the command line says about itself: the exit statuses that end
// --help, and the answer to a word that is not a command.
#include <cstdio>
#include <string>

#include "cli/cli.h"

namespace orvelin::cli {

std::string exitStatusHelp() {
    std::string out = "Exit status:\n";
    for (const ExitStatusText& s : kExitStatuses) {
        char line[256];
        std::snprintf(line, sizeof line, "  %d  %s\n", s.code, s.meaning);
        out += line;
    }
    return out;
}

std::string unknownCommandMessage(const CLI::App& app, const std::string& word) {
    std::string names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    return "'" + word + "' is not a command; the commands are: " + names +
           "\nRun with --help for more information.";
}

std::string unknownCommandIn(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") return {};  // help is shown whatever follows
        if (!arg.empty() && arg[0] == '-') continue;
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
            if (sub->check_name(arg)) return {};
        return arg;
    }
    return {};
}

}  // namespace orvelin::cli
