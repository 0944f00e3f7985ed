#include <windows.h>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"
#include "integration/Options.h"
#include "integration/Registry_win.h"
#include "integration/RunState.h"

namespace {

constexpr const char* MainDirValue = "MAINDIR";
constexpr const char* CompsValue = "COMPS (1.6.6.2)";
constexpr const char* InstallToAllValue = "INSTALLTOALL";
constexpr const char* DesktopValue = "DSKSHORTCUT";
constexpr const char* ExtensionsValue = "EXTENSIONS";
constexpr const char* LaunchValue = "LAUNCH";

struct TBoxValue {
    TOptionBox Box;
    const char* Value;
};
constexpr TBoxValue BoxValues[] = {
    {TOptionBox::InstallToAll, InstallToAllValue},
    {TOptionBox::Desktop, DesktopValue},
    {TOptionBox::Launch, LaunchValue},
};

}  // namespace

void TRunState::LoadOptions(IOptionControls& controls) {
    TRegistry registry;
    registry.OpenKey(app::InstallKey);

    Options.MainDir = registry.ValueExists(MainDirValue) ? registry.ReadString(MainDirValue) : "";
    if (Options.MainDir.empty() || !FolderExists(Options.MainDir))
        Options.MainDir = JoinPath(GetShellFolder(CSIDL_PROGRAM_FILES_), "Parvela");

    if (Command.Dir) Options.MainDir = *Command.Dir;

    Options.Comps = registry.ValueExists(CompsValue)
                        ? static_cast<uint32_t>(registry.ReadInteger(CompsValue))
                        : 0x7FFFFFFFu;
    if (Command.Components) Options.Comps = (Options.Comps & ~0x3Fu) | *Command.Components;
    for (int i = 0; i < ComponentCount && i < controls.RowCount(); ++i)
        controls.SetRow(i,
                        (Options.Comps >> i) & 1 ? TCheckState::Checked : TCheckState::Unchecked);
    if (controls.RowCount() > 1) controls.SetCurrentRow(1);
    if (controls.RowCount() > 0) controls.SetRow(0, TCheckState::Grayed);

    for (const TBoxValue& b : BoxValues)
        controls.SetBox(b.Box, !registry.ValueExists(b.Value) || registry.ReadBool(b.Value));

    Options.Extensions =
        registry.ValueExists(ExtensionsValue) ? registry.ReadString(ExtensionsValue) : "B";
    if (Command.Extensions) Options.Extensions = *Command.Extensions;

    registry.OpenKey(app::InternalKey);
    LastRunVersion = registry.ValueExists(app::LastRunVerValue)
                         ? registry.ReadInteger(app::LastRunVerValue)
                         : app::LastRunVerUnknown;
}

void TRunState::SaveOptions(const IOptionControls& controls) {
    TRegistry registry;
    registry.OpenKey(app::InstallKey);
    registry.WriteString(MainDirValue, Options.MainDir);
    Options.Comps = CompsFromRows(Options.Comps, controls);
    registry.WriteInteger(CompsValue, static_cast<int32_t>(Options.Comps));
    registry.WriteBool(InstallToAllValue, controls.GetBox(TOptionBox::InstallToAll));
    registry.WriteBool(DesktopValue, controls.GetBox(TOptionBox::Desktop));
    registry.WriteString(ExtensionsValue, Options.Extensions);
    registry.WriteBool(LaunchValue, controls.GetBox(TOptionBox::Launch));
    if (!IsPortable()) {
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        WriteUninstallEntry(registry, Options.MainDir);
    }
}

bool TRunState::IsPortable() {
    // Decided once per main folder: a stick pulled before the settings are
    // saved must not turn the run into a normal installation, and the
    // storage query is not repeated at every use.
    if (!PortableDecided || PortableFor != Options.MainDir) {
        Portable = IsRemovableLocation(Options.MainDir);
        PortableFor = Options.MainDir;
        PortableDecided = true;
    }
    return Portable;
}

std::string TRunState::GetDataDir(TDataDir kind) {
    bool portable = IsPortable();
    std::string common, documents;
    if (!portable) {
        common = GetShellFolder(CSIDL_COMMON_APPDATA_);
        if (common.empty()) documents = GetShellFolder(CSIDL_PERSONAL_);
    }
    std::string path = DataDirPath(kind, portable, Options.MainDir, common, documents);
    CreateFolderChain(path, &Log);
    return path;
}

std::string TRunState::GetMainDirFile(const std::string& name) const {
    return MainDirFile(Options.MainDir, name);
}
