// The payload reader over untrusted bytes: inflate with the growth policy,
// then the record walk, then the reader's own indexing. Every record that is
// accepted must lie inside the inflated data.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "payload/AttachFiles.h"
#include "payload/PayloadFormat.h"

namespace {

// Every accepted record lies inside the data, in order, and names a safe path.
TPayloadError CheckedWalk(const uint8_t* data, size_t size, std::vector<TPayloadRecord>& records) {
    const TPayloadError e = WalkRecords(data, size, records);
    int64_t end = 0;
    for (const TPayloadRecord& r : records) {
        if (r.Size < 0 || r.Offset < end || int64_t(r.Offset) + r.Size > int64_t(size))
            std::abort();
        if (!IsSafePayloadName(r.Name)) std::abort();
        end = int64_t(r.Offset) + r.Size;
    }
    if (e == TPayloadError::Ok && end != int64_t(size)) std::abort();
    return e;
}

// The reader's error for these bytes: inflate (plain or checking the records
// as they arrive), then the walk.
TPayloadError Open(const uint8_t* data, size_t size, bool checkRecords,
                   std::vector<TPayloadRecord>& records) {
    records.clear();
    TPayloadBlock block;
    if (const TPayloadError e = InflatePayload(data, size, block, checkRecords);
        e != TPayloadError::Ok)
        return e;
    return CheckedWalk(block.data(), static_cast<size_t>(block.size()), records);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A checksum guards the stream, so mutations rarely reach the walker
    // through it: walk the raw input as record bytes as well.
    std::vector<TPayloadRecord> records;
    CheckedWalk(data, size, records);
    const bool plainOk = Open(data, size, false, records) == TPayloadError::Ok;
    const TPayloadError e = Open(data, size, true, records);
    // Checking early refuses sooner, never differently.
    if (plainOk != (e == TPayloadError::Ok)) std::abort();

    TPayloadError ce = TPayloadError::Ok;
    auto files = TAttachedFiles::Create(data, size, &ce);
    if (static_cast<bool>(files) != (e == TPayloadError::Ok) || ce != e) std::abort();
    if (files && files->Entries.size() != records.size()) std::abort();
    return 0;
}
