#pragma once
// Move-only owners for the few Win32 handles the stand-in application uses.

#include <windows.h>

#include <utility>

namespace parv {

template <class H, class Traits>
class Owned {
public:
    Owned() = default;
    explicit Owned(H h) : h_(h) {}
    Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, Traits::None())) {}
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, Traits::None());
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    bool Valid() const { return Traits::IsValid(h_); }
    H Get() const { return h_; }
    H* Out() {
        Reset();
        return &h_;
    }
    void Reset(H h = Traits::None()) {
        if (Traits::IsValid(h_)) Traits::Close(h_);
        h_ = h;
    }

private:
    H h_ = Traits::None();
};

struct FileTraits {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct KeyTraits {
    static HKEY None() { return nullptr; }
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct ModuleTraits {
    static HMODULE None() { return nullptr; }
    static bool IsValid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};

using FileHandle = Owned<HANDLE, FileTraits>;
using RegKey = Owned<HKEY, KeyTraits>;
using Module = Owned<HMODULE, ModuleTraits>;

}  // namespace parv
