#include "instutils/InstUtils.h"
#include "instutils/DayCount.h"
#include "instutils/InstallLog.h"
#include "tests/instutils/Scratch_win.h"
#include "tests/support/SmallDisk_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <thread>

namespace {

using Lines = std::vector<std::string>;

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string WithoutTrailingSeparator(std::string s) {
    DropLastChar(s);
    return s;
}

namespace {
std::string SlashesForward(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}
}  // namespace

TEST(Folders, FolderExistsOnlyForAbsoluteSpellingsInAnyCase) {
    ScratchFolder s;
    CreateDirectoryA((s / "Sub").c_str(), nullptr);
    MakeFile(s / "file.txt");
    const std::string sub = s / "Sub";
    const std::string before = GetCurrentFolder();
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {sub, true},
        {sub + "\\", true},
        {Upper(sub), true},
        {Lower(sub) + "\\", true},
        {"C:\\", true},
        {"c:", true},
        {sub + "\\..\\Sub", false},  // read back without the steps
        {sub + "\\.", false},
        {SlashesForward(sub), false},  // read back with backslashes
        {s / "Missing", false},
        {s / "file.txt", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderExists(c.path), c.exists) << c.path;
        EXPECT_EQ(GetCurrentFolder(), before) << "current folder not restored after " << c.path;
    }
    CurrentFolderScope inScratch(s.Path());
    EXPECT_FALSE(FolderExists("Sub"));
    EXPECT_FALSE(FolderExists(".\\Sub\\"));
    EXPECT_EQ(GetCurrentFolder(), s.Path());
}

TEST(Folders, FolderStackRestoresInReverseOrder) {
    ScratchFolder s;
    CreateDirectoryA((s / "A").c_str(), nullptr);
    const std::string before = GetCurrentFolder();
    PushCurrentFolder();
    SetCurrentDirectoryA(s.Path().c_str());
    PushCurrentFolder();
    SetCurrentDirectoryA((s / "A").c_str());
    EXPECT_EQ(GetCurrentFolder(), s / "A\\");
    PopCurrentFolder();
    EXPECT_EQ(GetCurrentFolder(), s.Path());
    PopCurrentFolder();
    EXPECT_EQ(GetCurrentFolder(), before);
    PopCurrentFolder();  // nothing left: no change
    EXPECT_EQ(GetCurrentFolder(), before);
}

class FolderChain : public ::testing::Test {
protected:
    void SetUp() override { Log.CreateInstallLog(); }
    TInstallLog Log;
    ScratchFolder s;
};

TEST_F(FolderChain, LogsEveryNewFolderParentsFirst) {
    CreateFolderChain(s / "A\\B\\", &Log);
    EXPECT_TRUE(FolderExists(s / "A\\B"));
    EXPECT_EQ(Log.InstallLogLines(),
              (Lines{"Made Dir: " + s / "A\\", "Made Dir: " + s / "A\\B\\"}));
}

TEST_F(FolderChain, AFolderGivenWithoutSeparatorIsLoggedWithout) {
    CreateFolderChain(s / "A\\B\\C", &Log);
    EXPECT_TRUE(FolderExists(s / "A\\B\\C\\"));
    EXPECT_EQ(Log.InstallLogLines(), (Lines{"Made Dir: " + s / "A\\", "Made Dir: " + s / "A\\B\\",
                                            "Made Dir: " + s / "A\\B\\C"}));
}

TEST_F(FolderChain, ExistingFoldersAddNothing) {
    CreateFolderChain(s.Path(), &Log);
    CreateFolderChain(WithoutTrailingSeparator(s.Path()), &Log);
    EXPECT_TRUE(Log.InstallLogLines().empty());
    CreateFolderChain(s / "A\\", &Log);
    CreateFolderChain(Upper(s / "A\\B\\"), &Log);  // A exists now: only B is new
    EXPECT_EQ(Log.InstallLogLines(),
              (Lines{"Made Dir: " + s / "A\\", "Made Dir: " + Upper(s / "A\\B\\")}));
}

TEST_F(FolderChain, SuspendedLoggingStillCreatesTheFolders) {
    Log.SuspendLogging();
    CreateFolderChain(s / "Hidden\\Deep\\", &Log);
    Log.ResumeLogging();
    EXPECT_TRUE(FolderExists(s / "Hidden\\Deep\\"));
    EXPECT_TRUE(Log.InstallLogLines().empty());
}

