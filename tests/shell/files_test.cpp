// Open, Save, Save As, New and the question about unsaved changes, through
// the real window and its dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>

#include "dialogs/aperture_dialog.h"
#include "dialogs/new_dialog.h"
#include "dialogs/surface_dialog.h"
#include "shell_test_support.h"

using namespace orvelin;
using namespace orvelin::testing;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Files : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApp();
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(dir.isValid());
        window->chooseOpenFile = [] {
            ADD_FAILURE() << "unexpected Open dialog";
            return std::string();
        };
        window->chooseSaveFile = [] {
            ADD_FAILURE() << "unexpected Save As dialog";
            return std::string();
        };
    }
    void TearDown() override {
        expectNoPendingAnswers();
        window->state().modified = false;
        window.reset();
        drainEvents();
    }
    std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    void openFile(const std::string& p) {
        window->chooseOpenFile = [p] { return p; };
        window->runCommand(kCmdOpen);
    }
    int editItems() { return static_cast<int>(window->editMenu()->actions().size()); }

    /// Answer a New sequence: the count, then each surface dialog with a
    /// radius, then the focal plane, then aperture and field.
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
                typeInto(a, "edit20", "0.5");
                clickButton(a, "ok");
            });
            return;
        }
        whenModal<SurfaceDialog>([=, this](SurfaceDialog* s) {
            surfaceTitles.push_back(s->windowTitle());
            typeInto(s, "edit10", radii.front());
            if (!s->isFocalPlane()) typeInto(s, "edit13", "400");
            std::vector<QString> rest(radii.begin() + 1, radii.end());
            answerSurfaces(rest, aperture);
            clickButton(s, "ok");
        });
    }

    std::unique_ptr<MainWindow> window;
    QTemporaryDir dir;
    QStringList surfaceTitles;
};

}  // namespace

TEST_F(Files, UnreadableOpenSaysWhyAndKeepsTheDesign) {
    openFile(writeFile(path("newtonian.ov"), kNewtonian));
    const Design before = window->state().design;
    const int items = editItems();

    QString title, text;
    answerBox(&title, &text);
    openFile(path("missing.ov"));
    EXPECT_EQ(title, "Open");
    EXPECT_TRUE(text.contains("missing.ov")) << text.toStdString();
    EXPECT_TRUE(text.contains("No such file")) << text.toStdString();
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
    EXPECT_EQ(window->state().files.fileTitle, "newtonian.ov");
    EXPECT_EQ(window->state().design.radius[1], before.radius[1]);
    EXPECT_EQ(window->state().design.surfaceCount, 3);
    EXPECT_EQ(editItems(), items);

    // A folder, and a design with more mirrors than a design holds.
    answerBox(&title, &text);
    openFile(dir.path().toStdString());
    EXPECT_TRUE(text.contains("folder")) << text.toStdString();
    answerBox(&title, &text);
    openFile(writeFile(path("huge.ov"), "QuorVex V0.90 huge\n\n 25 surface design\n"));
    EXPECT_TRUE(text.contains("huge.ov")) << text.toStdString();
    EXPECT_EQ(window->state().design.surfaceCount, 3);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
}

TEST_F(Files, DamagedFileLoadsThenNamesTheFirstDamagedLine) {
    QString title, text;
    answerBox(&title, &text);
    openFile(writeFile(path("broken.ov"),
                       "QuorVex V0.90 broken\n\n 1 surface design\n\n heading\n\n"
                       " 0 1000 1 0 500\n 0 zero 0 0 focal plane\n"));
    EXPECT_EQ(title, "Open");
    EXPECT_TRUE(text.contains("broken.ov")) << text.toStdString();
    EXPECT_TRUE(text.contains("line 8")) << text.toStdString();
    // What could be read is there, and the window is up to date.
    EXPECT_EQ(window->state().design.radius[1], 1000);
    EXPECT_EQ(window->state().design.separation[1], 500);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - broken");
    EXPECT_EQ(window->state().viewState, kStateDesign);
}

