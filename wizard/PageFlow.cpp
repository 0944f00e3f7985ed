#include "wizard/PageFlow.h"

#include "instutils/InstUtils.h"

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

TPageButtons PageButtons(TPage to) {
    TPageButtons b{};
    b.BackVisible = to != TPage::Welcome;
    b.BackEnabled = to < TPage::Installing;
    b.NextEnabled = to != TPage::Installing;
    b.NextCaption = to == TPage::Finish ? "&Finish" : "&Next >";
    b.CancelEnabled = to != TPage::Finish;
    return b;
}

TPage ResolvePageTarget(TPage to, bool portable) {
    return to == TPage::Assoc && portable ? TPage::Finish : to;
}

const char* PageFocusControl(TPage to) {
    switch (to) {
    case TPage::License: return "LicenseMemo";
    case TPage::DestDir: return "DestDirEdt";
    case TPage::SelComp: return "SelCompLstBx";
    case TPage::Start: return "NextBtn";
    case TPage::Assoc: return "AssocChkBx1";
    default: return nullptr;
    }
}

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

bool IsWindows2000OrLater(uint32_t platformId, uint32_t majorVersion) {
    constexpr uint32_t PlatformNT = 2;
    return platformId == PlatformNT && majorVersion > 4;
}

std::string LicenseMemoText(const std::string& bytes) {
    const std::vector<std::string> lines = SplitLines(bytes);
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += lines[i];
    }
    return out;
}

std::array<bool, 4> AssocTicks(const std::string& extensions) {
    std::array<bool, 4> ticks{};
    for (int i = 0; i < 4; ++i) ticks[i] = extensions.find("ABCD"[i]) != std::string::npos;
    return ticks;
}

uint8_t SelectedComponents(const std::vector<TCheckState>& rows,
                           const std::vector<int>& rowToComponent) {
    uint8_t set = 0;
    for (size_t r = rows.size(); r-- > 0;) {
        if (rows[r] == TCheckState::Unchecked || r >= rowToComponent.size()) continue;
        int c = rowToComponent[r];
        if (c >= 0 && c <= 7) set |= static_cast<uint8_t>(1u << c);
    }
    return set;
}

char MnemonicOf(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') {
            const char c = text[i + 1];
            return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        ++i;
    }
    return 0;
}
