// The 32-bit winpthreads library imports GetTickCount64, which Windows XP
// lacks: a program importing it does not even start there. This definition
// of the import slot takes its place, so the function is looked up at run
// time and stood in for where it is missing.
#include <windows.h>

#include <atomic>

#include "instutils/TickCount.h"

namespace {

using Proc = ULONGLONG(WINAPI*)();

// Only constant-initialised state: a guarded local static would wait through
// winpthreads, which calls back in here.
constexpr uintptr_t notLookedUp = 1;
std::atomic<uintptr_t> systemProc{notLookedUp};
std::atomic<uint64_t> last{0};  // 0: no count read yet

ULONGLONG WINAPI TickCount64() {
    uintptr_t proc = systemProc.load(std::memory_order_relaxed);
    if (proc == notLookedUp) {
        proc = reinterpret_cast<uintptr_t>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64"));
        systemProc.store(proc, std::memory_order_relaxed);
    }
    if (proc) return reinterpret_cast<Proc>(proc)();
    uint64_t seen = last.load();
    for (;;) {
        const uint32_t now = GetTickCount();
        const uint64_t next = seen == 0 ? now : WidenTickCount(seen, now);
        if (next == seen || last.compare_exchange_weak(seen, next)) return next;
    }
}

}  // namespace

extern "C" {
Proc ImportedTickCount64 __asm__("__imp__GetTickCount64@0") = TickCount64;
}