TEST_F(Files, SaveAsWritesAndAFailedSaveClaimsNothing) {
    openFile(writeFile(path("newtonian.ov"), kNewtonian));
    window->queueKey('Z');  // an edit
    ASSERT_TRUE(window->state().modified);

    const std::string copy = path("copy.ov");
    window->chooseSaveFile = [copy] { return copy; };
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - copy");
    EXPECT_EQ(window->state().files.filePath, copy);
    EXPECT_FALSE(window->state().modified);
    const std::string saved = readAll(copy);
    EXPECT_EQ(saved.rfind("QuorVex V0.90                       copy\n\n 2 surface design\n", 0), 0u) << saved;
    EXPECT_NE(saved.find(" 0             1000          1             0             400\n"),
              std::string::npos);

    // Read back: the same entered values.
    Design back;
    ASSERT_TRUE(loadDesign(back, copy).accepted());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(back.radius[i], window->state().design.radius[i]) << i;
        EXPECT_EQ(back.tilt[i], window->state().design.tilt[i]) << i;
    }

    // Save As into a folder that does not exist: an error box, and the
    // caption, title and file names stay those of the last real save.
    window->queueKey('Z');
    window->chooseSaveFile = [this] { return path("nowhere/else.ov"); };
    QString title, text;
    answerBox(&title, &text);
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(title, "Save");
    EXPECT_TRUE(text.contains("else.ov")) << text.toStdString();
    EXPECT_EQ(window->windowTitle(), "ORVELIN - copy");
    EXPECT_EQ(window->state().design.designTitle, "copy");
    EXPECT_EQ(window->state().files.filePath, copy);
    EXPECT_TRUE(window->state().modified);

    // Save to a file that has become unwritable (its folder is gone).
    const std::string inner = path("inner/one.ov");
    QDir(dir.path()).mkdir("inner");
    window->chooseSaveFile = [inner] { return inner; };
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - one");
    QDir(dir.path() + "/inner").removeRecursively();
    window->queueKey('Z');
    answerBox(&title, &text);
    window->runCommand(kCmdSave);
    EXPECT_EQ(title, "Save");
    EXPECT_TRUE(window->state().modified);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - one");

    // A cancelled Save As changes nothing.
    window->chooseSaveFile = [] { return std::string(); };
    window->runCommand(kCmdSaveAs);
    EXPECT_EQ(window->state().files.filePath, inner);
}

