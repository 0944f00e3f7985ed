#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/instutils/Scratch_win.h"
#include "tests/payload/PayloadWinFixture.h"
#include "tests/support/SmallDisk_win.h"

namespace {

using ReaderTest = PayloadWinTest;

// A damaged resource directory may point the payload anywhere; it is checked
// against the loaded image before a byte of it is read.
TEST(ResourceRange, OnlyBytesWithinTheLoadedImagePass) {
    const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const size_t image = nt->OptionalHeader.SizeOfImage;
    HRSRC res = FindResourceA(nullptr, "FILES", "FILES");
    ASSERT_NE(res, nullptr);
    const void* payload = LockResource(LoadResource(nullptr, res));
    const size_t payloadSize = SizeofResource(nullptr, res);
    const int local = 0;
    struct Case {
        const void* Bytes;
        size_t Size;
        bool Within;
    } cases[] = {
        {payload, payloadSize, true}, {base, image, true},           {base + image - 1, 1, true},
        {base + image - 1, 2, false}, {base + image, 1, false},      {base - 16, 8, false},
        {payload, SIZE_MAX, false},   {&local, sizeof local, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWithinImage(base, c.Bytes, c.Size), c.Within) << (&c - cases);
}

TEST_F(ReaderTest, TemplatesQueuedInPayloadOrderThenNotAgainInMode0) {
    ASSERT_TRUE(Files->AddFile("templates\\", Dir, 3, TOverwriteMode::IfAbsent))
        << "prefix matching ignores case";
    const auto& list = Files->InstallLists[3];
    ASSERT_EQ(19u, list.size());
    size_t next = 0;
    for (size_t i = 0; i < Files->Entries.size(); ++i) {
        if (Files->Entries[i].Name.rfind("Templates\\", 0) != 0) continue;
        ASSERT_EQ(&Files->Entries[i], list[next].Entry) << "payload order";
        EXPECT_EQ(Dir + Files->Entries[i].Name, list[next].Target);
        EXPECT_TRUE(list[next].Logged);
        ++next;
    }
    for (const TFileToInstall& f : list) ASSERT_TRUE(Files->ExtractFile(f.Entry, "", f.Target));

    Files->ClearComponent(3);
    EXPECT_TRUE(Files->InstallLists[3].empty());
    EXPECT_FALSE(Files->AddFile("Templates\\", Dir, 3, TOverwriteMode::IfAbsent));
    EXPECT_TRUE(Files->InstallLists[3].empty());
    Files->ForceOverwrite = true;
    EXPECT_TRUE(Files->AddFile("Templates\\", Dir, 3, TOverwriteMode::IfAbsent));
    EXPECT_EQ(19u, Files->InstallLists[3].size());
}

TEST_F(ReaderTest, NamesMatchIgnoringCaseAndUnknownNamesQueueNothing) {
    EXPECT_FALSE(Files->AddFile("nothing.exe", Dir, 0, TOverwriteMode::Always));
    EXPECT_FALSE(Files->AddFile("Nothing\\", Dir, 0, TOverwriteMode::Always));
    EXPECT_EQ(0, Files->GetTotalSize());
    ASSERT_TRUE(Files->AddFile("PARV.EXE", Dir, 0, TOverwriteMode::IfAbsent));
    ASSERT_EQ(1u, Files->InstallLists[0].size());
    EXPECT_EQ("parv.exe", Files->InstallLists[0][0].Entry->Name);
    EXPECT_EQ(Dir + "parv.exe", Files->InstallLists[0][0].Target) << "the entry's own letter case";
    EXPECT_FALSE(Files->AddFile("parv.exe", Dir, 6, TOverwriteMode::Always)) << "no such component";
}

TEST_F(ReaderTest, Mode1ComparesTheStoredTimeWithTwoSecondGrain) {
    const TAttachedFile& lic = Entry("License.txt");
    const std::string target = Dir + "License.txt";
    ASSERT_TRUE(Files->ExtractFile(&lic, "", target));
    EXPECT_EQ(lic.Time, GetFileModifiedTime(target))
        << "written files read back with the stored time";

    struct Case {
        int shift;
        bool queued;
    } cases[] = {{0, false}, {1, false}, {2, true}, {-2, true}};
    int applied = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(ShiftWriteTime(target, c.shift - applied));
        applied = c.shift;
        Files->ClearComponent(0);
        EXPECT_EQ(c.queued,
                  Files->AddFile("License.txt", Dir, 0, TOverwriteMode::IfAbsentOrChanged))
            << "shift " << c.shift;
        EXPECT_EQ(c.queued ? 1u : 0u, Files->InstallLists[0].size());
        Files->ClearComponent(0);
        EXPECT_FALSE(Files->AddFile("License.txt", Dir, 0, TOverwriteMode::IfAbsent))
            << "mode 0: the file exists";
        EXPECT_TRUE(Files->AddFile("License.txt", Dir, 0, TOverwriteMode::Always));
    }
    // A folder where the file should be does not count as an existing file.
    ASSERT_TRUE(CreateDirectoryA((Dir + "us.zlx").c_str(), nullptr));
    EXPECT_TRUE(Files->AddFile("us.zlx", Dir, 1, TOverwriteMode::IfAbsent));
}

TEST_F(ReaderTest, FullPathModeQueuesTheAmericanCacheAsTheBritishOne) {
    ASSERT_TRUE(Files->AddFile("English (American).cache", Dir, 1, TOverwriteMode::IfAbsent));
    Files->FullPathMode = true;
    ASSERT_TRUE(Files->AddFile("English (American).cache", Dir + "English (British).cache", 1,
                               TOverwriteMode::IfAbsent));
    Files->FullPathMode = false;
    const auto& list = Files->InstallLists[1];
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(list[0].Entry, list[1].Entry);
    EXPECT_EQ(Dir + "English (British).cache", list[1].Target);
    EXPECT_EQ(2 * 8022, Files->GetTotalSize());
    ASSERT_TRUE(Files->AddFile("Hyphenation.dat", Dir, 2, TOverwriteMode::IfAbsent));
    EXPECT_EQ(2 * 8022 + 182700, Files->GetTotalSize());
}

TEST_F(ReaderTest, UpdateListHoldsPublicTargetsWithTheMode0Mark) {
    const std::string common = GetShellFolder(CSIDL_COMMON_APPDATA_);
    ASSERT_FALSE(common.empty());
    const std::string pub = JoinPath(common, "Parvela\\Public\\");
    Files->ForceOverwrite = true;  // no existence test: nothing is created
    Files->FileSetMode = true;
    ASSERT_TRUE(Files->AddFile("Templates\\Faxes\\Fax 1.rtf", pub, 3, TOverwriteMode::IfAbsent));
    ASSERT_TRUE(
        Files->AddFile("Templates\\Faxes\\Fax 2.rtf", pub, 3, TOverwriteMode::IfAbsentOrChanged));
    ASSERT_TRUE(Files->AddFile("parv.exe", Dir, 0, TOverwriteMode::IfAbsent));
    std::string upper = pub;
    CharUpperBuffA(upper.data(), DWORD(upper.size()));
    ASSERT_TRUE(Files->AddFile("Basic.asn", upper, 5, TOverwriteMode::IfAbsentOrChanged));
    ASSERT_EQ(3u, Files->UpdateList.size());
    EXPECT_EQ(pub + "Templates\\Faxes\\Fax 1.rtf\t!", Files->UpdateList[0]);
    EXPECT_EQ(pub + "Templates\\Faxes\\Fax 2.rtf", Files->UpdateList[1]);
    EXPECT_EQ(upper + "Basic.asn", Files->UpdateList[2]) << "the folder test ignores case";

    Files->FileSetMode = false;
    ASSERT_TRUE(Files->AddFile("Templates\\Faxes\\Fax 3.rtf", pub, 3, TOverwriteMode::IfAbsent));
    EXPECT_EQ(3u, Files->UpdateList.size()) << "only in file-set mode";
}

TEST_F(ReaderTest, ComponentSizesOnTheRealClusterSize) {
    char root[] = "?:\\";
    root[0] = Dir[0];
    DWORD spc = 0, bps = 0, freeC = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(root, &spc, &bps, &freeC, &total));
    const int64_t cluster = int64_t(spc) * bps;
    const auto rounded = [cluster](int64_t n) {
        return int32_t((n + cluster - 1) / cluster * cluster);
    };
    const int32_t hyph = Files->GetComponentSize("Hyphenation.dat", Dir);
    EXPECT_EQ(rounded(182700), hyph);
    EXPECT_EQ(hyph, Files->GetComponentSize("Hyphenation.dat", Dir))
        << "same figure twice in a row";
    if (cluster == 4096) {
        EXPECT_EQ(184320, hyph);
    }

