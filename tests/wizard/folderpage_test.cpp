#include "wizard/FolderPage.h"
#include "wizard/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

const std::string PF = "C:\\Program Files";

struct NormalizeCase {
    const char* typed;
    char drive;
    const char* expected;
};

TEST(NormalizeDestDirText, CleansTypedFolders) {
    const NormalizeCase cases[] = {
        {"D:\\", 'c', "D:\\Parvela"},
        {"D:", 'c', "D:\\Parvela"},
        {"D:\\\\", 'c', "D:\\Parvela"},
        {"  E:\\Apps\\Editor  ", 'c', "E:\\Apps\\Editor"},
        {"E:\\Apps\\Editor\\", 'c', "E:\\Apps\\Editor"},
        {"  E:\\Apps\\Editor\\ ", 'c', "E:\\Apps\\Editor"},
        {"E:\\Apps\\Parvela", 'c', "E:\\Apps\\Parvela"},
        // Program Files itself gets the product folder, in any case and with a slash.
        {"C:\\Program Files", 'd', "C:\\Program Files\\Parvela"},
        {"c:\\PROGRAM FILES\\", 'd', "c:\\PROGRAM FILES\\Parvela"},
        {"C:\\Program Files (x86)", 'd', "C:\\Program Files (x86)"},
        {"C:\\Program Files\\Parvela", 'd', "C:\\Program Files\\Parvela"},
        // Without a drive part the typed text is dropped for the box's drive.
        {"Apps", 'd', "d:\\Parvela"},
        {"\\Apps\\Editor", 'e', "e:\\Parvela"},
        {"", 'd', "d:\\Parvela"},
        {"     ", 'd', "d:\\Parvela"},
        // Only blanks are trimmed: a leading tab hides the drive part.
        {"\tE:\\Apps", 'd', "d:\\Parvela"},
        // Network folders keep their server and share.
        {"\\\\server\\share\\Apps", 'c', "\\\\server\\share\\Apps"},
        {"  \\\\server\\share\\Apps\\ ", 'c', "\\\\server\\share\\Apps"},
        {"\\\\server\\share\\", 'c', "\\\\server\\share"},
        {"\\\\server", 'c', "c:\\Parvela"},
        {"\\\\server\\", 'c', "c:\\Parvela"},
        {"\\\\\\share", 'c', "c:\\Parvela"},
    };
    for (const NormalizeCase& c : cases)
        EXPECT_EQ(NormalizeDestDirText(c.typed, c.drive, PF), c.expected)
            << "typed: [" << c.typed << "]";
}

TEST(NormalizeDestDirText, DriveBoxWithoutDriveFallsBackToProgramFilesDrive) {
    EXPECT_EQ(NormalizeDestDirText("Apps", 0, "E:\\Programs"), "e:\\Parvela");
    EXPECT_EQ(NormalizeDestDirText("Apps", 0, ""), "c:\\Parvela");
    // An empty Program Files never matches a typed folder.
    EXPECT_EQ(NormalizeDestDirText("E:\\Apps", 'c', ""), "E:\\Apps");
}

TEST(NormalizeDestDirText, IsStableWhenAppliedTwice) {
    for (const char* typed : {"D:\\", " Apps ", "C:\\Program Files\\", "E:\\x\\", "\\\\s\\h\\"}) {
        std::string once = NormalizeDestDirText(typed, 'd', PF);
        EXPECT_EQ(NormalizeDestDirText(once, 'd', PF), once) << typed;
    }
}

TEST(DriveBox, ItemTexts) {
    EXPECT_EQ(DriveItemText('C', "System", ""), "c: [system]");
    EXPECT_EQ(DriveItemText('e', "USB Stick", ""), "e: [usb stick]");
    EXPECT_EQ(DriveItemText('D', "", ""), "d: ");
    EXPECT_EQ(DriveItemText('F', "R&D", ""), "f: [r&d]");
    // A network drive shows its connection instead of the label.
    EXPECT_EQ(DriveItemText('N', "Data", "\\\\Server\\Share"), "n: \\\\server\\share");
}