TEST_F(Files, NewLeadsThroughEveryDialogAndSavesThroughSaveAs) {
    // "21", "-1" and "abc" are refused; "2" is taken.
    QStringList errors;
    whenModal<NewDialog>([&](NewDialog* d) {
        EXPECT_EQ(child<QLineEdit>(d, "edit8")->text(), " 1");
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

    const Design& d = window->state().design;
    EXPECT_EQ(d.surfaceCount, 3);
    EXPECT_EQ(d.radius[1], 1000);
    EXPECT_EQ(d.separation[1], 400);
    EXPECT_EQ(d.aperture, 100);
    EXPECT_EQ(d.units, "mm");  // aperture above 40
    EXPECT_TRUE(window->action(kCmdMetric)->isChecked());
    EXPECT_EQ(d.designTitle, "(New Design)");
    EXPECT_EQ(window->windowTitle(), "ORVELIN - (New Design)");
    EXPECT_EQ(window->state().viewState, kStateDesign);
    EXPECT_TRUE(window->action(kCmdSave)->isEnabled());
    EXPECT_EQ(window->state().frame.scale, 0);
    EXPECT_EQ(editItems(), 2 + 1 + 3);  // fixed items, separator, 201..203

    // Save goes through Save As; a file named like an unsaved design asks again.
    int asked = 0;
    window->chooseSaveFile = [&] {
        ++asked;
        return asked == 1 ? path("(New Design).ov") : path("first.ov");
    };
    window->runCommand(kCmdSave);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - first");
    EXPECT_FALSE(readAll(path("first.ov")).empty());

    // New again with one mirror and a small aperture: inches, one set of items.
    answerNew("1", {"800", "0"}, "40");
    EXPECT_EQ(window->newDesign(), 1);
    EXPECT_EQ(window->state().design.units, "inches");
    EXPECT_TRUE(window->action(kCmdEnglish)->isChecked());
    EXPECT_EQ(editItems(), 2 + 1 + 2);
    EXPECT_TRUE(window->state().files.filePath.empty());

    // A count of 0: only the focal-plane and aperture dialogs, and the
    // focal plane is Edit item 201.
    surfaceTitles.clear();
    answerNew("0", {"0"}, "40");
    EXPECT_EQ(window->newDesign(), 1);
    EXPECT_EQ(window->state().design.surfaceCount, 1);
    EXPECT_EQ(surfaceTitles, QStringList{"Edit focal plane parameters (optional)"});
    EXPECT_EQ(editItems(), 2 + 1 + 1);
    EXPECT_NE(window->action(201), nullptr);
}

TEST_F(Files, CancelledNewAndCancelledSurfaceDialogs) {
    openFile(writeFile(path("newtonian.ov"), kNewtonian));
    whenModal<NewDialog>([](NewDialog* d) {
        typeInto(d, "edit8", "21");
        answerBox(nullptr, nullptr);
        clickButton(d, "ok");
        clickButton(d, "cancel");
    });
    EXPECT_EQ(window->newDesign(), 0);
    EXPECT_EQ(window->state().design.surfaceCount, 3);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - newtonian");
    EXPECT_EQ(window->state().files.fileTitle, "newtonian.ov");
    EXPECT_EQ(editItems(), 6);

    // Every dialog after the count cancelled: zeros, and the trace says
    // the aperture is zero.  A double click in the list takes its count.
    whenModal<NewDialog>([](NewDialog* d) {
        auto* list = child<QListWidget>(d, "list9");
        // Through the window system, as a real double click arrives.
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
    EXPECT_EQ(window->state().design.surfaceCount, 2);
    EXPECT_EQ(window->state().design.cosTilt[1], 0);
    EXPECT_EQ(window->state().trace.status, kTraceApertureZero);
    EXPECT_EQ(editItems(), 5);
}

TEST_F(Files, UnsavedChangesAreAskedAboutBeforeTheyAreLost) {
    openFile(writeFile(path("newtonian.ov"), kNewtonian));
    // Unchanged: Open asks nothing.
    openFile(path("newtonian.ov"));
    EXPECT_FALSE(window->state().modified);

    window->queueKey('Z');
    ASSERT_TRUE(window->state().modified);
    // Cancel: Open goes no further.
    QString title, text;
    answerBox(&title, &text, QMessageBox::Cancel);
    window->chooseOpenFile = [] {
        ADD_FAILURE() << "Open went on after Cancel";
        return std::string();
    };
    window->runCommand(kCmdOpen);
    EXPECT_TRUE(text.contains("newtonian")) << text.toStdString();
    EXPECT_TRUE(window->state().modified);
    EXPECT_EQ(window->state().design.radius[3], -500);

    // Save: the changes are written first, then Open goes on.
    const std::string other = writeFile(path("other.ov"), kNewtonian);
    answerBox(nullptr, nullptr, QMessageBox::Save);
    openFile(other);
    EXPECT_EQ(window->windowTitle(), "ORVELIN - other");
    Design saved;
    ASSERT_TRUE(loadDesign(saved, path("newtonian.ov")).accepted());
    EXPECT_EQ(saved.radius[3], -500);

    // Discard before New: the question, then the count dialog.
    window->queueKey('Z');
    answerBox(nullptr, nullptr, QMessageBox::Discard);
    whenModal<NewDialog>([](NewDialog* d) { clickButton(d, "cancel"); });
    EXPECT_EQ(window->newDesign(), 0);
    EXPECT_TRUE(window->state().modified);  // the New was cancelled, the edit stays

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
    EXPECT_EQ(fresh.state().files.fileTitle, "typed.ov");
    EXPECT_EQ(fresh.windowTitle(), "ORVELIN - typed");
    EXPECT_FALSE(readAll(path("typed.ov")).empty());
    fresh.state().modified = false;
}
