// The removal against real files, folders and registry in the Wine prefix,
// with the message boxes answered by a script.
#include "uninstall/Uninstall_win.h"

#include "instutils/AppInterface.h"
#include "instutils/ExitCodes.h"
#include "instutils/InstUtils.h"
#include "instutils/MessageKinds.h"
#include "tests/instutils/Scratch_win.h"

#include <gtest/gtest.h>

#include <deque>

using namespace uninst;

namespace {

struct Asked {
    std::string text;
    TMsgKind kind;
    TMsgButtons buttons;
    TModalResult defaultResult;
};

// Answers boxes in order; `before` runs ahead of each answer.
struct Script {
    std::deque<TModalResult> answers;
    std::vector<Asked> asked;
    std::function<void(size_t)> before;
    TAsk Ask() {
        return
            [this](const std::string& text, TMsgKind kind, TMsgButtons buttons, TModalResult def) {
                asked.push_back({text, kind, buttons, def});
                if (before) before(asked.size());
                if (answers.empty()) return TModalResult::Cancel;
                const TModalResult a = answers.front();
                answers.pop_front();
                return a;
            };
    }
};

void SetWriteTime(const std::string& path, const FILETIME& t) {
    TUniqueHandle h(
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h.Valid()) << path;
    ASSERT_TRUE(SetFileTime(h.Get(), nullptr, nullptr, &t));
}

FILETIME WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d);
    return d.ftLastWriteTime;
}