// A pretend disk: the folders that exist, found in any letter case.
struct FakeDisk {
    std::set<std::string> folders;
    TFolderExists Exists() const {
        return [this](const std::string& p) {
            std::string key = LowerAsciiText(StripFolderSlash(p));
            for (const std::string& f : folders)
                if (LowerAsciiText(f) == key) return true;
            return false;
        };
    }
};

TEST(FolderList, WalksUpToTheNearestExistingFolder) {
    FakeDisk disk{{"C:\\", "C:\\a", "C:\\a\\b"}};
    EXPECT_EQ(WalkUpToExisting("C:\\a\\b", disk.Exists()), "C:\\a\\b");
    EXPECT_EQ(WalkUpToExisting("C:\\a\\b\\", disk.Exists()), "C:\\a\\b");
    EXPECT_EQ(WalkUpToExisting("C:\\a\\b\\c\\d", disk.Exists()), "C:\\a\\b");
    EXPECT_EQ(WalkUpToExisting("C:\\a\\x\\b", disk.Exists()), "C:\\a");
    EXPECT_EQ(WalkUpToExisting("C:\\zz", disk.Exists()), "C:\\");
    // A drive with nothing on it still ends at its root.
    EXPECT_EQ(WalkUpToExisting("Q:\\one\\two\\", disk.Exists()), "Q:\\");
    EXPECT_EQ(WalkUpToExisting("Q:", disk.Exists()), "Q:\\");
    EXPECT_EQ(WalkUpToExisting("Q:name", disk.Exists()), "Q:\\");
    EXPECT_EQ(WalkUpToExisting("\\\\srv\\share\\x\\y", disk.Exists()), "\\\\srv\\share\\");
    // Nothing to show for a text without a drive.
    EXPECT_EQ(WalkUpToExisting("Apps\\x", disk.Exists()), "");
    EXPECT_EQ(WalkUpToExisting("", disk.Exists()), "");
}

TEST(FolderList, ChoosingADrive) {
    FakeDisk disk{{"C:\\", "C:\\Program Files", "D:\\", "D:\\work\\src", "E:\\"}};
    auto exists = disk.Exists();
    // Ignored: control characters, blanks, non-letters and the list's own drive.
    for (char letter : {'\0', '\x01', ' ', '1', 'c', 'C'})
        EXPECT_EQ(FolderForDrive(letter, "C:\\work\\src", PF, exists), "") << int(letter);
    // Program Files drive: the product folder only when it exists.
    EXPECT_EQ(FolderForDrive('c', "D:\\work\\src", PF, exists), "C:\\Program Files");
    disk.folders.insert("C:\\Program Files\\Parvela");
    EXPECT_EQ(FolderForDrive('C', "D:\\work\\src", PF, exists), "C:\\Program Files\\Parvela");
    // Elsewhere: the same path on the new drive, else its root.
    EXPECT_EQ(FolderForDrive('d', "C:\\work\\src", PF, exists), "d:\\work\\src");
    EXPECT_EQ(FolderForDrive('e', "C:\\work\\src", PF, exists), "e:\\");
    EXPECT_EQ(FolderForDrive('e', "", PF, exists), "e:\\");
    // Without Program Files the drive is treated like any other.
    EXPECT_EQ(FolderForDrive('c', "D:\\work\\src", "", exists), "c:\\");
}

