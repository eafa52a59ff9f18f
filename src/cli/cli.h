// The headless tool: each subcommand lives in its own file and registers
// itself on the application; errors become exit codes in main() only.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "design/design.h"
#include "design/design_file.h"
#include "quality/image_quality.h"
#include "trace/analysis.h"
#include "trace/layout.h"

namespace orvelin::cli {

/// Exit statuses of orvelin-cli.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitFileRefused = 2,   ///< unreadable or refused design file
    kExitDamaged = 3,       ///< loaded, but damaged (the job still ran)
    kExitTraceFailed = 4,   ///< the analysis reported a trace problem
    kExitOutputFailed = 5,  ///< an output file could not be written
    kExitPrintFailed = 6,   ///< a print job could not be started or ended
    kExitNotConverged = 7,  ///< the optimiser did not converge
    kExitObstructed = 8,    ///< the light path is obstructed
    kExitNotMet = 9,        ///< a family's design cannot meet the request
};

/// Every exit status with its meaning, in order: the one table that --help
/// and the manual page list.  A new status is added here and to ExitCode.
struct ExitStatusText {
    int code;
    const char* meaning;
};
inline constexpr ExitStatusText kExitStatuses[] = {
    {kExitOk, "success"},
    {kExitUsage, "the command line is wrong: an unknown command or option, or a missing or bad value"},
    {kExitFileRefused, "the design file could not be read, or was refused"},
    {kExitDamaged, "the design file is damaged, read as far as it goes, and the command ran"},
    {kExitTraceFailed, "the design meets a trace problem"},
    {kExitOutputFailed, "an output file could not be written"},
    {kExitPrintFailed, "a print job could not be started or finished"},
    {kExitNotConverged, "the optimiser did not converge"},
    {kExitObstructed, "the light path is obstructed"},
    {kExitNotMet, "design: no design of the family meets the request, which is said, and no file is written"},
};

/// The "Exit status" section that ends --help: one line per status, its
/// number first, then its meaning.
std::string exitStatusHelp();

/// The message for a first word that names no command: the word, and the
/// commands there are.
std::string unknownCommandMessage(const CLI::App& app, const std::string& word);

/// The first argument that is not an option, when it names no command of
/// `app` (the program's own options take no values); empty otherwise.
std::string unknownCommandIn(const CLI::App& app, int argc, const char* const* argv);

/// Thrown by a subcommand to end the program with a message on stderr.
struct Failure : std::runtime_error {
    int code;
    Failure(int c, const std::string& message) : std::runtime_error(message), code(c) {}
};

/// Checks of numeric options, refusing in words a person reads ("--edge:
/// must be 0 or more, not -5").  Every option that holds a number also
/// refuses NaN and the infinities: runCommandLine gives that check to every
/// such option of every command, so a new command has it without asking.
CLI::Validator atLeast(double low);
CLI::Validator between(double low, double high);
/// Give every option of `app` and its commands that holds a number the
/// check that it is finite.
void refuseNonFiniteNumbers(CLI::App& app);

/// Load a design for a subcommand: throws Failure(kExitFileRefused) on a
/// refused or unreadable file; warns on stderr for a damaged one and
/// remembers it, so that main() ends with kExitDamaged.
Design loadForCommand(const std::string& path);

/// Write an output file (a picture, a page, a table) whole or not at all: to
/// a temporary file in its folder, flushed, then renamed over `path`, so an
/// earlier file stays as it was when the disk is full.  Throws
/// Failure(kExitOutputFailed) with the reason.
void writeOutputFile(const std::string& path, const std::string& bytes);

/// A file name beside `path` for a writer that must be given a name (the PDF
/// printer), its file removed again when this goes; writeOutputFile then
/// moves the finished bytes into place.  Failure(kExitOutputFailed) when the
/// folder takes no file.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& path);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }
    /// Every byte written to it so far.
    std::string bytes() const;

  private:
    std::string path_;
};

/// End a command whose design met a trace problem: exit 4 with the message
/// the window's banner shows.
[[noreturn]] void failTrace(TraceStatus status);

/// Load a design for a command that analyses it, refused (exit 4 with the
/// banner's message) as the report is when the design view would not trace.
Design loadTraceableForCommand(const std::string& path);

/// The fields of these names (center, minus, plus, sagittal), each once, in
/// output order; empty for no names.
std::vector<QualityField> qualityFieldsNamed(const std::vector<std::string>& names);

/// Print v with a printf format of one floating conversion: a value that
/// rounds to zero prints without a minus sign, and a gap (NaN, infinite) as
/// "-" in the same width.
void printCell(const char* format, double v);

