// Printed pages as real PDF files: every view of an example design printed
// through QPrinter, read back with pdftotext and pdfinfo (poppler-utils) and
// looked at as pixels; documents that cannot start, aborted documents, an
// unknown printer, Quick Print without a default printer, and the progress
// dialog's Cancel (button and Esc) stopping a long printed plot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "design/design_file.h"
#include "platform/qt/headless.h"
#include "platform/qt/printing.h"
#include "plots/plot_dispatch.h"
#include "print_test_util.h"
#include "reports/quick_print.h"

namespace orvelin {
namespace {

namespace fs = std::filesystem;
using printtest::fixedTime;

// No print server for this program: the system has no printers at all, so
// the default printer is missing whatever the machine's own set-up.  (The
// real queue is exercised by cups_quick_print.sh.)
const bool kNoPrintServer = [] {
    setenv("CUPS_SERVER", "/nonexistent/orvelin-test/cups.sock", 1);
    return true;
}();

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The page's text with runs of blanks made one (pdftotext does not keep
// the header's double spaces).
std::string pdfText(const fs::path& pdf) {
    const std::string raw = run("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null");
    std::string out;
    for (char c : raw)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    return out;
}

std::string pdfPageSize(const fs::path& pdf) {
    const std::string info = run("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    const auto at = info.find("Page size:");
    if (at == std::string::npos) return {};
    const auto end = info.find('\n', at);
    std::string line = info.substr(at + 10, end - at - 10);
    return line.substr(line.find_first_not_of(' '));
}

// Dark pixels of the page rendered at 50 dpi, in a rectangle given in
// fractions of the page.
int darkPixels(const fs::path& pdf, double x0, double y0, double x1, double y1) {
    const fs::path png = pdf.parent_path() / (pdf.stem().string() + "-view");
    run("pdftoppm -png -r 50 -singlefile '" + pdf.string() + "' '" + png.string() + "'");
    QImage image(QString::fromStdString(png.string() + ".png"));
    if (image.isNull()) return -1;
    int dark = 0;
    for (int y = int(y0 * image.height()); y < int(y1 * image.height()); ++y)
        for (int x = int(x0 * image.width()); x < int(x1 * image.width()); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/orvelin-print-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    int files() const { return static_cast<int>(std::distance(fs::directory_iterator(path), {})); }
};

// A design loaded from the examples, analysed and laid out as the design
// view does, then taken to a view by its commands.
struct Loaded : printtest::Records {
    explicit Loaded(const char* example, std::initializer_list<int> commands = {}) : Records(load(example)) {
        gdi::RecordingDevice window(632, 408, 1024, 768), buffer(1024, 730, 1024, 768);
        SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
        for (int c : commands) dispatchPlot(plot, results, geometry, c);
    }
    static Design load(const char* example) {
        Design d;
        EXPECT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + example).accepted());
        return d;
    }
};

PrintJobResult printToPdf(printtest::Records& r, int view, const fs::path& pdf, PrintProgress& progress,
                          QPageLayout layout = QPageLayout()) {
    qt::PrintTarget target;
    target.pdfFile = QString::fromStdString(pdf.string());
    target.layout = layout;
    qt::QtPrintDocument doc(target);
    return runPrintPageJob(doc, r.print, view, progress, fixedTime());
}

class PdfPrinting : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { qt::ensureQtApplication(); }
    TempDir dir;
};

TEST_F(PdfPrinting, EveryViewPrintsAReadableLetterPage) {
    PrintProgress quiet;
    struct Case {
        int view;
        std::initializer_list<int> commands;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {300,
         {},
         {"Field center", "B.F.L.", "LA'toler", "F/ratio", "5.012500", "0.224639", "501.250000", "8.726868",
          "Anamorphism", "0.000 %", "+ Field angle", "-0.038363"}},
        {500,
         {},
         {"Surface", "CC/Rsag", "Separation", "parab", "1000", "(focal plane)", "Aperture", "100 mm",
          "Field semi-angle", "0.5 degrees", "f/5.01"}},
        {600, {601}, {}},
        {602, {602}, {}},
        {603, {603}, {}},
        {700, {601, 700}, {}},
    };
    for (const Case& c : cases) {
        Loaded r("paraboloid-f5.ov", c.commands);
        ASSERT_TRUE(r.analysed);
        const fs::path pdf = dir.path / ("view" + std::to_string(c.view) + ".pdf");
        const PrintJobResult res = printToPdf(r, c.view, pdf, quiet);
        ASSERT_EQ(res.status, PrintStatus::printed) << c.view << ": " << res.message;
        EXPECT_EQ(pdfPageSize(pdf), "612 x 792 pts (letter)") << c.view;
        const std::string text = pdfText(pdf);
        EXPECT_NE(text.find("Orvelin V0.90 - paraboloid-f5"), std::string::npos) << c.view << "\n" << text;
        EXPECT_NE(text.find("Tue 3/04/25 01:05:09 PM"), std::string::npos) << c.view << "\n" << text;
        for (const std::string& w : c.words)
            EXPECT_NE(text.find(w), std::string::npos) << c.view << ": " << w;
        if (c.view >= 600) {
            // Spots in the plot area, nothing but the header above it.
            EXPECT_GT(darkPixels(pdf, 0, 0.1, 1, 1), 0) << c.view;
        }
    }
    EXPECT_EQ(dir.files(), 6 + 4) << "the PDFs and four looked-at pictures, no temporary files";

    // Quick Print: the table above the report, the Airy circle beside it.
    Loaded quick("paraboloid-f5.ov");
    const fs::path pdf = dir.path / "quick.pdf";
    qt::PrintTarget target;
    target.pdfFile = QString::fromStdString(pdf.string());
    qt::QtPrintDocument doc(target);
    ASSERT_EQ(runQuickPrintJob(doc, quick.print, fixedTime()).status, PrintStatus::printed);
    const std::string text = pdfText(pdf);
    for (const char* w : {"Orvelin V0.90 - paraboloid-f5", "f/5.01", "B.F.L.", "500.000000", "- Field angle"})
        EXPECT_NE(text.find(w), std::string::npos) << w << "\n" << text;
    EXPECT_LT(text.find("Separation"), text.find("Field center"));
    EXPECT_GT(darkPixels(pdf, 0.6, 0.05, 1, 0.25), 0) << "the Airy circle beside the table";

    // A4 from the page options, in landscape: the page turns, the header
    // spans the longer side.
    Loaded r("paraboloid-f5.ov");
    const fs::path a4 = dir.path / "a4.pdf";
    ASSERT_EQ(printToPdf(r, 300, a4, quiet, qt::pageLayoutNamed("A4", true)).status, PrintStatus::printed);
    EXPECT_EQ(pdfPageSize(a4), "842 x 595 pts (A4)");
    EXPECT_NE(pdfText(a4).find("LA'toler"), std::string::npos);
    EXPECT_FALSE(qt::pageLayoutNamed("tabloid-ish", false).isValid());
}

TEST_F(PdfPrinting, FailedStartsAbortsAndUnknownPrintersAreReported) {
    PrintProgress quiet;
    Loaded r("paraboloid-f5.ov", {601});

    // A folder that does not exist: the document cannot start.
    const PrintJobResult missing = printToPdf(r, 300, dir.path / "no" / "such" / "page.pdf", quiet);
    EXPECT_EQ(missing.status, PrintStatus::startFailed);
    EXPECT_NE(missing.message.find("no/such"), std::string::npos) << missing.message;

    // Cancelled during the plot: the page is dropped and the file that
    // stood there before is untouched, with no temporary file left behind.
    const fs::path kept = dir.path / "kept.pdf";
    std::ofstream(kept) << "old page";
    printtest::ScriptedProgress cancelling;
    cancelling.cancelAtPump = 3;
    const PrintJobResult cancelled = printToPdf(r, 600, kept, cancelling);
    EXPECT_EQ(cancelled.status, PrintStatus::cancelled);
    EXPECT_EQ(cancelled.printAborted, 1);
    std::ifstream in(kept);
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "old page");
    EXPECT_EQ(dir.files(), 1);

