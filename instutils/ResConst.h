#pragma once
// The fixed catalogue: component names and component file lists.

#include <string>
#include <vector>

constexpr int ComponentCount = 6;

extern const char* const ComponentNames[ComponentCount];
// Entries separated by a single CR; a trailing "\" marks a folder entry.
extern const char* const ComponentFiles[ComponentCount];

// Whether a payload name belongs to a file-list entry (one line of a list,
// split by SplitLines): the same name, or for a folder entry ("Templates\\")
// any name under it; letter case is ignored.
bool MatchesEntry(const std::string& fileListEntry, const std::string& payloadName);
