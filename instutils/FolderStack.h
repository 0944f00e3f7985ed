#pragma once
// The process-wide folder stack and the one lock that serialises every
// change of the current folder (the install thread's folder tests and the
// window's queries would otherwise restore each other's folder).

#include <mutex>
#include <string>

std::recursive_mutex& CurrentFolderLock();
// Both expect CurrentFolderLock to be held.
void PushFolderText(const std::string& folder);
bool PopFolderText(std::string& folder);  // false when there is none
void ReleaseFolderStack();
