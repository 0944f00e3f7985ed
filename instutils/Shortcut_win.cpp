#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/RunLog.h"
#include "instutils/WinHandles.h"

#include <objbase.h>
#include <ole2.h>
#include <objidl.h>
#include <shlobj.h>

static bool OleStarted = false;

void NeedOle() {
    if (!OleStarted) OleStarted = SUCCEEDED(OleInitialize(nullptr));
}

void EndOle() {
    if (OleStarted) OleUninitialize();
    OleStarted = false;
}

static std::wstring WideFromSystemCodePage(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int len = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    if (len <= 0) return std::wstring();
    std::wstring wide(size_t(len), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), len);
    return wide;
}

bool CreateShortcut(const std::string& linkPath, const std::string& target,
                    const std::string& workingFolder, const std::string& description,
                    TInstallLog* log) {
    TComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.OutPtr())) ||
        !link)
        return false;  // no link object, nothing written, nothing to log
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(workingFolder.c_str());
    link->SetDescription(description.c_str());
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutPtr())) || !file) return false;

    const size_t lastSeparator = FindLastPathChar(linkPath, "\\");
    if (lastSeparator != std::string::npos)
        CreateFolderChain(linkPath.substr(0, lastSeparator + 1), log);
    const bool saved = SUCCEEDED(file->Save(WideFromSystemCodePage(linkPath).c_str(), TRUE));
    // Logged whatever Save said: a link that could not be replaced is most
    // likely still there from before, and belongs to the installation.
    if (log) log->AddLogLine("File Copy: " + linkPath);
    if (saved) RunLogLine("Shortcut: " + linkPath);
    return saved;
}
