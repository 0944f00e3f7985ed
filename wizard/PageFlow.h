#pragma once
// The wizard's page rules that need no window: button states per page,
// the portable skip of the association page, focus controls, the fixed
// texts and the selected-component set.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "integration/Options.h"  // TCheckState
#include "wizard/Page.h"

struct TPageButtons {
    bool BackVisible, BackEnabled;
    bool NextEnabled;
    const char* NextCaption;
    bool CancelEnabled;
};
// Button states of the common tail for page `to` (not FinishStep).
TPageButtons PageButtons(TPage to);

// A portable installation has no association page.
TPage ResolvePageTarget(TPage to, bool portable);

// Name of the control that gets the focus on entering page `to`; null when
// the page has none.
const char* PageFocusControl(TPage to);

// The letter that "&" marks in a control text, upper-cased (ASCII); 0 for
// none. "&&" is a literal "&".
char MnemonicOf(const std::string& text);

// The welcome and finish templates with the product name for the first
// "%s" and nothing for the second.
std::string FormatProductText(const std::string& templ);

// Messages of the wizard ("\r" is a line break).
extern const char* const MsgAppRunning;       // Information, OK
extern const char* const MsgLicenseDeclined;  // Information, Yes + No
extern const char* const MsgQuitSetup;        // Confirm, No + Abort
extern const char* const SelCompLblText;
// Shown by the entry when the payload cannot be opened.
extern const char* const MsgPayloadDamaged;
// Shown by a second setup program, which then ends.
extern const char* const MsgSetupAlreadyRunning;
extern const char* const MsgNeedsWindows2000;

// The platform test of the program entry: NT family (platform id 2) with a
// major version above 4. The minor version plays no part.
bool IsWindows2000OrLater(uint32_t platformId, uint32_t majorVersion);

// The licence file's bytes as memo text: its lines (ending at CR LF, LF or
// CR) joined by CR LF. Empty when the file holds no line.
std::string LicenseMemoText(const std::string& fileBytes);

// Which association boxes are ticked for an Extensions text: box i when
// the letter "ABCD"[i] occurs anywhere in it.
std::array<bool, 4> AssocTicks(const std::string& extensions);

// The selected-component set of a run: for every ticked or greyed row, from
// the last row to the first, its component (when 7 or less) as a bit.
uint8_t SelectedComponents(const std::vector<TCheckState>& rows,
                           const std::vector<int>& rowToComponent);
