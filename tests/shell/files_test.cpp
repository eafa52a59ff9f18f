// Open, Save, Save As, New and the question about unsaved changes, through
// the real window and its dialogs.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QListWidget>

#include "dialogs/aperture_dialog.h"
#include "dialogs/new_dialog.h"
#include "dialogs/surface_dialog.h"
#include "shell_test_support.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

class Files : public WindowTest {
  protected:
    /// Answer a New sequence: the count, then each surface dialog with a
    /// radius (the last is the focal plane), then aperture and field.
    void answerNew(const QString& count, std::vector<QString> radii, const QString& aperture) {
        whenModal<NewDialog>([=, this](NewDialog* d) {
            typeInto(d, "edit8", count);
            clickButton(d, "ok");
            answerSurfaces(radii, aperture);
        });
    }
    void answerSurfaces(std::vector<QString> radii, QString aperture) {
        if (radii.empty()) {
            whenModal<ApertureDialog>([=](ApertureDialog* a) {
                typeInto(a, "edit19", aperture);
                clickButton(a, "ok");
            });
            return;
        }
        whenModal<SurfaceDialog>([=, this](SurfaceDialog* s) {
            surfaceTitles.push_back(s->windowTitle());
            typeInto(s, "edit10", radii.front());
            if (!s->isFocalPlane()) typeInto(s, "edit13", "400");
            answerSurfaces({radii.begin() + 1, radii.end()}, aperture);
            clickButton(s, "ok");
        });
    }

    QString statusField(const char* name) { return child<QLabel>(window.get(), name)->text(); }

    QStringList surfaceTitles;
};

}  // namespace

TEST_F(Files, UnreadableOpenSaysWhyAndKeepsTheDesign) {
    open(kNewtonian);
    const int items = editItems();
    QString title, text;
    answerBox(&title, &text);
    openFile(path("missing.ov"));
    EXPECT_EQ(title, "Open");
    EXPECT_TRUE(text.contains("missing.ov") && text.contains("No such file")) << text.toStdString();
    EXPECT_EQ(state().files.fileTitle, "newtonian.ov");
    EXPECT_EQ(state().design.surfaces[1].radius, 1000);
    EXPECT_EQ(editItems(), items);

    // A folder, and a design with more mirrors than a design holds.
    answerBox(&title, &text);
    openFile(dir.path().toStdString());
    EXPECT_TRUE(text.contains("folder")) << text.toStdString();
    answerBox(&title, &text);
    open("QuorVex V0.90 huge\n\n 25 surface design\n", "huge.ov");
    EXPECT_TRUE(text.contains("huge.ov")) << text.toStdString();
    EXPECT_EQ(state().design.surfaceCount, 3);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
}

