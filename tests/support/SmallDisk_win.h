#pragma once
// K: is a 4 MiB tmpfs that scripts/wine-up mounts where the system allows
// it (as root). The full-disk tests fill it with a filler file and remove
// the filler and their own files again; without the small disk they skip.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "instutils/WinHandles.h"

class SmallDisk {
public:
    static constexpr const char* Root = "K:\\";

    // True when K: is the small disk (not a plain folder of the host disk).
    static bool Ready() {
        ULARGE_INTEGER free{}, total{};
        return GetDiskFreeSpaceExA(Root, &free, &total, nullptr) && total.QuadPart > 0 &&
               total.QuadPart <= 64ull << 20;
    }

    static uint64_t FreeBytes() {
        ULARGE_INTEGER free{};
        return GetDiskFreeSpaceExA(Root, &free, nullptr, nullptr) ? free.QuadPart : 0;
    }

    SmallDisk() = default;
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk() { DeleteFileA(Filler().c_str()); }

    // Writes real bytes (a sparse file would take no room) until at most
    // `room` bytes are left free.
    void Fill(uint64_t room) {
        TUniqueHandle f(
            CreateFileA(Filler().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f.Valid());
        const std::string block(64 * 1024, 'f');
        for (uint64_t free = FreeBytes(); free > room; free = FreeBytes()) {
            // Large steps first, then page by page near the end.
            const DWORD step = free - room >= block.size() ? DWORD(block.size()) : 4096;
            DWORD done = 0;
            if (!WriteFile(f.Get(), block.data(), step, &done, nullptr) || done != step) break;
        }
        ASSERT_LE(FreeBytes(), room + 4096);
    }

private:
    static std::string Filler() { return std::string(Root) + "filler.bin"; }
};

#define SKIP_WITHOUT_SMALL_DISK() \
    if (!SmallDisk::Ready())      \
    GTEST_SKIP() << "K: is not a small disk (scripts/wine-up mounts one as root)"
