#include "wizard/InstallRun.h"

#include <bit>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"

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

TThreadAnswer ThreadAnswerOf(TModalResult result) {
    if (result == TModalResult::Abort) return TThreadAnswer::Abort;
    if (result == TModalResult::Ignore) return TThreadAnswer::Ignore;
    return TThreadAnswer::Retry;
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

std::string ExtensionsFromBoxes(bool rtf, bool cod, bool doc, bool docx) {
    const bool boxes[4] = {rtf, cod, doc, docx};
    std::string letters;
    for (int i = 0; i < 4; ++i)
        if (boxes[i]) letters += app::AssocLetters[i];
    return letters;
}

std::string BuildAssocCommand(const std::string& mainDir, const std::string& extensionLetters) {
    std::string command = BuildLaunchCommand(mainDir);
    command.append(" ").append(app::AssocSwitch).append(" ").append(app::AssocCommand);
    for (int i = 0; i < 4; ++i)
        if (extensionLetters.find(app::AssocLetters[i]) != std::string::npos)
            command += app::AssocSuffixes[i];
    return command;
}

std::string BuildLaunchCommand(const std::string& mainDir) {
    std::string command(1, '"');
    command.append(JoinPath(mainDir, app::ExeName)).append(1, '"');
    return command;
}

std::string CommonDataBytes(double now) {
    std::string bytes;
    auto put = [&bytes](uint64_t value, int size) {
        for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(1, 4);
    put(8, 4);
    put(std::bit_cast<uint64_t>(now), 8);
    put(2, 4);
    put(1, 4);
    bytes += '1';
    return bytes;
}

TShortcutFolders ChooseShortcutFolders(const std::string& allUsers, const std::string& currentUser,
                                       bool installToAll) {
    TShortcutFolders f{installToAll ? allUsers : currentUser,
                       installToAll ? currentUser : allUsers};
    if (f.Primary.empty()) f.Primary = f.Other;
    return f;
}
