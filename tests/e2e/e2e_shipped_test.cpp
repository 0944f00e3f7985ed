// The shipped program as a user's Windows machine meets it, where Wine would
// hide a difference: DLLs planted beside it or in its current folder, and the
// languages of its resources.
#include "tests/e2e/SetupTest.h"

using namespace e2e;

namespace {

// DLLs that the program, or a system component working for it, loads by name
// and that Windows does not protect: a copy beside the program is found first.
// Not zlib1 and version: Wine's own advapi32 and gdi32 import them, and Wine,
// unlike Windows for its protected DLLs, would look for them beside the
// program too. For those names the import-table check stands in.
const char* const PlantedNames[] = {"mpr", "comctl32", "uxtheme", "shfolder", "msimg32"};

constexpr const char* AppKey = "Software\\Wine\\AppDefaults\\ParvelaSetup.exe";
const std::string OverridesKey = std::string(AppKey) + "\\DllOverrides";

// Wine takes its builtin DLLs before any file; told to prefer native ones for
// these names, its loader searches the folders as Windows' loader does.
class PreferNativeDlls {
public:
    PreferNativeDlls() {
        for (const char* name : PlantedNames)
            RegSetString(HKEY_CURRENT_USER, OverridesKey, name, "native,builtin");
    }
    PreferNativeDlls(const PreferNativeDlls&) = delete;
    PreferNativeDlls& operator=(const PreferNativeDlls&) = delete;
    // The whole application key, so that later starts (the bench's among
    // them) meet the prefix as it was.
    ~PreferNativeDlls() { RegDeleteKeyTree(HKEY_CURRENT_USER, AppKey); }
};

class PlantedDlls : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        // A program that crashed on a planted DLL may have kept its folder.
        for (const std::string& folder : {downloads, current}) {
            DeleteTree(folder);
            CreateDirectoryA(folder.c_str(), nullptr);
            ASSERT_TRUE(FolderExists(folder)) << folder;
            for (const char* name : PlantedNames)
                ASSERT_TRUE(CopyFileA((BinDir + "\\planted.dll").c_str(),
                                      (folder + name + ".dll").c_str(), FALSE));
        }
        ASSERT_EQ(Loaded(), "") << "left from an earlier run";
        ASSERT_TRUE(CopyFileA(SetupExe.c_str(), (downloads + "ParvelaSetup.exe").c_str(), FALSE));
    }
    void TearDown() override {
        SetupTest::TearDown();
        UnlinkDrive(NetworkDrive);
        DeleteTree(downloads);
        DeleteTree(current);
    }
    // The planted copies that some process loaded.
    std::string Loaded() const {
        std::string loaded;
        for (const std::string& folder : {downloads, current})
            for (const char* name : PlantedNames)
                if (FileExists(folder + name + ".dll.loaded")) loaded += folder + name + ".dll ";
        return loaded;
    }

    static constexpr char NetworkDrive = 'N';
    const std::string downloads = TempFolder() + "e2e downloads\\";
    const std::string current = TempFolder() + "e2e current\\";
};

TEST_F(PlantedDlls, AreNeverLoadedFromBesideTheProgramOrFromItsCurrentFolder) {
    PreferNativeDlls native;
    // A network drive makes the drive list ask MPR for the drive's share.
    ASSERT_TRUE(LinkDrive(NetworkDrive, UnixPathOf(BinDir), DRIVE_REMOTE));
    std::string error;
    setup = Process::Start(downloads + "ParvelaSetup.exe", "", &error, current);
    ASSERT_TRUE(setup.Started()) << error;
    const auto w = Wizard::Attach(setup, StartTimeout);
    ASSERT_TRUE(w) << "no wizard; exit code " << setup.WaitExit(Ms(0)).value_or(STILL_ACTIVE)
                   << "; planted DLLs loaded: " << Loaded();
    ASSERT_TRUE(w->WaitPage(PageTitle[0], PageTimeout));
    ASSERT_TRUE(WalkTo(*w, 2));  // the licence text, then the folder page and its drive list
    Quit(*w);
    EXPECT_EQ(Loaded(), "");
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

TEST(ShippedResources, ThePayloadAndTheLogosAreLanguageNeutral) {
    TLoadedModule exe(LoadLibraryExA(SetupExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_NE(exe.Get(), nullptr) << SetupExe;
    for (const char* name : {"FILES", "FILESCRC", "LOGO", "LOGOSMALL"}) {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(exe.Get(), std::string(name).starts_with("FILES") ? "FILES" : "PNG",
                               name, AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)}) << name;
    }
}

}  // namespace
