#include "wizard/Texts.h"

#include "payload/InstallThread.h"
#include "wizard/FolderPage.h"

namespace {

const char* const ProductName = "Parvela Word Processor Lite";

}  // namespace

const char* const MsgAppRunning =
    "A copy of Parvela Word Processor is already running on your system.\r"
    "Please close any running instance(s) of Parvela Word Processor, then click OK in this dialog.";
const char* const MsgLicenseDeclined =
    "To install this program, you need to agree to all the terms\r"
    "of the Parvela Word Processor License Agreement.\r"
    "Do you really want to cancel the Parvela install?";
const char* const MsgQuitSetup =
    "Setup is not complete. If you quit this setup program now,\r"
    "Parvela will not be correctly installed.\r\r"
    "You may relaunch the setup program at a later time\r"
    "to complete the installation of Parvela.\r\r"
    "To continue installing, click No.\r"
    "To quit this setup program, click Abort.";
const char* const SelCompLblText =
    "Uncheck boxes for the &components that you do not wish to install or upgrade "
    "(the required disk space is displayed on the right):";
const char* const MsgPayloadDamaged =
    "The setup program is damaged: the files it should install cannot be read.\r\r"
    "Please download the setup program again and run the new copy.";
const char* const MsgSetupAlreadyRunning =
    "Parvela Word Processor Setup is already running.\r\r"
    "Please finish or close the other Setup window first.";
const char* const MsgNeedsWindows2000 = "This program requires Windows 2000 or later.";
const char* const MsgInstallNotStarted =
    "Setup could not start copying the files.\rPlease close other programs and run Setup again.";
const char* const MsgSeeSwitches = "\r\rRun the setup with /? to see its switches.";

const char* const SetupHelpText =
    "Usage: ParvelaSetup.exe [switches]\r\n"
    "\r\n"
    "/SILENT              Install without the wizard; only a progress window shows.\r\n"
    "/VERYSILENT, /S      Install without any window.\r\n"
    "                     A silent install accepts the licence agreement on behalf\r\n"
    "                     of whoever starts it.\r\n"
    "/DIR=\"folder\"        The installation folder (also /D=folder, last, unquoted).\r\n"
    "/COMPONENTS=list     Optional components, comma-separated: spell, hyphen,\r\n"
    "                     templates, clips, sounds. The program is always installed.\r\n"
    "/ASSOCIATE=list      Document types to open with Parvela: rtf, cod, doc, docx,\r\n"
    "                     or none.\r\n"
    "/LOG=\"file\"          Write a log of the run to this file.\r\n"
    "/CLOSEAPPLICATIONS   In a silent install, close a running Parvela first.\r\n"
    "/?, /HELP            Show this text.\r\n"
    "\r\n"
    "Exit codes:\r\n"
    "0  installed\r\n"
    "1  could not start (unknown switch, damaged setup, system too old)\r\n"
    "2  cancelled before anything was changed\r\n"
    "3  another setup is running\r\n"
    "4  the installation failed\r\n"
    "5  cancelled during the installation\r\n"
    "6  the folder was refused\r\n"
    "7  Parvela is running and was not closed\r\n";

std::string FormatProductText(const std::string& templ) {
    std::string out;
    int filled = 0;
    for (size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == 's') {
            if (filled++ == 0) out += ProductName;
            ++i;
        } else {
            out += templ[i];
        }
    }
    return out;
}

std::string LogFileNotCreatedMessage(const std::string& path) {
    return "Setup cannot create its log file:\r" + path +
           "\r\rChoose a file in a folder you can write to.";
}