TEST_F(FolderChain, AFolderThatCannotBeMadeIsStillLogged) {
    MakeFile(s / "blocker");  // a file where a folder should go
    CreateFolderChain(s / "blocker\\sub\\", &Log);
    EXPECT_FALSE(FolderExists(s / "blocker\\sub\\"));
    EXPECT_EQ(Log.InstallLogLines(),
              (Lines{"Made Dir: " + s / "blocker\\", "Made Dir: " + s / "blocker\\sub\\"}));
}

TEST(Folders, DeleteFolderTreeSparesAReadOnlyFileAndItsFolders) {
    ScratchFolder s;
    const std::string t = s / "T\\";
    CreateFolderChain(t + "keep\\deeper\\", nullptr);
    CreateFolderChain(t + "gone\\inner\\", nullptr);
    MakeFile(t + "top.txt");
    MakeFile(t + "keep\\deeper\\locked.txt");
    MakeFile(t + "keep\\deeper\\plain.txt");
    MakeFile(t + "keep\\other.txt");
    MakeFile(t + "gone\\inner\\a.txt");
    MakeFile(t + "gone\\b.txt");
    ASSERT_TRUE(
        SetFileAttributesA((t + "keep\\deeper\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    DeleteFolderTree(WithoutTrailingSeparator(t));

    EXPECT_TRUE(Exists(t + "keep\\deeper\\locked.txt"));
    EXPECT_FALSE(Exists(t + "keep\\deeper\\plain.txt"));
    EXPECT_FALSE(Exists(t + "keep\\other.txt"));
    EXPECT_FALSE(Exists(t + "top.txt"));
    EXPECT_FALSE(Exists(t + "gone"));
}

TEST(Folders, DeleteFolderTreeRemovesAWholeTree) {
    ScratchFolder s;
    CreateFolderChain(s / "T\\a\\b\\c\\", nullptr);
    MakeFile(s / "T\\a\\b\\c\\f");
    MakeFile(s / "T\\a\\g");
    SetFileAttributesA((s / "T\\a\\g").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    DeleteFolderTree(s / "T\\");
    EXPECT_FALSE(Exists(s / "T"));
    EXPECT_TRUE(Exists(s.Path()));
}

TEST(Folders, DeleteFolderTreeDoesNotReachThroughALinkedFolder) {
    ScratchFolder s;
    CreateFolderChain(s / "Elsewhere\\", nullptr);
    MakeFile(s / "Elsewhere\\precious.txt");
    CreateFolderChain(s / "Tree\\sub\\", nullptr);
    MakeFile(s / "Tree\\sub\\old.png");
    ASSERT_TRUE(MakeFolderLink(s / "Tree\\sub\\link", s / "Elsewhere"));

    DeleteFolderTree(s / "Tree\\");

    EXPECT_TRUE(Exists(s / "Elsewhere\\precious.txt"));
    EXPECT_FALSE(Exists(s / "Tree\\sub\\old.png"));
    RemoveFolderLink(s / "Tree\\sub\\link");
}

TEST(Folders, DeleteFolderTreeOfALinkRemovesAtMostTheLinkNeverItsTarget) {
    ScratchFolder s;
    CreateFolderChain(s / "Target\\sub\\", nullptr);
    for (const char* name : {"Target\\a.txt", "Target\\b.txt", "Target\\sub\\c.txt"})
        MakeFile(s / name);
    for (const std::string link : {"Link", "Link\\"}) {
        ASSERT_TRUE(MakeFolderLink(s / "Link", s / "Target"));
        DeleteFolderTree(s / link);
        EXPECT_TRUE(Exists(s / "Target\\a.txt")) << link;
        EXPECT_TRUE(Exists(s / "Target\\b.txt")) << link;
        EXPECT_TRUE(Exists(s / "Target\\sub\\c.txt")) << link;
        // Wine cannot remove a link (a host symbolic link) by its own calls.
        if (!folder_link::WineUnixName()) {
            EXPECT_FALSE(Exists(s / "Link")) << link;
        }
        RemoveFolderLink(s / "Link");
    }
}

TEST(Folders, DeleteFolderTreeOfAnEmptyPathLeavesTheCurrentFolderAlone) {
    ScratchFolder s;
    MakeFile(s / "precious.txt");
    CurrentFolderScope inScratch(s.Path());
    DeleteFolderTree("");
    EXPECT_TRUE(Exists(s / "precious.txt"));
}

TEST(Files, WriteWholeFileReplacesAndReadFileSizeMeasures) {
    ScratchFolder s;
    const std::string f = s / "marker.dat";
    EXPECT_EQ(ReadFileSize(f), -1);
    WriteWholeFile(f, "a considerably longer first content");
    const std::string binary("\0\x01\xff\r\n", 5);
    WriteWholeFile(f, binary);
    EXPECT_EQ(ReadBytes(f), binary);
    EXPECT_EQ(ReadFileSize(f), 5);
    WriteWholeFile(f, "");
    EXPECT_EQ(ReadFileSize(f), 0);
    EXPECT_EQ(ReadFileSize(s.Path()), -1);         // a folder is not a file
    WriteWholeFile(s / "missing\\x.dat", "lost");  // silently nothing
    EXPECT_FALSE(Exists(s / "missing"));
}

// The marker files, "Install.log" and "Update.log" go through this replacement: a disk
// that fills up leaves the old bytes, and no temporary file.
TEST(Files, AFullDiskKeepsTheOldBytes) {
    SKIP_WITHOUT_SMALL_DISK();
    const std::string f = std::string(SmallDisk::Root) + "marker.dat";
    MakeFile(f, "old bytes");
    const std::string large(64 * 1024, 'n');
    {
        SmallDisk disk;
        disk.Fill(0);
        WriteWholeFile(f, large);
        EXPECT_FALSE(ReplaceWholeFile(f, large));
        EXPECT_FALSE(ReplaceWholeFile(f + ".new", large));
        EXPECT_FALSE(Exists(f + ".new")) << "a new file that did not fit is not left cut short";
    }
    EXPECT_EQ(ReadBytes(f), "old bytes");
    EXPECT_FALSE(Exists(f + ".~tmp"));
    EXPECT_TRUE(ReplaceWholeFile(f, large));
    EXPECT_EQ(ReadBytes(f), large);
    DeleteFileA(f.c_str());
}

// A link planted at the temporary name would have the new bytes written into
// whatever it points at, and that file moved into the installation.
TEST(Files, ReplacingNeverWritesThroughWhatHoldsTheTemporaryName) {
    ScratchFolder s;
    const std::string f = s / "Install.log";
    MakeFile(f, "old");
    MakeFile(s / "elsewhere.txt", "precious");
    ASSERT_TRUE(MakeFileLink(f + ".~tmp", s / "elsewhere.txt"));
    MakeFile(f + ".~tmp1", "leftover");

    EXPECT_TRUE(ReplaceWholeFile(f, "new"));

    EXPECT_EQ(ReadBytes(f), "new");
    EXPECT_EQ(ReadBytes(s / "elsewhere.txt"), "precious");
    EXPECT_EQ(ReadBytes(f + ".~tmp"), "precious");  // the link is where it was
    EXPECT_EQ(ReadBytes(f + ".~tmp1"), "leftover");
    EXPECT_FALSE(Exists(f + ".~tmp2"));
}

// Sets the file's last-write time from a local date and time.
void SetLocalWriteTime(const std::string& path, WORD y, WORD mo, WORD d, WORD h, WORD mi,
                       WORD sec) {
    SYSTEMTIME st = {};
    st.wYear = y, st.wMonth = mo, st.wDay = d, st.wHour = h, st.wMinute = mi, st.wSecond = sec;
    FILETIME local, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    TUniqueHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.Valid());
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &utc));
}

TEST(Files, ModifiedTimeHasTheTwoSecondGrainOfPayloadStamps) {
    ScratchFolder s;
    const std::string f = s / "License.txt";
    MakeFile(f);
    const struct {
        WORD y, mo, d, h, mi, sec;
        int readSec;
    } cases[] = {
        {2012, 2, 26, 12, 59, 4, 4},
        {2012, 2, 26, 12, 59, 5, 4},  // odd seconds read back one earlier
        {1980, 1, 1, 0, 0, 1, 0},
        {2099, 12, 31, 23, 59, 59, 58},
        {2024, 7, 15, 3, 30, 0, 0},  // a summer date under daylight saving
    };
    for (const auto& c : cases) {
        SetLocalWriteTime(f, c.y, c.mo, c.d, c.h, c.mi, c.sec);
        TDateTime t;
        t.Year = c.y, t.Month = c.mo, t.Day = c.d, t.Hour = c.h, t.Minute = c.mi,
        t.Second = c.readSec;
        EXPECT_EQ(GetFileModifiedTime(f), EncodeDayCount(t))
            << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi << ":" << c.sec;
    }
    SetLocalWriteTime(f, 2012, 2, 26, 12, 59, 5);
    EXPECT_EQ(GetFileModifiedTime(f), 40965.54101851852);  // the licence record's stamp
}

TEST(Files, ModifiedTimeOfAMissingFileIsNow) {
    ScratchFolder s;
    SYSTEMTIME now;
    GetLocalTime(&now);
    TDateTime t;
    t.Year = now.wYear, t.Month = now.wMonth, t.Day = now.wDay;
    t.Hour = now.wHour, t.Minute = now.wMinute, t.Second = now.wSecond;
    const double expected = EncodeDayCount(t);
    const double got = GetFileModifiedTime(s / "nothing.here");
    EXPECT_NEAR(got, expected, 5.0 / 86400);
}

DWORD VolumeCluster(const std::string& root) {
    DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
    EXPECT_TRUE(GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &total));
    return spc * bps;
}

