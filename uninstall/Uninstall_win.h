#pragma once
// Removing an installation of Parvela Word Processor: what the setup recorded
// in the main folder's Install.log, the uninstall entry, the application's
// own document associations and the setup's settings. The application links
// this and runs it for "-ui".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "instutils/MessageKinds.h"
#include "uninstall/RemovalRules.h"

namespace uninst {

// Shows a message box and returns the button pressed (TModalResult::Yes ...); default
// is the result Enter gives, TModalResult::None for the program's usual default.
using TAsk = std::function<TModalResult(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                                        TModalResult defaultResult)>;

enum class TSurveyKind {
    Ready,       // Install.log read: removal can go ahead
    Portable,    // removable media, or neither log nor an entry of ours: not ours to remove
    LogProblem,  // registered here, but Install.log is missing or damaged
};
struct TSurvey {
    TSurveyKind Kind = TSurveyKind::Portable;
    TLogReading Log;
    std::string LogPath;
};

struct TUninstallContext {
    std::string MainDir;                   // folder form
    std::string ExePath;                   // the installed application file
    std::vector<TRecordTime> RecordTimes;  // payload names and their stamps
    TAsk Ask;
    // Where else the setup writes (see DataFolder and ShortcutFolders); the
    // log cannot steer the removal beyond what the setup writes there.
    std::string DataDir;
    std::vector<std::string> ShortcutFolders;
    // Nobody at the screen: no confirmation, no final message, files in use
    // retried a few times and then left (Ask is the silent policy then).
    bool Quiet = false;
    // The switches the removal copy passes on ("/VERYSILENT /LOG=...").
    std::string Switches;
    // Each file taken or left, with how many of `total` are done.
    std::function<void(size_t done, size_t total)> Progress;
    // The removal copy's own folder: the running original's file is moved
    // there, so that the main folder can go before the original has ended.
    std::string AsideFolder;
};

// The answers a removal nobody watches gives: Yes to go ahead, a file in use
// retried `retries` times `pauseMs` apart and then left, OK to a message.
TAsk SilentAnswers(int retries = 5, int pauseMs = 1000);

// The setup's data folder, as the system names it now.
std::string DataFolder();
// The programs menus and desktops of the user and of all users.
std::vector<std::string> ShortcutFolders();

// Looks at the main folder without changing anything.
TSurvey SurveyInstallation(const TUninstallContext& ctx);

// The message for a survey that is not Ready; its box kind through `kind`.
std::string SurveyMessage(const TUninstallContext& ctx, const TSurvey& survey, TMsgKind& kind);

// Removes what the log lists and the registry entries that are this
// installation's; asks Retry/Ignore for a file in use. Never follows a link
// or junction: a logged folder that has become one is left with everything
// below it.
TRemovalOutcome RemoveInstallation(const TUninstallContext& ctx, const TInstallRecord& record);

// The registry part alone: the uninstall entry when it names ctx.ExePath,
// the associations whose program is ctx.ExePath, the setup's settings when
// they name ctx.MainDir.
void RemoveRegistration(const TUninstallContext& ctx);

// Takes the extension's default value back when it names `progId`; the key
// goes when nothing else is left in it.
void TakeBackAssociation(const char* extension, const char* progId);

// The "-ui" run: the machine's setup claim (with `confirm`; the removal
// copy works under the original's), survey, a running application, then (with `confirm`) the
// confirmation unless quiet and the hand-over to a removal copy, whose result
// it waits for; without the copy, or without `confirm`, the removal and its
// final message in this process. Returns the exit code (TExitCode).
int RunUninstall(const TUninstallContext& ctx, bool confirm);
// The removal copy's run: removes, reports its exit code to the original
// (which waits for it), then, once the original has ended, what only its end
// frees.
int RunRemovalCopy(const TUninstallContext& ctx, uintptr_t processHandle);

// ---- Removing the running application's own file --------------------------
// The first "-ui" copies the program into a new folder of its own in the
// temporary folder and starts the copy with RemovalCopySwitch, a handle of
// itself that the copy inherits and waits for, and the original path. The
// copy then removes the installation, the original file included, and
// marks itself and its folder for deletion when Windows next starts.

// Makes a new folder for the copy in `temp` under a name no one can tell in
// advance; "" when it cannot (never an existing folder).
std::string MakeRemovalCopyFolder(const std::string& temp);
// Nothing when the copy could not be made or started (nothing is left
// then); else the exit code it reported, or Failed when it ended without
// one.
std::optional<int> StartRemovalCopy(const std::string& exePath, const std::string& switches);
// In the copy: waits until the original process has ended.
bool WaitForOriginal(uintptr_t processHandle);
// In the copy: its own file and folder go when Windows next starts.
void ScheduleOwnRemoval();

}  // namespace uninst
