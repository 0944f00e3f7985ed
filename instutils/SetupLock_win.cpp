#include "instutils/SetupLock_win.h"

namespace {

constexpr const char* LockName = "ParvelaWordProcessorSetup";
constexpr const char* NamespaceAlias = "ParvelaWordProcessor";

// Private namespaces came with Vista; the 32-bit build also runs on XP.
struct TNamespaceApi {
    using TCreateBoundary = HANDLE(WINAPI*)(LPCSTR, ULONG);
    using TDeleteBoundary = VOID(WINAPI*)(HANDLE);
    using TAddSid = BOOL(WINAPI*)(HANDLE*, PSID);
    using TCreateNamespace = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCSTR);
    using TOpenNamespace = HANDLE(WINAPI*)(LPVOID, LPCSTR);
    using TCloseNamespace = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    TCreateBoundary CreateBoundary = nullptr;
    TDeleteBoundary DeleteBoundary = nullptr;
    TAddSid AddSid = nullptr;
    TCreateNamespace CreateNamespace = nullptr;
    TOpenNamespace OpenNamespace = nullptr;
    TCloseNamespace CloseNamespace = nullptr;

    bool Complete() const {
        return CreateBoundary && DeleteBoundary && AddSid && CreateNamespace && OpenNamespace &&
               CloseNamespace;
    }
};

template <class Proc>
void LookUp(HMODULE module, const char* name, Proc& proc) {
    proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const TNamespaceApi& NamespaceApi() {
    static const TNamespaceApi api = [] {
        TNamespaceApi a;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (!kernel) return a;
        LookUp(kernel, "CreateBoundaryDescriptorA", a.CreateBoundary);
        LookUp(kernel, "DeleteBoundaryDescriptor", a.DeleteBoundary);
        LookUp(kernel, "AddSIDToBoundaryDescriptor", a.AddSid);
        LookUp(kernel, "CreatePrivateNamespaceA", a.CreateNamespace);
        LookUp(kernel, "OpenPrivateNamespaceA", a.OpenNamespace);
        LookUp(kernel, "ClosePrivateNamespace", a.CloseNamespace);
        return a;
    }();
    return api;
}

void DeleteBoundary(HANDLE h) { NamespaceApi().DeleteBoundary(h); }
using TBoundaryHandle = TOwned<HANDLE, DeleteBoundary>;

// The administrators' group, enabled in this process's token.
bool RunsElevated(PSID admins) {
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, admins, &member) && member;
}

// Only a process whose token holds every SID of the boundary can create a
// namespace with it, so no standard user can make this one first.
TNamespaceHandle AdministratorsNamespace() {
    const TNamespaceApi& api = NamespaceApi();
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    if (!api.Complete() || !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) ||
        !RunsElevated(sid))
        return {};
    TBoundaryHandle boundary(api.CreateBoundary(NamespaceAlias, 0));
    if (!boundary.Valid()) return {};
    // The call may move the descriptor, so it takes the handle's slot.
    HANDLE moved = boundary.Release();
    const bool added = api.AddSid(&moved, sid);
    boundary.Reset(moved);
    if (!added) return {};
    HANDLE ns = api.CreateNamespace(nullptr, boundary.Get(), NamespaceAlias);
    if (!ns && GetLastError() == ERROR_ALREADY_EXISTS)
        ns = api.OpenNamespace(boundary.Get(), NamespaceAlias);
    return TNamespaceHandle(ns);
}

}  // namespace

void CloseSetupNamespace(HANDLE ns) { NamespaceApi().CloseNamespace(ns, 0); }

TClaimResult ClaimMutex(const std::string& name, TUniqueHandle& held) {
    TUniqueHandle mutex(CreateMutexA(nullptr, FALSE, name.c_str()));
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) return TClaimResult::HeldByAnother;
    held = std::move(mutex);
    return TClaimResult::Claimed;
}

TClaimResult ClaimSetupLock(TSetupClaim& claim) {
    claim.Namespace = AdministratorsNamespace();
    const std::string name =
        std::string(claim.Namespace.Valid() ? NamespaceAlias : "Local") + "\\" + LockName;
    return ClaimMutex(name, claim.Mutex);
}

bool ClaimSetupInstance() {
    // Held until the process ends, whatever way it ends; Windows then frees
    // the name.
    static TSetupClaim claim;
    if (claim.Mutex || claim.Namespace.Valid()) return true;
    return ClaimSetupLock(claim) == TClaimResult::Claimed;
}