std::string UnusedDriveRoot() {
    const DWORD used = GetLogicalDrives();
    for (int i = 25; i >= 3; --i)
        if (!(used & (1u << i))) return std::string(1, char('A' + i)) + ":\\";
    return std::string();
}

TEST(Clusters, MissingFoldersMeasureTheirNearestExistingAncestor) {
    ScratchFolder s;
    const std::string before = GetCurrentFolder();
    const uint32_t cluster = GetClusterSize(s.Path());
    EXPECT_EQ(cluster, VolumeCluster(DrivePart(s.Path()) + "\\"));
    EXPECT_GT(cluster, 0u);
    EXPECT_EQ(GetClusterSize(s / "not\\yet\\made\\"), cluster);
    EXPECT_EQ(GetClusterSize(s / "not"), cluster);
    EXPECT_EQ(GetCurrentFolder(), before);

    // The removable test drive measured from a missing folder on it, while
    // the current folder is elsewhere.
    EXPECT_EQ(GetClusterSize("R:\\No\\Such\\Folder\\"), VolumeCluster("R:\\"));
    EXPECT_EQ(GetCurrentFolder(), before);
}

TEST(Clusters, AVolumeThatCannotBeQueriedCountsAs4096) {
    const std::string root = UnusedDriveRoot();
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(GetClusterSize(root + "Parvela\\"), 4096u);
    EXPECT_EQ(GetClusterSize(""), 4096u);
    EXPECT_EQ(RoundUpToCluster(root + "Parvela\\", 4097), 8192);
}

