// Stands in for a DLL that someone plants beside a program or in its current
// folder: a process that loads it leaves "<the DLL's own path>.loaded".
#include "instutils/WinHandles.h"

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH + 1] = {};
    const DWORD len = GetModuleFileNameA(self, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return TRUE;
    TUniqueHandle mark(CreateFileA((std::string(path, len) + ".loaded").c_str(), GENERIC_WRITE, 0,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return TRUE;
}
