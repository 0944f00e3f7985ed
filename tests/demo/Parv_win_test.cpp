// The real parv.exe under Wine: what the setup program relies on when it
// starts the application, looks for its windows and reads its registry value.

#include "instutils/AppInterface.h"
#include "instutils/ExitCodes.h"
#include "instutils/SetupLock_win.h"
#include "instutils/WinHandles.h"
#include "tests/support/Files_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// ------------------------------------------------------------ small owners

const std::string ClassesKey = "Software\\Classes\\";
const std::string InternalKey = "Software\\Parvela Word Processor\\Internal";
const std::string ProductKey = "Software\\Parvela Word Processor";

std::string ParvPath() { return std::string(PARVELA_BIN_DIR) + "\\" + app::ExeName; }

// Built by appending: GCC 12 warns falsely about literal + string chains.
std::string Quote(const std::string& s) {
    std::string q(1, '"');
    q += s;
    q += '"';
    return q;
}

std::string TempDir() {
    char buf[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof(buf), buf);
    std::string s(buf, n);
    if (!s.empty() && s.back() != '\\') s += '\\';
    return s;
}

std::string LogPath() { return TempDir() + app::CommandLogFile; }

bool KeyExists(const std::string& path) {
    TRegKey k;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, k.OutPtr()) == ERROR_SUCCESS;
}

// A string value (nullptr name: the default value); nullopt when absent.
std::optional<std::string> ReadString(const std::string& path, const char* name) {
    TRegKey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, k.OutPtr()) != ERROR_SUCCESS)
        return std::nullopt;
    char buf[1024];
    DWORD type = 0, size = sizeof(buf) - 1;
    if (RegQueryValueExA(k.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    buf[size] = '\0';
    return std::string(buf);
}

std::optional<DWORD> ReadDword(const std::string& path, const char* name) {
    TRegKey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, k.OutPtr()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD v = 0, type = 0, size = sizeof(v);
    if (RegQueryValueExA(k.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return v;
}

void WriteString(const std::string& path, const char* name, const std::string& value) {
    TRegKey k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              k.OutPtr(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD(value.size() + 1)),
              ERROR_SUCCESS);
}

std::string ReadFileText(const std::string& path) { return testfiles::ReadAll(path, ""); }

// ------------------------------------------------------------ running it

struct Started {
    TUniqueHandle process;
    DWORD pid = 0;
};

Started Start(const std::string& args, const std::string& exe = ParvPath()) {
    std::string line = Quote(exe);
    if (!args.empty()) line.append(1, ' ').append(args);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    Started s;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        ADD_FAILURE() << "cannot start " << line << ": " << GetLastError();
        return s;
    }
    TUniqueHandle thread(pi.hThread);
    s.process.Reset(pi.hProcess);
    s.pid = pi.dwProcessId;
    return s;
}

// The exit code once the process has ended; -1, and the process stopped,
// when it does not end in time.
long ExitCodeOf(const TUniqueHandle& process) {
    if (WaitForSingleObject(process.Get(), 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return long(code);
}

// Exit code of a command-line run, or -1 when it does not end in time.
long RunToEnd(const std::string& args) {
    Started s = Start(args);
    return s.process.Valid() ? ExitCodeOf(s.process) : -1;
}

struct Found {
    DWORD pid;
    HWND wnd;
};

// The top-level window of process `pid`, as the setup program would meet it
// through EnumWindows.
HWND WaitForWindow(DWORD pid) {
    for (int i = 0; i < 200; ++i) {
        Found f{pid, nullptr};
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Found*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == f->pid && GetPropA(w, app::RunningProperty)) {
                    f->wnd = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&f));
        if (f.wnd) return f.wnd;
        Sleep(50);
    }
    return nullptr;
}

// WM_GETTEXT itself: GetWindowText does not ask controls of other processes.
std::string WindowText(HWND w) {
    char buf[2048] = {};
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    buf[sizeof(buf) - 1] = '\0';
    return buf;
}

// Closes the window the way a user does and waits for the process to end.
long CloseAndWait(Started& s, HWND wnd) {
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    return ExitCodeOf(s.process);
}

// Runs a command that shows one message box, presses its OK and returns the
// exit code (-1 when no box came or the program did not end); `text` gets
// the box's message.
long RunAnsweringOk(const std::string& args, std::string& text,
                    const std::string& exe = ParvPath()) {
    Started s = Start(args, exe);
    if (!s.process.Valid()) return -1;
    struct Box {
        DWORD pid;
        HWND wnd;
    } box{s.pid, nullptr};
    for (int i = 0; i < 200 && !box.wnd; ++i, Sleep(50))
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* b = reinterpret_cast<Box*>(lp);
                char cls[64] = {};
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                GetClassNameA(w, cls, sizeof cls);
                if (owner != b->pid || lstrcmpA(cls, "ParvelaMessageDlg") != 0 ||
                    !IsWindowVisible(w))
                    return TRUE;
                b->wnd = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&box));
    if (!box.wnd) {
        TerminateProcess(s.process.Get(), 99);
        return -1;
    }
    text = WindowText(GetDlgItem(box.wnd, 100));
    PostMessageA(GetDlgItem(box.wnd, IDOK), BM_CLICK, 0, 0);
    return ExitCodeOf(s.process);
}

