// `print`: the page Print Page prints for a view, or the Quick Print summary,
// into a PDF file or onto a printer.
//
//   orvelin-cli print FILE --view report|design|standard|airy|blur|overlay|clearance|...|diffraction
//                          [--log] -o page.pdf
//   orvelin-cli print FILE --quick [-o page.pdf]
//
// Without -o the page goes to the printer named by --printer, or else to the
// default printer; no default printer is an error with its reason.  With
// both -o and --printer the file gets that printer's page size and margins.  Before
// printing, the design is analysed and its layout drawn as the design view
// does, and a plot view's screen plot is run as its command would, so the
// page starts from the same records as in the desktop program.
#include <cstdio>
#include <memory>

#include "app/command_ids.h"
#include "app/evaluation.h"
#include "app/view_painters.h"
#include "cli/cli.h"
#include "cli/cli_tolerance_view.h"
#include "platform/qt/headless.h"
#include "platform/qt/printing.h"
#include "platform/recording_device.h"
#include "plots/plot_dispatch.h"
#include "reports/quick_print.h"

namespace orvelin::cli {

namespace {

struct PrintOptions {
    std::string path;
    std::string view;
    bool quick = false;
    std::string output;
    std::string printer;
    std::string paper;
    bool landscape = false;
    bool log = false;  ///< the diffraction view's PSF on a logarithmic scale
    int dpi = qt::kPrintResolution;
};

// Where the page goes.
qt::PrintTarget printTarget(const PrintOptions& o) {
    qt::PrintTarget t;
    t.resolution = o.dpi;
    if (!o.paper.empty()) {
        t.layout = qt::pageLayoutNamed(QString::fromStdString(o.paper), o.landscape);
        if (!t.layout.isValid()) throw Failure(kExitUsage, "unknown paper size: " + o.paper);
    } else if (o.landscape) {
        t.layout = qt::pageLayoutNamed(QStringLiteral("letter"), true);
    }
    if (!o.output.empty()) {
        t.pdfFile = QString::fromStdString(o.output);
        // With a printer named too: its page, written to the file.
        if (!o.printer.empty() && !t.layout.isValid()) {
            t.layout = qt::printerPageLayout(QString::fromStdString(o.printer));
            if (!t.layout.isValid()) throw Failure(kExitPrintFailed, printerNotOpenedMessage(o.printer));
        }
        return t;
    }
    std::string device = o.printer;
    if (device.empty()) {
        // Quick Print's own way to the default printer: the profile string.
        const auto profile = parsePrinterProfile(qt::defaultPrinterProfile());
        if (!profile) throw Failure(kExitPrintFailed, noDefaultPrinterMessage());
        device = profile->device;
    }
    std::string why;
    if (!qt::printerExists(QString::fromStdString(device), &why))
        throw Failure(kExitPrintFailed, printerNotOpenedMessage(device) + " " + why);
    t.printerName = QString::fromStdString(device);
    return t;
}

void runPrint(const PrintOptions& o) {
    if (o.quick == !o.view.empty()) throw Failure(kExitUsage, "print needs either --view or --quick");
    int viewState = 0;
    std::vector<int> commands;
    if (!o.quick) {
        const ViewEntry* view = viewForWord(o.view);
        if (!view || !view->printable) throw Failure(kExitUsage, "unknown view: " + o.view);
        viewState = view->view;
        for (int command : view->commands)
            if (command != 0) commands.push_back(command);
    }

    const Design design = loadForCommand(o.path);
    TraceState trace;
    PlotFrame frame;
    RandomSource random;

    // The design view's figures first: the analysis and the layout's
    // geometry.  A design that does not trace cannot be printed, as in the
    // window.  The plots then run unseen in the program's first window on a
    // 1024 x 768 screen.
    const Evaluation evaluation;
    const DesignAnalysis& analysis = evaluation.analysis(design);
    if (!analysis.traced()) failTrace(analysis.status);
    draw::RecordingDevice window(632, 408, 1024, 768);
    draw::RecordingDevice buffer(1024, 768 - kCaptionAllowance, 1024, 768);
    SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
    for (int command : commands) {
        window.clearCalls();
        buffer.clearCalls();
        dispatchPlot(plot, command);
    }
    if (trace.status != kTraceOk) failTrace(trace.status);
    // The tolerance page prints the view's default analysis.
    std::optional<ToleranceResult> tolerances;
    if (viewState == kViewTolerances) tolerances = viewTolerances(design);

    qt::ensureQtApplication();
    // A PDF is printed into a file beside the one asked for and moved into
    // place only when it is complete: a full disk keeps any earlier file.
    std::unique_ptr<ScratchFile> pdf;
    qt::PrintTarget target = printTarget(o);
    if (!o.output.empty()) {
        pdf = std::make_unique<ScratchFile>(o.output);
        target.pdfFile = QString::fromStdString(pdf->path());
    }
    qt::QtPrintDocument doc(target);
    PrintRecords records{design, trace, analysis, frame, random};
    const ViewInputs inputs{design, evaluation, o.log, tolerances ? &*tolerances : nullptr};
    PrintProgress progress;  // nothing to show, and no one to cancel
    const PrintJobResult result = o.quick
                                      ? runQuickPrintJob(doc, records, localTimeNow())
                                      : printViewPage(doc, viewState, inputs, records, progress, localTimeNow());
    // A PDF that cannot be written is an output file like any other.
    if (result.failed() && pdf)
        throw Failure(kExitOutputFailed, o.output + ": cannot write: " + result.message);
    if (result.failed()) throw Failure(kExitPrintFailed, result.message);
    if (pdf) {
        // The document is written when its job ends; a PDF is complete
        // with its end-of-file marker.
        const std::string bytes = pdf->bytes();
        if (bytes.find("%%EOF", bytes.size() < 32 ? 0 : bytes.size() - 32) == std::string::npos)
            throw Failure(kExitOutputFailed, o.output + ": cannot write: the page was cut short");
        writeOutputFile(o.output, bytes);
    }
    if (doc.jobId() > 0) std::printf("request id is %d\n", doc.jobId());
}

}  // namespace

void addPrintCommand(CLI::App& app) {
    static PrintOptions o;
    auto* cmd = app.add_subcommand(kPrintCommand.name, kPrintCommand.description);
    cmd->add_option("FILE", o.path, "design file (.ov)")->required();
    std::string words;
    for (const ViewEntry& view : viewTable())
        if (view.printable) words += std::string(words.empty() ? "" : ", ") + view.word;
    cmd->add_option("--view", o.view, words);
    cmd->add_flag("--log", o.log, "the diffraction view's PSF on a logarithmic intensity scale");
    cmd->add_flag("--quick", o.quick, "the Quick Print summary page");
    cmd->add_option("-o,--output", o.output, "write the page to this PDF file instead of a printer");
    cmd->add_option("--printer", o.printer, "print on this printer instead of the default one");
    cmd->add_option("--paper", o.paper, "letter, a4, legal or a3 (default: the printer's, or letter)");
    cmd->add_flag("--landscape", o.landscape, "turn the page");
    cmd->add_option("--dpi", o.dpi, "printer pixels per inch the page is laid out in (default 300)")
        ->check(between(72, 2400));
    cmd->footer(toleranceViewHelp());
    cmd->callback([] { runPrint(o); });
}

}  // namespace orvelin::cli
