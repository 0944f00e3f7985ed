#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "WinTestSupport.h"
#include "instutils/AppInterface.h"
#include "instutils/DayCount.h"
#include "instutils/InstUtils.h"
#include "integration/FileSet.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "payload/AttachFiles.h"
#include "payload/PayloadFormat.h"

using namespace testsupport;

namespace {

using Names = std::vector<std::string>;

double EntryTime() {
    TDateTime t;
    t.Year = 2024, t.Month = 5, t.Day = 6, t.Hour = 10, t.Minute = 20, t.Second = 30;
    return EncodeDayCount(t);
}

// A small payload with the names of the real one (and a few of its folders).
std::unique_ptr<TAttachedFiles> MakeReader(const Names& extra = {}) {
    Names names = {
        "parv.exe",
        "License.txt",
        "English (American).asc",
        "English (British).asc",
        "english.zlx",
        "us.zlx",
        "uk.zlx",
        "userdicen.tlx",
        "English (American).cache",
        "Hyphenation.dat",
        "Templates\\Faxes\\Fax 1.rtf",
        "Templates\\Letter.rtf",
        "Clip Library\\Images\\Arrow.gif",
        "Clip Library\\Images\\Bullets\\Dot.gif",
        "Basic.asn",
    };
    names.insert(names.end() - 1, extra.begin(), extra.end());
    std::string records;
    for (const std::string& n : names) AppendRecord(records, n, EntryTime(), "data of " + n);
    uLongf len = compressBound(records.size());
    std::string packed(len, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &len,
              reinterpret_cast<const Bytef*>(records.data()), records.size(), 9);
    return TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), len);
}

void SetFileDayCount(const std::string& path, double dayCount) {
    TDateTime t;
    ASSERT_TRUE(DecodeDayCount(dayCount, t));
    SYSTEMTIME st{};
    st.wYear = t.Year, st.wMonth = t.Month, st.wDay = t.Day;
    st.wHour = t.Hour, st.wMinute = t.Minute, st.wSecond = t.Second;
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    TUniqueHandle h(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h.Valid());
    SetFileTime(h.Get(), nullptr, nullptr, &utc);
}

class FileSet : public ::testing::Test {
protected:
    void SetUp() override {
        Run.SetFiles(MakeReader());
        Reader = Run.Files();
        ASSERT_NE(Reader, nullptr);
        Shared = GetShellFolder(CSIDL_COMMON_APPDATA_) + "\\Parvela\\";
        Documents = GetShellFolder(CSIDL_PERSONAL_) + "\\Parvela\\";
        // The prefix is the tests' own: whatever an interrupted run left goes.
        DeleteFolderTree(Shared);
        DeleteFolderTree(Documents);
        ASSERT_FALSE(FolderExists(Shared)) << Shared;
        Run.Options.MainDir = Main.Path;
        Run.Log.CreateInstallLog();
        Reader->FileSetMode = true;
    }
    void TearDown() override {
        DeleteFolderTree(Shared);
        DeleteFolderTree(Documents);
        DeleteFolderTree("R:\\PF");
    }

    Names Targets(int k) const {
        Names t;
        for (const TFileToInstall& f : Reader->InstallLists[k]) t.push_back(f.Target);
        return t;
    }
    std::vector<bool> LoggedFlags(int k) const {
        std::vector<bool> l;
        for (const TFileToInstall& f : Reader->InstallLists[k]) l.push_back(f.Logged);
        return l;
    }

    TRunState Run;
    TAttachedFiles* Reader = nullptr;  // Run's
    TScratchFolder Main{"fileset"};
    std::string Shared, Documents;
};

