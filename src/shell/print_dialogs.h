// The window's printing dialogs: the Print dialog that chooses a printer or
// a PDF file, and the progress dialog of a Print Page job with its Cancel.
#pragma once

#include <optional>
#include <string_view>

#include <QString>

#include "platform/print_document.h"
#include "platform/qt/printing.h"

class QDialog;
class QLabel;
class QWidget;

namespace orvelin {

/// The Print dialog, opened on the default printer every time; the choice,
/// or nothing when the user cancels.
std::optional<qt::PrintTarget> runPrintDialog(QWidget* parent);

/// The modeless progress dialog of a Print Page job: caption "Orvelin", a
/// line of progress text, "Please wait" and Cancel (Esc too); no close
/// button.  It starts hidden.  Cancel marks the job aborted, re-enables the
/// main window and closes the dialog; pump() lets Qt handle what is waiting.
class PrintProgressDialog : public PrintProgress {
  public:
    explicit PrintProgressDialog(QWidget* mainWindow);
    ~PrintProgressDialog() override;
    void show() override;
    void setText(std::string_view text) override;
    void pump() override;
    bool aborted() const override { return aborted_; }
    /// Cancel as the button does (for tests and for Esc).
    void cancel();
    QDialog* dialog() const { return dialog_; }
    QString text() const;

  private:
    QWidget* mainWindow_;
    QDialog* dialog_ = nullptr;
    QLabel* text_ = nullptr;
    bool aborted_ = false;
};

}  // namespace orvelin
