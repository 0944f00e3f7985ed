#pragma once
// The payload reader: the one object through which the program reaches its
// embedded payload. It holds the inflated records, the six per-component
// install lists and the update record, and writes single entries to disk.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "payload/PayloadFormat.h"

// When AddFile queues an entry whose target file exists already.
enum class TOverwriteMode {
    IfAbsent = 0,           // only when the target does not exist
    IfAbsentOrChanged = 1,  // also when its last-write time differs from the entry's
    Always = 2,
};

class TInstallLog;

struct TAttachedFile {
    std::string Name;
    int32_t Size = 0;
    double Time = 0;
    int32_t Offset = 0;
};

struct TFileToInstall {
    const TAttachedFile* Entry = nullptr;  // not owned
    std::string Target;
    bool Logged = true;
};

class TAttachedFiles {
public:
    // From the bytes of a zlib stream (tests, tools). Null on damage, with the
    // reason in *error when given. The bytes are not kept.
    static std::unique_ptr<TAttachedFiles> Create(const uint8_t* packed, size_t len,
                                                  TPayloadError* error = nullptr);
#ifdef _WIN32
    // From the running program's resource "FILES" of type "FILES".
    static std::unique_ptr<TAttachedFiles> CreateFromResource(TPayloadError* error = nullptr);
#endif
    // Release: lists, data, entries, then RemoveTempLeftovers().
    ~TAttachedFiles();

    // True when written or the user chose Ignore; false on Abort. With no
    // entry, the last entry whose name equals `name` is taken; when none does,
    // nothing is written and the result is false. The data goes to a
    // temporary file beside the target, which is moved over it: a failure
    // leaves the old file whole. A file that cannot be created or replaced, or
    // that cannot take all its bytes, asks through AskFromThread (Abort,
    // Retry or Ignore); an ignored target is added to Skipped.
    bool ExtractFile(const TAttachedFile* entry, const std::string& name,
                     const std::string& target);
    // Queues one entry, or every entry under a folder prefix ("Templates\\"),
    // into install list `component` (0..5; others queue nothing).
    // ForceOverwrite makes every request TOverwriteMode::Always; the update record still
    // marks an TOverwriteMode::IfAbsent request.
    bool AddFile(const std::string& nameOrPrefix, const std::string& folder, int component,
                 TOverwriteMode mode);
    // Bytes the list's entries take on the volume of `mainDir` (empty: the
    // current folder), each rounded up to its cluster size.
    int32_t GetComponentSize(const std::string& fileList, const std::string& mainDir) const;
    int32_t GetTotalSize() const;
    void ClearComponent(int component);

    const uint8_t* Data() const { return Block.data(); }
    int32_t DataSize() const { return Block.size(); }

    std::vector<TAttachedFile> Entries;
    std::array<std::vector<TFileToInstall>, 6> InstallLists;
    std::vector<std::string> UpdateList;
    // Targets the user chose to leave out (Ignore), in the order asked.
    std::vector<std::string> Skipped;
    bool ForceOverwrite = false;
    // AddFile takes `folder` as the whole target path instead of the folder
    // the entry's name goes below.
    bool FullPathMode = false;
    // AddFile also records queued targets in the shared public data folder
    // in UpdateList (the install run's file set).
    bool FileSetMode = false;
    // Where the folders and files written are logged, and whose suspension
    // marks queued files as unlogged (not owned; none: nothing is logged).
    TInstallLog* Log = nullptr;

private:
    TAttachedFiles() = default;
    TPayloadBlock Block;
    // The folder the last file was written into (see WriteEntry).
    std::string LastFolder;
};

// What the setup program needs of its payload beyond the format: the licence
// text that the second page shows. Ok, or NoLicence.
TPayloadError CheckSetupPayload(const TAttachedFiles& files);

#ifdef _WIN32
// True when `size` bytes at `bytes` lie within the image of the loaded
// module whose base is `module` (its size as its headers give it).
bool IsWithinImage(const void* module, const void* bytes, size_t size);
// The running program's resource "FILES" against the CRC-32 that the build
// wrote beside it (resource "FILESCRC" of type "FILES"), which it wrote only
// for a payload that opened: Ok, Empty without a payload, PackedCrc.
TPayloadError CheckResourcePayloadCrc();
#endif