TEST_F(FileSet, NormalInstallationWithEveryComponent) {
    Run.PrepareFileSet(0x3F);
    const std::string m = Main.Path + "\\", spell = Shared + "Public\\Spellcheck\\",
                      pub = Shared + "Public\\";

    EXPECT_EQ(Targets(0), (Names{m + "parv.exe", m + "License.txt"}));
    EXPECT_EQ(Targets(1),
              (Names{spell + "English (American).asc", spell + "English (American).cache",
                     spell + "English (British).asc", spell + "English (British).cache",
                     spell + "english.zlx", spell + "us.zlx", spell + "uk.zlx",
                     spell + "userdicen.tlx"}));
    ASSERT_EQ(Reader->InstallLists[1].size(), 8u);
    EXPECT_EQ(Reader->InstallLists[1][3].Entry->Name, "English (American).cache");
    EXPECT_EQ(Targets(2), (Names{m + "Hyphenation.dat"}));
    EXPECT_EQ(Targets(3),
              (Names{pub + "Templates\\Faxes\\Fax 1.rtf", pub + "Templates\\Letter.rtf"}));
    EXPECT_EQ(Targets(4), (Names{pub + "Clip Library\\Images\\Arrow.gif",
                                 pub + "Clip Library\\Images\\Bullets\\Dot.gif"}));
    EXPECT_EQ(Targets(5), (Names{pub + "Basic.asn"}));
    EXPECT_FALSE(Reader->FullPathMode);
    EXPECT_TRUE(Reader->ForceOverwrite);

    // Files in the shared data folders stay out of the install log.
    EXPECT_EQ(LoggedFlags(0), (std::vector<bool>{true, true}));
    EXPECT_EQ(LoggedFlags(1), std::vector<bool>(8, false));
    EXPECT_EQ(LoggedFlags(2), (std::vector<bool>{true}));
    EXPECT_EQ(LoggedFlags(3), (std::vector<bool>{false, false}));
    EXPECT_EQ(LoggedFlags(4), (std::vector<bool>{false, false}));
    EXPECT_EQ(LoggedFlags(5), (std::vector<bool>{true}));
    EXPECT_EQ(Run.Log.LogSuspensionCount(), 0);
    // The data folders were made while logging was suspended; only the
    // hidden folder of the stamp is logged.
    EXPECT_EQ(Run.Log.InstallLogLines(), (Names{"Made Dir: " + Shared + "Hidden\\"}));

    // The update record: every public file, mode-0 ones marked.
    EXPECT_EQ(Reader->UpdateList,
              (Names{spell + "English (American).asc\t!", spell + "English (American).cache\t!",
                     spell + "English (British).asc\t!", spell + "English (British).cache\t!",
                     spell + "english.zlx", spell + "us.zlx", spell + "uk.zlx",
                     spell + "userdicen.tlx\t!", pub + "Templates\\Faxes\\Fax 1.rtf\t!",
                     pub + "Templates\\Letter.rtf\t!", pub + "Clip Library\\Images\\Arrow.gif\t!",
                     pub + "Clip Library\\Images\\Bullets\\Dot.gif\t!", pub + "Basic.asn"}));

    // The stamp: now, written to the hidden folder.
    SYSTEMTIME st;
    GetLocalTime(&st);
    TDateTime now{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, 0};
    EXPECT_NEAR(Run.InstallStamp, EncodeDayCount(now), 1.0 / 24 / 60);
    EXPECT_EQ(ReadAll(Shared + "Hidden\\install_stamp"), InstallStampBytes(Run.InstallStamp));
}

TEST_F(FileSet, FewComponentsLogTheFoldersTheyMake) {
    Run.PrepareFileSet(0x21);
    EXPECT_TRUE(Targets(1).empty());
    EXPECT_TRUE(Targets(2).empty());
    EXPECT_TRUE(Targets(3).empty());
    EXPECT_TRUE(Targets(4).empty());
    EXPECT_EQ(Targets(5), (Names{Shared + "Public\\Basic.asn"}));
    EXPECT_EQ(Run.Log.InstallLogLines(),
              (Names{"Made Dir: " + Shared, "Made Dir: " + Shared + "Public\\",
                     "Made Dir: " + Shared + "Hidden\\"}));
    EXPECT_FALSE(FolderExists(Shared + "Public\\Spellcheck"));
}

TEST_F(FileSet, PortableInstallationKeepsExistingFiles) {
    ASSERT_EQ(GetDriveTypeA("R:\\"), UINT(DRIVE_REMOVABLE));
    const std::string m = "R:\\PF\\", spell = m + "Spellcheck\\";
    CreateDirectoryA("R:\\PF", nullptr);
    CreateDirectoryA("R:\\PF\\Spellcheck", nullptr);
    WriteBytes(spell + "userdicen.tlx", 3);  // mode 0: the user's words stay
    WriteBytes(spell + "english.zlx", 3);    // mode 1, same time: kept
    SetFileDayCount(spell + "english.zlx", EntryTime());
    WriteBytes(spell + "us.zlx", 3);  // mode 1, other time: replaced
    SetFileDayCount(spell + "us.zlx", EntryTime() + 2.0 / 86400);
    WriteBytes(m + "parv.exe", 3);
    SetFileDayCount(m + "parv.exe", EntryTime());
    Run.Options.MainDir = "R:\\PF";
    const double stampBefore = Run.InstallStamp;

    Run.PrepareFileSet(0x3F);
    EXPECT_FALSE(Reader->ForceOverwrite);
    EXPECT_EQ(Targets(0), (Names{m + "License.txt"}));
    EXPECT_EQ(Targets(1),
              (Names{spell + "English (American).asc", spell + "English (American).cache",
                     spell + "English (British).asc", spell + "English (British).cache",
                     spell + "us.zlx", spell + "uk.zlx"}));
    EXPECT_EQ(Targets(3), (Names{m + "Templates\\Faxes\\Fax 1.rtf", m + "Templates\\Letter.rtf"}));
    EXPECT_EQ(Targets(5), (Names{m + "Basic.asn"}));
    EXPECT_TRUE(Reader->UpdateList.empty());
    EXPECT_TRUE(Run.Log.InstallLogLines().empty());
    EXPECT_FALSE(Exists(m + "install_stamp"));
    EXPECT_EQ(Run.InstallStamp, stampBefore);
    EXPECT_FALSE(FolderExists(Shared));
}

