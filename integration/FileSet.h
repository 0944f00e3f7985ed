#pragma once
// The file set of an installation run, the clean-up of old clip images, the
// install stamp and the update record "Update.log".

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Fills the reader's six install lists for `selected` (bit i = component i),
// removes outdated clip images and, unless portable, writes "install_stamp".
void PrepareFileSet(uint8_t selected);
void CleanOldClipImages();

// The stamp of this run (a day count), taken by PrepareFileSet.
extern double InstallStamp;
std::string InstallStampBytes(double stamp);   // 8 bytes, little-endian
std::string StampLine(double stamp);           // "*" + 16 upper-case hex digits

// The merge of "Update.log" (platform-free): `lines` is the file's content,
// `record` the sorted update record; `equal` is the locale comparison.
std::vector<std::string> MergeUpdateLog(std::vector<std::string> lines,
                                        const std::vector<std::string>& record,
                                        const std::string& stampLine,
                                        const std::function<bool(const std::string&, const std::string&)>& equal);

// Appends this run's record to "Update.log" in the shared data folder.
// Returns false (and leaves the wizard on its last page) when reading or
// writing the file failed; `error` then says what went wrong.
bool WriteUpdateLog(std::string* error = nullptr);
