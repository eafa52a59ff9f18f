// The command rules of the application core, driven without any window: a
// scripted host answers the questions and paints the design view on a
// recording device, as the window's paint handler would.
#include "app/application.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/command_rules.h"
#include "support/test_designs.h"

namespace orvelin {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = ORVELIN_EXAMPLES;
const std::string kHostile = std::string(ORVELIN_TEST_DATA) + "/hostile";

// The scripted host chooses files and answers questions; of the dialogs it
// serves only the family one, of the view the painting that traces, and of
// the platform the plots and printing it notes.  The rest stays headless.
class ScriptedHost : public FileChooser,
                     public UserQuestions,
                     public HeadlessEditors,
                     public HeadlessViewNotices,
                     public HeadlessPlatformWork {
  public:
    Application* app = nullptr;
    std::deque<std::string> files;  ///< answers to the file dialogs, in turn
    SaveChangesAnswer saveAnswer = SaveChangesAnswer::cancel;
    bool openDamaged = false;
    std::vector<std::string> told;       ///< names of the messages shown
    std::vector<int> plots;              ///< plot commands run
    std::vector<std::string> questions;  ///< questions asked

    std::string nextFile() {
        if (files.empty()) return {};
        std::string f = files.front();
        files.pop_front();
        return f;
    }
    std::string chooseOpenFile() override { return nextFile(); }
    std::string chooseSaveFile() override { return nextFile(); }
    std::string chooseImportFile() override { return nextFile(); }
    std::string chooseExportFile() override { return nextFile(); }
    SaveChangesAnswer askSaveChanges(const std::string& title) override {
        questions.push_back("save " + title);
        return saveAnswer;
    }
    bool askOpenDamaged(const std::string& path, const LoadResult&) override {
        questions.push_back("damaged " + fileNameOfPath(path));
        return openDamaged;
    }
    void tell(const UserMessage& m) override { told.push_back(m.name); }
    int mirrorCount = -1;  ///< New's answer; its dialogs then accept their zeros
    int askMirrorCount() override { return mirrorCount; }
    std::optional<Design> family;  ///< what the family dialog gives; none: cancelled
    bool designFromFamily(Design& out) override {
        questions.push_back("family");
        if (!family) return false;
        out = *family;
        return true;
    }
    // Nothing is painted: the core knows whether the design traces without
    // a view.
    void showView(int, bool) override {}
    void runPlot(int command) override { plots.push_back(command); }
    void printPage() override { plots.push_back(kCmdPrintPage); }
    void quickPrint() override { plots.push_back(kCmdQuickPrint); }
    int clientWidth() const override { return 640; }
};

struct Fixture {
    ScriptedHost host;
    Application app{{host, host, host, host, host}};
    Fixture() { host.app = &app; }
};

TEST(Application, CommandsNeedADesignOnScreenAndACleanTrace) {
    Fixture f;
    EXPECT_EQ(f.app.caption(), "ORVELIN");
    // Before any design, nothing that needs one on screen runs.
    for (int id : {kCmdTrace, kCmdFocus, kCmdStandardPlot, kCmdClearance, kCmdImageQuality, kCmdAiry})
        f.app.runCommand(id);
    EXPECT_EQ(f.app.state().viewState, kViewWelcome);
    EXPECT_TRUE(f.host.plots.empty());
    f.app.runCommand(kCmdSaveAs);
    EXPECT_EQ(f.host.told, std::vector<std::string>{"nothingToSave"});

    f.host.files = {kExamples + "/sphere.ov"};
    f.app.runCommand(kCmdOpen);
    EXPECT_EQ(f.app.caption(), "ORVELIN - sphere");
    EXPECT_EQ(f.app.state().viewState, kViewDesign);
    EXPECT_EQ(f.app.state().trace.status, kTraceOk);

    // The Airy overlay needs a plot on screen; a plot needs a clean trace.
    f.app.runCommand(kCmdAiry);
    EXPECT_TRUE(f.host.plots.empty());
    f.app.runCommand(kCmdStandardPlot);
    EXPECT_EQ(f.app.state().viewState, kViewStandardPlot);
    f.app.runCommand(kCmdAiry);
    EXPECT_EQ(f.app.state().viewState, kViewAiryOverlay);
    EXPECT_EQ(f.host.plots, (std::vector<int>{kCmdStandardPlot, kCmdAiry}));

    // Focus changes the design: the caption carries the star, Undo takes it
    // back and clears it.
    f.app.runCommand(kCmdDisplay);
    const Design before = f.app.state().design;
    f.app.runCommand(kCmdFocus);
    EXPECT_FALSE(bitIdentical(before, f.app.state().design));
    EXPECT_EQ(f.app.caption(), "ORVELIN - sphere*");
    f.app.undo();
    EXPECT_TRUE(bitIdentical(before, f.app.state().design));
    EXPECT_EQ(f.app.caption(), "ORVELIN - sphere");

    // A design whose light misses a mirror is shown, but not plotted.
    f.host.files = {kHostile + "/light-misses-surface-2.ov"};
    f.app.runCommand(kCmdOpen);
    EXPECT_NE(f.app.state().trace.status, kTraceOk);
    f.app.runCommand(kCmdStandardPlot);
    f.app.runCommand(kCmdQuickPrint);
    EXPECT_EQ(f.host.plots.size(), 2u);
}

TEST(Application, UnsavedWorkIsAskedForAndADamagedFileCanBeRefused) {
    Fixture f;
    const fs::path work = fs::temp_directory_path() / "orvelin-application-test";
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy_file(kExamples + "/sphere.ov", work / "mine.ov");
    ASSERT_TRUE(f.app.openDesignFile((work / "mine.ov").string()));
    f.app.runCommand(kCmdFocus);
    ASSERT_TRUE(f.app.state().modified);

    // Cancel keeps the changed design; a damaged file refused keeps it too.
    f.host.files = {kExamples + "/toroid.ov"};
    f.app.runCommand(kCmdOpen);
    EXPECT_EQ(f.app.state().design.designTitle, "mine");
    EXPECT_EQ(f.host.questions, std::vector<std::string>{"save mine"});
    f.host.saveAnswer = SaveChangesAnswer::discard;
    const Design changed = f.app.state().design;
    f.host.files = {kHostile + "/cut-mid-row.ov"};
    f.app.runCommand(kCmdOpen);
    EXPECT_EQ(f.host.questions.back(), "damaged cut-mid-row.ov");
    EXPECT_TRUE(bitIdentical(changed, f.app.state().design));
    EXPECT_EQ(f.app.caption(), "ORVELIN - mine*");

    // Save writes the file and clears the star; Save As onto a folder that
    // cannot hold it fails and keeps the old name.
    EXPECT_TRUE(f.app.save());
    EXPECT_EQ(f.app.caption(), "ORVELIN - mine");
    f.host.files = {(work / "no-such-folder" / "other.ov").string()};
    EXPECT_FALSE(f.app.saveAs());
    EXPECT_EQ(f.app.state().files.filePath, (work / "mine.ov").string());
    EXPECT_EQ(f.app.caption(), "ORVELIN - mine");
    EXPECT_EQ(f.host.told.back(), "saveFailed");
    fs::remove_all(work);
}

TEST(Application, SaveWritesTheDesignsOwnFRatio) {
    Fixture f;
    const fs::path work = fs::temp_directory_path() / "orvelin-application-fratio";
    fs::remove_all(work);
    fs::create_directories(work);
    const auto lastLine = [](const fs::path& path) {
        std::ifstream in(path);
        std::string line, last;
        while (std::getline(in, line)) last = line;
        return last;
    };
    // New after an f/5 design, every value left at zero: no trace, f/0.00.
    ASSERT_TRUE(f.app.openDesignFile(kExamples + "/paraboloid-f5.ov"));
    f.host.mirrorCount = 1;
    ASSERT_EQ(f.app.newDesign(), 1);
    f.host.files = {(work / "zeros.ov").string()};
    ASSERT_TRUE(f.app.save());
    EXPECT_EQ(lastLine(work / "zeros.ov"), " Aperture 0 Inches     Field 0 Degrees     f/0.00");

    // The f/5 design saved under a new name after the zeros: its own f/5.01.
    ASSERT_TRUE(f.app.openDesignFile(kExamples + "/paraboloid-f5.ov"));
    f.host.files = {(work / "f5.ov").string()};
    ASSERT_TRUE(f.app.saveAs());
    EXPECT_EQ(lastLine(work / "f5.ov"), " Aperture 100 mm         Field 1 Degrees     f/5.01");
    fs::remove_all(work);
}

// New from a family takes the dialog's design as New makes one: unsaved,
// titled "(New Design)", in no file, one step that Undo takes back to the
// design and file before; cancelled, nothing changes.
TEST(Application, NewFromAFamilyIsAnUnsavedNewDesignThatUndoes) {
    Fixture f;
    const std::string path = kExamples + "/schiefspiegler.ov";
    ASSERT_TRUE(f.app.openDesignFile(path));
    const Design opened = f.app.state().design;

    f.app.runCommand(kCmdNewFromFamily);
    EXPECT_EQ(f.host.questions, std::vector<std::string>{"family"});
    EXPECT_TRUE(bitIdentical(f.app.state().design, opened));
    EXPECT_FALSE(f.app.state().modified);
    EXPECT_FALSE(f.app.state().history.canUndo());

    Design made = testing::threeMirrorTilted();
    made.designTitle = "from the dialog";
    f.host.family = made;
    f.app.state().viewState = kViewTraceReport;
    ASSERT_EQ(f.app.newDesignFromFamily(), 1);
    const AppState& s = f.app.state();
    EXPECT_EQ(s.design.designTitle, kNewDesignTitle);
    made.designTitle = kNewDesignTitle;
    EXPECT_TRUE(testing::sameEnteredValues(s.design, made));
    EXPECT_EQ(f.app.caption(), "ORVELIN - (New Design)*");
    EXPECT_TRUE(s.files.filePath.empty());
    EXPECT_EQ(s.viewState, kViewDesign);
    EXPECT_EQ(s.trace.status, kTraceOk);  // the view painted and traced it
    EXPECT_EQ(s.history.undoName(), "New from a Family");

    f.app.undo();
    EXPECT_TRUE(bitIdentical(s.design, opened));
    EXPECT_EQ(s.files.filePath, path);
    EXPECT_EQ(f.app.caption(), "ORVELIN - schiefspiegler");
    f.app.redo();
    EXPECT_TRUE(testing::sameEnteredValues(s.design, made));

    // Unsaved, so a second one asks first; Cancel there keeps the design and
    // never opens the dialog.
    f.host.questions.clear();
    f.host.family = testing::paraboloid();
    EXPECT_EQ(f.app.newDesignFromFamily(), 0);
    EXPECT_EQ(f.host.questions, std::vector<std::string>{"save (New Design)"});
    EXPECT_TRUE(testing::sameEnteredValues(s.design, made));
}

/// Answers the questions and nothing else: the one piece its application
/// is given.
class QuestionsOnly : public UserQuestions {
  public:
    SaveChangesAnswer saveAnswer = SaveChangesAnswer::cancel;
    int mirrors = -1;
    std::vector<std::string> asked;  ///< the questions and messages, in turn

