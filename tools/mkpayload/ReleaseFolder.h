#pragma once
// A release folder as the payload of a setup program: the files found in it,
// checked against what the setup program will ask of its payload before any
// byte is packed.

#include <cstdint>
#include <string>
#include <vector>

#include "instutils/DayCount.h"
#include "payload/PayloadBuilder.h"

struct TReleaseFile {
    enum class TKind { Regular, Link, Other };
    std::string Path;  // relative to the release folder, "/"-separated, UTF-8
    TKind Kind = TKind::Regular;
    uint64_t Size = 0;
    TDateTime Time;  // last write, local time
};

struct TReleaseCheck {
    // In payload order: the file-set rows in their order (a folder group's
    // files sorted), then the files no row selects, sorted. Source is the
    // relative path.
    std::vector<TManifestEntry> Entries;
    std::vector<std::string> Problems;  // one line each, starting with the path
    std::vector<std::string> Warnings;
};

// Checks the files against the setup program's file-set table and its name
// rules. Any problem means that no payload may be built. Lines name the files
// as `root` + "/" + path. Platform-free.
TReleaseCheck CheckReleaseFiles(const std::vector<TReleaseFile>& files, const std::string& root);

// The payload name of a relative path: UTF-8 to Windows-1252, "/" to "\".
// On a name the payload cannot hold, returns "" and says why.
std::string PayloadNameOf(const std::string& path, std::string& why);

// Every file below `root`, without following links, with its local time.
// Folders that cannot be read become problems.
std::vector<TReleaseFile> ListReleaseFolder(const std::string& root,
                                            std::vector<std::string>& problems);
