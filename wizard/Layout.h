#pragma once
// The wizard window as data: every control with its parent, its rectangle
// in pixels at 96 DPI, its text, look and font. One function on the window
// side turns this table into windows (scaled for the system DPI).

#include <cstdint>
#include <span>

#include "wizard/Page.h"

// Client size of the window at 96 DPI.
constexpr int FormClientWidth = 492;
constexpr int FormClientHeight = 351;

enum class TCtlKind : uint8_t {
    Panel,  // container; pages and the page area are panels too
    Bevel,  // an etched line or frame, no children
    Label,
    Button,
    CheckBox,
    Edit,
    Memo,
    Image,
    ProgressBar,
    DriveBox,
    FolderList,
    CheckList,
};

// How a control looks; a set of bits.
enum class TCtlFlags : uint32_t {
    None = 0,
    WordWrap = 1 << 0,     // label: wraps inside its rectangle
    RightAlign = 1 << 1,   // label: text at the right edge
    White = 1 << 2,        // panel: white background (banner)
    EtchedFrame = 1 << 3,  // panel/bevel: etched frame around it
    Hidden = 1 << 4,       // created hidden (all pages)
    Default = 1 << 5,      // button: the default push button
    ReadOnly = 1 << 6,     // edit/memo
    NoPrefix = 1 << 8,     // label: "&" is shown as it is
    TabStop = 1 << 9,
};
constexpr TCtlFlags operator|(TCtlFlags a, TCtlFlags b) {
    return static_cast<TCtlFlags>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr bool Has(TCtlFlags set, TCtlFlags flags) {
    return (static_cast<uint32_t>(set) & static_cast<uint32_t>(flags)) != 0;
}

enum class TCtlFont : uint8_t { Dialog, Title, Bold };

struct TControlDef {
    const char* Name;
    int Id;  // stable control ID (0: none needed)
    TCtlKind Kind;
    const char* Parent;  // name of the parent; "" for the window itself
    int X, Y, W, H;      // at 96 DPI; W == 0 sizes a one-line label to its text
    const char* Text;
    TCtlFlags Flags;
    TCtlFont Font;
    TPage Tag;  // the page a page panel is; TPage::None for other controls
};

// What is made as a window. Each window costs the first page's start trips
// to the window server to make, show and paint, so pictures and etched
// lines are painted by the window they lie in, and a panel of neither
// colour nor frame that is no page is no window either: what it holds is
// made in the window it lies in.
constexpr bool MadeAsWindow(const TControlDef& d) {
    if (d.Kind == TCtlKind::Image || d.Kind == TCtlKind::Bevel) return false;
    return d.Kind != TCtlKind::Panel || d.Tag != TPage::None ||
           Has(d.Flags, TCtlFlags::White | TCtlFlags::EtchedFrame);
}

// Control IDs that other programs (the end-to-end driver) rely on.
namespace ctl_id {
constexpr int TopLbl = 1001;
constexpr int BackBtn = 1002;
constexpr int NextBtn = 1003;
constexpr int CancelBtn = 1004;
constexpr int WelcomeLbl = 1010;
constexpr int LicenseMemo = 1011;
constexpr int LicenseChkBx = 1012;
constexpr int DestDirEdt = 1020;
constexpr int DestDirLstBx = 1021;
constexpr int DestDirCmbBx = 1022;
constexpr int SelCompLbl = 1030;
constexpr int SelCompLstBx = 1031;
constexpr int SelCompDiskSpaceReqLbl2 = 1032;
constexpr int SelCompDiskSpaceAvailLbl2 = 1033;
constexpr int InstallToAllChkBx = 1040;
constexpr int DesktopChkBx = 1041;
constexpr int InstallingLbl2 = 1050;
constexpr int InstallingProgressBar = 1051;
constexpr int AssocChkBx1 = 1060;  // ... AssocChkBx1 + 3
constexpr int FinishLbl = 1070;
constexpr int FinishChkBx = 1071;
constexpr int PageBase = 1100;  // a page has ID PageBase + PageIndex(page)
}  // namespace ctl_id

// Where the pages sit inside the page area, and their size: the page
// area's own frame lies under the banner, the left band and the button
// panel, so only the page shows.
constexpr int PageInsetX = 4, PageInsetY = 4;
constexpr int PageWidth = 367, PageHeight = 260;

// The table, parents before their children, in tab order.
std::span<const TControlDef> WizardLayout();
// The entry named `name`, or null.
const TControlDef* FindControlDef(const char* name);
// The page `d` lies on: its own tag or its nearest tagged ancestor's;
// TPage::None for the controls around the pages.
TPage PageOf(const TControlDef& d);

// The nearest row around `d` made as a window; null for the wizard window.
const TControlDef* WindowParentOf(const TControlDef& d);

// Where `d` lies in that window at `dpi`: its own place plus those of the
// panels between, each scaled alone as a window's place would be.
struct TLayoutPoint {
    int X, Y;
    bool operator==(const TLayoutPoint&) const = default;
};
TLayoutPoint PlaceInWindow(const TControlDef& d, int dpi);
// The control a label's "&" mnemonic focuses: the next tab stop after it
// under the same parent, as in a dialog. Null when there is none.
const TControlDef* MnemonicTarget(const char* labelName);
