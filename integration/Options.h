#pragma once
// Persisted settings, the portable test and the data folders.

#include <cstdint>
#include <string>
#include <vector>

struct TOptions {
    std::string MainDir;
    uint32_t Comps = 0x7FFFFFFF;
    std::string Extensions;
};

// The program-wide settings record, owned by the wizard window's lifetime.
// IsPortable, GetDataDir and GetMainDirFile read its MainDir.
extern TOptions Options;
// Read by LoadOptions; 0x7FFFFFFF when unknown.
extern int32_t LastRunVersion;

// The controls of the window that LoadOptions and SaveOptions touch. The
// wizard implements it; tests implement it with plain fields.
enum class TCheckState { Unchecked, Checked, Grayed };
enum class TOptionBox { InstallToAll, Desktop, Launch };
class IOptionControls {
public:
    virtual ~IOptionControls() = default;
    virtual bool GetBox(TOptionBox box) const = 0;
    virtual void SetBox(TOptionBox box, bool checked) = 0;
    virtual int RowCount() const = 0;  // rows of the component list
    virtual TCheckState GetRow(int row) const = 0;
    virtual void SetRow(int row, TCheckState state) = 0;
    virtual void SetCurrentRow(int row) = 0;
};

// Fills Options, LastRunVersion and the controls from the registry and the
// process's real command line ("-d<folder>" as first argument).
void LoadOptions(IOptionControls& controls);
// Writes the install key and, unless portable, the uninstall entry.
void SaveOptions(const IOptionControls& controls);

// Whether the main folder lies on removable or external media, decided on
// the first use for each main folder and kept for the rest of the run.
bool IsPortable();
enum TDataDir { ddShared, ddHidden, ddPublic, ddSpellcheck };
// The data folder (trailing backslash), created on disk with CreateFolderChain.
std::string GetDataDir(TDataDir kind);
std::string GetMainDirFile(const std::string& name);

// Uninstall entry and its size walk.
class TRegistry;
void WriteUninstallEntry(TRegistry& registry, const std::string& mainDir);
int32_t GetFolderSizeKB(const std::string& folder, uint32_t clusterSize);

// True when a top-level window carries the running-copy property.
bool IsAppRunning();

// Makes this process the one setup program of the machine; false when
// another one runs (or its claim cannot be made). The claim lasts until the
// process ends.
bool ClaimSetupInstance();
extern const char* const SetupInstanceName;

// ---- Pieces of the above that need no operating system ----------------------
// The folder of a first argument "-d<folder>" (case-sensitive, verbatim).
bool MainDirArgument(const std::vector<std::string>& argv, std::string* folder);
// `loaded` with bits 0..5 set for ticked rows and cleared for the others.
uint32_t CompsFromRows(uint32_t loaded, const IOptionControls& controls);
// GetMainDirFile for a given main folder.
std::string MainDirFile(const std::string& mainDir, const std::string& name);
// The data folder path for the given situation, with a trailing backslash.
// `commonAppData` and `documents` are the shell folders ("" when unknown).
std::string DataDirPath(TDataDir kind, bool portable, const std::string& mainDir,
                        const std::string& commonAppData, const std::string& documents);
