#pragma once
// Move-only owners for the Win32 handles the install utilities use. Include
// only from Windows-only sources.

#include <windows.h>
#include <unknwn.h>

#include <string>
#include <utility>

// A kernel handle closed with CloseHandle (files, devices, threads, events).
// Both INVALID_HANDLE_VALUE and NULL mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    void Reset(HANDLE h = nullptr)
    {
        if (Valid())
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// A directory search from FindFirstFileA, with its first entry.
class FindHandle {
public:
    explicit FindHandle(const std::string& pattern)
        : h_(FindFirstFileA(pattern.c_str(), &data_)) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle()
    {
        if (Valid())
            FindClose(h_);
    }

    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    const WIN32_FIND_DATAA& Entry() const { return data_; }
    bool Next() { return Valid() && FindNextFileA(h_, &data_) != FALSE; }

private:
    WIN32_FIND_DATAA data_{};
    HANDLE h_;
};

// A module loaded with LoadLibrary*; never one from GetModuleHandle.
class LoadedModule {
public:
    LoadedModule() = default;
    explicit LoadedModule(HMODULE m) : m_(m) {}
    LoadedModule(LoadedModule&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
    LoadedModule& operator=(LoadedModule&& o) noexcept
    {
        if (this != &o) {
            if (m_)
                FreeLibrary(m_);
            m_ = std::exchange(o.m_, nullptr);
        }
        return *this;
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule()
    {
        if (m_)
            FreeLibrary(m_);
    }
    HMODULE Get() const { return m_; }

private:
    HMODULE m_ = nullptr;
};

// A COM interface pointer, released once.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    void** OutPtr()
    {
        Reset();
        return reinterpret_cast<void**>(&p_);
    }
    void Reset()
    {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};
