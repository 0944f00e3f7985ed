#pragma once
// The machine's claim that lets one setup program or uninstaller change the
// installation at a time. The setup and the application's uninstaller both
// take it.

#include "instutils/WinHandles.h"

#include <string>

// ClosePrivateNamespace, looked up at run time: XP has none.
void CloseSetupNamespace(HANDLE ns);
using TNamespaceHandle = TOwned<HANDLE, CloseSetupNamespace>;

enum class TClaimResult { Claimed, HeldByAnother };

// What holds a claim: the mutex and, for an elevated process, the private
// namespace it was made in. Held until destroyed.
struct TSetupClaim {
    TNamespaceHandle Namespace;
    TUniqueHandle Mutex;
};

// The claim on the mutex `name`, kept in `held`. Only a mutex of that name
// means another holder: an object of another kind, or one this process may
// not open, was made by something else, which must not stop a setup; that
// counts as Claimed with nothing held.
TClaimResult ClaimMutex(const std::string& name, TUniqueHandle& held);

// The claim under a name no other user can take first: an elevated process
// makes it in a private namespace that only administrators can create, any
// other process within its own session (so do systems without private
// namespaces).
TClaimResult ClaimSetupLock(TSetupClaim& claim);

// Makes this process the one setup or uninstaller, for the rest of its life;
// false while another holds the claim.
bool ClaimSetupInstance();
