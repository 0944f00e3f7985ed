#pragma once
// Building and listing payloads (the mkpayload tool and tests). Platform-free.
//
// A manifest names one record a line, in payload order:
//   NAME <TAB> SOURCE <TAB> YYYY-MM-DD hh:mm:ss
// SOURCE is a file path, relative to the manifest's folder unless absolute;
// the stamp is the local time to store and must have even seconds within
// 1980-01-01 .. 2099-12-31. Empty lines and lines starting with "#" are skipped.

#include <string>
#include <string_view>
#include <vector>

struct TManifestEntry {
    std::string Name;
    std::string Source;
    double Time = 0;
    int Line = 0;
};

// "YYYY-MM-DD hh:mm:ss" -> day count. False with a reason on a malformed text,
// an impossible date, odd seconds, or a year outside 1980..2099.
bool ParseStampText(std::string_view text, double& dayCount, std::string& error);
// Day count -> "YYYY-MM-DD hh:mm:ss" (seconds truncated; "?" when undecodable).
std::string FormatStampText(double dayCount);

// False with "line N: reason" on the first bad line. Names must obey the
// payload's name rules and may not repeat (ignoring ASCII case).
bool ParseManifest(std::string_view text, std::vector<TManifestEntry>& entries, std::string& error);

// Reads the manifest and its sources and produces one zlib stream at level 9.
// The same inputs always give the same bytes.
bool BuildPayloadFromManifest(const std::string& manifestPath, std::string& packed,
                              std::string& error);

// Reads every entry's Source (a path as it stands) and packs the records in
// entry order. False with a reason, prefixed "line N: " for manifest entries.
bool PackEntries(const std::vector<TManifestEntry>& entries, std::string& packed,
                 std::string& error);

// Records bytes -> one zlib stream at level 9 (header 78 DA).
std::string CompressPayload(const std::string& records);

// One line per record "NAME<TAB>SIZE<TAB>YYYY-MM-DD hh:mm:ss", then
// "N records, N bytes". False with a reason on a damaged payload.
bool ListPayload(std::string_view packed, std::string& listing, std::string& error);
