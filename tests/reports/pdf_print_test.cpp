// Printed pages as real PDF files, read back with pdftotext, pdfinfo and
// pdftoppm: every view, Quick Print, A4 landscape; documents that cannot
// start, aborted documents, an unknown printer, Quick Print without a
// default printer, and Cancel (button and Esc) in the progress dialog.
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
#include "shell/print_dialogs.h"
#include "shell/printing.h"

namespace orvelin {
namespace {

namespace fs = std::filesystem;
using printtest::fixedTime;

// No print server for this program, so no default printer whatever the
// machine's set-up (cups_quick_print.sh drives a real queue).
const bool kNoPrintServer = [] {
    return setenv("CUPS_SERVER", "/nonexistent/orvelin-test/cups.sock", 1) == 0;
}();

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// Runs of blanks made one (pdftotext drops the header's double spaces).
std::string squeezed(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    return out;
}
std::string pdfText(const fs::path& pdf) {
    return squeezed(run("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null"));
}
bool pdfPageSizeIs(const fs::path& pdf, const std::string& size) {
    return squeezed(run("pdfinfo '" + pdf.string() + "' 2>/dev/null")).find("Page size: " + size + "\n") !=
           std::string::npos;
}

// Dark pixels of the page at 50 dpi in a rectangle given in page fractions.
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

// An example design, analysed and laid out as the design view does, then
// taken to a view by its commands.
struct Loaded : printtest::Records {
    explicit Loaded(std::initializer_list<int> commands = {}) : Records(load()) {
        draw::RecordingDevice window(632, 408, 1024, 768), buffer(1024, 730, 1024, 768);
        SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
        for (int c : commands) dispatchPlot(plot, c);
    }
    static Design load() {
        Design d;
        EXPECT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/paraboloid-f5.ov").accepted());
        return d;
    }
};

qt::PrintTarget pdfTarget(const fs::path& pdf, QPageLayout layout = QPageLayout()) {
    qt::PrintTarget target;
    target.pdfFile = QString::fromStdString(pdf.string());
    target.layout = layout;
    return target;
}

PrintJobResult printToPdf(printtest::Records& r, int view, const fs::path& pdf, PrintProgress& progress,
                          QPageLayout layout = QPageLayout()) {
    qt::QtPrintDocument doc(pdfTarget(pdf, layout));
    return r.printPage(doc, view, progress, fixedTime());
}

class PdfPrinting : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { qt::ensureQtApplication(); }
    TempDir dir;
    PrintProgress quiet;
};

TEST_F(PdfPrinting, EveryViewPrintsAReadableLetterPage) {
    struct Case {
        int view;
        std::initializer_list<int> commands;
        std::vector<std::string> words;
    } const cases[] = {
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
        Loaded r(c.commands);
        ASSERT_TRUE(r.analysed);
        const fs::path pdf = dir.path / ("view" + std::to_string(c.view) + ".pdf");
        const PrintJobResult res = printToPdf(r, c.view, pdf, quiet);
        ASSERT_EQ(res.status, PrintStatus::printed) << c.view << ": " << res.message;
        EXPECT_TRUE(pdfPageSizeIs(pdf, "612 x 792 pts (letter)")) << c.view;
        const std::string text = pdfText(pdf);
        EXPECT_NE(text.find("Orvelin V0.90 - paraboloid-f5"), std::string::npos) << c.view << "\n" << text;
        EXPECT_NE(text.find("Tue 3/04/25 01:05:09 PM"), std::string::npos) << c.view << "\n" << text;
        for (const std::string& w : c.words)
            EXPECT_NE(text.find(w), std::string::npos) << c.view << ": " << w;
        if (c.view >= 600) {
            EXPECT_GT(darkPixels(pdf, 0, 0.1, 1, 1), 0) << c.view << ": spots below the header";
        }
    }
    EXPECT_EQ(dir.files(), 6 + 4) << "the PDFs and four looked-at pictures, no temporary files";

    // Quick Print: the table above the report, the Airy circle beside it.
    Loaded quick;
    const fs::path pdf = dir.path / "quick.pdf";
    qt::QtPrintDocument doc(pdfTarget(pdf));
    ASSERT_EQ(runQuickPrintJob(doc, quick.print, fixedTime()).status, PrintStatus::printed);
    const std::string text = pdfText(pdf);
    for (const char* w : {"Orvelin V0.90 - paraboloid-f5", "f/5.01", "B.F.L.", "500.000000", "- Field angle"})
        EXPECT_NE(text.find(w), std::string::npos) << w << "\n" << text;
    EXPECT_LT(text.find("Separation"), text.find("Field center"));
    EXPECT_GT(darkPixels(pdf, 0.6, 0.05, 1, 0.25), 0) << "the Airy circle beside the table";

    // A4 landscape from the page options: the header spans the longer side.
    const fs::path a4 = dir.path / "a4.pdf";
    ASSERT_EQ(printToPdf(quick, 300, a4, quiet, qt::pageLayoutNamed("A4", true)).status,
              PrintStatus::printed);
    EXPECT_TRUE(pdfPageSizeIs(a4, "842 x 595 pts (A4)"));
    EXPECT_NE(pdfText(a4).find("LA'toler"), std::string::npos);
    EXPECT_FALSE(qt::pageLayoutNamed("tabloid-ish", false).isValid());
}

TEST_F(PdfPrinting, FailedStartsAbortsAndUnknownPrintersAreReported) {
    Loaded r({601});
    const PrintJobResult missing = printToPdf(r, 300, dir.path / "no" / "such" / "page.pdf", quiet);
    EXPECT_EQ(missing.status, PrintStatus::startFailed);
    EXPECT_NE(missing.message.find("no/such"), std::string::npos) << missing.message;

    // Cancelled during the plot: the file that stood there before is
    // untouched, and no temporary file is left behind.
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

    qt::PrintTarget nowhere;
    nowhere.printerName = QStringLiteral("NoSuchPrinter");
    qt::QtPrintDocument doc(nowhere);
    const PrintJobResult unknown = r.printPage(doc, 300, quiet, fixedTime());
    EXPECT_EQ(unknown.status, PrintStatus::startFailed);
    EXPECT_NE(unknown.message.find("NoSuchPrinter"), std::string::npos) << unknown.message;
}

TEST_F(PdfPrinting, QuickPrintWithoutDefaultPrinterSaysSoInAMessageBox) {
    EXPECT_EQ(qt::defaultPrinterProfile(), ",,,");
    Loaded r;
    QWidget main;
    QString shown;
    QTimer poll;  // the box is modal: read and close it from the event loop
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    poll.start(10);
    const PrintJobResult res = quickPrintInteractive(&main, r.print);
    poll.stop();
    EXPECT_TRUE(res.failed());
    EXPECT_EQ(shown.toStdString(), noDefaultPrinterMessage());
    EXPECT_TRUE(main.isEnabled());
}

// The desktop's progress dialog, with Cancel clicked (or Esc pressed) at a
// chosen pump through Qt's own event handling, as the user would.
struct ClickingProgress : PrintProgressDialog {
    using PrintProgressDialog::PrintProgressDialog;
    int pumps = 0, clickAt = -1;
    bool escape = false;
    QString textWhenClicked;
    void pump() override {
        if (++pumps == clickAt && dialog()) {
            textWhenClicked = text();
            if (escape)
                QCoreApplication::postEvent(dialog(),
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            else
                QMetaObject::invokeMethod(dialog()->findChild<QPushButton*>(QStringLiteral("cancel")),
                                          "click", Qt::QueuedConnection);
        }
        PrintProgressDialog::pump();
    }
};

TEST_F(PdfPrinting, CancelStopsALongPrintedPlotAndAbortsTheJob) {
    for (bool escape : {false, true}) {
        Loaded r({601});
        QWidget main;
        main.setEnabled(false);  // as Print Page leaves it for the job
        ClickingProgress progress(&main);
        progress.clickAt = 10;
        progress.escape = escape;
        const fs::path pdf = dir.path / "cancelled.pdf";
        qt::PrintTarget target = pdfTarget(pdf);
        target.resolution = 600;  // 108 rings in five spots: long enough to cancel
        qt::QtPrintDocument doc(target);
        const PrintJobResult res = r.printPage(doc, 600, progress, fixedTime());
        EXPECT_EQ(res.status, PrintStatus::cancelled) << escape;
        EXPECT_EQ(progress.textWhenClicked, QStringLiteral("Plotting 176580 rays"));
        // Handled in the tenth pump: no further ring, no further spot.
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
