#pragma once
// The fixed catalogue: page titles, component names and component file lists.

#include <string>
#include <vector>

constexpr int PageCount = 8;  // pages 0..7; 8 is the step after Finish
constexpr int ComponentCount = 6;

extern const char* const PageTitles[9];
extern const char* const ComponentNames[ComponentCount];
// Entries separated by a single CR; a trailing "\" marks a folder entry.
extern const char* const ComponentFiles[ComponentCount];

std::vector<std::string> SplitFileList(const std::string& list);  // at CR, LF or CR LF
bool MatchesEntry(const std::string& fileListEntry, const std::string& payloadName);