TEST_F(Files, ADamagedFileAsksAndCancelKeepsTheDesignWhole) {
    open(kNewtonian);
    const Design before = state().design;
    const std::string broken =
        writeFile(path("broken.ov"),
                  "QuorVex V0.90 broken\n\n 1 surface design\n\n heading\n\n 0 1000 1 0 500\n"
                  " 0 zero 0 0 focal plane\n");
    // Cancel: design, caption, file name and menu exactly as they were.
    QString text, details;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        details = box->informativeText();
        box->button(QMessageBox::Cancel)->click();
    });
    openFile(broken);
    // Line 8 is the file's last: nothing is said of lines after it.
    EXPECT_TRUE(text.startsWith("\"broken.ov\" is damaged at line 8, where ")) << text.toStdString();
    EXPECT_TRUE(
        text.endsWith(" of the focal plane should be: open what could be read, or keep the current design?"))
        << text.toStdString();
    EXPECT_TRUE(details.contains("the radius, CC/Rsag and tilt of the focal plane")) << details.toStdString();
    EXPECT_TRUE(details.contains("the field semi-angle")) << details.toStdString();
    EXPECT_FALSE(details.contains("after line")) << details.toStdString();
    EXPECT_TRUE(bitIdentical(state().design, before));
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
    EXPECT_EQ(state().files.fileTitle, "newtonian.ov");
    EXPECT_EQ(editItems(), 6);

    // Open: what could be read, the rest from the design before, and the
    // field semi-angle as it was (it used to be halved).  The design is not
    // what the file says, so it is unsaved.
    answerBox(nullptr, nullptr, QMessageBox::Open);
    openFile(broken);
    EXPECT_EQ(state().design.surfaceCount, 2);
    EXPECT_EQ(state().design.surfaces[1].separation, 500);
    EXPECT_EQ(state().design.fieldSemiAngle, 0.25);
    EXPECT_EQ(state().design.aperture, 100);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - broken*");
    EXPECT_EQ(state().viewState, kViewDesign);
    EXPECT_EQ(editItems(), 5);

    // An empty file opened over and over keeps the field semi-angle.
    const std::string empty = writeFile(path("empty.ov"), "");
    for (int again = 0; again < 3; ++again) {
        state().modified = false;  // no question about the damaged design
        answerBox(nullptr, &text, QMessageBox::Open);
        openFile(empty);
        EXPECT_EQ(state().design.fieldSemiAngle, 0.25);
        EXPECT_TRUE(text.startsWith("\"empty.ov\" is empty: ")) << text.toStdString();
    }

    // Damage with lines after it, and a file cut short: each said as read.
    const std::pair<const char*, const char*> cases[] = {
        {"QuorVex V0.90 mid\n\n 2 surface design\n\n heading\n\n 0 1000 x 0 500\n 0 0 0 45 100\n"
         " 0 0 0 0 focal plane\n\n Aperture 100 mm Field 0.5 Degrees f/5.00\n",
         "\"mid.ov\" is damaged at line 7, where kind, radius, CC/Rsag, tilt and separation of surface 1 "
         "should be"},
        {"QuorVex V0.90 cut\n\n 2 surface design\n\n heading\n\n 0 1000 1 0 500\n",
         "\"cut.ov\" ends too soon, at line 7; it lacks kind, radius, CC/Rsag, tilt and separation of "
         "surface 2"}};
    for (auto [file, said] : cases) {
        const std::string name = std::string(said).substr(1, std::string(said).find('"', 1) - 1);
        state().modified = false;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            details = box->informativeText();
            box->button(QMessageBox::Cancel)->click();
        });
        openFile(writeFile(path(name.c_str()), file));
        EXPECT_TRUE(text.startsWith(QString::fromLatin1(said) + ": open")) << text.toStdString();
        EXPECT_FALSE(text.contains("expected")) << text.toStdString();
        EXPECT_EQ(details.contains("Values after line 7 may"), name == "mid.ov") << details.toStdString();
    }
}

TEST_F(Files, SaveAsWritesAndAFailedSaveClaimsNothing) {
    open(kNewtonian);
    window->queueKey('Z');  // an edit
    const std::string copy = path("copy.ov");
    window->chooseSaveFile = [copy] { return copy; };
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - copy");
    EXPECT_EQ(state().files.filePath, copy);
    EXPECT_FALSE(state().modified);
    const std::string saved = readAll(copy);
    EXPECT_EQ(saved.rfind("QuorVex V0.90                       copy\n\n 2 surface design\n", 0), 0u) << saved;
    Design back;
    ASSERT_TRUE(loadDesign(back, copy).accepted());
    EXPECT_EQ(back.surfaces[3].radius, -500);
    EXPECT_EQ(back.surfaces[2].tilt, 45);

    // Save As into a folder that does not exist: an error box, and the
    // caption, title and file names stay those of the last real save.
    window->runCommand(kCmdEnglish);  // a change
    window->chooseSaveFile = [this] { return path("nowhere/else.ov"); };
    QString title, text;
    answerBox(&title, &text);
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(title, "Save");
    EXPECT_TRUE(text.contains("else.ov")) << text.toStdString();
    EXPECT_EQ(window->windowTitle(), "ORVELIN - copy*");  // still unsaved
    EXPECT_EQ(state().design.designTitle, "copy");
    EXPECT_EQ(state().files.filePath, copy);
    EXPECT_TRUE(state().modified);

    // Save to a file that has become unwritable (its folder is gone).
    const std::string inner = path("inner/one.ov");
    QDir(dir.path()).mkdir("inner");
    window->chooseSaveFile = [inner] { return inner; };
    window->runCommand(kCmdSaveAs);
    QDir(dir.path() + "/inner").removeRecursively();
    window->runCommand(kCmdMetric);
    answerBox(&title, &text);
    window->runCommand(kCmdSave);
    EXPECT_EQ(title, "Save");
    EXPECT_TRUE(state().modified);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - one*");

    // A cancelled Save As changes nothing.
    window->chooseSaveFile = [] { return std::string(); };
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(state().files.filePath, inner);
}