    int32_t templates = 0, spell = 0;
    for (const TAttachedFile& e : Files->Entries) {
        if (e.Name.rfind("Templates\\", 0) == 0) templates += rounded(e.Size);
    }
    for (const char* n :
         {"English (American).asc", "us.zlx", "userdicen.tlx", "English (American).cache"})
        spell += rounded(Entry(n).Size);
    spell += rounded(Entry("English (American).cache").Size);  // listed twice, counted twice
    EXPECT_EQ(templates, Files->GetComponentSize("Templates\\", Dir));
    EXPECT_EQ(spell, Files->GetComponentSize("English (American).asc\rus.zlx\r\nuserdicen.tlx\n"
                                             "English (American).cache\rEnglish (American).cache\r"
                                             "missing.dat",
                                             Dir));
    EXPECT_EQ(0, Files->GetComponentSize("", Dir));
    EXPECT_EQ(0, rounded(0));
}

TEST_F(ReaderTest, EmptyEntryBecomesAnEmptyFileWithItsTime) {
    const TAttachedFile& e = Entry("userdicen.tlx");
    ASSERT_EQ(0, e.Size);
    const std::string target = Dir + "userdicen.tlx";
    ASSERT_TRUE(Files->ExtractFile(&e, "", target));
    EXPECT_EQ(0, ReadFileSize(target));
    EXPECT_EQ(e.Time, GetFileModifiedTime(target));
}

