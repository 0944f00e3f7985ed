#include "payload/AttachFiles.h"

#include <climits>

#include "instutils/InstUtils.h"

std::unique_ptr<TAttachedFiles> TAttachedFiles::Create(const uint8_t* packed, size_t len,
                                                       TPayloadError* error) {
    auto fail = [error](TPayloadError e) {
        if (error) *error = e;
        return std::unique_ptr<TAttachedFiles>();
    };
    std::unique_ptr<TAttachedFiles> files(new TAttachedFiles());
    if (const TPayloadError e = InflatePayload(packed, len, files->Block, true);
        e != TPayloadError::Ok)
        return fail(e);
    std::vector<TPayloadRecord> records;
    if (const TPayloadError e = WalkRecords(files->Block.data(), files->Block.size(), records);
        e != TPayloadError::Ok)
        return fail(e);
    files->Entries.reserve(records.size());
    for (TPayloadRecord& r : records)
        files->Entries.push_back(TAttachedFile{std::move(r.Name), r.Size, r.Time, r.Offset});
    if (error) *error = TPayloadError::Ok;
    return files;
}

TPayloadError CheckSetupPayload(const TAttachedFiles& files) {
    for (const TAttachedFile& e : files.Entries)
        if (TextEqualsIgnoreCase(e.Name, "License.txt")) return TPayloadError::Ok;
    return TPayloadError::NoLicence;
}

TAttachedFiles::~TAttachedFiles() {
    UpdateList.clear();
    for (auto& list : InstallLists) list.clear();
    Block = TPayloadBlock();
    Entries.clear();
#ifdef _WIN32
    RemoveTempLeftovers();
#endif
}

int32_t TAttachedFiles::GetTotalSize() const {
    // Each entry is at most INT32_MAX; the sum saturates rather than wraps.
    int64_t total = 0;
    for (const auto& list : InstallLists)
        for (const TFileToInstall& f : list) total += f.Entry->Size;
    return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}

void TAttachedFiles::ClearComponent(int component) {
    if (component >= 0 && component < static_cast<int>(InstallLists.size()))
        InstallLists[static_cast<size_t>(component)].clear();
}
