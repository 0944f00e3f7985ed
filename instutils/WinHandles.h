#pragma once
// Move-only owners for the Win32 handles the program uses: one template, and
// each kind one line naming its handle type and close function.
// Include only from Windows-only sources.

#include <windows.h>
#include <unknwn.h>

#include <string>
#include <utility>

template <class H>
bool NotNull(H h) {
    return h != nullptr;
}
// Kernel calls answer failure with either value, depending on the call.
inline bool NotNullOrInvalid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// Owns one handle of type H and gives it to Close exactly once, unless it is
// released first. Held tells a real handle from the kind's "none" values.
template <class H, auto Close, auto Held = NotNull<H>>
class TOwned {
public:
    TOwned() = default;
    explicit TOwned(H h) : h_(h) {}
    TOwned(TOwned&& o) noexcept : h_(o.Release()) {}
    TOwned& operator=(TOwned&& o) noexcept {
        Reset(o.Release());
        return *this;
    }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    ~TOwned() { Reset(); }

    bool Valid() const { return Held(h_); }
    explicit operator bool() const { return Valid(); }
    H Get() const { return h_; }
    H Release() { return std::exchange(h_, H{}); }
    void Reset(H h = H{}) {
        if (Valid()) Close(h_);
        h_ = h;
    }
    // For out-parameters: closes what is held and hands out the slot.
    H* OutPtr() {
        Reset();
        return &h_;
    }

private:
    H h_{};
};

// Destroys a window unless something (its parent, a user) already has.
inline void DestroyIfWindow(HWND w) {
    if (IsWindow(w)) DestroyWindow(w);
}

using TUniqueHandle = TOwned<HANDLE, CloseHandle, NotNullOrInvalid>;  // files, threads, events
using TFindHandle = TOwned<HANDLE, FindClose, NotNullOrInvalid>;
using TLoadedModule = TOwned<HMODULE, FreeLibrary>;  // never one from GetModuleHandle
using TRegKey = TOwned<HKEY, RegCloseKey>;
template <class H>
using TGdiHandle = TOwned<H, DeleteObject>;  // bitmap, font, brush, pen
using TMemoryDC = TOwned<HDC, DeleteDC>;     // from CreateCompatibleDC
using TWindowHandle = TOwned<HWND, DestroyIfWindow>;

template <class T>
void ReleaseInterface(T* p) {
    p->Release();
}

// A COM interface pointer, released once.
template <class T>
class TComPtr : public TOwned<T*, ReleaseInterface<T>> {
public:
    using TOwned<T*, ReleaseInterface<T>>::TOwned;
    T* operator->() const { return this->Get(); }
    void** OutPtr() { return reinterpret_cast<void**>(TOwned<T*, ReleaseInterface<T>>::OutPtr()); }
};

// A directory search from FindFirstFileA, with its current entry.
class TFileSearch {
public:
    explicit TFileSearch(const std::string& pattern)
        : Find(FindFirstFileA(pattern.c_str(), &Data)) {}
    bool Valid() const { return Find.Valid(); }
    const WIN32_FIND_DATAA& Entry() const { return Data; }
    bool Next() { return Valid() && FindNextFileA(Find.Get(), &Data) != FALSE; }

private:
    WIN32_FIND_DATAA Data{};
    TFindHandle Find;
};

// Two scope guards that hold a DC with what they give back to it, more than
// one handle can carry.

// A window's DC from GetDC (the screen's for a null window), released at
// scope end.
class TClientDC {
public:
    explicit TClientDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    TClientDC(const TClientDC&) = delete;
    TClientDC& operator=(const TClientDC&) = delete;
    ~TClientDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC for the scope; a null object selects nothing.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    ~TSelectObject() {
        if (old_) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};
