// The last tolerance analysis in the application core: kept from the
// dialog, the window's view while the design stays as it was analysed, and
// dropped by every kind of change (an edit, Undo, another design).
#include <gtest/gtest.h>

#include "app/application.h"
#include "tolerance/tolerance.h"

namespace orvelin {
namespace {

/// A host whose tolerance dialog answers with `next` and notes what it was
/// given to start from, and whose Open dialog chooses `file`: the only
/// dialogs the test opens, so questions, view and platform stay headless.
class ToleranceHost : public HeadlessFileChooser, public HeadlessEditors {
  public:
    std::shared_ptr<const ToleranceResult> next;
    std::vector<const ToleranceResult*> startedFrom;
    std::string file;
    std::string chooseOpenFile() override { return file; }
    std::shared_ptr<const ToleranceResult> analyseTolerances(const Design&,
                                                             const ToleranceResult* last) override {
        startedFrom.push_back(last);
        return next;
    }
};

TEST(ApplicationTolerances, KeptUntilTheDesignChanges) {
    ToleranceHost host;
    Application app({.files = host, .editors = host});
    AppState& s = app.state();
    // Before any design the command asks nothing.
    app.runCommand(kCmdTolerances);
    EXPECT_TRUE(host.startedFrom.empty());

    Design d;
    ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov").accepted());
    app.showDesign(d);
    const auto first = std::make_shared<const ToleranceResult>();
    host.next = first;
    app.runCommand(kCmdTolerances);
    ASSERT_EQ(host.startedFrom, (std::vector<const ToleranceResult*>{nullptr}));
    EXPECT_EQ(s.tolerances, first);
    EXPECT_EQ(s.viewState, kViewTolerances);
    EXPECT_FALSE(s.modified);  // the design is the same

    // A dialog closed without a new analysis keeps the last one and starts
    // from it.
    host.next = nullptr;
    app.runCommand(kCmdDisplay);
    app.runCommand(kCmdTolerances);
    EXPECT_EQ(host.startedFrom.back(), first.get());
    EXPECT_EQ(s.tolerances, first);
    EXPECT_EQ(s.viewState, kViewDesign);

    // An edit drops it, and so do Undo and another design.
    s.design.surfaces[1].tilt += 0.1;
    recomputeSurface(s.design, 1);
    app.markModified("Tilt #1");
    EXPECT_FALSE(s.tolerances);
    host.next = first;
    app.runCommand(kCmdTolerances);
    ASSERT_EQ(s.tolerances, first);
    app.undo();
    EXPECT_EQ(s.design.surfaces[1].tilt, d.surfaces[1].tilt);
    EXPECT_FALSE(s.tolerances);
    app.runCommand(kCmdTolerances);
    ASSERT_EQ(s.tolerances, first);
    host.file = std::string(ORVELIN_EXAMPLES) + "/sphere.ov";
    s.modified = false;
    app.runCommand(kCmdOpen);
    EXPECT_EQ(s.design.designTitle, "sphere");
    EXPECT_FALSE(s.tolerances);
}

}  // namespace
}  // namespace orvelin
