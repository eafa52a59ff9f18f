#include "platform/qt/printing.h"

#include <sys/stat.h>
#ifdef ORVELIN_HAVE_CUPS
#include <cups/cups.h>
#endif

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/qt/qt_device.h"

namespace orvelin::qt {

namespace {

// Quarter-inch margins: the unprintable edge of a typical laser printer, so
// that a PDF page looks like paper from a printer.
constexpr double kPdfMarginMm = 6.35;

std::string profileToken(const QString& s, const char* fallback) {
    std::string t = s.trimmed().toStdString();
    for (char& c : t)
        if (c == ',' || c == ' ' || c == '\t') c = '_';
    return t.empty() ? fallback : t;
}

// The device URI of a CUPS queue, or empty.
std::string deviceUri(const QString& name) {
#ifndef ORVELIN_HAVE_CUPS
    (void)name;  // only CUPS itself tells where a queue leads
    return {};
#else
    const QByteArray n = name.toLocal8Bit();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, n.constData(), nullptr);
    if (!dest) return {};
    const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options);
    std::string out = uri ? uri : "";
    cupsFreeDests(1, dest);
    return out;
#endif
}

QPageLayout defaultPdfLayout() {
    return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                       QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                       QPageLayout::Millimeter);
}

}  // namespace

std::string defaultPrinterProfile() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() || info.printerName().isEmpty()) return kNoPrinterProfile;
    std::string port = deviceUri(info.printerName());
    if (port.empty()) port = "CUPS";
    for (char& c : port)
        if (c == ',' || c == ' ') c = '_';
    return info.printerName().toStdString() + "," + profileToken(info.makeAndModel(), "CUPS") + "," + port;
}

bool printerExists(const QString& name, std::string* why) {
    if (!name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull()) return true;
    if (why) *why = "The print system knows no printer named \"" + name.toStdString() + "\".";
    return false;
}

QPageLayout printerPageLayout(const QString& name) {
    if (!printerExists(name)) return QPageLayout();
    QPrinter native(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    return native.pageLayout();
}

QPageLayout pageLayoutNamed(const QString& name, bool landscape) {
    const QString n = name.toLower();
    QPageSize::PageSizeId id;
    if (n == "letter")
        id = QPageSize::Letter;
    else if (n == "a4")
        id = QPageSize::A4;
    else if (n == "legal")
        id = QPageSize::Legal;
    else if (n == "a3")
        id = QPageSize::A3;
    else
        return QPageLayout();
    return QPageLayout(QPageSize(id), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                       QPageLayout::Millimeter);
}

// Without CUPS a page for a printer is drawn into an image of the printable
// area at the page's resolution and printed through Qt when the document
// ends; like the PDF file of the other ways, a cancelled page never leaves
// the program.
#ifdef ORVELIN_HAVE_CUPS
constexpr bool kPrinterPagesAsImages = false;
#else
constexpr bool kPrinterPagesAsImages = true;
#endif

struct QtPrintDocument::Impl {
    std::unique_ptr<QPrinter> printer;  // the PDF being written
    std::unique_ptr<QImage> image;      // or the page of a printer without CUPS
    std::unique_ptr<QtDevice> device;
    QString tempPath;
    QString title;
    QPageLayout layout;  // the page the document is drawn on
    bool started = false;
    bool aborted = false;

    void discard() {
        if (device) device->end();
        device.reset();
        printer.reset();
        image.reset();
        if (!tempPath.isEmpty()) QFile::remove(tempPath);
        tempPath.clear();
    }
};

QtPrintDocument::QtPrintDocument(PrintTarget target)
    : d_(std::make_unique<Impl>()), target_(std::move(target)) {}

QtPrintDocument::~QtPrintDocument() {
    d_->discard();
}

bool QtPrintDocument::beginDocument(std::string_view documentName) {
    error_.clear();
    d_->discard();
    d_->started = d_->aborted = false;
    d_->title = QString::fromUtf8(documentName.data(), static_cast<int>(documentName.size()));

    // The page's size and printable area: the printer's own, or the one asked for.
    QPageLayout layout = target_.layout;
    const bool toFile = !target_.pdfFile.isEmpty();
    if (toFile) {
        if (!layout.isValid()) layout = defaultPdfLayout();
    } else {
        std::string why;
        if (!printerExists(target_.printerName, &why)) {
            error_ = why;
            return false;
        }
        if (!layout.isValid()) layout = printerPageLayout(target_.printerName);
    }

    d_->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& p = *d_->printer;
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setResolution(target_.resolution);
    if (!p.setPageLayout(layout)) {
        error_ = "The printer cannot use the page size " + layout.pageSize().name().toStdString() + ".";
        d_->discard();
        return false;
    }
    d_->layout = layout;
    const QRectF page = p.pageRect(QPrinter::DevicePixel);
    const int W = static_cast<int>(page.width());
    const int H = static_cast<int>(page.height());
    if (W <= 0 || H <= 0) {
        error_ = "The page has no printable area.";
        d_->discard();
        return false;
    }
    const draw::Rect area{0, 0, W, H};
    const ScreenMetrics caps{W, H, target_.resolution, target_.resolution};

    if (!toFile && kPrinterPagesAsImages) {
        d_->printer.reset();
        d_->image = std::make_unique<QImage>(W, H, QImage::Format_RGB32);
        if (d_->image->isNull()) {
            error_ = "There is not enough memory for the page.";
            d_->discard();
            return false;
        }
        d_->image->fill(Qt::white);
        d_->device = std::make_unique<QtDevice>(*d_->image, area, caps);
        d_->started = true;
        return true;
    }

    // The page is drawn into a file beside its destination and moved there
    // only when the job ends well.
    const QString tempDir = toFile ? QFileInfo(target_.pdfFile).absolutePath() : QDir::tempPath();
    QTemporaryFile temp(tempDir + QStringLiteral("/.orvelin-print-XXXXXX.pdf"));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        error_ = "Cannot write in " + tempDir.toStdString() + ": " + temp.errorString().toStdString();
        d_->discard();
        return false;
    }
    d_->tempPath = temp.fileName();
    temp.close();
    p.setOutputFileName(d_->tempPath);
    p.setDocName(d_->title);
    p.setCreator(QStringLiteral("Orvelin"));
    d_->device = std::make_unique<QtDevice>(p, area, caps);
    if (!d_->device->painter().isActive()) {
        error_ = "The document could not be started.";
        d_->discard();
        return false;
    }
    d_->started = true;
    return true;
}