// ------------------------------------------------------------ fixture

// Puts back every registry value and file the application may touch, so the
// prefix looks afterwards as it did before.
class ParvTest : public ::testing::Test {
protected:
    struct Saved {
        std::string path;
        bool existed = false;
        std::string backup;
    };
    static constexpr const char* BackupRoot = "Software\\Parvela Test Backup\\";

    void SetUp() override {
        for (const char* ext : app::AssocExtensions) Save(ClassesKey + ext);
        Save(ClassesKey + app::AssocProgId);
        productExisted_ = KeyExists(ProductKey);
        internalExisted_ = KeyExists(InternalKey);
        lastRun_ = ReadDword(InternalKey, app::LastRunVerValue);
        log_ = ReadFileText(LogPath());
        logExisted_ = GetFileAttributesA(LogPath().c_str()) != INVALID_FILE_ATTRIBUTES;
        // Start from a clean slate for what we check.
        for (const Saved& s : saved_) RegDeleteTreeA(HKEY_CURRENT_USER, s.path.c_str());
        DeleteLastRun();
    }

    void TearDown() override {
        for (const Saved& s : saved_) {
            RegDeleteTreeA(HKEY_CURRENT_USER, s.path.c_str());
            if (s.existed) {
                TRegKey from, to;
                RegOpenKeyExA(HKEY_CURRENT_USER, s.backup.c_str(), 0, KEY_READ, from.OutPtr());
                RegCreateKeyExA(HKEY_CURRENT_USER, s.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, to.OutPtr(), nullptr);
                RegCopyTreeA(from.Get(), nullptr, to.Get());
            }
        }
        std::string root = BackupRoot;
        root.pop_back();
        RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
        DeleteLastRun();
        if (lastRun_) {
            TRegKey k;
            RegCreateKeyExA(HKEY_CURRENT_USER, InternalKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, k.OutPtr(), nullptr);
            RegSetValueExA(k.Get(), app::LastRunVerValue, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&*lastRun_), sizeof(DWORD));
        }
        if (!internalExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, InternalKey.c_str());
        if (!productExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, ProductKey.c_str());
        if (!logExisted_) {
            DeleteFileA(LogPath().c_str());
        } else {
            TUniqueHandle f(CreateFileA(LogPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        0, nullptr));
            DWORD n = 0;
            WriteFile(f.Get(), log_.data(), DWORD(log_.size()), &n, nullptr);
        }
        for (const std::string& f : files_) DeleteFileA(f.c_str());
    }

    // Keys are kept whole in a backup branch and copied back afterwards.
    void Save(const std::string& path) {
        Saved s{path, KeyExists(path), BackupRoot + std::to_string(saved_.size())};
        if (s.existed) {
            TRegKey from, to;
            RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, from.OutPtr());
            RegCreateKeyExA(HKEY_CURRENT_USER, s.backup.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, to.OutPtr(), nullptr);
            ASSERT_EQ(RegCopyTreeA(from.Get(), nullptr, to.Get()), ERROR_SUCCESS) << path;
        }
        saved_.push_back(s);
    }

    void DeleteLastRun() {
        TRegKey k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, InternalKey.c_str(), 0, KEY_WRITE, k.OutPtr()) ==
            ERROR_SUCCESS)
            RegDeleteValueA(k.Get(), app::LastRunVerValue);
    }

    std::string MakeFile(const std::string& name, const std::string& content) {
        std::string path = TempDir() + name;
        TUniqueHandle f(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD n = 0;
        WriteFile(f.Get(), content.data(), DWORD(content.size()), &n, nullptr);
        files_.push_back(path);
        return path;
    }

    // Which of the four types point at our ProgID.
    std::array<bool, 4> Associated() const {
        std::array<bool, 4> out{};
        for (size_t i = 0; i < 4; ++i)
            out[i] = ReadString(ClassesKey + app::AssocExtensions[i], nullptr) ==
                     std::string(app::AssocProgId);
        return out;
    }

    std::vector<Saved> saved_;
    bool productExisted_ = false, internalExisted_ = false, logExisted_ = false;
    std::optional<DWORD> lastRun_;
    std::string log_;
    std::vector<std::string> files_;
};