std::string FolderProblemMessage(const TFolderCheck& check) {
    switch (check.Problem) {
    case TFolderProblem::None: break;
    case TFolderProblem::Quote:
        return "A folder name cannot contain a double quote (\").\rPlease type the folder without "
               "quotes.";
    case TFolderProblem::ForbiddenCharacter: {
        const unsigned char c =
            check.Detail.empty() ? 0 : static_cast<unsigned char>(check.Detail[0]);
        const std::string shown = c < 32 ? "a control character" : "the character " + check.Detail;
        return "A folder name cannot contain " + shown +
               ".\rPlease choose a folder without any of these characters: < > | ? * :";
    }
    case TFolderProblem::NotInCodePage:
        return "The folder name contains characters that cannot be used on this system.\r"
               "Please choose a folder whose name uses only characters of your system's language.";
    case TFolderProblem::DriveRelative:
        return "\"" + check.Detail + "\" does not say where on drive " + check.Detail.substr(0, 2) +
               " the folder is.\rPlease type the full path, for example " +
               check.Detail.substr(0, 2) + "\\" + check.Detail.substr(2) + ".";
    case TFolderProblem::DeviceName:
        return "Windows reserves the name \"" + check.Detail +
               "\" for a device.\rPlease choose a folder with another name.";
    case TFolderProblem::TooLong:
        return "The folder path is too long for the files Setup installs into it.\r"
               "Please choose a folder of at most " +
               check.Detail + " characters.";
    case TFolderProblem::NamesFile:
        return "\"" + check.Detail + "\" is a file, not a folder.\rPlease choose another folder.";
    case TFolderProblem::DevicePath:
        return "\"" + check.Detail +
               "\" names a device, not a folder.\rPlease choose a folder on a drive or a network "
               "share.";
    case TFolderProblem::TrailingDot:
        return "A folder name cannot end with a dot or a space (\"" + check.Detail +
               "\").\rPlease choose a folder with another name.";
    case TFolderProblem::WindowsFolder:
        return "Setup cannot install into the Windows folder or a folder inside it.\rPlease choose "
               "another folder.";
    case TFolderProblem::ForeignFiles:
        return "The folder \"" + check.Detail +
               "\" already contains files.\rSetup may replace some of them with its own.\r\r"
               "Do you want to install into this folder anyway?";
    case TFolderProblem::NotWritable:
        return "You do not have the rights to install into \"" + check.Detail +
               "\".\rPlease choose a folder of your own, or start Setup as an administrator.";
    }
    return {};
}

std::string ThreadQuestionText(const TThreadQuestion& question) {
    if (question.Kind == TThreadQuestionKind::LinkedFolder)
        return "Cannot write into folder \"" + question.Path +
               "\".\rIt is a link to another place, and neither Windows nor an administrator "
               "made it.\r\rRemove the link, then click Retry.\r"
               "Click Ignore to go on without this file, or Abort to stop the installation.";
    if (question.Kind == TThreadQuestionKind::CannotWrite)
        return "Cannot write file \"" + question.Path + "\".\r" + question.Reason +
               "\r\rFree some space on the disk or remove the cause, then click Retry.\r"
               "Click Ignore to go on without this file, or Abort to stop the installation.";
    return "Cannot create file \"" + question.Path +
           "\".\r"
           "Another application might already be using this file.\r"
           "\r"
           "Please make sure that the setup of Parvela Word Processor is not blocked by your "
           "security software (firewall/antivirus) in any way.\r"
           "You might want to temporarily disable your security software and try again.";
}

std::string SkippedFilesMessage(const std::vector<std::string>& skipped) {
    if (skipped.empty()) return {};
    constexpr size_t listed = 10;
    std::string text = skipped.size() == 1 ? "This file was not installed:\r"
                                           : "These files were not installed:\r";
    for (size_t i = 0; i < skipped.size() && i < listed; ++i) text += skipped[i] + "\r";
    if (skipped.size() > listed)
        text += "and " + std::to_string(skipped.size() - listed) + " more\r";
    return text +
           "\rParvela Word Processor may not work correctly without them. "
           "Free some space on the disk or close the programs that use them, "
           "then run the setup again.";
}

std::string InstallLogNotSavedMessage(const std::string& path) {
    return "Setup could not write the list of installed files:\r" + path +
           "\r\rWithout it, Parvela Word Processor cannot be removed by its uninstaller. "
           "Make sure nothing else occupies that name, then run the setup again.";
}

std::string UpdateLogNotWrittenMessage(const std::string& path) {
    return "Cannot update the file \"" + path +
           "\".\rMake sure that no other program has it open and that you may write to "
           "its folder, then click Finish again.";
}