TEST_F(FileSet, PortableMainFolderMadeForALoggedRow) {
    Run.Options.MainDir = "R:\\PF";
    Run.PrepareFileSet(0x21);
    EXPECT_EQ(Run.Log.InstallLogLines(), (Names{"Made Dir: R:\\PF\\"}));
}

TEST_F(FileSet, PreparingAgainReplacesTheLists) {
    Run.PrepareFileSet(0x3F);
    Run.PrepareFileSet(0x01);
    EXPECT_EQ(Targets(0).size(), 2u);
    for (int k = 1; k < 6; ++k) EXPECT_TRUE(Targets(k).empty()) << k;
}

TEST_F(FileSet, DemoPayloadIsCoveredByTheTable) {
    const std::string packed = ReadAll(PARVELA_DEMO_PAYLOAD);
    ASSERT_NE(packed, "<missing>") << "build the demo payload (target demo_payload) first";
    Run.SetFiles(
        TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), packed.size()));
    Reader = Run.Files();
    ASSERT_NE(Reader, nullptr);
    Reader->FileSetMode = true;
    Run.PrepareFileSet(0x3F);

    const size_t expected[6] = {2, 8, 1, 19, 242, 1};
    int64_t queued = 0, cache = -1;
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(Reader->InstallLists[k].size(), expected[k]) << k;
        for (const TFileToInstall& f : Reader->InstallLists[k]) queued += f.Entry->Size;
    }
    // Every payload entry once, and the American cache a second time.
    int64_t all = 0;
    for (const TAttachedFile& e : Reader->Entries) {
        all += e.Size;
        if (e.Name == "English (American).cache") cache = e.Size;
    }
    ASSERT_GE(cache, 0);
    EXPECT_EQ(Reader->Entries.size(), 272u);
    EXPECT_EQ(queued, all + cache);
    EXPECT_EQ(Reader->GetTotalSize(), all + cache);
    EXPECT_EQ(Reader->UpdateList.size(), 8u + 19 + 242 + 1);
}

// ---- Old clip images in the documents folder ---------------------------------

TEST_F(FileSet, ClipLibraryForcedAndOldImagesRemoved) {
    const std::string images = Documents + "Clip Library\\Images\\";
    const Names removed = {images + "Checkmarks\\Tick.gif", images + "Checkmarks\\Old\\Tick 2.gif",
                           images + "Bullets\\Bullet 1.gif", images + "Bullets\\Bullet 32.gif",
                           images + "Bullets\\Target.gif"};
    const Names kept = {images + "Bullets\\Bullet 33.gif", images + "Bullets\\Bullet 01.gif",
                        images + "Bullets\\Mine.gif", images + "Mine.gif"};
    struct Case {
        uint8_t Selected;
        int32_t LastRun;
        bool Installed, Cleaned;
    };
    const Case cases[] = {
        {0x01, 20000000, true, true},
        {0x01, 25000000, false, false},
        {0x11, 25000000, true, true},
        {0x11, 30000000, true, false},
        {0x01, app::LastRunVerUnknown, false, false},
    };
    for (const Case& c : cases) {
        CreateFolderChain(images + "Checkmarks\\Old\\", &Run.Log);
        CreateFolderChain(images + "Bullets\\", &Run.Log);
        for (const std::string& f : removed) WriteBytes(f, 1);
        for (const std::string& f : kept) WriteBytes(f, 1);
        Run.LastRunVersion = c.LastRun;
        Run.PrepareFileSet(c.Selected);
        EXPECT_EQ(!Targets(4).empty(), c.Installed) << c.LastRun;
        for (const std::string& f : removed)
            EXPECT_EQ(Exists(f), !c.Cleaned) << f << " " << c.LastRun;
        for (const std::string& f : kept) EXPECT_TRUE(Exists(f)) << f;
        EXPECT_EQ(FolderExists(images + "Checkmarks"), !c.Cleaned) << c.LastRun;
    }
}

