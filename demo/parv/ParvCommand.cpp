#include "demo/parv/ParvCommand.h"

#include "instutils/AppInterface.h"
#include "uninstall/RemovalRules.h"

#include <cctype>
#include <string>

namespace parv {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// "adpr_rtf_doc" -> types; the setup program sends the suffixes in a fixed
// order, but any order is accepted. Unknown parts reject the whole command so
// that a garbled request never removes associations the user wanted.
bool ParseAssocArgument(std::string_view arg, std::array<bool, 4>& types) {
    const std::string_view head = app::AssocCommand;
    if (arg.size() < head.size() || !EqualNoCase(arg.substr(0, head.size()), head)) return false;
    std::string_view rest = arg.substr(head.size());
    while (!rest.empty()) {
        if (rest.front() != '_') return false;
        size_t next = rest.find('_', 1);
        std::string_view part = rest.substr(0, next);
        bool known = false;
        for (size_t i = 0; i < types.size(); ++i) {
            if (EqualNoCase(part, app::AssocSuffixes[i])) {
                types[i] = true;
                known = true;
            }
        }
        if (!known) return false;
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next);
    }
    return true;
}

}  // namespace

Command ParseCommand(const std::vector<std::string>& args) {
    Command cmd;
    if (args.size() <= 1) return cmd;
    const std::string& first = args[1];
    if (EqualNoCase(first, app::AssocSwitch)) {
        if (args.size() != 3 || !ParseAssocArgument(args[2], cmd.types)) {
            cmd.mode = Mode::Invalid;
            cmd.types = {};
            return cmd;
        }
        cmd.mode = Mode::Associate;
        return cmd;
    }
    if (first == uninst::RemovalCopySwitch) {
        const std::string& handle = args.size() >= 4 ? args[2] : std::string();
        const bool digits = !handle.empty() && handle.size() <= 19 &&
                            handle.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || args[3].empty()) {
            cmd.mode = Mode::Invalid;
            return cmd;
        }
        cmd.uninstall = ParseUninstallSwitches(args.data() + 4, args.data() + args.size());
        cmd.mode = cmd.uninstall.Error.empty() ? Mode::RemovalCopy : Mode::Invalid;
        cmd.waitHandle = static_cast<uintptr_t>(std::stoull(handle));
        cmd.original = args[3];
        return cmd;
    }
    if (EqualNoCase(first, app::UninstallSwitch)) {
        cmd.uninstall = ParseUninstallSwitches(args.data() + 2, args.data() + args.size());
        cmd.mode = cmd.uninstall.Error.empty() ? Mode::Uninstall : Mode::Invalid;
        return cmd;
    }
    if (args.size() != 2 || first.empty() || first[0] == '-') {
        cmd.mode = Mode::Invalid;
        return cmd;
    }
    cmd.document = first;
    return cmd;
}

std::string CopySwitches(const TUninstallCommand& command) {
    std::string text;
    if (command.Mode == TRunMode::Silent) text = "/SILENT";
    if (command.Mode == TRunMode::VerySilent) text = "/VERYSILENT";
    // A log name ends in no backslash, so the closing quote stays one.
    if (!command.LogFile.empty()) {
        if (!text.empty()) text += ' ';
        text.append("\"/LOG=").append(command.LogFile).append(1, '"');
    }
    return text;
}

std::string_view FileNamePart(std::string_view path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string WindowCaption(std::string_view document) {
    std::string caption;
    std::string_view name = FileNamePart(document);
    if (!name.empty()) {
        caption.assign(name);
        caption += " - ";
    }
    caption += app::WindowTitle;
    return caption;
}

}  // namespace parv