TEST(Clusters, RoundUpToClusterAsksTheFoldersVolume) {
    ScratchFolder s;
    const int32_t k = int32_t(GetClusterSize(s.Path()));
    EXPECT_EQ(RoundUpToCluster(s / "missing\\", 0), 0);
    EXPECT_EQ(RoundUpToCluster(s / "missing\\", 1), k);
    EXPECT_EQ(RoundUpToCluster(s.Path(), k), k);
    EXPECT_EQ(RoundUpToCluster(s.Path(), k + 1), 2 * k);
}

TEST(Folders, FolderTestsAndClusterQueriesOnTwoThreadsDoNotMixUpTheCurrentFolder) {
    // The install thread tests folders while the window measures volumes;
    // each changes the current folder for a moment.
    ScratchFolder s;
    CreateDirectoryA((s / "Main").c_str(), nullptr);
    const std::string before = GetCurrentFolder();
    const uint32_t cluster = GetClusterSize(s.Path());
    std::atomic<int> wrongExists{0}, wrongCluster{0};
    std::thread installer([&] {
        for (int i = 0; i < 400; ++i) {
            if (!FolderExists(s / "Main\\")) ++wrongExists;
            if (FolderExists(s / "Absent\\")) ++wrongExists;
        }
    });
    for (int i = 0; i < 400; ++i)
        if (GetClusterSize(s / "Main\\Not\\Yet\\") != cluster) ++wrongCluster;
    installer.join();
    EXPECT_EQ(wrongExists.load(), 0);
    EXPECT_EQ(wrongCluster.load(), 0);
    EXPECT_EQ(GetCurrentFolder(), before);
}

}  // namespace

namespace {

TEST(Folders, FullFolderPathResolvesStepsAndShortNamesOfTheExistingPart) {
    ScratchFolder s;
    const std::string longName = s / "Long Folder Name";
    ASSERT_TRUE(CreateDirectoryA(longName.c_str(), nullptr));
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(longName.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(shortName, longName);
    // Short spelling, "." and ".." steps, forward slashes, a part still to make.
    EXPECT_EQ(GetFullFolderPath(std::string(shortName) + "\\New\\..\\.\\Sub/Deeper\\"),
              longName + "\\Sub\\Deeper\\");
    EXPECT_EQ(GetFullFolderPath(std::string(shortName) + "\\.."),
              s.Path().substr(0, s.Path().size() - 1));
    EXPECT_EQ(GetFullFolderPath(""), "");
}

}  // namespace
