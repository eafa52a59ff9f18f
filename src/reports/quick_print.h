// Quick Print: a fixed one-page summary on the default printer, without any
// dialog: the header line, the design table with a spot diagram inside a
// circle the size of the Airy disk beside it, the layout below them in the
// upper half, and the trace report in the lower half.  Every text is in the
// header font.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "reports/print_page.h"

namespace orvelin {

/// The default printer as the system names it: "device,driver,port".  The
/// device name is the text up to the first comma (blanks inside it stay);
/// driver and port are the next two tokens, split at commas and blanks.
struct PrinterProfile {
    std::string device;
    std::string driver;
    std::string port;
};

/// Split a profile value; nothing when any of the three parts is missing.
std::optional<PrinterProfile> parsePrinterProfile(std::string_view profile);

/// Draw the Quick Print page.  Writes the plot frame's windowCentreX,
/// windowOriginX, windowCentreY, scale and spotCentreX, the ray, the spot
/// extent and the entrance distance.
void drawQuickPrintPage(draw::Device& dc, PrintRecords& records, const std::tm& now);

/// A Quick Print job on the opened default printer.  A document or page
/// that cannot be started or finished is reported in the result, never
/// passed off as printed.
PrintJobResult runQuickPrintJob(PrintDocument& doc, PrintRecords& records, const std::tm& now);

/// The message for a missing default printer, and for one that cannot be
/// opened.
std::string noDefaultPrinterMessage();
std::string printerNotOpenedMessage(const std::string& device);

}  // namespace orvelin