// ------------------------------------------------------------ tests

TEST_F(ParvTest, WindowCarriesTheRunningMarkUntilClosed) {
    Started s = Start("");
    ASSERT_TRUE(s.process.Get());
    HWND wnd = WaitForWindow(s.pid);
    ASSERT_TRUE(wnd) << "no marked top-level window";
    EXPECT_NE(GetPropA(wnd, app::RunningProperty), nullptr);
    EXPECT_EQ(GetAncestor(wnd, GA_ROOT), wnd);
    EXPECT_EQ(WindowText(wnd), app::WindowTitle);
    EXPECT_TRUE(IsWindowVisible(wnd));
    // Written on start, so the setup program sees it while the window is up.
    EXPECT_EQ(ReadDword(InternalKey, app::LastRunVerValue), DWORD(app::ThisVersionCode));
    EXPECT_EQ(CloseAndWait(s, wnd), 0);
    EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(ParvTest, ShowsTheDocumentItWasStartedWith) {
    std::string doc =
        MakeFile("Parv Test Letter.rtf",
                 "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear reader,\\par Greetings from "
                 "the test.\\par}");
    Started s = Start(Quote(doc));
    ASSERT_TRUE(s.process.Get());
    HWND wnd = WaitForWindow(s.pid);
    ASSERT_TRUE(wnd);
    EXPECT_EQ(WindowText(wnd), std::string("Parv Test Letter.rtf - ") + app::WindowTitle);
    // The text arrives decoded from RTF, not as its source.
    HWND editor = GetWindow(wnd, GW_CHILD);
    ASSERT_TRUE(editor);
    std::string text = WindowText(editor);
    EXPECT_NE(text.find("Greetings from the test."), std::string::npos) << text;
    EXPECT_EQ(text.find("\\rtf1"), std::string::npos) << text;
    EXPECT_EQ(CloseAndWait(s, wnd), 0);
}

TEST_F(ParvTest, MissingDocumentStillOpensTheWindow) {
    Started s = Start(Quote(TempDir() + "no such folder\\none.rtf"));
    ASSERT_TRUE(s.process.Get());
    HWND wnd = WaitForWindow(s.pid);
    ASSERT_TRUE(wnd);
    EXPECT_EQ(WindowText(wnd), std::string("none.rtf - ") + app::WindowTitle);
    EXPECT_EQ(CloseAndWait(s, wnd), 0);
}

TEST_F(ParvTest, RecordsEveryCommandLine) {
    const std::string before = ReadFileText(LogPath());
    const std::string exe = Quote(ParvPath());
    // Exactly what the setup program sends: uninstall, association, launch.
    std::string box;
    ASSERT_EQ(RunAnsweringOk("-ui", box), ExitCodeOf(TExitCode::NothingToRemove));
    ASSERT_EQ(RunToEnd("-assoc adpr_rtf_cod_doc_docx"), 0);
    ASSERT_EQ(RunToEnd("-assoc  adpr"), 0);
    const std::string after = ReadFileText(LogPath());
    ASSERT_GE(after.size(), before.size());
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(
        after.substr(before.size()),
        exe + " -ui\r\n" + exe + " -assoc adpr_rtf_cod_doc_docx\r\n" + exe + " -assoc  adpr\r\n");
}

// The build folder holds no Install.log and no uninstall entry names it.
TEST_F(ParvTest, UninstallOfACopyThatWasNeverInstalledChangesNothing) {
    std::string box;
    EXPECT_EQ(RunAnsweringOk("-ui", box), ExitCodeOf(TExitCode::NothingToRemove));
    EXPECT_NE(box.find("portable copy of Parvela Word Processor"), std::string::npos) << box;
    EXPECT_NE(box.find("delete that folder"), std::string::npos) << box;
    EXPECT_TRUE(GetFileAttributesA(ParvPath().c_str()) != INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(ReadDword(InternalKey, app::LastRunVerValue));
    EXPECT_EQ(Associated(), (std::array<bool, 4>{}));
    EXPECT_FALSE(KeyExists(ClassesKey + app::AssocProgId));
}

// A setup (here the test) holds the machine's claim: nothing is looked at.
TEST_F(ParvTest, UninstallWaitsForARunningSetup) {
    TSetupClaim setup;
    ASSERT_EQ(ClaimSetupLock(setup), TClaimResult::Claimed);
    std::string box;
    EXPECT_EQ(RunAnsweringOk("-ui", box), ExitCodeOf(TExitCode::AnotherSetupRunning));
    EXPECT_NE(box.find("while its setup program or another removal is running"), std::string::npos)
        << box;
}

// DLLs planted beside the program, which runs elevated as the uninstaller
// (and its removal copy from the temporary folder), are never loaded. Wine
// takes its builtin DLLs first unless told to prefer native ones.
TEST_F(ParvTest, UninstallLoadsNoDllPlantedBesideIt) {
    const std::string folder = TempDir() + "parv planted\\";
    const char* const names[] = {"mpr", "comctl32", "uxtheme", "shfolder", "msimg32"};
    const std::string overrides = "Software\\Wine\\AppDefaults\\parv.exe\\DllOverrides";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(ParvPath().c_str(), (folder + app::ExeName).c_str(), FALSE));
    {
        TRegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, overrides.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, key.OutPtr(), nullptr),
                  ERROR_SUCCESS);
        for (const char* name : names) {
            ASSERT_TRUE(CopyFileA((std::string(PARVELA_BIN_DIR) + "\\planted.dll").c_str(),
                                  (folder + name + ".dll").c_str(), FALSE));
            RegSetValueExA(key.Get(), name, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>("native,builtin"), 15);
        }
    }
    std::string box;
    const long code = RunAnsweringOk("-ui", box, folder + app::ExeName);
    RegDeleteKeyA(HKEY_CURRENT_USER, overrides.c_str());
    std::string loaded;
    for (const char* name : names) {
        const std::string dll = folder + name + ".dll";
        if (GetFileAttributesA((dll + ".loaded").c_str()) != INVALID_FILE_ATTRIBUTES)
            loaded += dll + " ";
        DeleteFileA((dll + ".loaded").c_str());
        DeleteFileA(dll.c_str());
    }
    DeleteFileA((folder + app::ExeName).c_str());
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(code, ExitCodeOf(TExitCode::NothingToRemove)) << box;
    EXPECT_EQ(loaded, "");
}