TEST_F(Files, NewLeadsThroughEveryDialogAndSavesThroughSaveAs) {
    // "21", "-1" and "abc" are refused; "2" is taken.
    QStringList errors;
    whenModal<NewDialog>([&](NewDialog* d) {
        for (const char* bad : {"21", "-1", "abc"}) {
            typeInto(d, "edit8", bad);
            whenModal<QMessageBox>([&](QMessageBox* b) {
                errors << b->windowTitle() + ": " + b->text();
                b->button(QMessageBox::Ok)->click();
            });
            clickButton(d, "ok");
            EXPECT_TRUE(d->isVisible());
        }
        typeInto(d, "edit8", "2");
        clickButton(d, "ok");
        answerSurfaces({"1000", "0", "0"}, "100");
    });
    EXPECT_EQ(window->newDesign(), 1);
    ASSERT_EQ(errors.size(), 3);
    EXPECT_EQ(errors[0], "Error: Entry out of range");
    EXPECT_EQ(errors[1], "Error: Entry out of range");
    EXPECT_TRUE(errors[2].startsWith("Error: Mirror count: \"abc\" is not a whole number"))
        << errors[2].toStdString();
    EXPECT_EQ(surfaceTitles, (QStringList{"Edit Surface #1 parameters", "Edit Surface #2 parameters",
                                          "Edit focal plane parameters (optional)"}));
    const Design& d = state().design;
    EXPECT_EQ(d.surfaceCount, 3);
    EXPECT_EQ(d.surfaces[1].radius, 1000);
    EXPECT_EQ(d.surfaces[1].separation, 400);
    EXPECT_EQ(d.units, "mm");  // aperture above 40
    EXPECT_EQ(statusField("statusUnits"), "Units: mm (from the aperture: above 40)");
    EXPECT_EQ(statusField("statusFile"), "Not saved yet");
    EXPECT_EQ(window->windowTitle(), "ORVELIN - (New Design)*");  // unsaved work
    EXPECT_EQ(state().viewState, kViewDesign);
    EXPECT_TRUE(window->action(kCmdSave)->isEnabled());
    EXPECT_EQ(state().frame.scale, 0);
    EXPECT_EQ(editItems(), 2 + 1 + 3);  // fixed items, separator, 201..203

    // Save goes through Save As; a file named like an unsaved design asks again.
    int asked = 0;
    window->chooseSaveFile = [&] { return ++asked == 1 ? path("(New Design).ov") : path("first.ov"); };
    window->runCommand(kCmdSave);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - first");
    EXPECT_FALSE(readAll(path("first.ov")).empty());

    // New again with no mirror and a small aperture: only the focal-plane
    // and aperture dialogs, inches, no file, and the focal plane is item 201.
    surfaceTitles.clear();
    answerNew("0", {"0"}, "40");
    EXPECT_EQ(window->newDesign(), 1);
    EXPECT_EQ(surfaceTitles, QStringList{"Edit focal plane parameters (optional)"});
    EXPECT_EQ(state().design.units, "inches");
    EXPECT_TRUE(window->action(kCmdEnglish)->isChecked());
    EXPECT_EQ(statusField("statusUnits"), "Units: inches (from the aperture: 40 or less)");
    // Units chosen by hand need no note.
    window->runCommand(kCmdEnglish);
    EXPECT_EQ(statusField("statusUnits"), "Units: inches");
    EXPECT_TRUE(state().files.filePath.empty());
    EXPECT_EQ(editItems(), 2 + 1 + 1);
    EXPECT_NE(window->action(201), nullptr);
}

