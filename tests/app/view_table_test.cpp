// The one table of views: every number and every word names one view, and
// the window's backgrounds and the command line's words come from it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/command_ids.h"
#include "app/view_table.h"
#include "reports/design_view.h"

using namespace orvelin;

TEST(ViewTable, EveryViewOnceWithItsWordBackgroundAndCommands) {
    std::set<int> ids;
    std::set<std::string> words;
    for (const ViewEntry& v : viewTable()) {
        EXPECT_TRUE(ids.insert(v.view).second) << v.view;
        EXPECT_TRUE(words.insert(v.word).second) << v.word;
        EXPECT_EQ(viewEntry(v.view), &v);
        EXPECT_EQ(viewForWord(v.word), &v);
        EXPECT_EQ(viewBackground(v.view), v.background) << v.word;
    }
    // Every view the window can show, the Tools views included.
    for (int view : {kViewWelcome, kViewDesign, kViewTraceReport, kViewStandardPlot, kViewUniformAiry,
                     kViewUniformBlur, kViewAiryOverlay, kViewClearance, kViewImageQuality, kViewFans,
                     kViewFieldCurves, kViewFieldMap, kViewThroughFocus, kViewDiffraction, kViewTolerances})
        EXPECT_TRUE(ids.count(view)) << view;
    EXPECT_EQ(viewForWord("nothing"), nullptr);
    EXPECT_EQ(viewEntry(12345), nullptr);
    EXPECT_EQ(viewBackground(12345), viewBackground(kViewWelcome));

    // The pictures as they always were: the design grey, the report blue,
    // the plots brown, the analyses white; the overlay printed after a
    // standard plot and its Airy disk; the welcome page is not printed.
    EXPECT_EQ(viewBackground(kViewDesign), draw::rgb(160, 160, 160));
    EXPECT_EQ(viewBackground(kViewTraceReport), draw::rgb(128, 160, 192));
    EXPECT_EQ(viewBackground(kViewAiryOverlay), draw::rgb(160, 96, 32));
    EXPECT_EQ(viewBackground(kViewDiffraction), draw::rgb(255, 255, 255));
    EXPECT_EQ(viewForWord("overlay")->commands, (std::array<int, 2>{kCmdStandardPlot, kCmdAiry}));
    EXPECT_FALSE(viewForWord("welcome")->printable);
    EXPECT_STREQ(viewEntry(kViewFans)->name, "Ray fans");
}
