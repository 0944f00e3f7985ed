#pragma once
// Every sentence the setup shows: the lower layers report what happened and
// these word it, so that a text changes in one place. "\r" is a line break.

#include <string>
#include <vector>

struct TFolderCheck;
struct TThreadQuestion;

inline constexpr const char* CaptionBack = "< &Back";
inline constexpr const char* CaptionNext = "&Next >";
inline constexpr const char* CaptionFinish = "&Finish";
inline constexpr const char* CaptionCancel = "Cancel";

extern const char* const MsgAppRunning;       // Information, OK
extern const char* const MsgLicenseDeclined;  // Information, Yes + No
extern const char* const MsgQuitSetup;        // Confirm, No + Abort
extern const char* const SelCompLblText;
// Shown by the entry when the payload cannot be opened.
extern const char* const MsgPayloadDamaged;
// Shown by a second setup program, which then ends.
extern const char* const MsgSetupAlreadyRunning;
extern const char* const MsgNeedsWindows2000;
extern const char* const MsgInstallNotStarted;
// Follows a refused command line's own reason.
extern const char* const MsgSeeSwitches;
// The switches and exit codes, for /? on the console or in a box.
extern const char* const SetupHelpText;

// The welcome and finish templates with the product name for the first
// "%s" and nothing for the second.
std::string FormatProductText(const std::string& templ);

std::string LogFileNotCreatedMessage(const std::string& path);
// The folder page's message for a problem; empty for none. For ForeignFiles
// it is a Yes/No question.
std::string FolderProblemMessage(const TFolderCheck& check);
// The install thread's question, asked with Abort, Retry and Ignore.
std::string ThreadQuestionText(const TThreadQuestion& question);
// The warning before the completion page when the user chose Ignore for
// some files: which ones (the first ten, then how many more) and what to
// do. Empty when nothing was skipped.
std::string SkippedFilesMessage(const std::vector<std::string>& skipped);
// The warning before the completion page when Install.log, the list the
// uninstaller removes by, could not be written to `path`.
std::string InstallLogNotSavedMessage(const std::string& path);
// Finish's error when Update.log at `path` could not be read or written.
std::string UpdateLogNotWrittenMessage(const std::string& path);