TEST_F(Files, CancelledNewAndCancelledSurfaceDialogs) {
    open(kNewtonian);
    whenModal<NewDialog>([](NewDialog* d) {
        typeInto(d, "edit8", "21");
        answerBox(nullptr, nullptr);
        clickButton(d, "ok");
        clickButton(d, "cancel");
    });
    EXPECT_EQ(window->newDesign(), 0);
    EXPECT_EQ(state().design.surfaceCount, 3);
    EXPECT_EQ(state().files.fileTitle, "newtonian.ov");
    EXPECT_EQ(editItems(), 6);

    // Every dialog after the count cancelled: zeros, and the trace says
    // the aperture is zero.  A double click in the list (through the window
    // system, as a real one arrives) takes its count.
    whenModal<NewDialog>([](NewDialog* d) {
        auto* list = child<QListWidget>(d, "list9");
        const QPoint at = list->viewport()->mapTo(d, list->visualItemRect(list->item(0)).center());
        QTest::mouseDClick(d->windowHandle(), Qt::LeftButton, {}, at);
        whenModal<SurfaceDialog>([](SurfaceDialog* s) {
            whenModal<SurfaceDialog>([](SurfaceDialog* f) {
                whenModal<ApertureDialog>([](ApertureDialog* a) { clickButton(a, "cancel"); });
                clickButton(f, "cancel");
            });
            clickButton(s, "cancel");
        });
    });
    EXPECT_EQ(window->newDesign(), 1);
    EXPECT_EQ(state().design.surfaceCount, 2);
    EXPECT_EQ(state().design.surfaces[1].cosTilt, 0);
    EXPECT_EQ(state().trace.status, kTraceApertureZero);
    EXPECT_EQ(editItems(), 5);
}

TEST_F(Files, UnsavedChangesAreAskedAboutBeforeTheyAreLost) {
    open(kNewtonian);
    openFile(path("newtonian.ov"));  // unchanged: Open asks nothing
    window->queueKey('Z');
    // Cancel: Open goes no further.
    QString text;
    answerBox(nullptr, &text, QMessageBox::Cancel);
    window->runCommand(kCmdOpen);
    EXPECT_TRUE(text.contains("newtonian")) << text.toStdString();
    EXPECT_TRUE(state().modified);
    EXPECT_EQ(state().design.surfaces[3].radius, -500);

    // Save: the changes are written first, then Open goes on.
    answerBox(nullptr, nullptr, QMessageBox::Save);
    open(kNewtonian, "other.ov");
    EXPECT_EQ(window->windowTitle(), "ORVELIN - other");
    Design saved;
    ASSERT_TRUE(loadDesign(saved, path("newtonian.ov")).accepted());
    EXPECT_EQ(saved.surfaces[3].radius, -500);

    // Discard before New: the question, then the count dialog.
    window->queueKey('Z');
    answerBox(nullptr, nullptr, QMessageBox::Discard);
    whenModal<NewDialog>([](NewDialog* d) { clickButton(d, "cancel"); });
    EXPECT_EQ(window->newDesign(), 0);
    EXPECT_TRUE(state().modified);  // the New was cancelled, the edit stays

    // Exit and the window's close button: Cancel keeps the window.
    answerBox(nullptr, nullptr, QMessageBox::Cancel);
    window->runCommand(kCmdExit);
    drainEvents();
    EXPECT_TRUE(window->isVisible());
    answerBox(nullptr, nullptr, QMessageBox::Cancel);
    EXPECT_FALSE(window->close());
    answerBox(nullptr, nullptr, QMessageBox::Discard);
    EXPECT_TRUE(window->close());
}

TEST_F(Files, TheSystemFileDialogsOfferDesignFilesAndAddTheExtension) {
    MainWindow fresh;  // with its own Qt file dialogs
    fresh.show();
    const std::string design = writeFile(path("dialog.ov"), kNewtonian);
    whenModal<QFileDialog>([&](QFileDialog* f) {
        EXPECT_EQ(f->nameFilters(), (QStringList{"Orvelin Files (*.ov)", "All Files (*.*)"}));
        EXPECT_EQ(f->selectedNameFilter(), "Orvelin Files (*.ov)");
        EXPECT_EQ(f->fileMode(), QFileDialog::ExistingFile);
        f->selectFile(QString::fromStdString(design));
        static_cast<QDialog*>(f)->accept();
    });
    fresh.runCommand(kCmdOpen);
    EXPECT_EQ(fresh.windowTitle(), "ORVELIN - dialog");

    whenModal<QFileDialog>([&](QFileDialog* f) {
        EXPECT_EQ(f->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(f->defaultSuffix(), "ov");
        EXPECT_FALSE(f->testOption(QFileDialog::DontConfirmOverwrite));
        f->selectFile(dir.path() + "/typed");
        static_cast<QDialog*>(f)->accept();
    });
    fresh.runCommand(kCmdSaveAs);
    EXPECT_EQ(fresh.windowTitle(), "ORVELIN - typed");
    EXPECT_FALSE(readAll(path("typed.ov")).empty());
    fresh.state().modified = false;
}
