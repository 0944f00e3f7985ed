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
    if (Options.MainDir.empty() || !FolderExists(Options.MainDir)) {
        // A standard user cannot write to Program Files; Windows puts such a
        // user's programs in their own folder.
        Options.MainDir = JoinPath(GetShellFolder(CSIDL_PROGRAM_FILES_), "Parvela");
        if (IsWriteRefused(Options.MainDir))
            Options.MainDir = JoinPath(GetShellFolder(CSIDL_LOCAL_APPDATA_), "Programs\\Parvela");
    }

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
        // A standard user cannot write the machine's list; the user's own is
        // listed by Windows just the same.
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!WriteUninstallEntry(registry, Options.MainDir)) {
            registry.SetRootKey(HKEY_CURRENT_USER);
            WriteUninstallEntry(registry, Options.MainDir);
        }
    }
}

bool TRunState::IsPortable() {
    // Until the run starts the answer follows the drive: a stick plugged in
    // after the folder page makes the installation portable.
    if (PortableDecided && PortableFor == Options.MainDir) return Portable;
    return IsRemovableLocation(Options.MainDir);
}

void TRunState::DecidePortable() {
    // From the run's start on, a stick pulled before the settings are saved
    // must not turn it into a normal installation.
    Portable = IsRemovableLocation(Options.MainDir);
    PortableFor = Options.MainDir;
    PortableDecided = true;
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