// A portable upgrade from a release that had the old images: the clean-up
// runs in the main folder, where the clip library goes, and every image the
// new release carries must be installed afterwards.
TEST_F(FileSet, PortableUpgradeInstallsTheImagesTheCleanUpRemoves) {
    const std::string m = "R:\\PF\\", images = m + "Clip Library\\Images\\";
    Run.SetFiles(MakeReader({"Clip Library\\Images\\Checkmarks\\Tick.gif",
                             "Clip Library\\Images\\Bullets\\Bullet 1.gif",
                             "Clip Library\\Images\\Bullets\\Target.gif"}));
    Reader = Run.Files();
    ASSERT_NE(Reader, nullptr);
    Reader->FileSetMode = true;
    CreateFolderChain(images + "Checkmarks\\", &Run.Log);
    CreateFolderChain(images + "Bullets\\", &Run.Log);
    for (const char* f :
         {"Checkmarks\\Tick.gif", "Bullets\\Bullet 1.gif", "Bullets\\Target.gif", "Arrow.gif"})
        WriteBytes(images + f, 1);
    Run.Options.MainDir = "R:\\PF";
    Run.LastRunVersion = 20000000;

    Run.PrepareFileSet(0x11);
    EXPECT_EQ(Targets(4), (Names{images + "Bullets\\Dot.gif", images + "Checkmarks\\Tick.gif",
                                 images + "Bullets\\Bullet 1.gif", images + "Bullets\\Target.gif"}))
        << "the user's existing Arrow.gif stays; the removed images come back";
    EXPECT_TRUE(Exists(images + "Arrow.gif"));
}

// ---- "Update.log" --------------------------------------------------------------

TEST_F(FileSet, UpdateLogMergedAndSorted) {
    Run.PrepareFileSet(0x28);  // templates and the sound scheme
    const std::string pub = Shared + "Public\\", log = Shared + "Update.log";
    const std::string oldLines = "*AAAA\r\n" + pub + "TEMPLATES\\LETTER.RTF\t!\r\n\r\n*BBBB\r\n" +
                                 pub + "Other.dat\r\n*CCCC\r\n";
    {
        TUniqueHandle h(
            CreateFileA(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD done = 0;
        WriteFile(h.Get(), oldLines.data(), static_cast<DWORD>(oldLines.size()), &done, nullptr);
    }
    std::string error = "untouched";
    ASSERT_TRUE(Run.WriteUpdateLog(&error));
    EXPECT_EQ(error, "untouched");
    const std::string expected = "*AAAA\r\n" + pub + "Other.dat\r\n" + StampLine(Run.InstallStamp) +
                                 "\r\n" + pub + "Basic.asn\r\n" + pub +
                                 "Templates\\Faxes\\Fax 1.rtf\t!\r\n" + pub +
                                 "Templates\\Letter.rtf\t!\r\n";
    EXPECT_EQ(ReadAll(log), expected);
    EXPECT_FALSE(Exists(log + ".new"));
}

TEST_F(FileSet, UpdateLogFailuresReachTheCaller) {
    Run.PrepareFileSet(0x08);
    const std::string log = Shared + "Update.log";
    WriteBytes(log, 5);
    {
        // Held open without sharing: it can be neither read nor replaced.
        TUniqueHandle lock(
            CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.Valid());
        std::string error;
        EXPECT_FALSE(Run.WriteUpdateLog(&error));
        EXPECT_NE(error.find(log), std::string::npos) << error;
        EXPECT_FALSE(Run.WriteUpdateLog());
    }
    EXPECT_EQ(ReadAll(log), "xxxxx");
    // Once it is free again, Finish can be pressed again.
    EXPECT_TRUE(Run.WriteUpdateLog());
    EXPECT_EQ(ReadAll(log).find("xxxxx\r\n" + StampLine(Run.InstallStamp) + "\r\n"), 0u);

    // A folder in the file's place.
    DeleteFileA(log.c_str());
    CreateDirectoryA(log.c_str(), nullptr);
    EXPECT_FALSE(Run.WriteUpdateLog());
    RemoveDirectoryA(log.c_str());
}

TEST_F(FileSet, NoRecordWritesNoUpdateLog) {
    Run.PrepareFileSet(0x05);  // program and hyphenation: nothing public
    EXPECT_TRUE(Reader->UpdateList.empty());
    EXPECT_TRUE(Run.WriteUpdateLog());
    EXPECT_FALSE(Exists(Shared + "Update.log"));
}

}  // namespace