TEST(FolderList, RowsAreTheChainThenSortedSubFolders) {
    auto rows = BuildFolderRows("C:\\Program Files\\Common\\", {"zeta", "Alpha", "beta"}, true);
    struct Want {
        const char* path;
        const char* text;
        int indent;
        bool open;
    };
    const Want want[] = {
        {"C:\\", "C:", 3, true},
        {"C:\\Program Files", "Program Files", 15, true},
        {"C:\\Program Files\\Common", "Common", 27, true},
        {"C:\\Program Files\\Common\\Alpha", "Alpha", 39, false},
        {"C:\\Program Files\\Common\\beta", "beta", 39, false},
        {"C:\\Program Files\\Common\\zeta", "zeta", 39, false},
    };
    ASSERT_EQ(rows.size(), std::size(want));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Path, want[i].path) << i;
        EXPECT_EQ(rows[i].Text, want[i].text) << i;
        EXPECT_EQ(FolderRowIndent(rows[i]), want[i].indent) << i;
        EXPECT_EQ(rows[i].Open, want[i].open) << i;
    }
    // The current folder's row sits at its depth.
    EXPECT_EQ(FolderDepth("C:\\Program Files\\Common\\"), 2);
    EXPECT_EQ(CurrentFolderRow(rows), 2);
}

// A network root is one row for its four backslashes: the current row is
// the folder's own, not the backslash count.
TEST(FolderList, CurrentRowOfANetworkFolderIsItsOwnRow) {
    auto rows = BuildFolderRows("\\\\server\\share\\x", {"sub"}, true);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Text, "\\\\server\\share");
    ASSERT_EQ(CurrentFolderRow(rows), 1);
    EXPECT_EQ(rows[1].Path, "\\\\server\\share\\x");
    EXPECT_EQ(CurrentFolderRow(BuildFolderRows("\\\\server\\share\\", {"sub"}, true)), 0);
    EXPECT_EQ(CurrentFolderRow({}), -1);
}

TEST(FolderList, RowsOfADriveRootAndOfACaseLosingDrive) {
    auto root = BuildFolderRows("D:\\", {"B", "a"}, false);
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root[0].Text, "d:");
    EXPECT_EQ(root[1].Path, "D:\\a");
    EXPECT_EQ(root[2].Path, "D:\\B");
    EXPECT_EQ(root[2].Text, "b");
    EXPECT_EQ(FolderRowIndent(root[1]), 15);  // 12 * depth 0 + 15
    EXPECT_EQ(FolderDepth("D:\\"), 0);

    auto deep = BuildFolderRows("E:\\Data\\MIXED", {}, false);
    ASSERT_EQ(deep.size(), 3u);
    EXPECT_EQ(deep[1].Text, "data");
    EXPECT_EQ(deep[2].Text, "mixed");
    EXPECT_EQ(deep[2].Path, "E:\\Data\\MIXED");  // paths keep their case
    EXPECT_TRUE(BuildFolderRows("Apps", {"x"}, true).empty());
}

TEST(FolderList, ComparesFoldersByTheDriveCaseRule) {
    EXPECT_TRUE(SameFolder("C:\\Apps", "c:\\apps\\", false));
    EXPECT_FALSE(SameFolder("C:\\Apps", "C:\\apps", true));
    EXPECT_TRUE(SameFolder("C:\\Apps\\", "C:\\Apps", true));
    EXPECT_FALSE(SameFolder("C:\\Apps", "", false));
}

// Drive masks: bit 0 is A:.
constexpr uint32_t Bit(char letter) { return 1u << (letter - 'A'); }

