#include <windows.h>

#include <algorithm>

#include "instutils/AppInterface.h"
#include "instutils/DayCount.h"
#include "instutils/InstUtils.h"
#include "instutils/RunLog.h"
#include "instutils/WinHandles.h"
#include "integration/FileSet.h"
#include "integration/Options.h"
#include "integration/RunState.h"
#include "payload/AttachFiles.h"

namespace {

// Keeps the reader's FullPathMode on for exactly one AddFile call, also if
// it throws.
struct TFullPathScope {
    explicit TFullPathScope(TAttachedFiles& files) : Files(files) { Files.FullPathMode = true; }
    ~TFullPathScope() { Files.FullPathMode = false; }
    TFullPathScope(const TFullPathScope&) = delete;
    TFullPathScope& operator=(const TFullPathScope&) = delete;
    TAttachedFiles& Files;
};

std::string RowFolder(TRunState& run, TFileSetDest dest) {
    switch (dest) {
    case TFileSetDest::Spellcheck: return run.GetDataDir(TDataDir::Spellcheck);
    case TFileSetDest::Public: return run.GetDataDir(TDataDir::Public);
    case TFileSetDest::MainDir: break;
    }
    return run.Options.MainDir;
}

int CompareLines(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a.data(),
                          static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

}  // namespace

void TRunState::PrepareFileSet(uint8_t selected) {
    TAttachedFiles* reader = Files();
    if (!reader) return;
    for (int k = 0; k < 6; ++k) reader->ClearComponent(k);
    const bool portable = IsPortable();
    reader->ForceOverwrite = !portable;

    // Each destination is looked up once: a data folder costs a volume query.
    std::string folders[3];
    for (const TFileSetStep& step : PlanFileSet(selected, LastRunVersion)) {
        switch (step.Kind) {
        case TFileSetStepKind::Suspend: Log.SuspendLogging(); break;
        case TFileSetStepKind::Resume: Log.ResumeLogging(); break;
        case TFileSetStepKind::CleanOldClips: CleanOldClipImages(); break;
        case TFileSetStepKind::Add: {
            const TFileSetRow& row = FileSetRows[step.Row];
            std::string& folder = folders[static_cast<int>(row.Dest)];
            if (folder.empty()) folder = RowFolder(*this, row.Dest);
            if (row.TargetName) {
                TFullPathScope fullPath(*reader);
                reader->AddFile(row.Name, MainDirFile(folder, row.TargetName), row.Component,
                                row.Mode);
            } else {
                reader->AddFile(row.Name, folder, row.Component, row.Mode);
            }
            break;
        }
        }
    }

    if (!portable) {
        InstallStamp = LocalNowDayCount();
        WriteWholeFile(GetDataDir(TDataDir::Hidden) + app::InstallStampFile,
                       InstallStampBytes(InstallStamp));
    }
}

void TRunState::CleanOldClipImages() {
    const bool portable = IsPortable();
    std::string base = OldClipImagesBase(
        portable, Options.MainDir, portable ? std::string() : GetShellFolder(CSIDL_PERSONAL_));
    if (base.empty()) return;
    DeleteFolderTree(base + "Clip Library\\Images\\Checkmarks");
    for (const std::string& path : OldClipImagePaths(base)) DeleteFileA(path.c_str());
}

bool TRunState::WriteUpdateLog(std::string* failedPath) {
    if (!Reader || Reader->UpdateList.empty()) return true;
    std::vector<std::string> record = Reader->UpdateList;
    std::stable_sort(record.begin(), record.end(), [](const std::string& a, const std::string& b) {
        return CompareLines(a, b) == CSTR_LESS_THAN;
    });

    const std::string path = GetDataDir(TDataDir::Shared) + app::UpdateLogFile;
    std::vector<std::string> lines;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        std::string text;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            ReadWholeFile(path, text) != TFileRead::Read) {
            if (failedPath) *failedPath = path;
            return false;
        }
        lines = SplitLines(text);
    }
    lines = MergeUpdateLog(std::move(lines), record, StampLine(InstallStamp),
                           [](const std::string& a, const std::string& b) {
                               return CompareLines(a, b) == CSTR_EQUAL;
                           });
    if (!ReplaceWholeFile(path, JoinLogLines(lines))) {
        if (failedPath) *failedPath = path;
        return false;
    }
    RunLogLine("Written: " + path);
    return true;
}
