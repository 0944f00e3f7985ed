#include "integration/FileSet.h"

#include <bit>
#include <cstring>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"

namespace {
// Short names keep the table to its rows.
using D = TFileSetDest;
using M = TOverwriteMode;
using C = TFileSetCondition;
using L = TFileSetLogging;
}  // namespace

// Rows 3-10 are quiet only when selected; rows 12-13 are quiet in any case,
// so the two kinds of span are told apart.
const TFileSetRow FileSetRows[FileSetRowCount] = {
    {"parv.exe", nullptr, D::MainDir, M::IfAbsentOrChanged, 0, C::Always, L::Logged},
    {"License.txt", nullptr, D::MainDir, M::IfAbsentOrChanged, 0, C::Always, L::Logged},
    {"English (American).asc", nullptr, D::Spellcheck, M::IfAbsent, 1, C::Component,
     L::QuietWhenSelected},
    {"English (American).cache", nullptr, D::Spellcheck, M::IfAbsent, 1, C::Component,
     L::QuietWhenSelected},
    {"English (British).asc", nullptr, D::Spellcheck, M::IfAbsent, 1, C::Component,
     L::QuietWhenSelected},
    {"English (American).cache", "English (British).cache", D::Spellcheck, M::IfAbsent, 1,
     C::Component, L::QuietWhenSelected},
    {"english.zlx", nullptr, D::Spellcheck, M::IfAbsentOrChanged, 1, C::Component,
     L::QuietWhenSelected},
    {"us.zlx", nullptr, D::Spellcheck, M::IfAbsentOrChanged, 1, C::Component, L::QuietWhenSelected},
    {"uk.zlx", nullptr, D::Spellcheck, M::IfAbsentOrChanged, 1, C::Component, L::QuietWhenSelected},
    {"userdicen.tlx", nullptr, D::Spellcheck, M::IfAbsent, 1, C::Component, L::QuietWhenSelected},
    {"Hyphenation.dat", nullptr, D::MainDir, M::IfAbsentOrChanged, 2, C::Component, L::Logged},
    {"Templates\\", nullptr, D::Public, M::IfAbsent, 3, C::Component, L::QuietAlways},
    {"Clip Library\\", nullptr, D::Public, M::IfAbsent, 4, C::ClipLibrary, L::QuietAlways},
    {"Basic.asn", nullptr, D::Public, M::IfAbsentOrChanged, 5, C::Component, L::Logged},
};

namespace {

bool RowSelected(const TFileSetRow& row, uint8_t selected, int32_t lastRunVersion) {
    switch (row.Condition) {
    case TFileSetCondition::Always: return true;
    case TFileSetCondition::Component: return (selected >> row.Component) & 1;
    case TFileSetCondition::ClipLibrary:
        return ((selected >> row.Component) & 1) || lastRunVersion < app::ForceClipLibraryBelow;
    }
    return false;
}

}  // namespace

std::vector<TFileSetStep> PlanFileSet(uint8_t selected, int32_t lastRunVersion) {
    std::vector<TFileSetStep> steps;
    TFileSetLogging quiet = TFileSetLogging::Logged;  // the span we are inside, if any
    for (int i = 0; i < FileSetRowCount; ++i) {
        const TFileSetRow& row = FileSetRows[i];
        bool take = RowSelected(row, selected, lastRunVersion);
        bool suspend = row.Logging == TFileSetLogging::QuietAlways ||
                       (row.Logging == TFileSetLogging::QuietWhenSelected && take);
        if (quiet != TFileSetLogging::Logged && row.Logging != quiet) {
            steps.push_back({TFileSetStepKind::Resume, -1});
            quiet = TFileSetLogging::Logged;
        }
        if (suspend && quiet == TFileSetLogging::Logged) {
            steps.push_back({TFileSetStepKind::Suspend, -1});
            quiet = row.Logging;
        }
        // The old images go before the clip library is selected: in a portable
        // installation they lie where the new ones go, and a selection made
        // first would skip the images that the clean-up then deletes.
        if (take && row.Condition == TFileSetCondition::ClipLibrary &&
            lastRunVersion < app::CleanOldClipsBelow)
            steps.push_back({TFileSetStepKind::CleanOldClips, -1});
        if (take) steps.push_back({TFileSetStepKind::Add, i});
    }
    if (quiet != TFileSetLogging::Logged) steps.push_back({TFileSetStepKind::Resume, -1});
    return steps;
}

std::string InstallStampBytes(double stamp) {
    uint64_t bits = std::bit_cast<uint64_t>(stamp);
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return bytes;
}

std::string StampLine(double stamp) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string line = "*";
    for (unsigned char b : InstallStampBytes(stamp)) {
        line += Hex[b >> 4];
        line += Hex[b & 15];
    }
    return line;
}

std::vector<std::string> MergeUpdateLog(
    std::vector<std::string> lines, const std::vector<std::string>& record,
    const std::string& stampLine,
    const std::function<bool(const std::string&, const std::string&)>& equal) {
    auto inRecord = [&](const std::string& line) {
        for (const std::string& r : record)
            if (equal(line, r)) return true;
        return false;
    };
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (std::string& line : lines)
        if (!line.empty() && !inRecord(line)) kept.push_back(std::move(line));

    // Of two adjacent stamp lines the later one goes: the files that follow
    // then stand under the earlier stamp.
    auto isStamp = [](const std::string& s) { return !s.empty() && s[0] == '*'; };
    for (size_t i = kept.size(); i-- > 1;)
        if (isStamp(kept[i]) && isStamp(kept[i - 1])) kept.erase(kept.begin() + i);
    if (!kept.empty() && isStamp(kept.back())) kept.pop_back();

    kept.push_back(stampLine);
    kept.insert(kept.end(), record.begin(), record.end());
    return kept;
}

std::string OldClipImagesBase(bool portable, const std::string& mainDir,
                              const std::string& documents) {
    std::string base;
    if (portable) {
        base = mainDir;
    } else {
        // Without a documents folder the base would be relative to whatever
        // folder is current; deleting there could hit unrelated files.
        if (documents.empty()) return {};
        base = JoinPath(documents, "Parvela");
    }
    AppendPathSeparator(base);
    return base;
}

std::vector<std::string> OldClipImagePaths(const std::string& base) {
    std::vector<std::string> paths;
    const std::string bullets = base + "Clip Library\\Images\\Bullets\\";
    for (int n = 1; n <= 32; ++n) paths.push_back(bullets + "Bullet " + std::to_string(n) + ".gif");
    paths.push_back(bullets + "Target.gif");
    return paths;
}

// The longest ReplacementName adds to a file's name while it is replaced
// (its hundredth try).
constexpr const char* ReplacementSuffix = ".~tmp99";

std::string LongestNameBelowMainDir(bool portable, const std::vector<std::string>& payloadNames) {
    std::string longest = portable ? app::CommonDataFile : app::InstallLogFile;
    auto consider = [&longest](const std::string& name) {
        if (name.size() > longest.size()) longest = name;
    };
    for (const TFileSetRow& row : FileSetRows) {
        if (!portable && row.Dest != TFileSetDest::MainDir) continue;
        const std::string folder =
            portable && row.Dest == TFileSetDest::Spellcheck ? "Spellcheck\\" : "";
        for (const std::string& name : payloadNames)
            if (MatchesEntry(row.Name, name))
                consider(folder + (row.TargetName ? row.TargetName : name));
    }
    return longest + ReplacementSuffix;
}
