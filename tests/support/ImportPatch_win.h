#pragma once
// For one test, routes this program's calls of one imported system function
// to a stand-in. For the few answers Wine cannot give as Windows does (rights
// a standard user lacks, hardware the prefix does not have); the stand-in
// calls the real function through Original().

#include <windows.h>

#include <cstring>

class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* standIn)
        : original_(GetProcAddress(GetModuleHandleA(dll), function)) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
        for (; original_ && d->Name && !slot_; ++d) {
            if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
                 t->u1.Function; ++t)
                if (t->u1.Function == reinterpret_cast<ULONG_PTR>(original_))
                    slot_ = &t->u1.Function;
        }
        Write(reinterpret_cast<ULONG_PTR>(standIn));
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch() { Write(reinterpret_cast<ULONG_PTR>(original_)); }

    // False when this program does not import the function from `dll`.
    bool Active() const { return slot_ != nullptr; }
    template <class F>
    F Original() const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(original_));
    }

private:
    void Write(ULONG_PTR value) {
        if (!slot_) return;
        DWORD old = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    FARPROC original_;
    ULONG_PTR* slot_ = nullptr;
};
