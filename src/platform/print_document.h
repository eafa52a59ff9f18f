// What a print job needs from the platform: the document on a printer (or a
// PDF file) that a page is drawn into, and the user interface's side of a
// long printout.  The Qt layer implements both; the printed pages and plots
// of the core are written against these interfaces only.
#pragma once

#include <string>
#include <string_view>

#include "platform/draw_device.h"

namespace orvelin {

/// A document on a printer, as the platform provides it.  Calls come in the
/// order beginDocument, beginPage, finishPage, then abandonDocument (after a cancel) and
/// finishDocument; the device is valid from a successful beginDocument until finishDocument.
class PrintDocument {
  public:
    virtual ~PrintDocument() = default;
    /// Start the document; false when the printer cannot take it.
    virtual bool beginDocument(std::string_view documentName) = 0;
    virtual bool beginPage() = 0;
    virtual draw::Device& device() = 0;
    virtual bool finishPage() = 0;
    /// Drop the document: nothing of it reaches paper or file.
    virtual void abandonDocument() = 0;
    /// Finish the document and hand it to the printer (after abandonDocument:
    /// release it only).  False when the printer did not take it.
    virtual bool finishDocument() = 0;
    /// Why the last call failed, in words for the user.
    virtual std::string errorText() const = 0;
};

/// The user interface's side of a long printout: a line of progress text, a
/// chance to handle pending input (so that Cancel can be pressed) and the
/// cancel flag.  The desktop program shows a small dialog with Cancel; the
/// command line prints nothing and never cancels.
class PrintProgress {
  public:
    virtual ~PrintProgress() = default;
    /// Make the progress dialog visible (only spot-plot pages take long).
    virtual void show() {}
    /// Replace the progress text ("Plotting 12480 rays").
    virtual void setText(std::string_view text) { (void)text; }
    /// Handle whatever input is waiting, then return.
    virtual void pump() {}
    /// True once the user has cancelled the job.
    virtual bool aborted() const { return false; }
};

/// The default printer's profile value when there is none: "device,driver,port"
/// with all three parts empty.
inline constexpr const char* kNoPrinterProfile = ",,,";

}  // namespace orvelin