bool QtPrintDocument::beginPage() {
    // The document's first page is open from the start.
    if (!d_->started || !d_->device || !d_->device->painter().isActive()) {
        error_ = "There is no document to start a page in.";
        return false;
    }
    return true;
}

draw::Device& QtPrintDocument::device() {
    return *d_->device;
}

bool QtPrintDocument::finishPage() {
    if (!d_->started || !d_->device || !d_->device->painter().isActive()) {
        if (error_.empty()) error_ = "The page was not open.";
        return false;
    }
    return true;
}

void QtPrintDocument::abandonDocument() {
    d_->aborted = true;
    d_->discard();
}

bool QtPrintDocument::finishDocument() {
    if (!d_->started || d_->aborted) {
        d_->discard();
        d_->started = false;
        return d_->aborted;
    }
    d_->started = false;
    d_->device->end();
    d_->device.reset();
    bool delivered;
    if (d_->image) {
        delivered = printImage();
    } else {
        const bool written = d_->printer->printerState() != QPrinter::Error;
        d_->printer.reset();  // closes the file
        delivered = written && QFileInfo(d_->tempPath).size() > 0 && deliverPdf();
    }
    if (!delivered && error_.empty()) error_ = "The page could not be written.";
    d_->discard();
    return delivered;
}

bool QtPrintDocument::printImage() {
    // Qt's print system on its own: it reports a printer it cannot open,
    // though not what the queue makes of the job.
    QPrinter native(QPrinterInfo::printerInfo(target_.printerName), QPrinter::HighResolution);
    native.setResolution(target_.resolution);
    native.setPageLayout(d_->layout);
    native.setDocName(d_->title.isEmpty() ? QStringLiteral("Orvelin") : d_->title);
    native.setCopyCount(target_.copies);
    QPainter painter;
    if (!painter.begin(&native)) {
        error_ = "The printer \"" + target_.printerName.toStdString() + "\" could not be opened.";
        return false;
    }
    painter.drawImage(QRect(QPoint(0, 0), d_->image->size()), *d_->image);
    if (!painter.end() || native.printerState() == QPrinter::Error) {
        error_ = "The printer did not take the page.";
        return false;
    }
    return true;
}

bool QtPrintDocument::deliverPdf() {
    const QByteArray from = QFile::encodeName(d_->tempPath);
    if (!target_.pdfFile.isEmpty()) {
        // rename() replaces an existing file in one step.
        const QByteArray to = QFile::encodeName(target_.pdfFile);
        if (std::rename(from.constData(), to.constData()) != 0) {
            error_ = "Cannot write " + target_.pdfFile.toStdString() + ": " + std::strerror(errno);
            return false;
        }
        d_->tempPath.clear();
        // The temporary file was private; the page gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(to.constData(), 0666 & ~mask);
        return true;
    }
#ifdef ORVELIN_HAVE_CUPS
    // Hand the page to the printer's queue and make sure it was taken.
    const QByteArray printer = target_.printerName.toLocal8Bit();
    const QByteArray title = d_->title.isEmpty() ? QByteArray("Orvelin") : d_->title.toUtf8();
    cups_option_t* options = nullptr;
    int count = 0;
    const QByteArray media = d_->layout.isValid() ? d_->layout.pageSize().key().toLatin1() : QByteArray();
    if (!media.isEmpty()) count = cupsAddOption("media", media.constData(), count, &options);
    if (target_.copies > 1)
        count = cupsAddOption("copies", QByteArray::number(target_.copies).constData(), count, &options);
    jobId_ = cupsPrintFile(printer.constData(), from.constData(), title.constData(), count, options);
    cupsFreeOptions(count, options);
    if (jobId_ == 0) {
        error_ = std::string("The print system refused the job: ") + cupsLastErrorString();
        return false;
    }
    return true;
#else
    return false;  // printer pages are images here, never PDF files
#endif
}

}  // namespace orvelin::qt