/// An odd whole number, so that points from -1 to 1 include 0.
inline const CLI::Validator OddNumber(
    [](std::string& text) {
        try {
            std::size_t used = 0;
            const long v = std::stol(text, &used);
            if (used == text.size() && v % 2 != 0) return std::string();
        } catch (const std::exception&) {
        }
        return "must be an odd whole number: " + text;
    },
    "ODD");

/// The analysis of the design as the window takes it: the analysis, then
/// the layout's own traces with the focal plane at the best fit.  The
/// window refuses the report, Focus and the plots after a failure of either
/// step, and so does the command line: Failure(kExitTraceFailed) with the
/// banner's message.
DesignAnalysis traceDesignView(const Design& design);

// Commands in a program of their own.  orvelin-cli links the core without
// its heavy libraries, so that the commands that draw nothing and optimise
// nothing (show, report, convert, focus, quality, diffraction, clearance,
// import, export) start and end in a few milliseconds.  The commands that draw through Qt
// live in orvelin-cli-qt, the optimiser (Ceres and its linear algebra) in
// orvelin-cli-optimise.  orvelin-cli knows them by name and help line only
// and, when one is run, replaces itself with its program (execv: the same
// process, arguments, output and exit status), found next to orvelin-cli or
// in the installation's libexec/orvelin.
// To add such a command:
//   1. write its file src/cli/cli_<name>.cpp with add<Name>Command and list
//      it with its program in src/cli/CMakeLists.txt;
//   2. register add<Name>Command in that program's main (qt_main.cpp,
//      optimise_main.cpp);
//   3. add addDelegatedCommand(*app, {"<name>", "<help line>", program}, argv)
//      to main.cpp.
// A new view of render or a new page of print is added to cli_render*.cpp or
// cli_print.cpp and needs nothing else.
inline constexpr const char* kDrawingProgram = "orvelin-cli-qt";
inline constexpr const char* kOptimiseProgram = "orvelin-cli-optimise";

/// A command that runs in another program, as orvelin-cli lists it.
struct DelegatedCommand {
    const char* name;
    const char* description;
    const char* program;
};
inline constexpr DelegatedCommand kRenderCommand{
    "render", "Draw a view as the window would show it and write it as a PNG image or an SVG drawing",
    kDrawingProgram};
inline constexpr DelegatedCommand kPrintCommand{
    "print", "Print a view's page (Print Page) or the Quick Print summary", kDrawingProgram};
inline constexpr DelegatedCommand kOptimiseCommand{
    "optimise", "Vary design values to meet target figures or to make the image smallest, and save",
    kOptimiseProgram};
inline constexpr DelegatedCommand kToleranceCommand{
    "tolerance",
    "How precisely each mirror must be made and placed: a sensitivity table and a Monte-Carlo analysis",
    kOptimiseProgram};
inline constexpr DelegatedCommand kDesignCommand{"design",
                                                 "Make a ready, clear, corrected design of an unobstructed "
                                                 "family from aperture, f-ratio, field and margin",
                                                 kOptimiseProgram};

void addDelegatedCommand(CLI::App& app, const DelegatedCommand& command, char** argv);
/// Run `program` with these arguments in this process's place; returns only
/// by Failure when it cannot be run.
[[noreturn]] void runProgramInPlace(const char* program, char** argv);

/// The application every program of the command line starts from, and the one place where its
/// errors become exit statuses: parse, run the command, and return the
/// status (kExitDamaged after a damaged file that was still used).
std::unique_ptr<CLI::App> makeApp();
int runCommandLine(CLI::App& app, int argc, char** argv);

// Registration of the subcommands.
void addShowCommand(CLI::App& app);
void addConvertCommand(CLI::App& app);
void addRenderCommand(CLI::App& app);
void addReportCommand(CLI::App& app);        // report, with --json
void addFocusCommand(CLI::App& app);         // focus, with --curve
void addPrintCommand(CLI::App& app);         // print, a view's page or --quick
void addClearanceCommand(CLI::App& app);     // clearance, with --json
void addQualityCommand(CLI::App& app);       // quality, with --json
void addOptimiseCommand(CLI::App& app);      // optimise, towards targets or the smallest image
void addImportCommand(CLI::App& app);        // import, a .zmx file to a design file
void addExportCommand(CLI::App& app);        // export, a design file to a .zmx file
void addFansCommand(CLI::App& app);          // fans: ray and wavefront fans
void addFieldCurvesCommand(CLI::App& app);   // fieldcurves: field curves and distortion
void addFieldMapCommand(CLI::App& app);      // fieldmap: RMS spot and Strehl across the field
void addThroughFocusCommand(CLI::App& app);  // throughfocus: spots through focus
void addDiffractionCommand(CLI::App& app);   // diffraction, with --json and CSV files
void addToleranceCommand(CLI::App& app);  // tolerance, sensitivity and Monte-Carlo
void addDesignCommand(CLI::App& app);     // design, a new design of a family

}  // namespace orvelin::cli