    // A printer the system does not know cannot be opened.
    qt::PrintTarget nowhere;
    nowhere.printerName = QStringLiteral("NoSuchPrinter");
    qt::QtPrintDocument doc(nowhere);
    const PrintJobResult unknown = runPrintPageJob(doc, r.print, 300, quiet, fixedTime());
    EXPECT_EQ(unknown.status, PrintStatus::startFailed);
    EXPECT_NE(unknown.message.find("NoSuchPrinter"), std::string::npos) << unknown.message;
}

TEST_F(PdfPrinting, QuickPrintWithoutDefaultPrinterSaysSoInAMessageBox) {
    EXPECT_EQ(qt::defaultPrinterProfile(), ",,,");
    Loaded r("paraboloid-f5.ov");
    QWidget main;
    QString shown;
    // The message box is modal: read it and close it from the event loop.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    poll.start(10);
    const PrintJobResult res = qt::quickPrintInteractive(&main, r.print);
    poll.stop();
    EXPECT_TRUE(res.failed());
    EXPECT_EQ(shown.toStdString(), noDefaultPrinterMessage());
    EXPECT_TRUE(main.isEnabled());
}

// The desktop's progress dialog, with a click on Cancel queued at a chosen
// pump: it arrives through Qt's own event handling, as the user's would.
struct ClickingProgress : qt::QtPrintProgress {
    using QtPrintProgress::QtPrintProgress;
    int pumps = 0;
    int clickAt = -1;
    bool escape = false;
    QString textWhenClicked;
    void pump() override {
        if (++pumps == clickAt && dialog()) {
            textWhenClicked = text();
            if (escape) {
                QCoreApplication::postEvent(dialog(),
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            } else {
                auto* button = dialog()->findChild<QPushButton*>(QStringLiteral("cancel"));
                QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
            }
        }
        QtPrintProgress::pump();
    }
};

TEST_F(PdfPrinting, CancelStopsALongPrintedPlotAndAbortsTheJob) {
    for (bool escape : {false, true}) {
        Loaded r("paraboloid-f5.ov", {601});
        QWidget main;
        main.setEnabled(false);  // as Print Page leaves it for the job
        ClickingProgress progress(&main);
        progress.clickAt = 10;
        progress.escape = escape;
        const fs::path pdf = dir.path / "cancelled.pdf";
        qt::PrintTarget target;
        target.pdfFile = QString::fromStdString(pdf.string());
        target.resolution = 600;  // 108 rings in five spots: long enough to cancel
        qt::QtPrintDocument doc(target);
        const PrintJobResult res = runPrintPageJob(doc, r.print, 600, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::cancelled) << escape;
        EXPECT_EQ(progress.textWhenClicked, QStringLiteral("Plotting 176580 rays"));
        // The click lands in the tenth pump's event handling; the loop
        // stops before another ring and the remaining spots draw nothing.
        EXPECT_EQ(progress.pumps, 10) << escape;
        EXPECT_TRUE(progress.aborted());
        EXPECT_EQ(progress.dialog(), nullptr) << "Cancel closes the dialog";
        EXPECT_TRUE(main.isEnabled()) << "and gives the main window back";
        EXPECT_FALSE(fs::exists(pdf)) << "a cancelled job is not half-printed";
        EXPECT_EQ(dir.files(), 0);
        QCoreApplication::processEvents();  // the dialog's deferred deletion
    }
}

}  // namespace
}  // namespace orvelin
