#include "shell/print_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvelin {

std::optional<qt::PrintTarget> runPrintDialog(QWidget* parent) {
    // A fresh printer every time: the dialog always opens on the default
    // printer, whatever was chosen before.
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    qt::PrintTarget target;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        target.pdfFile = printer.outputFileName();
    else
        target.printerName = printer.printerName();
    target.layout = printer.pageLayout();
    target.copies = printer.copyCount();
    return target;
}

PrintProgressDialog::PrintProgressDialog(QWidget* mainWindow) : mainWindow_(mainWindow) {
    // Its own window, not a child of the main window, so that disabling the
    // main window for the job leaves Cancel working.  No close button: the
    // job ends by Cancel or by finishing.
    dialog_ = new QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog_->setWindowTitle(QStringLiteral("Orvelin"));
    dialog_->setModal(false);
    auto* layout = new QVBoxLayout(dialog_);
    text_ = new QLabel(dialog_);
    text_->setObjectName(QStringLiteral("progressText"));
    text_->setAlignment(Qt::AlignCenter);
    auto* wait = new QLabel(QStringLiteral("Please wait"), dialog_);
    wait->setAlignment(Qt::AlignCenter);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), dialog_);
    cancelButton->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(text_);
    layout->addWidget(wait);
    layout->addWidget(cancelButton, 0, Qt::AlignHCenter);
    QObject::connect(cancelButton, &QPushButton::clicked, dialog_, [this] { cancel(); });
    // Esc rejects the dialog: the same as Cancel.
    QObject::connect(dialog_, &QDialog::rejected, dialog_, [this] { cancel(); });
    if (mainWindow_) {
        const QRect r = mainWindow_->frameGeometry();
        dialog_->adjustSize();
        dialog_->move(r.center() - QPoint(dialog_->width() / 2, dialog_->height() / 2));
    }
}

PrintProgressDialog::~PrintProgressDialog() {
    delete dialog_;
}

void PrintProgressDialog::show() {
    if (!dialog_) return;
    dialog_->show();
    dialog_->raise();
    QCoreApplication::processEvents();
}

void PrintProgressDialog::setText(std::string_view text) {
    if (text_) text_->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

QString PrintProgressDialog::text() const {
    return text_ ? text_->text() : QString();
}

void PrintProgressDialog::pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void PrintProgressDialog::cancel() {
    if (aborted_) return;
    aborted_ = true;
    if (mainWindow_) mainWindow_->setEnabled(true);
    if (dialog_) {
        // Cancel arrives from the dialog's own button: it goes away once
        // the signal has returned.
        QDialog* d = dialog_;
        dialog_ = nullptr;
        text_ = nullptr;
        d->hide();
        d->deleteLater();
    }
}

}  // namespace orvelin
