#pragma once
// The file set of an installation run, the clean-up of old clip images, the
// install stamp and the update record "Update.log".

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "payload/AttachFiles.h"  // TOverwriteMode

// The file set as a table: one row per AddFile call, in call order.
enum class TFileSetDest { MainDir, Spellcheck, Public };
enum class TFileSetCondition {
    Always,       // component 0 and the unconditional rows
    Component,    // the row's component is selected
    ClipLibrary,  // selected, or forced by an old last-run version
};
enum class TFileSetLogging {
    Logged,
    QuietWhenSelected,  // logging suspended around the span when its rows are taken
    QuietAlways,        // logging suspended around the span in any case
};
struct TFileSetRow {
    const char* Name;        // payload name, or a folder prefix ending in "\"
    const char* TargetName;  // non-null: written under this name (FullPathMode)
    TFileSetDest Dest;
    TOverwriteMode Mode;
    int Component;
    TFileSetCondition Condition;
    TFileSetLogging Logging;
};
constexpr int FileSetRowCount = 14;
extern const TFileSetRow FileSetRows[FileSetRowCount];

// What PrepareFileSet does after clearing the lists, in order.
enum class TFileSetStepKind { Add, Suspend, Resume, CleanOldClips };
struct TFileSetStep {
    TFileSetStepKind Kind;
    int Row;  // index into FileSetRows for TFileSetStepKind::Add, else -1
    bool operator==(const TFileSetStep&) const = default;
};
// The longest name, relative to the main folder, that an installation of
// this kind writes below it, its temporary name while it replaces a file
// included: a normal one writes its own program files and Install.log
// there; a portable one also everything of the data folders, which lie in
// it. `payloadNames` are the payload's entries.
std::string LongestNameBelowMainDir(bool portable, const std::vector<std::string>& payloadNames);

// TRunState::PrepareFileSet carries the plan out.
std::vector<TFileSetStep> PlanFileSet(uint8_t selected, int32_t lastRunVersion);

// The install stamp's forms in "install_stamp" and "Update.log".
std::string InstallStampBytes(double stamp);  // 8 bytes, little-endian
std::string StampLine(double stamp);          // "*" + 16 upper-case hex digits

// The merge of "Update.log" (platform-free): `lines` is the file's content,
// `record` the sorted update record; `equal` is the locale comparison.
std::vector<std::string> MergeUpdateLog(
    std::vector<std::string> lines, const std::vector<std::string>& record,
    const std::string& stampLine,
    const std::function<bool(const std::string&, const std::string&)>& equal);

// Where old versions kept their clip images ("" when unknown: nothing is
// deleted then), and the single files removed below it.
std::string OldClipImagesBase(bool portable, const std::string& mainDir,
                              const std::string& documents);
std::vector<std::string> OldClipImagePaths(const std::string& base);