TEST(DriveTimer, FollowsDrivesThatComeAndGo) {
    const uint32_t cde = Bit('C') | Bit('D') | Bit('E');
    struct Case {
        const char* what;
        uint32_t oldMask, newMask;
        char current;
        std::string pf;
        TDriveTimerAction action;
        char drive;
        uint32_t listed = 0xFFFFFFFFu;  // drives the box shows (no CD-ROM)
    };
    const Case cases[] = {
        {"nothing changed", cde, cde, 'e', PF, TDriveTimerAction::Nothing, 0},
        {"shown drive removed", cde, Bit('C') | Bit('D'), 'e', PF, TDriveTimerAction::SetDrive,
         'c'},
        {"other drive removed", cde, Bit('C') | Bit('E'), 'e', PF, TDriveTimerAction::Reselect, 0},
        {"Program Files drive is D", cde, Bit('C') | Bit('D'), 'e', "D:\\Programs",
         TDriveTimerAction::SetDrive, 'd'},
        {"Program Files drive gone too", cde, Bit('E'), 'c', PF, TDriveTimerAction::SetDrive, 'e'},
        {"no Program Files", cde, Bit('D'), 'e', "", TDriveTimerAction::SetDrive, 'd'},
        {"box had no drive", cde, Bit('C') | Bit('D'), 0, PF, TDriveTimerAction::SetDrive, 'c'},
        {"everything gone", cde, 0, 'c', PF, TDriveTimerAction::LeaveUnselected, 0},
        {"stick plugged in", Bit('C'), Bit('C') | Bit('F'), 'c', PF, TDriveTimerAction::SetDrive,
         'f'},
        {"two appear: first wins", Bit('C'), Bit('C') | Bit('H') | Bit('G'), 'c', PF,
         TDriveTimerAction::SetDrive, 'g'},
        {"swap: higher one appears", Bit('C') | Bit('D'), Bit('C') | Bit('F'), 'd', PF,
         TDriveTimerAction::SetDrive, 'f'},
        {"Z appears", Bit('C'), Bit('C') | Bit('Z'), 'c', PF, TDriveTimerAction::SetDrive, 'z'},
        // A: and B: are never proposed; the box keeps the drive it showed.
        {"floppy appears", Bit('C'), Bit('A') | Bit('C'), 'c', PF, TDriveTimerAction::Reselect, 0},
        {"both floppies", Bit('C'), Bit('A') | Bit('B') | Bit('C'), 'c', PF,
         TDriveTimerAction::Reselect, 0},
        {"floppy and stick", Bit('C'), Bit('B') | Bit('C') | Bit('E'), 'c', PF,
         TDriveTimerAction::SetDrive, 'e'},
        {"shown drive removed, only A left", Bit('A') | Bit('C'), Bit('A'), 'c', PF,
         TDriveTimerAction::LeaveUnselected, 0},
        // A CD-ROM drive is not listed, so it is never proposed either.
        {"CD-ROM appears", Bit('C'), Bit('C') | Bit('T'), 'c', PF, TDriveTimerAction::Reselect, 0,
         Bit('C')},
        {"CD-ROM and stick appear", Bit('C'), Bit('C') | Bit('E') | Bit('F'), 'c', PF,
         TDriveTimerAction::SetDrive, 'f', Bit('C') | Bit('F')},
        {"shown gone, only a CD-ROM before the next", cde | Bit('G'), Bit('D') | Bit('G'), 'e', PF,
         TDriveTimerAction::SetDrive, 'g', Bit('G')},
    };
    for (const Case& c : cases) {
        TDriveTimerStep step =
            DecideDriveTimerStep(c.oldMask, c.newMask, c.current, c.pf, c.listed);
        EXPECT_EQ(step.Action, c.action) << c.what;
        if (c.action == TDriveTimerAction::SetDrive) {
            EXPECT_EQ(step.Drive, c.drive) << c.what;
        }
    }
}

}  // namespace

