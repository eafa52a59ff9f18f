// Printing on the platform: printers as CUPS and Qt know them, documents
// that end up in a PDF file or in a printer's queue, the print dialog, and
// the small progress dialog with Cancel of the desktop program.
//
// Every page is first drawn into a PDF file of the printer's page size
// through a QPrinter.  Ending the document hands that file to its place: the
// chosen PDF file (renamed into place, so a half-written page never takes
// its name), or the printer's queue through CUPS, whose answer is checked.
// A build without libcups draws a printer's page into an image instead and
// prints it through Qt when the document ends.  Aborting a document deletes
// it, so a cancelled job never reaches paper.
#pragma once

#include <QPageLayout>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "platform/print_document.h"

class QPrinter;
class QWidget;

namespace orvelin::qt {

/// Printer resolution the pages are laid out in: the dots of the printed
/// spot plots are printer pixels, so the page is drawn at a laser printer's
/// classic resolution rather than at a PDF's 1200 dots per inch.
inline constexpr int kPrintResolution = 300;

/// Where and how a document is printed.
struct PrintTarget {
    QString pdfFile;      ///< non-empty: write a PDF file here
    QString printerName;  ///< otherwise this CUPS printer's queue
    /// Page size, orientation and margins; invalid: the printer's default
    /// (for a PDF file, US Letter with quarter-inch margins).
    QPageLayout layout;
    int resolution = kPrintResolution;
    int copies = 1;
};

/// The default printer as the system's profile names it,
/// "device,driver,port": the CUPS queue name, its make and model (blanks
/// and commas turned into underscores, "CUPS" when unknown) and its device
/// URI.  ",,," when there is no default printer.
std::string defaultPrinterProfile();

/// Whether a printer of this name exists; false with the reason otherwise.
bool printerExists(const QString& name, std::string* why = nullptr);

/// The page size, orientation and printable margins a printer uses by
/// default; invalid for an unknown printer.
QPageLayout printerPageLayout(const QString& name);

/// A printing page size by name ("letter", "a4", "legal", "a3"; any case);
/// invalid for an unknown name.
QPageLayout pageLayoutNamed(const QString& name, bool landscape);

/// A document on a PDF file or a printer queue.
class QtPrintDocument : public PrintDocument {
  public:
    explicit QtPrintDocument(PrintTarget target);
    ~QtPrintDocument() override;
    QtPrintDocument(const QtPrintDocument&) = delete;
    QtPrintDocument& operator=(const QtPrintDocument&) = delete;

    bool beginDocument(std::string_view documentName) override;
    bool beginPage() override;
    draw::Device& device() override;
    bool finishPage() override;
    void abandonDocument() override;
    bool finishDocument() override;
    std::string errorText() const override { return error_; }

    /// The CUPS job number of the last document sent to a printer.
    int jobId() const { return jobId_; }

  private:
    bool deliverPdf();  // the written PDF to its file or the printer's queue
    bool printImage();  // the page image to the printer through Qt
    struct Impl;
    std::unique_ptr<Impl> d_;
    PrintTarget target_;
    std::string error_;
    int jobId_ = 0;
};

}  // namespace orvelin::qt
