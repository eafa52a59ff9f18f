// File > Import... and Export... through the real window.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QStatusBar>

#include "exchange/zmx_import.h"
#include "shell_test_support.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class Exchange : public WindowTest {
  protected:
    static std::string zmx(const char* name) { return std::string(ORVELIN_TEST_DATA) + "/zmx/" + name; }
    void importFile(const std::string& p) {
        window->chooseImportFile = [p] { return p; };
        window->runCommand(kCmdImport);
    }
};

}  // namespace

TEST_F(Exchange, ImportTakesTheDesignWarnsAndRefuses) {
    EXPECT_EQ(window->action(kCmdImport)->text(), "&Import...");
    EXPECT_FALSE(window->action(kCmdExport)->isEnabled());
    importFile(zmx("newtonian-fold.zmx"));
    EXPECT_EQ(state().design.surfaceCount, 3);
    EXPECT_EQ(state().design.surfaces[2].tilt, 45);
    EXPECT_EQ(state().viewState, kViewDesign);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - (New Design)*");
    EXPECT_TRUE(state().modified);  // not saved anywhere yet
    EXPECT_TRUE(window->action(kCmdExport)->isEnabled());
    EXPECT_EQ(editItems(), 6);  // aperture, field, separator, two mirrors, the focal plane

    // Read with a warning: the design is taken and the box says why.
    state().modified = false;
    QString title, text;
    answerBox(&title, &text);
    importFile(zmx("schiefspiegler-tilt-return.zmx"));
    EXPECT_EQ(title, "Import");
    EXPECT_TRUE(text.contains("mirror 1 is tilted by 3.8 degrees")) << text.toStdString();
    EXPECT_EQ(state().design.surfaces[2].radius, -3300);

    // Refused: the box names the line, the design stays.
    state().modified = false;
    answerBox(&title, &text);
    importFile(zmx("refused-lens.zmx"));
    EXPECT_EQ(title, "Import");
    EXPECT_TRUE(text.contains("line 38: GLAS N-BK7 makes a lens")) << text.toStdString();
    EXPECT_EQ(state().design.surfaces[2].radius, -3300);
}

TEST_F(Exchange, ExportWritesWhatImportReadsBack) {
    open(kNewtonian);
    const std::string out = path("newtonian.zmx");
    window->chooseExportFile = [out] { return out; };
    window->runCommand(kCmdExport);
    const exchange::ZmxImportResult back = exchange::importZmxFile(out);
    ASSERT_EQ(back.status, exchange::ZmxImportStatus::ok) << back.message;
    EXPECT_EQ(back.design.surfaces[1].radius, 1000);
    EXPECT_EQ(back.design.surfaces[2].tilt, 45);
    EXPECT_EQ(back.design.surfaces[2].separation, 100);

    QString title, text;
    answerBox(&title, &text);
    window->chooseExportFile = [this] { return path("nowhere/x.zmx"); };
    window->runCommand(kCmdExport);
    EXPECT_EQ(title, "Export");
    EXPECT_TRUE(text.contains("x.zmx")) << text.toStdString();
}

TEST_F(Exchange, ExportsDialogIsTitledSuggestsTheNameAndSaysWhereItWrote) {
    open(kNewtonian);
    window->chooseExportFile = nullptr;  // the program's own file dialog
    const QString out = QString::fromStdString(path("chosen.zmx"));
    whenModal<QFileDialog>([&](QFileDialog* f) {
        EXPECT_EQ(f->windowTitle(), "Export");
        EXPECT_EQ(f->acceptMode(), QFileDialog::AcceptSave);
        ASSERT_EQ(f->selectedFiles().size(), 1);
        EXPECT_EQ(QFileInfo(f->selectedFiles()[0]).fileName(), "newtonian.zmx");
        f->selectFile(out);
        static_cast<QDialog*>(f)->accept();
    });
    window->runCommand(kCmdExport);
    EXPECT_TRUE(QFileInfo::exists(out));
    EXPECT_EQ(window->statusBar()->currentMessage(), "Exported to " + out);

    window->chooseImportFile = nullptr;
    whenModal<QFileDialog>([&](QFileDialog* f) {
        EXPECT_EQ(f->windowTitle(), "Import");
        static_cast<QDialog*>(f)->reject();
    });
    window->runCommand(kCmdImport);
}
