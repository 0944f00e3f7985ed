#pragma once
// Persisted settings, the portable test and the data folders. The run's
// settings and the operations on them are TRunState's (RunState.h).

#include <cstdint>
#include <string>
#include <vector>

struct TOptions {
    std::string MainDir;
    uint32_t Comps = 0x7FFFFFFF;
    std::string Extensions;
};

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

// The option boxes and component rows as plain values: a run without the
// wizard loads, overrides and saves through these.
class TOptionValues : public IOptionControls {
public:
    bool Boxes[3] = {false, false, false};
    TCheckState Rows[6] = {};
    int CurrentRow = -1;
    bool GetBox(TOptionBox b) const override { return Boxes[static_cast<int>(b)]; }
    void SetBox(TOptionBox b, bool c) override { Boxes[static_cast<int>(b)] = c; }
    int RowCount() const override { return 6; }
    TCheckState GetRow(int r) const override { return Rows[r]; }
    void SetRow(int r, TCheckState s) override { Rows[r] = s; }
    void SetCurrentRow(int r) override { CurrentRow = r; }
};

enum class TDataDir { Shared, Hidden, Public, Spellcheck };

// Uninstall entry and its size walk. False when the entry's key cannot be
// created under the registry's root. No entry is written (true) while the
// program it names is missing from the main folder.
class TRegistry;
bool WriteUninstallEntry(TRegistry& registry, const std::string& mainDir);
int32_t GetFolderSizeKB(const std::string& folder, uint32_t clusterSize);

// True when a top-level window carries the running-copy property.
bool IsAppRunning();

// ---- Pieces of the above that need no operating system ----------------------
// `loaded` with bits 0..5 set for ticked rows and cleared for the others.
uint32_t CompsFromRows(uint32_t loaded, const IOptionControls& controls);
// GetMainDirFile for a given main folder.
std::string MainDirFile(const std::string& mainDir, const std::string& name);
// The data folder path for the given situation, with a trailing backslash.
// `commonAppData` and `documents` are the shell folders ("" when unknown).
std::string DataDirPath(TDataDir kind, bool portable, const std::string& mainDir,
                        const std::string& commonAppData, const std::string& documents);
