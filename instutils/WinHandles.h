#pragma once
// Move-only owners for the Win32 handles the program uses, one kind each.
// Include only from Windows-only sources.

#include <windows.h>
#include <unknwn.h>

#include <string>
#include <utility>

// A kernel handle closed with CloseHandle (files, devices, threads, events).
// Both INVALID_HANDLE_VALUE and NULL mean "none".
class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(HANDLE h) : h_(h) {}
    TUniqueHandle(TUniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    TUniqueHandle& operator=(TUniqueHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    ~TUniqueHandle() { Reset(); }

    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    HANDLE Get() const { return h_; }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// A directory search from FindFirstFileA, with its first entry.
class TFindHandle {
public:
    explicit TFindHandle(const std::string& pattern)
        : h_(FindFirstFileA(pattern.c_str(), &data_)) {}
    TFindHandle(const TFindHandle&) = delete;
    TFindHandle& operator=(const TFindHandle&) = delete;
    ~TFindHandle() {
        if (Valid()) FindClose(h_);
    }

    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    const WIN32_FIND_DATAA& Entry() const { return data_; }
    bool Next() { return Valid() && FindNextFileA(h_, &data_) != FALSE; }

private:
    WIN32_FIND_DATAA data_{};
    HANDLE h_;
};

// A module loaded with LoadLibrary*; never one from GetModuleHandle.
class TLoadedModule {
public:
    TLoadedModule() = default;
    explicit TLoadedModule(HMODULE m) : m_(m) {}
    TLoadedModule(TLoadedModule&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
    TLoadedModule& operator=(TLoadedModule&& o) noexcept {
        if (this != &o) {
            if (m_) FreeLibrary(m_);
            m_ = std::exchange(o.m_, nullptr);
        }
        return *this;
    }
    TLoadedModule(const TLoadedModule&) = delete;
    TLoadedModule& operator=(const TLoadedModule&) = delete;
    ~TLoadedModule() {
        if (m_) FreeLibrary(m_);
    }
    HMODULE Get() const { return m_; }

private:
    HMODULE m_ = nullptr;
};

// A handle whose close function is looked up at run time (one newer than the
// oldest Windows the program supports): the owner keeps it beside the handle.
class TLateHandle {
public:
    using TClose = void (*)(HANDLE);
    TLateHandle() = default;
    TLateHandle(HANDLE h, TClose close) : h_(h), close_(close) {}
    TLateHandle(TLateHandle&& o) noexcept
        : h_(std::exchange(o.h_, nullptr)), close_(std::exchange(o.close_, nullptr)) {}
    TLateHandle& operator=(TLateHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, nullptr);
            close_ = std::exchange(o.close_, nullptr);
        }
        return *this;
    }
    TLateHandle(const TLateHandle&) = delete;
    TLateHandle& operator=(const TLateHandle&) = delete;
    ~TLateHandle() { Reset(); }

    bool Valid() const { return h_ != nullptr; }
    HANDLE Get() const { return h_; }
    // For functions that may replace the handle in place.
    HANDLE* InPlace() { return &h_; }
    void Reset() {
        if (h_ && close_) close_(h_);
        h_ = nullptr;
        close_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
    TClose close_ = nullptr;
};

// One open registry key, closed with RegCloseKey.
class TRegKey {
public:
    TRegKey() = default;
    explicit TRegKey(HKEY key) : k_(key) {}
    TRegKey(TRegKey&& o) noexcept : k_(o.Release()) {}
    TRegKey& operator=(TRegKey&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    ~TRegKey() { Reset(); }

    HKEY Get() const { return k_; }
    explicit operator bool() const { return k_ != nullptr; }
    HKEY Release() { return std::exchange(k_, nullptr); }
    void Reset(HKEY key = nullptr) {
        if (k_) RegCloseKey(k_);
        k_ = key;
    }
    // For out-parameters: closes what is held and hands out the slot.
    HKEY* OutPtr() {
        Reset();
        return &k_;
    }

private:
    HKEY k_ = nullptr;
};

// A GDI object (bitmap, font, brush, pen) deleted with DeleteObject.
template <class H>
class TGdiHandle {
public:
    TGdiHandle() = default;
    explicit TGdiHandle(H h) : h_(h) {}
    TGdiHandle(TGdiHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    TGdiHandle& operator=(TGdiHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    TGdiHandle(const TGdiHandle&) = delete;
    TGdiHandle& operator=(const TGdiHandle&) = delete;
    ~TGdiHandle() { Reset(); }

    H Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Gives up ownership, e.g. to a static control that then owns it.
    H Release() { return std::exchange(h_, nullptr); }
    void Reset(H h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    H h_ = nullptr;
};

// A memory DC compatible with another DC (the screen for null), deleted at
// scope end.
class TMemoryDC {
public:
    explicit TMemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    ~TMemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

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

// A COM interface pointer, released once.
template <class T>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() { Reset(); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    void** OutPtr() {
        Reset();
        return reinterpret_cast<void**>(&p_);
    }
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};
