#include "integration/Options.h"

#include "instutils/CommandLine.h"
#include "instutils/InstUtils.h"
#include "instutils/AppInterface.h"

TOptions Options;
int32_t LastRunVersion = app::LastRunVerUnknown;
const char* const SetupInstanceName = "Global\\ParvelaWordProcessorSetup";

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    size_t i = 0, n = commandLine.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };

    // The program name: no escapes, a quote only groups.
    if (n == 0) return args;
    std::string program;
    if (commandLine[0] == '"') {
        size_t end = commandLine.find('"', 1);
        if (end == std::string::npos) end = n;
        program = commandLine.substr(1, end - 1);
        i = end < n ? end + 1 : n;
    } else {
        while (i < n && !isBlank(commandLine[i])) program += commandLine[i++];
    }
    args.push_back(program);

    AppendArguments(commandLine, i, args);
    return args;
}

bool MainDirArgument(const std::vector<std::string>& argv, std::string* folder) {
    if (argv.size() < 2 || argv[1].compare(0, 2, "-d") != 0) return false;
    if (folder) *folder = argv[1].substr(2);
    return true;
}

uint32_t CompsFromRows(uint32_t loaded, const IOptionControls& controls) {
    uint32_t comps = loaded;
    int rows = controls.RowCount();
    for (int i = 0; i < 6 && i < rows; ++i) {
        if (controls.GetRow(i) == TCheckState::Checked)
            comps |= 1u << i;
        else
            comps &= ~(1u << i);
    }
    return comps;
}

std::string MainDirFile(const std::string& mainDir, const std::string& name) {
    std::string path = mainDir;
    AppendPathSeparator(path);
    return path + name;
}

std::string DataDirPath(TDataDir kind, bool portable, const std::string& mainDir,
                        const std::string& commonAppData, const std::string& documents) {
    std::string path;
    if (portable) {
        path = mainDir;
        AppendPathSeparator(path);
        if (kind == ddSpellcheck) path += "Spellcheck\\";
        return path;
    }
    path = commonAppData.empty() ? documents : commonAppData;
    AppendPathSeparator(path);
    path += "Parvela\\";
    switch (kind) {
    case ddShared: break;
    case ddHidden: path += "Hidden\\"; break;
    case ddPublic: path += "Public\\"; break;
    case ddSpellcheck: path += "Public\\Spellcheck\\"; break;
    }
    return path;
}