TEST_F(ReaderTest, ExtractCreatesTheFolderChainAndLogsParentsFirst) {
    const TAttachedFile& fax = Entry("Templates\\Faxes\\Fax 1.rtf");
    const std::string target = Dir + "A\\B\\Fax 1.rtf";
    ASSERT_TRUE(Files->ExtractFile(nullptr, "TEMPLATES\\FAXES\\FAX 1.RTF", target))
        << "found by name";
    EXPECT_EQ(DataOf(fax), ReadAll(target));
    EXPECT_EQ(fax.Time, GetFileModifiedTime(target));
    const std::vector<std::string> expected = {
        "Made Dir: " + Dir + "A\\", "Made Dir: " + Dir + "A\\B\\", "File Copy: " + target};
    EXPECT_EQ(expected, Log.InstallLogLines());

    // Written again over itself: same bytes, nothing logged twice.
    ASSERT_TRUE(Files->ExtractFile(&fax, "", target));
    EXPECT_EQ(expected, Log.InstallLogLines());
    Log.SuspendLogging();
    ASSERT_TRUE(Files->ExtractFile(&fax, "", Dir + "C\\quiet.rtf"));
    Log.ResumeLogging();
    EXPECT_EQ(expected, Log.InstallLogLines()) << "suspended logging keeps folder and file out";
    EXPECT_FALSE(Files->ExtractFile(nullptr, "no such file", Dir + "x.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Dir + "x.txt").c_str()));
}

// A target held open without sharing: Retry while still held asks again,
// Retry after release writes; Ignore and Abort end the attempts.
TEST_F(ReaderTest, HeldOpenTargetGoesThroughTheRetryPrompt) {
    const TAttachedFile& lic = Entry("License.txt");
    const std::string target = Dir + "License.txt";
    TUniqueHandle held(
        CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(held.Valid());

    std::vector<TThreadQuestion> asked;
    std::vector<TThreadAnswer> script;
    SetThreadQuestionHandler([&](const TThreadQuestion& q) {
        asked.push_back(q);
        if (asked.size() == 2) held.Reset();
        const TThreadAnswer answer = script.empty() ? TThreadAnswer::Abort : script.front();
        if (!script.empty()) script.erase(script.begin());
        return answer;
    });

    script = {TThreadAnswer::Retry, TThreadAnswer::Retry};
    EXPECT_TRUE(Files->ExtractFile(&lic, "", target));
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(TThreadQuestionKind::CannotCreate, asked[0].Kind);
    EXPECT_EQ(target, asked[0].Path);
    EXPECT_EQ(DataOf(lic), ReadAll(target));

    held.Reset(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    asked.clear();
    script = {TThreadAnswer::Ignore};
    EXPECT_TRUE(Files->ExtractFile(&lic, "", target));
    EXPECT_EQ(1u, asked.size());
    script = {TThreadAnswer::Abort};
    EXPECT_FALSE(Files->ExtractFile(&lic, "", target));
    EXPECT_EQ(2u, asked.size());
    held.Reset();
    EXPECT_EQ(std::vector<std::string>{"File Copy: " + target}, Log.InstallLogLines())
        << "failed attempts log nothing";
}

// A folder linked elsewhere by someone who is neither an administrator nor
// the system: nothing goes through it, and the question names the link.
// Wine makes every file the setup's own user's; here the setup runs as
// nobody in particular.
TEST_F(ReaderTest, NothingIsWrittenThroughAFolderLinkOfAnyoneElse) {
    const std::string outside = Dir + "outside", link = Dir + "Public";
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    ASSERT_TRUE(testfiles::WriteAll(outside + "\\theirs.txt", "x"));
    ASSERT_TRUE(MakeFolderLink(link, outside));
    const std::vector<uint8_t> nobody;
    SetLinkOwnerSelf(&nobody);
    const std::string target = link + "\\Templates\\License.txt";
    std::vector<TThreadQuestion> asked;
    SetThreadQuestionHandler([&](const TThreadQuestion& q) {
        asked.push_back(q);
        return asked.size() == 1 ? TThreadAnswer::Retry : TThreadAnswer::Ignore;
    });
    EXPECT_TRUE(Files->ExtractFile(&Entry("License.txt"), "", target));
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(TThreadQuestionKind::LinkedFolder, asked[0].Kind);
    EXPECT_EQ(link, asked[0].Path);
    EXPECT_EQ(std::vector<std::string>{target}, Files->Skipped);
    EXPECT_FALSE(testfiles::Exists(outside + "\\Templates"));
    EXPECT_TRUE(Log.InstallLogLines().empty());
    SetLinkOwnerSelf(nullptr);
    EXPECT_TRUE(Files->ExtractFile(&Entry("License.txt"), "", target)) << "the setup's own link";
    EXPECT_EQ(2u, asked.size());
    RemoveFolderLink(link);
}

// A disk that fills up while a file is written: the question says what the
// system reported, Abort and Ignore leave the old file whole (Ignore lists
// the file as skipped), and Retry after room was made writes it.
TEST_F(ReaderTest, FullDiskNamesTheReasonAndKeepsTheOldFile) {
    SKIP_WITHOUT_SMALL_DISK();
    // Larger than the page that rewriting the old file in place would free.
    const TAttachedFile* big = nullptr;
    for (const TAttachedFile& e : Files->Entries)
        if (!big && e.Size > 8192) big = &e;
    ASSERT_NE(big, nullptr);
    const TAttachedFile& lic = *big;
    const std::string folder = std::string(SmallDisk::Root) + "extract\\";
    const std::string target = folder + "old.dat";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(testfiles::WriteAll(target, "the old, good file"));

    auto disk = std::make_unique<SmallDisk>();
    disk->Fill(0);
    std::vector<TThreadQuestion> asked;
    const TThreadAnswer answers[] = {TThreadAnswer::Abort, TThreadAnswer::Ignore,
                                     TThreadAnswer::Retry};
    SetThreadQuestionHandler([&](const TThreadQuestion& q) {
        asked.push_back(q);
        EXPECT_TRUE(ReadAll(target) == "the old, good file") << "not cut short";
        EXPECT_FALSE(testfiles::Exists(target + ".~tmp"));
        if (asked.size() == 3) disk.reset();
        return asked.size() <= 3 ? answers[asked.size() - 1] : TThreadAnswer::Abort;
    });
    EXPECT_FALSE(Files->ExtractFile(&lic, "", target));
    EXPECT_TRUE(Files->ExtractFile(&lic, "", target));
    EXPECT_EQ(std::vector<std::string>{target}, Files->Skipped);
    EXPECT_TRUE(Files->ExtractFile(&lic, "", target));
    EXPECT_TRUE(DataOf(lic) == ReadAll(target));

    ASSERT_EQ(3u, asked.size());
    char* reason = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, ERROR_DISK_FULL, 0, reinterpret_cast<LPSTR>(&reason), 0, nullptr);
    std::string diskFull = reason ? reason : "?";
    LocalFree(reason);
    diskFull = diskFull.substr(0, diskFull.find_first_of("\r\n"));
    EXPECT_EQ(TThreadQuestionKind::CannotWrite, asked[0].Kind) << "not a file in use";
    EXPECT_EQ(target, asked[0].Path);
    EXPECT_EQ(0u, asked[0].Reason.rfind(diskFull, 0)) << asked[0].Reason;
    DeleteFileA(target.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ReaderResource, OpensThePayloadResourceOfTheRunningProgram) {
    TPayloadError e = TPayloadError::BadName;
    auto files = TAttachedFiles::CreateFromResource(&e);
    ASSERT_TRUE(files) << PayloadErrorText(e);
    EXPECT_EQ(TPayloadError::Ok, e);
    ASSERT_EQ(3u, files->Entries.size());
    EXPECT_EQ("parv.exe", files->Entries[0].Name);
    EXPECT_EQ("userdicen.tlx", files->Entries[1].Name);
    EXPECT_EQ(0, files->Entries[1].Size);
    EXPECT_EQ("Templates\\Faxes\\Fax 1.rtf", files->Entries[2].Name);
    EXPECT_EQ("{\\rtf1 fax}",
              std::string(reinterpret_cast<const char*>(files->Data()) + files->Entries[2].Offset,
                          files->Entries[2].Size));
}

TEST_F(ReaderTest, ReleaseRemovesTemporaryLeftovers) {
    const std::string leftover = GetTempFolder() + TempNamePrefix() + "77.tmp";
    const std::string other = GetTempFolder() + "~parvelawordprocessorlitesetup78.tmp";
    for (const std::string& p : {leftover, other}) {
        TUniqueHandle h(
            CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(h.Valid());
    }
    Files.reset();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(leftover.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(other.c_str()))
        << "the prefix is case-sensitive";
    DeleteFileA(other.c_str());
}

// The demo payload, once it has been built: it opens, and its records have
// the release's layout.
TEST(ReaderDemo, DemoPayloadOpens) {
    TUniqueHandle h(CreateFileA(PARVELA_DEMO_PAYLOAD, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!h.Valid()) GTEST_SKIP() << "no demo payload built yet";
    std::string packed(GetFileSize(h.Get(), nullptr), '\0');
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(h.Get(), packed.data(), DWORD(packed.size()), &got, nullptr) &&
                got == packed.size());
    TPayloadError e = TPayloadError::Ok;
    auto files =
        TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), &e);
    ASSERT_TRUE(files) << PayloadErrorText(e);
    const auto shape = shaped::Records(true);
    ASSERT_EQ(shape.size(), files->Entries.size());
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool grouped = shape[i].Name.rfind("Templates\\", 0) == 0 ||
                             shape[i].Name.rfind("Clip Library\\", 0) == 0;
        if (!grouped) {
            EXPECT_EQ(shape[i].Name, files->Entries[i].Name);
            EXPECT_EQ(int32_t(shape[i].Size), files->Entries[i].Size) << shape[i].Name;
        }
    }
}

}  // namespace
