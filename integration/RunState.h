#pragma once
// The state of one setup run and its one owner: the settings, the portable
// decision, the install stamp, and the lower layers' parts (the payload
// reader, the install thread's status, the install log). The program entry
// makes it before the wizard and releases it after the install thread ended;
// everything that needs part of it is handed that part by reference.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "instutils/InstallLog.h"
#include "instutils/AppInterface.h"
#include "instutils/ExitCodes.h"
#include "instutils/Switches.h"
#include "integration/Options.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "payload/PayloadOpening.h"

class TRunState {
public:
    TRunState() = default;
    // Waits for the install thread first: it writes from the reader and
    // adds to the log.
    ~TRunState();
    TRunState(const TRunState&) = delete;
    TRunState& operator=(const TRunState&) = delete;

    // Takes the payload reader (null: none); what it writes is logged in Log.
    void SetFiles(std::unique_ptr<TAttachedFiles> files);
    // Takes a reader still being opened: the first Files() waits for it.
    void SetFiles(std::unique_ptr<TPayloadOpening> opening);
    // The reader, null when there is none or it could not be opened after
    // all. Only the thread that made the run may call it while one is pending.
    TAttachedFiles* Files();

    // Fills Options, LastRunVersion and the controls from the registry, then
    // takes the folder, components and document types that Command names.
    void LoadOptions(IOptionControls& controls);
    // Writes the install key and, unless portable, the uninstall entry.
    void SaveOptions(const IOptionControls& controls);

    // Whether the main folder lies on removable or external media: asked
    // afresh at each use until DecidePortable, then that answer for the main
    // folder it was made for.
    bool IsPortable();
    // Takes the run's decision; the install run's first step.
    void DecidePortable();
    // The data folder (trailing backslash), created on disk with
    // CreateFolderChain.
    std::string GetDataDir(TDataDir kind);
    std::string GetMainDirFile(const std::string& name) const;

    // Fills the reader's six install lists for `selected` (bit i = component
    // i), removes outdated clip images and, unless portable, writes
    // "install_stamp".
    void PrepareFileSet(uint8_t selected);
    void CleanOldClipImages();
    // Appends this run's record to "Update.log" in the shared data folder.
    // Returns false when reading or writing the file failed; `failedPath`
    // then names it.
    bool WriteUpdateLog(std::string* failedPath = nullptr);

    // The command line, parsed once by the entry.
    TSetupCommand Command;
    // Set where a run ends for a reason its end alone does not tell (the
    // install thread aborted, Install.log could not be written).
    std::optional<TExitCode> Outcome;
    // The association command of a run nobody watches: it goes on beside the
    // run's last steps, and the process ends only after it. A TUniqueHandle,
    // kept opaque so that this header stays free of the platform.
    std::shared_ptr<void> AssocProcess;

    TInstallLog Log;
    TInstallThreadStatus InstallThreadStatus;
    TOptions Options;
    // Read by LoadOptions; LastRunVerUnknown when unknown.
    int32_t LastRunVersion = app::LastRunVerUnknown;
    // The stamp of this run (a day count), taken by PrepareFileSet.
    double InstallStamp = 0;

private:
    std::string PortableFor;
    bool PortableDecided = false;
    bool Portable = false;
    // Last, so that they go before the log the reader writes to.
    std::unique_ptr<TAttachedFiles> Reader;
    std::unique_ptr<TPayloadOpening> Opening;
};