    SaveChangesAnswer askSaveChanges(const std::string& title) override {
        asked.push_back("save " + title);
        return saveAnswer;
    }
    bool askOpenDamaged(const std::string& path, const LoadResult&) override {
        asked.push_back("damaged " + fileNameOfPath(path));
        return true;
    }
    void tell(const UserMessage& m) override { asked.push_back(m.name); }
    int askMirrorCount() override {
        asked.push_back("mirrors");
        return mirrors;
    }
};

// An application given no pieces has every dialog cancelled and every
// question answered "cancel"; one given only questions gets each question
// and message, while its file and editing dialogs stay cancelled.
TEST(Application, RunsWithOnlyThePiecesItIsGiven) {
    Application bare;
    bare.runCommand(kCmdOpen);
    bare.runCommand(kCmdNew);
    bare.runCommand(kCmdSaveAs);
    EXPECT_EQ(bare.caption(), "ORVELIN");
    EXPECT_EQ(bare.state().viewState, kViewWelcome);
    ASSERT_TRUE(bare.openDesignFile(kExamples + "/sphere.ov"));
    EXPECT_EQ(bare.state().viewState, kViewDesign);
    Design& d = bare.state().design;
    d.surfaces[1].tilt += 0.1;
    recomputeSurface(d, 1);
    bare.markModified("Tilt #1");
    const Design changed = d;
    bare.runCommand(kCmdOpen);  // "save first?" is cancelled
    bare.runCommand(kCmdNew);
    EXPECT_FALSE(bare.openDesignFile(kHostile + "/cut-mid-row.ov"));  // damage refused
    EXPECT_TRUE(bitIdentical(changed, bare.state().design));
    EXPECT_EQ(bare.caption(), "ORVELIN - sphere*");

    QuestionsOnly questions;
    Application app({.questions = questions});
    app.runCommand(kCmdSaveAs);
    ASSERT_TRUE(app.openDesignFile(kHostile + "/cut-mid-row.ov"));
    EXPECT_EQ(app.caption(), "ORVELIN - cut-mid-row*");  // what could be read is unsaved
    app.runCommand(kCmdOpen);
    questions.saveAnswer = SaveChangesAnswer::discard;
    app.runCommand(kCmdOpen);  // discarded, then the Open dialog is cancelled
    app.runCommand(kCmdExport);
    EXPECT_EQ(app.caption(), "ORVELIN - cut-mid-row*");
    questions.mirrors = 2;
    ASSERT_EQ(app.newDesign(), 1);  // its surface dialogs cancelled: zeros
    EXPECT_EQ(app.state().design.surfaceCount, 3);
    EXPECT_EQ(app.state().design.surfaces[1].radius, 0);
    EXPECT_EQ(app.caption(), "ORVELIN - (New Design)*");
    EXPECT_FALSE(app.save());  // Save As's dialog is cancelled: nothing to tell
    EXPECT_EQ(questions.asked,
              (std::vector<std::string>{"nothingToSave", "damaged cut-mid-row.ov", "save cut-mid-row",
                                        "save cut-mid-row", "save cut-mid-row", "mirrors"}));
}

// The diffraction view needs a design that traces; its "I" key, posted as
// a command, switches the intensity scale there and nowhere else.
TEST(Application, DiffractionViewAndItsIntensityKey) {
    Fixture f;
    f.app.runCommand(kCmdDiffraction);
    EXPECT_EQ(f.app.state().viewState, kViewWelcome);
    f.host.files = {kExamples + "/paraboloid-f5.ov"};
    f.app.runCommand(kCmdOpen);
    EXPECT_FALSE(commandForCharacter('i', kViewDesign));
    f.app.runCommand(kCmdDiffractionScale);  // not in the diffraction view: nothing
    EXPECT_FALSE(f.app.state().diffractionLog);
    f.app.runCommand(kCmdDiffraction);
    EXPECT_EQ(f.app.state().viewState, kViewDiffraction);
    for (char key : {'I', 'i'}) {
        const auto id = commandForCharacter(key, f.app.state().viewState);
        ASSERT_TRUE(id);
        f.app.runCommand(*id);
        EXPECT_EQ(f.app.state().diffractionLog, key == 'I');
        EXPECT_EQ(f.app.state().viewState, kViewDiffraction);
    }

    f.host.files = {kHostile + "/light-misses-surface-2.ov"};
    f.app.runCommand(kCmdOpen);
    f.app.runCommand(kCmdDiffraction);
    EXPECT_EQ(f.app.state().viewState, kViewDesign);
}

}  // namespace
}  // namespace orvelin
