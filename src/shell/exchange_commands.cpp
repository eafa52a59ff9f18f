// File > Import... and Export...: a sequential .zmx mirror system in or out.
#include <QFileDialog>
#include <QMessageBox>

#include "exchange/zmx_export.h"
#include "exchange/zmx_import.h"
#include "shell/commands.h"
#include "shell/main_window.h"

namespace orvelin {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string chooseZmxFile(QWidget* parent, bool save) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Zemax Files (*.zmx)"), QStringLiteral("All Files (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("zmx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

void tell(QWidget* parent, QMessageBox::Icon icon, const char* name, const QString& title,
          const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QString::fromLatin1(name));
    box.exec();
}

}  // namespace

void MainWindow::importCommand() {
    if (!saveChangesFirst()) return;
    const std::string path = chooseImportFile ? chooseImportFile() : chooseZmxFile(this, false);
    if (!path.empty()) importDesignFile(path);
}

bool MainWindow::importDesignFile(const std::string& path) {
    const exchange::ZmxImportResult r = exchange::importZmxFile(path);
    if (!r.accepted()) {
        // Nothing was taken: the design, its file and the menu stay.
        tell(this, QMessageBox::Critical, "importFailed", QStringLiteral("Import"),
             QStringLiteral("Cannot import \"%1\":\n%2").arg(q(path), q(r.message)));
        return false;
    }
    AppState& s = state_;
    const int oldCount = s.design.surfaceCount;
    s.design = r.design;
    // An imported design has no design file yet: Save asks for its name.
    s.files = FileSelection{};
    s.design.designTitle = kNewDesignTitle;
    removeSurfaceMenu(oldCount);
    setDesignCaption();
    buildSurfaceMenu(s.design.surfaceCount);
    enableDesignCommands();
    checkUnitsMenu();
    s.frame.scale = 0;
    markModified("Import");
    showDesignViewNow();
    if (!r.warnings.empty()) {
        QString text = QStringLiteral("\"%1\" was read with these warnings:").arg(q(fileNameOfPath(path)));
        for (const std::string& w : r.warnings) text += QStringLiteral("\n\n") + q(w);
        tell(this, QMessageBox::Warning, "importWarnings", QStringLiteral("Import"), text);
    }
    return true;
}

void MainWindow::exportCommand() {
    const std::string path = chooseExportFile ? chooseExportFile() : chooseZmxFile(this, true);
    if (path.empty()) return;
    const WriteResult r = exchange::exportZmxFile(state_.design, path);
    if (!r.ok)
        tell(this, QMessageBox::Critical, "exportFailed", QStringLiteral("Export"),
             QStringLiteral("Cannot export \"%1\":\n%2").arg(q(path), q(r.message)));
}

}  // namespace orvelin
