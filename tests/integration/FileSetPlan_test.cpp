#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"
#include "integration/FileSet.h"

namespace {

// The rows PlanFileSet takes, and whether logging was suspended for each.
struct Taken {
    std::vector<std::string> Logged, Quiet;
    int Cleanups = 0;
    int MaxDepth = 0;
    int EndDepth = 0;
};

Taken RunPlan(uint8_t selected, int32_t lastRun) {
    Taken t;
    int depth = 0;
    for (const TFileSetStep& s : PlanFileSet(selected, lastRun)) {
        switch (s.Kind) {
        case TFileSetStepKind::Suspend: t.MaxDepth = std::max(t.MaxDepth, ++depth); break;
        case TFileSetStepKind::Resume: --depth; break;
        case TFileSetStepKind::CleanOldClips: ++t.Cleanups; break;
        case TFileSetStepKind::Add: {
            const TFileSetRow& r = FileSetRows[s.Row];
            std::string name = r.TargetName ? r.TargetName : r.Name;
            (depth ? t.Quiet : t.Logged).push_back(name);
            break;
        }
        }
    }
    t.EndDepth = depth;
    return t;
}

using Names = std::vector<std::string>;
const Names Spelling = {"English (American).asc",
                        "English (American).cache",
                        "English (British).asc",
                        "English (British).cache",
                        "english.zlx",
                        "us.zlx",
                        "uk.zlx",
                        "userdicen.tlx"};

TEST(FileSetPlan, EverythingSelected) {
    Taken t = RunPlan(0x3F, app::LastRunVerUnknown);
    EXPECT_EQ(t.Logged, (Names{"parv.exe", "License.txt", "Hyphenation.dat", "Basic.asn"}));
    Names quiet = Spelling;
    quiet.push_back("Templates\\");
    quiet.push_back("Clip Library\\");
    EXPECT_EQ(t.Quiet, quiet);
    EXPECT_EQ(t.Cleanups, 0);
    EXPECT_EQ(t.MaxDepth, 1);
    EXPECT_EQ(t.EndDepth, 0);
}

TEST(FileSetPlan, ComponentsAndSuspensionSpans) {
    struct Case {
        uint8_t Selected;
        Names Logged;
        size_t QuietCount;
        int Suspensions;  // pairs in the plan
    };
    const Case cases[] = {
        // Component 0 alone: the spelling span is skipped, the shared span
        // still suspends and resumes around nothing.
        {0x01, {"parv.exe", "License.txt"}, 0, 1},
        {0x02, {"parv.exe", "License.txt"}, 8, 2},
        {0x04, {"parv.exe", "License.txt", "Hyphenation.dat"}, 0, 1},
        {0x08, {"parv.exe", "License.txt"}, 1, 1},
        {0x10, {"parv.exe", "License.txt"}, 1, 1},
        {0x20, {"parv.exe", "License.txt", "Basic.asn"}, 0, 1},
    };
    for (const Case& c : cases) {
        Taken t = RunPlan(c.Selected, app::LastRunVerUnknown);
        EXPECT_EQ(t.Logged, c.Logged) << int(c.Selected);
        EXPECT_EQ(t.Quiet.size(), c.QuietCount) << int(c.Selected);
        int suspends = 0;
        for (const TFileSetStep& s : PlanFileSet(c.Selected, app::LastRunVerUnknown))
            suspends += s.Kind == TFileSetStepKind::Suspend;
        EXPECT_EQ(suspends, c.Suspensions) << int(c.Selected);
        EXPECT_EQ(t.EndDepth, 0);
    }
}

TEST(FileSetPlan, ClipLibraryAndCleanUpThresholds) {
    struct Case {
        bool Ticked;
        int32_t LastRun;
        bool Installed, Cleaned;
    };
    const Case cases[] = {
        {false, app::LastRunVerUnknown, false, false},
        {false, 20000000, true, true},
        {false, app::ForceClipLibraryBelow - 1, true, true},
        {false, app::ForceClipLibraryBelow, false, false},
        {true, app::ForceClipLibraryBelow, true, true},
        {true, app::CleanOldClipsBelow - 1, true, true},
        {false, app::CleanOldClipsBelow - 1, false, false},
        {true, app::CleanOldClipsBelow, true, false},
        {true, app::LastRunVerUnknown, true, false},
        {false, -5, true, true},
    };
    for (const Case& c : cases) {
        Taken t = RunPlan(c.Ticked ? 0x11 : 0x01, c.LastRun);
        bool installed =
            std::find(t.Quiet.begin(), t.Quiet.end(), "Clip Library\\") != t.Quiet.end();
        EXPECT_EQ(installed, c.Installed) << c.Ticked << " " << c.LastRun;
        EXPECT_EQ(t.Cleanups, c.Cleaned ? 1 : 0) << c.Ticked << " " << c.LastRun;
    }
}

// Cleaning after the selection would delete images that a portable
// upgrade has just decided to keep.
TEST(FileSetPlan, CleanUpComesRightBeforeTheClipLibrary) {
    auto plan = PlanFileSet(0x3F, 20000000);
    auto it = std::find_if(plan.begin(), plan.end(), [](const TFileSetStep& s) {
        return s.Kind == TFileSetStepKind::Add &&
               std::string(FileSetRows[s.Row].Name) == "Clip Library\\";
    });
    ASSERT_NE(it, plan.end());
    ASSERT_NE(it, plan.begin());
    EXPECT_EQ((it - 1)->Kind, TFileSetStepKind::CleanOldClips);
}

TEST(FileSetTable, NamesTheSameEntriesAsTheCatalogue) {
    std::set<std::string> names[ComponentCount];
    for (const TFileSetRow& r : FileSetRows) {
        ASSERT_GE(r.Component, 0);
        ASSERT_LT(r.Component, ComponentCount);
        names[r.Component].insert(r.Name);
        EXPECT_TRUE(r.Mode == TOverwriteMode::IfAbsent ||
                    r.Mode == TOverwriteMode::IfAbsentOrChanged)
            << r.Name;
    }
    for (int k = 0; k < ComponentCount; ++k) {
        auto listed = SplitLines(ComponentFiles[k]);
        EXPECT_EQ(names[k], std::set<std::string>(listed.begin(), listed.end())) << k;
    }
}

// Only what lands below the main folder counts: a normal installation's
// program files, a portable one's data folders too, each with its
// temporary name while it is replaced.
TEST(FileSetTable, LongestNameBelowTheMainFolder) {
    const std::vector<std::string> names = {"parv.exe", "License.txt", "Hyphenation.dat",
                                            "English (American).cache", "Basic.asn",
                                            "Clip Library\\Animals\\Zebra stripes.png"};
    EXPECT_EQ(LongestNameBelowMainDir(false, names), "Hyphenation.dat.~tmp99");
    EXPECT_EQ(LongestNameBelowMainDir(true, names), "Clip Library\\Animals\\Zebra stripes.png.~tmp99");
    EXPECT_EQ(LongestNameBelowMainDir(true, {"English (American).cache"}),
              "Spellcheck\\English (American).cache.~tmp99");
    EXPECT_EQ(LongestNameBelowMainDir(false, {}), "Install.log.~tmp99");
}

TEST(OldClipImages, BaseFolderAndFiles) {
    EXPECT_EQ(OldClipImagesBase(true, "R:\\Parvela", ""), "R:\\Parvela\\");
    EXPECT_EQ(OldClipImagesBase(true, "R:\\Parvela/", "C:\\Docs"), "R:\\Parvela\\");
    EXPECT_EQ(OldClipImagesBase(false, "C:\\P", "C:\\Users\\u\\Documents"),
              "C:\\Users\\u\\Documents\\Parvela\\");
    EXPECT_EQ(OldClipImagesBase(false, "C:\\P", "C:\\Docs\\"), "C:\\Docs\\Parvela\\");
    // No documents folder: nothing relative to the current folder is touched.
    EXPECT_EQ(OldClipImagesBase(false, "C:\\P", ""), "");

    auto paths = OldClipImagePaths("B\\");
    ASSERT_EQ(paths.size(), 33u);
    EXPECT_EQ(paths.front(), "B\\Clip Library\\Images\\Bullets\\Bullet 1.gif");
    EXPECT_EQ(paths[9], "B\\Clip Library\\Images\\Bullets\\Bullet 10.gif");
    EXPECT_EQ(paths[31], "B\\Clip Library\\Images\\Bullets\\Bullet 32.gif");
    EXPECT_EQ(paths.back(), "B\\Clip Library\\Images\\Bullets\\Target.gif");
}

}  // namespace