// Only the uninstaller's own copy in the temporary folder acts on the removal
// switch: given to the installed file, it would remove without asking.
TEST_F(ParvTest, RemovalCopySwitchIsRefusedOutsideTheTemporaryFolder) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    TUniqueHandle done(CreateEventA(&inherit, TRUE, TRUE, nullptr));
    ASSERT_TRUE(done.Valid());
    std::string line = Quote(ParvPath()) + " -uicopy " +
                       std::to_string(reinterpret_cast<uintptr_t>(done.Get())) + " " +
                       Quote(ParvPath());
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &si, &pi));
    TUniqueHandle process(pi.hProcess), thread(pi.hThread);
    EXPECT_EQ(ExitCodeOf(process), 2) << "it went on to remove";
    TRegKey k;
    char pending[4096] = {};
    DWORD size = sizeof(pending) - 1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, k.OutPtr()) == ERROR_SUCCESS &&
        RegQueryValueExA(k.Get(), "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(pending), &size) == ERROR_SUCCESS) {
        for (size_t i = 0; i < size; i += strlen(pending + i) + 1)
            EXPECT_EQ(std::string(pending + i).find("parv.exe"), std::string::npos) << pending + i;
    }
}

TEST_F(ParvTest, AssociatesExactlyTheNamedTypes) {
    struct Step {
        const char* arg;
        std::array<bool, 4> want;
    };
    // Each step starts from what the one before left.
    const Step steps[] = {
        {"adpr_rtf_cod_doc_docx", {true, true, true, true}},
        {"adpr_rtf_doc", {true, false, true, false}},
        {"adpr_docx", {false, false, false, true}},
        {"adpr_cod_docx", {false, true, false, true}},
        {"adpr", {false, false, false, false}},
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(st.arg);
        ASSERT_EQ(RunToEnd(std::string("-assoc ") + st.arg), 0);
        EXPECT_EQ(Associated(), st.want);
        for (size_t i = 0; i < 4; ++i) {
            // Types taken back leave no empty key behind.
            if (!st.want[i]) {
                EXPECT_FALSE(KeyExists(ClassesKey + app::AssocExtensions[i])) << i;
            }
        }
    }
    // No window, no last-run version: association runs are not user starts.
    EXPECT_FALSE(ReadDword(InternalKey, app::LastRunVerValue));
}

