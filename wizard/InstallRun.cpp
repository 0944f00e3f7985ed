#include "wizard/InstallRun.h"

#include <bit>

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"

TThreadAnswer ThreadAnswerOf(TModalResult result) {
    if (result == TModalResult::Abort) return TThreadAnswer::Abort;
    if (result == TModalResult::Ignore) return TThreadAnswer::Ignore;
    return TThreadAnswer::Retry;
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
