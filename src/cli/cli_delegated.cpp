// The commands that run in a program of their own, as orvelin-cli knows
// them: a name and a line of help, and their program run in orvelin-cli's
// place to do the work.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "cli/cli.h"

#ifndef ORVELIN_LIBEXEC_DIR
#define ORVELIN_LIBEXEC_DIR ""
#endif

namespace orvelin::cli {

namespace {

// Where a helper program may be: next to this program (a build tree), then
// in the installation's folder for helper programs, found from this
// program's own place first (a moved installation) and then as configured.
std::vector<std::filesystem::path> programPlaces(const char* program) {
    namespace fs = std::filesystem;
    std::vector<fs::path> places;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        places.push_back(self.parent_path() / program);
        places.push_back(self.parent_path().parent_path() / "libexec" / "orvelin" / program);
    }
    if (*ORVELIN_LIBEXEC_DIR) places.push_back(fs::path(ORVELIN_LIBEXEC_DIR) / program);
    return places;
}

}  // namespace

void runProgramInPlace(const char* program, char** argv) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::string tried;
    for (const std::filesystem::path& place : programPlaces(program)) {
        if (::access(place.c_str(), X_OK) != 0) {
            tried += (tried.empty() ? "" : ", ") + place.string();
            continue;
        }
        ::execv(place.c_str(), argv);
        throw Failure(kExitUsage, "cannot run " + place.string() + ": " + std::strerror(errno));
    }
    throw Failure(kExitUsage, std::string("this command needs ") + program +
                                  ", which is not installed (looked for " + tried + ")");
}

void addDelegatedCommand(CLI::App& app, const DelegatedCommand& command, char** argv) {
    CLI::App* cmd = app.add_subcommand(command.name, command.description);
    // Its options and help are its program's: everything after the
    // name is passed on as it stands.
    cmd->set_help_flag();
    cmd->allow_extras();
    cmd->prefix_command();
    const char* program = command.program;
    cmd->callback([program, argv] { runProgramInPlace(program, argv); });
}

}  // namespace orvelin::cli