namespace {

TEST(NormalizeDestDirText, ResolvesTheFullFormBeforeTheParvelaRule) {
    std::vector<std::string> asked;
    const TFullPath fullPath = [&](const std::string& p) -> std::string {
        asked.push_back(p);
        if (p == "C:\\." || p == "C:\\Apps\\..") return "C:\\";
        if (p == "C:\\PROGRA~1\\") return "C:\\Program Files\\";
        return {};  // cannot be resolved: kept as typed
    };
    EXPECT_EQ(NormalizeDestDirText("C:\\.", 'd', PF, fullPath), "C:\\Parvela");
    EXPECT_EQ(NormalizeDestDirText(" C:\\Apps\\.. ", 'd', PF, fullPath), "C:\\Parvela");
    EXPECT_EQ(NormalizeDestDirText("C:\\PROGRA~1\\", 'd', PF, fullPath),
              "C:\\Program Files\\Parvela");
    EXPECT_EQ(NormalizeDestDirText("E:\\Unknown\\", 'd', PF, fullPath), "E:\\Unknown");
    // Either would resolve against a drive's current folder.
    EXPECT_EQ(NormalizeDestDirText("C:foo", 'd', PF, fullPath), "C:foo");
    EXPECT_EQ(NormalizeDestDirText("C:", 'd', PF, fullPath), "C:\\Parvela");
    EXPECT_EQ(asked.size(), 4u);
}

TEST(CheckTypedFolder, RefusesWhatCannotBeAFolderOrReachACommandLine) {
    const struct {
        const char* typed;
        TFolderProblem problem;
        const char* detail;
    } cases[] = {
        {"C:\\x\" C:\\evil", TFolderProblem::Quote, "\""},
        {"C:\\a<b", TFolderProblem::ForbiddenCharacter, "<"},
        {"C:\\????", TFolderProblem::ForbiddenCharacter, "?"},
        {"C:\\a\tb", TFolderProblem::ForbiddenCharacter, "\t"},
        {"C:\\a:b", TFolderProblem::ForbiddenCharacter, ":"},
        {"  d:Apps\\Parvela ", TFolderProblem::DriveRelative, "d:Apps\\Parvela"},
        {"C:\\Apps\\COM1.txt\\x", TFolderProblem::DeviceName, "COM1.txt"},
        {"C:/Apps/nul ", TFolderProblem::DeviceName, "nul"},
        {"C:\\COM\xB9", TFolderProblem::DeviceName, "COM\xB9"},
        {"C:\\CONIN$", TFolderProblem::DeviceName, "CONIN$"},
        {"\\\\.\\PhysicalDrive0", TFolderProblem::DevicePath, "\\\\.\\PhysicalDrive0"},
        {"//./pipe/Parvela", TFolderProblem::DevicePath, "//./pipe/Parvela"},
        {"  C:\\Apps\\Editor  ", TFolderProblem::None, ""},
        {"C:", TFolderProblem::None, ""},
        {"\\\\srv\\share\\Apps", TFolderProblem::None, ""},
        {"C:\\Console\\Com10\\Nullish", TFolderProblem::None, ""},
    };
    for (const auto& c : cases) {
        const TFolderCheck check = CheckTypedFolder(c.typed);
        EXPECT_EQ(check.Problem, c.problem) << c.typed;
        EXPECT_EQ(check.Detail, c.detail) << c.typed;
    }
    EXPECT_EQ(FolderProblemMessage(CheckTypedFolder("C:Parvela")),
              "\"C:Parvela\" does not say where on drive C: the folder is.\r"
              "Please type the full path, for example C:\\Parvela.");
}

// Checked on the resolved path: the system would open such a part without
// its trailing dots or blanks, and the log would name a folder never made.
TEST(CheckResolvedFolder, RefusesPartsTheSystemWouldShorten) {
    const struct {
        const char* folder;
        const char* part;
    } cases[] = {
        {"C:\\Program Files\\...\\Parv3", "..."},
        {"C:\\Apps\\Parvela.", "Parvela."},
        {"C:\\Apps \\Parvela", "Apps "},
        {"\\\\srv\\share\\..", ".."},
        {"C:\\Apps\\.Parvela", ""},
        {"C:\\Apps\\Parv.ela", ""},
        {"\\\\srv\\share\\Apps", ""},
        {"C:\\", ""},
    };
    for (const auto& c : cases) {
        const TFolderCheck check = CheckResolvedFolder(c.folder);
        EXPECT_EQ(check.Problem, *c.part ? TFolderProblem::TrailingDot : TFolderProblem::None)
            << c.folder;
        EXPECT_EQ(check.Detail, c.part) << c.folder;
    }
}

TEST(CheckFolderLength, LeavesRoomForTheFolderAndEveryFileBelowIt) {
    EXPECT_EQ(CheckFolderLength(247, 10).Problem, TFolderProblem::None);
    EXPECT_EQ(CheckFolderLength(248, 10).Problem, TFolderProblem::TooLong);
    EXPECT_EQ(CheckFolderLength(158, 100).Problem, TFolderProblem::None);
    EXPECT_EQ(CheckFolderLength(159, 100).Detail, "158");
}

}  // namespace