FILETIME Later(FILETIME t, int seconds) {
    ULONGLONG u =
        (ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) + ULONGLONG(seconds) * 10000000;
    return FILETIME{DWORD(u), DWORD(u >> 32)};
}

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = scratch / "Apps\\";
        ctx.MainDir = parent + "Parvela\\";
        ctx.ExePath = ctx.MainDir + "parv.exe";
        ctx.Ask = script.Ask();
        // Stand for the shortcut folders and the data folder.
        ctx.ShortcutFolders = {scratch / "Menu"};
        ctx.DataDir = scratch / "Data\\Parvela\\";
        ASSERT_TRUE(CreateDirectoryA(ctx.ShortcutFolders[0].c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((scratch / "Data").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(ctx.DataDir.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(ctx.MainDir.c_str(), nullptr));
    }
    // Writes the files, then the log naming them (with `extra` lines), the
    // way the setup does: the log last. Payload files get their record time.
    void Install(const std::vector<std::string>& files, const std::string& extra = "") {
        std::string log = "Made Dir: " + parent + "\r\nMade Dir: " + ctx.MainDir + "\r\n";
        for (const std::string& f : files) {
            MakeFile(f, "installed");
            log += "File Copy: " + f + "\r\n";
            const std::string name = f.substr(f.find_last_of('\\') + 1);
            if (name.find(".lnk") == std::string::npos)
                ctx.RecordTimes.push_back({name, GetFileModifiedTime(f)});
        }
        MakeFile(ctx.MainDir + "Install.log", log + extra);
    }
    std::string Log() const { return ctx.MainDir + "Install.log"; }
    TInstallRecord Record() const {
        const TLogReading r = ReadInstallLog(ReadBytes(Log()));
        EXPECT_FALSE(r.Damaged);
        return r.Record;
    }

    ScratchFolder scratch;
    std::string parent;
    Script script;
    TUninstallContext ctx;
};

TEST_F(RemovalTest, RemovesWhatTheLogListsAndKeepsWhatTheUserChanged) {
    const std::string sub = ctx.MainDir + "Sub\\", deeper = sub + "Deeper\\",
                      kept = ctx.MainDir + "Mine\\";
    for (const std::string& f : {sub, deeper, kept})
        ASSERT_TRUE(CreateDirectoryA(f.c_str(), nullptr));
    const std::string exe = ctx.ExePath, licence = ctx.MainDir + "License.txt",
                      link = scratch / "Menu\\Parvela Word Processor.lnk",
                      edited = ctx.MainDir + "Parvela.lnk", elsewhere = scratch / "Parvela.lnk",
                      document = scratch / "Menu\\Report.doc", victim = scratch / "Victim\\";
    ASSERT_TRUE(CreateDirectoryA(victim.c_str(), nullptr));
    // Lines the setup never writes: a document beside its shortcut, an
    // empty folder elsewhere.
    Install({exe, licence, deeper + "Hyphenation.dat", link, edited, elsewhere, document},
            "Made Dir: " + victim + "\r\nMade Dir: " + sub + "\r\nMade Dir: " + deeper +
                "\r\nMade Dir: " + kept +
                "\r\n"
                "File Copy: " +
                ctx.MainDir +
                "gone.txt\r\n"
                // A folder where the setup wrote a file: neither asked about nor listed.
                "File Copy: " +
                kept.substr(0, kept.size() - 1) + "\r\n");
    MakeFile(kept + "notes.txt");
    // The licence was edited (its time moved off the record); the second
    // shortcut was saved again after the installation.
    ctx.RecordTimes[1].Time -= 1;
    SetWriteTime(edited, Later(WriteTime(Log()), 60));

    const TRemovalOutcome out = RemoveInstallation(ctx, Record());
    EXPECT_TRUE(script.asked.empty());
    EXPECT_EQ(out.Changed, (std::vector<std::string>{licence, edited}));
    EXPECT_TRUE(out.Failed.empty());
    for (const std::string& f : {exe, link, deeper + "Hyphenation.dat", sub})
        EXPECT_FALSE(Exists(f)) << f;
    for (const std::string& f :
         {licence, edited, kept + "notes.txt", Log(), elsewhere, document, victim})
        EXPECT_TRUE(Exists(f)) << f;
}

TEST_F(RemovalTest, LogAndMainFolderGoLastWhenNothingElseIsLeft) {
    Install({ctx.ExePath, scratch / "Menu\\Parvela Word Processor.lnk"});
    const TRemovalOutcome out = RemoveInstallation(ctx, Record());
    EXPECT_TRUE(out.Changed.empty() && out.Failed.empty());
    EXPECT_FALSE(Exists(ctx.MainDir));
    // The logged folder above the main folder goes as well, now empty.
    EXPECT_FALSE(Exists(parent));
    EXPECT_TRUE(Exists(scratch.Path()));
}

TEST_F(RemovalTest, FileInUseIsRetriedOrLeftAsTheUserSays) {
    const std::string held1 = ctx.MainDir + "License.txt", held2 = ctx.MainDir + "Hyphenation.dat";
    Install({ctx.ExePath, held1, held2});
    TUniqueHandle h1(
        CreateFileA(held1.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    TUniqueHandle h2(
        CreateFileA(held2.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h1.Valid() && h2.Valid());
    // The first file is let go while the second question is open.
    script.answers = {TModalResult::Retry, TModalResult::Retry, TModalResult::Ignore};
    script.before = [&](size_t n) {
        if (n == 2) h1.Reset();
    };
    const TRemovalOutcome out = RemoveInstallation(ctx, Record());
    ASSERT_EQ(script.asked.size(), 3u);
    for (const Asked& a : script.asked) {
        EXPECT_EQ(a.kind, TMsgKind::Error);
        EXPECT_EQ(a.buttons, TMsgButtons::Retry | TMsgButtons::Ignore);
    }
    EXPECT_NE(script.asked[0].text.find("\"" + held1 + "\""), std::string::npos)
        << script.asked[0].text;
    EXPECT_NE(script.asked[2].text.find("\"" + held2 + "\""), std::string::npos)
        << script.asked[2].text;
    EXPECT_FALSE(Exists(held1));
    EXPECT_EQ(out.Failed, std::vector<std::string>{held2});
    EXPECT_TRUE(Exists(Log())) << "the log went although a file stayed";
}

// A link at any depth, logged as made or not (one made before the setup ran
// is not logged), keeps the removal out and lists the file.
TEST_F(RemovalTest, NeverReachesThroughALinkAtAnyDepth) {
    const std::string outside = scratch / "Elsewhere\\";
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    const std::string sub = ctx.MainDir + "Sub", pub = ctx.DataDir + "Public";
    const struct {
        std::string link, lines;
    } cases[] = {
        {sub, "Made Dir: " + sub + "\\\r\n"},
        {sub, ""},
        {pub, "Made Dir: " + pub + "\\Templates\\\r\n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(CreateDirectoryA((outside + "Templates").c_str(), nullptr));
        const std::string file = c.link + "\\Templates\\Letter.dot";
        MakeFile(outside + "Templates\\Letter.dot");
        ASSERT_TRUE(MakeFolderLink(c.link, outside.substr(0, outside.size() - 1)));
        ctx.RecordTimes = {{"Letter.dot", GetFileModifiedTime(file)}};
        MakeFile(Log(),
                 "Made Dir: " + ctx.MainDir + "\r\n" + c.lines + "File Copy: " + file + "\r\n");
        const TRemovalOutcome out = RemoveInstallation(ctx, Record());
        RemoveFolderLink(c.link);
        EXPECT_TRUE(Exists(outside + "Templates\\Letter.dot")) << c.link << c.lines;
        EXPECT_TRUE(Exists(outside + "Templates")) << c.link << c.lines;
        EXPECT_EQ(out.Failed, std::vector<std::string>{file}) << c.link << c.lines;
        DeleteFileA((outside + "Templates\\Letter.dot").c_str());
        RemoveDirectoryA((outside + "Templates").c_str());
        CreateDirectoryA(ctx.MainDir.c_str(), nullptr);
    }
}

TEST_F(RemovalTest, NothingIsTouchedWithoutAUsableLogOrAfterNo) {
    const struct {
        const char* log;  // nullptr: no log
        bool registered;
        TSurveyKind kind;
        const char* says;
    } cases[] = {
        {nullptr, false, TSurveyKind::Portable, "delete that folder"},
        {nullptr, true, TSurveyKind::LogProblem, "is missing"},
        {"File Copy: parv.exe\r\n", false, TSurveyKind::LogProblem, "is damaged (line 1)"},
        {"", true, TSurveyKind::LogProblem, "is damaged (it is empty)"},
    };
    MakeFile(ctx.ExePath);
    for (const auto& c : cases) {
        DeleteFileA(Log().c_str());
        if (c.log) MakeFile(Log(), c.log);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, app::UninstallKey);
        if (c.registered) {
            TRegKey k;
            ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, app::UninstallKey, 0, nullptr, 0,
                                      KEY_WRITE, nullptr, k.OutPtr(), nullptr),
                      ERROR_SUCCESS);
            RegSetValueExA(k.Get(), "DisplayIcon", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(ctx.ExePath.c_str()),
                           DWORD(ctx.ExePath.size() + 1));
        }
        script.asked.clear();
        EXPECT_EQ(SurveyInstallation(ctx).Kind, c.kind) << c.says;
        EXPECT_EQ(RunUninstall(ctx, true),
                  ExitCodeOf(c.kind == TSurveyKind::Portable ? TExitCode::NothingToRemove
                                                             : TExitCode::CouldNotStart));
        ASSERT_EQ(script.asked.size(), 1u);
        EXPECT_EQ(script.asked[0].buttons, TMsgButtons::Ok);
        EXPECT_NE(script.asked[0].text.find(c.says), std::string::npos) << script.asked[0].text;
        EXPECT_TRUE(Exists(ctx.ExePath));
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, app::UninstallKey);

    // A good log, but the user says No: the default answer.
    Install({ctx.ExePath});
    script.asked.clear();
    script.answers = {TModalResult::No};
    EXPECT_EQ(RunUninstall(ctx, true), ExitCodeOf(TExitCode::Cancelled));
    ASSERT_EQ(script.asked.size(), 1u);
    EXPECT_EQ(script.asked[0].kind, TMsgKind::Confirmation);
    EXPECT_EQ(script.asked[0].buttons, TMsgButtons::Yes | TMsgButtons::No);
    EXPECT_EQ(script.asked[0].defaultResult, TModalResult::No);
    EXPECT_TRUE(Exists(ctx.ExePath));
    EXPECT_TRUE(Exists(Log()));
}

// The copy's folder is new and its name cannot be told in advance, so no
// one can fill it first.
TEST(RemovalCopyTest, FolderIsNewUnderAnUnforeseeableName) {
    ScratchFolder scratch;
    const std::string a = MakeRemovalCopyFolder(scratch.Path()),
                      b = MakeRemovalCopyFolder(scratch.Path());
    ASSERT_FALSE(a.empty() || b.empty());
    EXPECT_NE(a, b);
    const std::string prefix = scratch / (TempNamePrefix() + "-ui");
    for (const std::string& f : {a, b}) {
        EXPECT_TRUE(Exists(f)) << f;
        ASSERT_EQ(f.compare(0, prefix.size(), prefix), 0) << f;
        const std::string tail = f.substr(prefix.size());
        EXPECT_EQ(tail.size(), 16u) << f;
        EXPECT_EQ(tail.find_first_not_of("0123456789abcdef"), std::string::npos) << f;
    }
}

TEST(RemovableMediaTest, ACopyOnAStickIsNeverRemoved) {
    ASSERT_EQ(GetDriveTypeA("R:\\"), UINT(DRIVE_REMOVABLE))
        << "scripts/wine-up links R: as removable";
    TUninstallContext ctx;
    ctx.MainDir = "R:\\UninstallTest\\";
    ctx.ExePath = ctx.MainDir + "parv.exe";
    ASSERT_TRUE(CreateDirectoryA(ctx.MainDir.c_str(), nullptr));
    MakeFile(ctx.ExePath);
    MakeFile(ctx.MainDir + "Install.log", "File Copy: " + ctx.ExePath + "\r\n");
    Script script;
    ctx.Ask = script.Ask();
    EXPECT_EQ(RunUninstall(ctx, true), ExitCodeOf(TExitCode::NothingToRemove));
    const bool kept = Exists(ctx.ExePath);
    ScratchFolder::Remove(ctx.MainDir);
    EXPECT_TRUE(kept);
    ASSERT_EQ(script.asked.size(), 1u);
    EXPECT_EQ(script.asked[0].kind, TMsgKind::Information);
    EXPECT_NE(script.asked[0].text.find(
                  "portable copy of Parvela Word Processor in \"R:\\UninstallTest\""),
              std::string::npos)
        << script.asked[0].text;
}

// ---- registry -------------------------------------------------------------

const std::string Classes = "Software\\Classes\\";

void SetString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    TRegKey k;
    ASSERT_EQ(
        RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.OutPtr(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD(value.size() + 1)),
              ERROR_SUCCESS);
}

bool KeyExists(HKEY root, const std::string& key) {
    TRegKey k;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.OutPtr()) == ERROR_SUCCESS;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (const char* k :
             {"Software\\Parvela Word Processor\\Install",
              "Software\\Parvela Word Processor\\Internal", "Software\\Parvela Word Processor",
              "Software\\Classes\\.rtf", "Software\\Classes\\.cod",
              "Software\\Classes\\Parvela.Document\\shell\\open\\command",
              "Software\\Classes\\Parvela.Document\\shell\\open",
              "Software\\Classes\\Parvela.Document\\shell", "Software\\Classes\\Parvela.Document"})
            RegDeleteKeyA(HKEY_CURRENT_USER, k);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, app::UninstallKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, app::UninstallKey);
    }
    // What the setup and the application leave for an installation in `main`;
    // a standard user's entry is under `entryRoot` = HKEY_CURRENT_USER.
    static void Register(const std::string& main, HKEY entryRoot = HKEY_LOCAL_MACHINE) {
        const std::string exe = main + "parv.exe";
        SetString(entryRoot, app::UninstallKey, "DisplayIcon", exe);
        SetString(entryRoot, app::UninstallKey, "UninstallString", "\"" + exe + "\" -ui");
        SetString(HKEY_CURRENT_USER, app::InstallKey, "MAINDIR", main.substr(0, main.size() - 1));
        SetString(HKEY_CURRENT_USER, "Software\\Parvela Word Processor\\Internal", "LastRunVer",
                  "x");
        SetString(HKEY_CURRENT_USER, Classes + "Parvela.Document\\shell\\open\\command", nullptr,
                  "\"" + exe + "\" \"%1\"");
        SetString(HKEY_CURRENT_USER, Classes + ".cod", nullptr, "Parvela.Document");
    }
    TUninstallContext ctx = [] {
        TUninstallContext c;
        c.MainDir = "C:\\Apps\\Parvela\\";
        c.ExePath = "C:\\Apps\\Parvela\\parv.exe";
        return c;
    }();
};

