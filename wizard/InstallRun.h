#pragma once
// The window-independent steps of an installation run: its start, the
// completion page's entry and the Finish actions. The wizard calls these and
// keeps only the control work (rows, boxes, progress bar, page switching).

#include <cstdint>
#include <string>
#include <vector>

#include "instutils/MessageKinds.h"
#include "payload/InstallThread.h"

class TRunState;

// Creates the run's install log (loading an existing "Install.log" of a
// normal installation), sets the install-started flag, turns the reader's
// file-set mode on and prepares the file set for `selectedComponents` (bit
// i = component i). The caller then sizes the progress bar from
// GetTotalSize, sets the status to Running and calls StartInstallThread.
void StartInstallRun(TRunState& run, uint8_t selectedComponents);

// How the install thread's question is put to the user: its kind and
// buttons, and the answer a result gives the thread (a box closed without
// Abort or Ignore asks again, as Retry does).
constexpr TMsgKind ThreadQuestionDlgKind = TMsgKind::Error;
constexpr TMsgButtons ThreadQuestionDlgButtons =
    TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore;
TThreadAnswer ThreadAnswerOf(TModalResult result);

// Letters "A".."D" of the ticked association boxes, in that order.
std::string ExtensionsFromBoxes(bool rtf, bool cod, bool doc, bool docx);
// "<main>\parv.exe" -assoc adpr plus one suffix per letter present in
// `extensionLetters`, in the fixed order, with no separator.
std::string BuildAssocCommand(const std::string& mainDir, const std::string& extensionLetters);
// The quoted application path that launches it.
std::string BuildLaunchCommand(const std::string& mainDir);
// The 25 bytes of "parv_common.dat" for the day count `now`.
std::string CommonDataBytes(double now);

// One shortcut pass's folders: the shortcut goes into Primary (nowhere when
// empty) and an older one in Other is deleted (none when empty). The
// all-users folder is primary when `installToAll`; a primary that the
// system does not have gives way to the other scope's folder.
struct TShortcutFolders {
    std::string Primary, Other;
};
TShortcutFolders ChooseShortcutFolders(const std::string& allUsers, const std::string& currentUser,
                                       bool installToAll);

// The completion page's entry: writes "parv_common.dat" into the shared data
// folder; for a normal installation also stores the ticked boxes in
// the run's Options.Extensions, starts the association command (kept in
// run.AssocProcess when `keepAssoc`, for a run nobody watches to wait for
// before it ends) and makes the shortcuts (programs menu always, desktop
// when `desktop`). Starts COM on the calling thread when it has not started.
void FinishPageEntry(TRunState& run, const bool assoc[4], bool installToAll, bool desktop,
                     bool keepAssoc = false);

// Writes the run's install log to Install.log now, so that a failure can
// still be told before the run ends. True when written, and for a portable
// installation, which keeps none.
bool SaveRunInstallLog(TRunState& run);

// Finish: writes "Update.log" for a normal installation and, when `launch`,
// starts the application. Returns false without launching when "Update.log"
// could not be read or written; `error` then holds a message for an Error
// box, and the wizard stays on its last page.
bool FinishActions(TRunState& run, bool launch, std::string* error = nullptr);