TEST_F(ParvTest, AssociationOpensDocumentsWithThisCopy) {
    ASSERT_EQ(RunToEnd("-assoc adpr_rtf"), 0);
    const std::string progId = ClassesKey + app::AssocProgId;
    auto command = ReadString(progId + "\\shell\\open\\command", nullptr);
    ASSERT_TRUE(command);
    const std::string want = Quote(ParvPath()) + " \"%1\"";
    EXPECT_EQ(lstrcmpiA(command->c_str(), want.c_str()), 0) << *command;
    EXPECT_EQ(ReadString(progId, nullptr), std::string(app::AssocProgIdName));
}

TEST_F(ParvTest, LeavesOtherProgramsTypesAlone) {
    const std::string doc = ClassesKey + ".doc";
    WriteString(doc, nullptr, "Other.Document");
    WriteString(doc, "Content Type", "application/msword");
    ASSERT_EQ(RunToEnd("-assoc adpr_rtf"), 0);
    EXPECT_EQ(ReadString(doc, nullptr), std::string("Other.Document"));
    // Asked for by name, the type becomes ours; taken back, the other values
    // of the key stay.
    ASSERT_EQ(RunToEnd("-assoc adpr_doc"), 0);
    EXPECT_EQ(ReadString(doc, nullptr), std::string(app::AssocProgId));
    ASSERT_EQ(RunToEnd("-assoc adpr"), 0);
    EXPECT_FALSE(ReadString(doc, nullptr));
    EXPECT_EQ(ReadString(doc, "Content Type"), std::string("application/msword"));
}

TEST_F(ParvTest, GarbledCommandsChangeNothing) {
    ASSERT_EQ(RunToEnd("-assoc adpr_rtf_doc"), 0);
    for (const char* bad :
         {"-assoc adpr_rtf_pdf", "-assoc", "-assoc adpr_docxx", "-bogus", "a.rtf b.rtf"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(RunToEnd(bad), 2);
        EXPECT_EQ(Associated(), (std::array<bool, 4>{true, false, true, false}));
    }
    EXPECT_FALSE(ReadDword(InternalKey, app::LastRunVerValue));
}

}  // namespace