TEST_F(RegistrationTest, RemovesOnlyWhatBelongsToThisInstallation) {
    Register(ctx.MainDir);
    // Another program's document type, and a value left beside our claim.
    SetString(HKEY_CURRENT_USER, Classes + ".rtf", nullptr, "Other.Document");
    SetString(HKEY_CURRENT_USER, Classes + ".cod", "Content Type", "application/x-cod");
    RemoveRegistration(ctx);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, app::UninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Parvela Word Processor"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Classes + "Parvela.Document"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Classes + ".rtf"));
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, Classes + ".cod"));
    TRegKey cod;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, (Classes + ".cod").c_str(), 0, KEY_READ, cod.OutPtr()),
        ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(cod.Get(), nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND)
        << "our claim on .cod is still there";
}

TEST_F(RegistrationTest, AStandardUsersOwnEntryGoesToo) {
    Register(ctx.MainDir, HKEY_CURRENT_USER);
    RemoveRegistration(ctx);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, app::UninstallKey));
}

TEST_F(RegistrationTest, AnotherInstallationKeepsItsEntryClaimsAndSettings) {
    Register("C:\\Elsewhere\\Parvela\\");
    RemoveRegistration(ctx);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, app::UninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, app::InstallKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Classes + "Parvela.Document"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Classes + ".cod"));
}

}  // namespace
