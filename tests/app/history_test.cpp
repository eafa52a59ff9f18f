// The undo history: named steps back and forward through whole designs, the
// unsaved marker that follows the file, Save As renaming one document, and
// the limit on what is kept.
#include "app/history.h"

#include <gtest/gtest.h>

#include "support/test_designs.h"

using namespace orvelin;

namespace {

DesignSnapshot snapshot(double radius, const std::string& path = "/d/a.ov") {
    DesignSnapshot s{orvelin::testing::makeDesign({{radius, 1, 0, 500}, {0, 0, 0, 0}}, 100, 0.5), {path, ""}};
    s.files.fileTitle = fileNameOfPath(path);
    s.design.designTitle = titleFromFileName(s.files.fileTitle);
    return s;
}

double radiusOf(const DesignSnapshot& s) {
    return s.design.surfaces[1].radius;
}

}  // namespace

TEST(History, UndoAndRedoWalkTheNamedChangesAndTheSavedPointClearsTheMarker) {
    History h;
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(h.undoName(), "");
    h.reset(snapshot(1000), true);
    EXPECT_FALSE(h.modified());

    EXPECT_TRUE(h.record("Focus", snapshot(1100)));
    EXPECT_TRUE(h.modified());
    EXPECT_TRUE(h.record("Radius #1", snapshot(1200)));
    // Nothing changed, bit for bit: no step, and the names stay.
    EXPECT_FALSE(h.record("Aperture", snapshot(1200)));
    EXPECT_EQ(h.size(), 3u);
    EXPECT_EQ(h.undoName(), "Radius #1");

    EXPECT_EQ(radiusOf(h.undo()), 1100);
    EXPECT_EQ(h.undoName(), "Focus");
    EXPECT_EQ(h.redoName(), "Radius #1");
    EXPECT_EQ(radiusOf(h.undo()), 1000);
    EXPECT_FALSE(h.modified());  // back where the file is
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(radiusOf(h.undo()), 1000);  // no step before the first
    EXPECT_EQ(radiusOf(h.redo()), 1100);
    EXPECT_TRUE(h.modified());

    // Saving here makes this state the file's, and the first no longer is.
    h.markSaved();
    EXPECT_FALSE(h.modified());
    h.undo();
    EXPECT_TRUE(h.modified());
    h.redo();
    // A new change after an undo drops what could have been redone.
    h.undo();
    EXPECT_TRUE(h.record("Curve Focal Plane", snapshot(900)));
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(h.redoName(), "");
    EXPECT_EQ(radiusOf(h.undo()), 1000);
    EXPECT_EQ(radiusOf(h.redo()), 900);
    EXPECT_EQ(radiusOf(h.redo()), 900);  // no step after the last
}

TEST(History, OpenAndNewBeginDocumentsThatSaveAsRenamesApart) {
    History h;
    h.reset(snapshot(1000, "/d/a.ov"), true);
    h.record("Focus", snapshot(1100, "/d/a.ov"));
    // Open of another file: a change of its own, matching that file.
    EXPECT_TRUE(h.record("Open", snapshot(2000, "/d/b.ov"), true, true));
    EXPECT_FALSE(h.modified());
    h.record("Tilt #1", snapshot(2100, "/d/b.ov"));
    // Save As: both states of the second design take the new name; the
    // first design keeps its own file.
    FileSelection c{"/d/c.ov", "c.ov"};
    h.renameDocument(c, "c");
    h.markSaved();
    EXPECT_FALSE(h.modified());
    const DesignSnapshot& opened = h.undo();
    EXPECT_EQ(opened.files.filePath, "/d/c.ov");
    EXPECT_EQ(opened.design.designTitle, "c");
    EXPECT_TRUE(h.modified());  // c.ov holds the tilted design
    const DesignSnapshot& before = h.undo();
    EXPECT_EQ(before.files.filePath, "/d/a.ov");
    EXPECT_EQ(before.design.designTitle, "a");
    EXPECT_TRUE(h.modified());  // the focus change was never saved
    EXPECT_FALSE(h.undo().files.filePath.empty());
    EXPECT_FALSE(h.modified());  // a.ov as it was read

    // Reopening the same design is a step even though nothing differs.
    History again;
    again.reset(snapshot(1000), true);
    EXPECT_TRUE(again.record("Open", snapshot(1000), true, true));
    EXPECT_EQ(again.undoName(), "Open");
}

TEST(History, KeepsOnlyTheNewestChangesUpToItsLimit) {
    History h(3);
    h.reset(snapshot(0), true);
    for (int r = 1; r <= 5; ++r) h.record("Radius #1", snapshot(r));
    EXPECT_EQ(h.size(), 4u);
    int steps = 0;
    while (h.canUndo()) {
        h.undo();
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(radiusOf(h.current()), 2);
    EXPECT_TRUE(h.modified());  // the saved state has gone from the history
}
