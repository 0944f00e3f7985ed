#include "integration/Options.h"

#include "instutils/AppInterface.h"
#include "instutils/InstUtils.h"

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
        if (kind == TDataDir::Spellcheck) path += "Spellcheck\\";
        return path;
    }
    path = commonAppData.empty() ? documents : commonAppData;
    AppendPathSeparator(path);
    path += "Parvela\\";
    switch (kind) {
    case TDataDir::Shared: break;
    case TDataDir::Hidden: path += "Hidden\\"; break;
    case TDataDir::Public: path += "Public\\"; break;
    case TDataDir::Spellcheck: path += "Public\\Spellcheck\\"; break;
    }
    return path;
}
