#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "tests/instutils/Scratch_win.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

using Lines = std::vector<std::string>;

class Shortcut : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        Log.CreateInstallLog();
        CreateDirectoryA((s / "App").c_str(), nullptr);
        MakeFile(target, "MZ");
    }
    void TearDown() override { CoUninitialize(); }
    TInstallLog Log;

    struct Link {
        std::string path, workingFolder, description;
    };
    static Link Read(const std::string& linkPath) {
        Link l;
        TComPtr<IShellLinkA> link;
        TComPtr<IPersistFile> file;
        EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IShellLinkA, link.OutPtr())));
        if (!link || FAILED(link->QueryInterface(IID_IPersistFile, file.OutPtr()))) return l;
        const std::wstring wide(linkPath.begin(), linkPath.end());  // ASCII test paths
        EXPECT_TRUE(SUCCEEDED(file->Load(wide.c_str(), STGM_READ)));
        char text[1024] = {};
        link->GetPath(text, sizeof text, nullptr, 0);
        l.path = text;
        link->GetWorkingDirectory(text, sizeof text);
        l.workingFolder = text;
        link->GetDescription(text, sizeof text);
        l.description = text;
        return l;
    }

    ScratchFolder s;
    const std::string target = s / "App\\parv.exe";
    const std::string description =
        "Compact, fast-loading, but still powerful and efficient word processor.";
};

TEST_F(Shortcut, IntoAMissingFolderMakesTheFolderFirstAndReadsBack) {
    const std::string link = s / "Menu\\Parvela\\Parvela Word Processor.lnk";
    CreateShortcut(link, target, s / "App", description, &Log);

    ASSERT_TRUE(Exists(link));
    const Link back = Read(link);
    EXPECT_TRUE(TextEqualsIgnoreCase(back.path, target)) << back.path;
    EXPECT_EQ(back.workingFolder, s / "App");
    EXPECT_EQ(back.description, description);
    EXPECT_EQ(Log.InstallLogLines(),
              (Lines{"Made Dir: " + s / "Menu\\", "Made Dir: " + s / "Menu\\Parvela\\",
                     "File Copy: " + link}));
}

TEST_F(Shortcut, MadeTwiceIsReplacedAndLoggedOnce) {
    const std::string link = s / "Parvela Word Processor.lnk";
    CreateShortcut(link, target, s / "App", "first", &Log);
    CreateShortcut(link, target, s / "App", description, &Log);
    EXPECT_EQ(Read(link).description, description);
    EXPECT_EQ(Log.InstallLogLines(), Lines{"File Copy: " + link});
}

TEST_F(Shortcut, WithoutALinkObjectNothingIsMadeOrLogged) {
    // A thread that never initialised COM cannot create the link object.
    const std::string link = s / "Desk\\Parvela Word Processor.lnk";
    HRESULT linkObject = S_OK;
    std::thread noCom([&] {
        TComPtr<IShellLinkA> probe;
        linkObject = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, probe.OutPtr());
        CreateShortcut(link, target, s / "App", description, &Log);
    });
    noCom.join();
    ASSERT_TRUE(FAILED(linkObject)) << "the thread could make a link object after all";
    EXPECT_FALSE(Exists(s / "Desk"));
    EXPECT_TRUE(Log.InstallLogLines().empty());
}

}  // namespace
