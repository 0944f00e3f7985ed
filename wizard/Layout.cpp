#include "wizard/Layout.h"

#include <cstring>
#include <iterator>

namespace {

using K = TCtlKind;
using F = TCtlFont;
using P = TPage;
constexpr TPage No = TPage::None;
constexpr int PageId(TPage page) { return ctl_id::PageBase + PageIndex(page); }
constexpr TCtlFlags Page = TCtlFlags::Hidden;
constexpr TCtlFlags Wrap = TCtlFlags::WordWrap;
constexpr TCtlFlags Tab = TCtlFlags::TabStop;

// Page controls are placed relative to their page; the page's own place
// follows from the page area.
// clang-format off
constexpr TControlDef Layout[] = {
    // Banner.
    {"TopPanel", 0, K::Panel, "", 0, 0, 492, 46, "", TCtlFlags::White | TCtlFlags::EtchedFrame, F::Dialog, No},
    {"TopLbl", ctl_id::TopLbl, K::Label, "TopPanel", 20, 14, 410, 18, "", TCtlFlags::NoPrefix, F::Title, No},
    {"LogoSmallImage", 0, K::Image, "TopPanel", 440, 6, 34, 34, "LOGOSMALL", {}, F::Dialog, No},
    // Left band with the big logo and its edge.
    {"LeftPanel", 0, K::Panel, "", 0, 46, 123, 301, "", {}, F::Dialog, No},
    {"LogoImage", 0, K::Image, "LeftPanel", 1, 0, 120, 260, "LOGO", {}, F::Dialog, No},
    {"LeftEdge", 0, K::Bevel, "LeftPanel", 121, 0, 2, 301, "", TCtlFlags::EtchedFrame, F::Dialog, No},
    // Separator above the buttons, and the page area.
    {"Separator", 0, K::Bevel, "", 0, 306, 492, 2, "", TCtlFlags::EtchedFrame, F::Dialog, No},
    {"PgCtrl", 0, K::Panel, "", 120, 41, 375, 268, "", {}, F::Dialog, No},

    // The pages, each followed by its controls.
    {"WelcomeTabSheet", PageId(P::Welcome), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::Welcome},
    {"WelcomeLbl", ctl_id::WelcomeLbl, K::Label, "WelcomeTabSheet", 12, 27, 349, 115,
     "This program will install %s (version 4.0.3.2%s) on your computer.\r\r\r\r\rClick Next to continue. Click Cancel to quit Setup.",
     Wrap, F::Dialog, No},
    {"LicenseTabSheet", PageId(P::License), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::License},
    {"LicenseLbl", 0, K::Label, "LicenseTabSheet", 12, 7, 0, 13, "Please read the following License Agreement:", {}, F::Dialog, No},
    {"LicenseMemo", ctl_id::LicenseMemo, K::Memo, "LicenseTabSheet", 12, 25, 345, 207, "", TCtlFlags::ReadOnly | Tab, F::Dialog, No},
    {"LicenseChkBx", ctl_id::LicenseChkBx, K::CheckBox, "LicenseTabSheet", 12, 237, 282, 17,
     "I &accept all the terms of the above License Agreement", Tab, F::Dialog, No},
    {"DestDirTabSheet", PageId(P::DestDir), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::DestDir},
    {"DestDirLbl", 0, K::Label, "DestDirTabSheet", 11, 7, 0, 13,
     "Specify the &folder where you want to install Parvela Word Processor:", {}, F::Dialog, No},
    {"DestDirEdt", ctl_id::DestDirEdt, K::Edit, "DestDirTabSheet", 11, 26, 345, 21, "", Tab, F::Dialog, No},
    {"DestDirLstBx", ctl_id::DestDirLstBx, K::FolderList, "DestDirTabSheet", 11, 48, 345, 174, "", Tab, F::Dialog, No},
    {"DestDirCmbBx", ctl_id::DestDirCmbBx, K::DriveBox, "DestDirTabSheet", 11, 225, 345, 19, "", Tab, F::Dialog, No},
    {"SelCompTabSheet", PageId(P::SelComp), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::SelComp},
    {"SelCompLbl", ctl_id::SelCompLbl, K::Label, "SelCompTabSheet", 11, 7, 345, 30, "", Wrap, F::Dialog, No},
    {"SelCompLstBx", ctl_id::SelCompLstBx, K::CheckList, "SelCompTabSheet", 11, 43, 345, 148, "", Tab, F::Dialog, No},
    {"SelCompDiskPanel", 0, K::Panel, "SelCompTabSheet", 11, 200, 345, 49, "", TCtlFlags::EtchedFrame, F::Dialog, No},
    {"SelCompDiskSpaceReqLbl", 0, K::Label, "SelCompDiskPanel", 8, 8, 0, 13, "Required disk space:", {}, F::Dialog, No},
    {"SelCompDiskSpaceReqLbl2", ctl_id::SelCompDiskSpaceReqLbl2, K::Label, "SelCompDiskPanel", 185, 8, 150, 13, "", TCtlFlags::RightAlign | TCtlFlags::NoPrefix, F::Dialog, No},
    {"SelCompDiskSpaceAvailLbl", 0, K::Label, "SelCompDiskPanel", 8, 25, 0, 13, "Available disk space:", {}, F::Dialog, No},
    {"SelCompDiskSpaceAvailLbl2", ctl_id::SelCompDiskSpaceAvailLbl2, K::Label, "SelCompDiskPanel", 185, 25, 150, 13, "", TCtlFlags::RightAlign | TCtlFlags::NoPrefix, F::Dialog, No},
    {"StartTabSheet", PageId(P::Start), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::Start},
    {"StartLbl", 0, K::Label, "StartTabSheet", 11, 7, 345, 58,
     "You are now ready to install Parvela Word Processor.\r\rClick Next to begin installation. Click Back if you want to review or change installation settings.",
     Wrap, F::Dialog, No},
    {"InstallToAllChkBx", ctl_id::InstallToAllChkBx, K::CheckBox, "StartTabSheet", 11, 189, 230, 17,
     "Install for &anyone who uses this computer", Tab, F::Dialog, No},
    {"DesktopChkBx", ctl_id::DesktopChkBx, K::CheckBox, "StartTabSheet", 11, 212, 230, 17, "Create a &Desktop shortcut", Tab, F::Dialog, No},
    {"InstallingTabSheet", PageId(P::Installing), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::Installing},
    {"InstallingLbl", 0, K::Label, "InstallingTabSheet", 11, 170, 0, 13, "Installing", {}, F::Dialog, No},
    {"InstallingLbl2", ctl_id::InstallingLbl2, K::Label, "InstallingTabSheet", 58, 170, 228, 13, "", {}, F::Bold, No},
    {"InstallingWaitLbl", 0, K::Label, "InstallingTabSheet", 290, 170, 0, 13, "Please wait...", {}, F::Dialog, No},
    {"InstallingProgressBar", ctl_id::InstallingProgressBar, K::ProgressBar, "InstallingTabSheet", 11, 190, 345, 16, "", {}, F::Dialog, No},
    {"AssocTabSheet", PageId(P::Assoc), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::Assoc},
    {"AssocLbl", 0, K::Label, "AssocTabSheet", 11, 7, 320, 32,
     "Please check the document types that you want to associate with Parvela Word Processor:", Wrap, F::Dialog, No},
    {"AssocChkBx1", ctl_id::AssocChkBx1 + 0, K::CheckBox, "AssocTabSheet", 40, 76, 250, 17, "RTF Documents", Tab, F::Dialog, No},
    {"AssocChkBx2", ctl_id::AssocChkBx1 + 1, K::CheckBox, "AssocTabSheet", 40, 103, 250, 17, "Encrypted COD Documents", Tab, F::Dialog, No},
    {"AssocChkBx3", ctl_id::AssocChkBx1 + 2, K::CheckBox, "AssocTabSheet", 40, 130, 250, 17, "MS Word DOC Documents", Tab, F::Dialog, No},
    {"AssocChkBx4", ctl_id::AssocChkBx1 + 3, K::CheckBox, "AssocTabSheet", 40, 157, 250, 17, "MS Word DOCX Documents", Tab, F::Dialog, No},
    {"FinishTabSheet", PageId(P::Finish), K::Panel, "PgCtrl", PageInsetX, PageInsetY, PageWidth, PageHeight, "", Page, F::Dialog, P::Finish},
    {"FinishLbl", ctl_id::FinishLbl, K::Label, "FinishTabSheet", 11, 7, 345, 150,
     "%s 4.0.3.2%s has been successfully installed on your system.\r\rClick Finish to exit this Setup.", Wrap, F::Dialog, No},
    {"FinishChkBx", ctl_id::FinishChkBx, K::CheckBox, "FinishTabSheet", 40, 190, 180, 17, "&Launch Parvela Word Processor", Tab, F::Dialog, No},

    // Buttons last, so that Tab reaches them after the page.
    {"ButtonPanel", 0, K::Panel, "", 0, 308, 492, 43, "", {}, F::Dialog, No},
    {"BackBtn", ctl_id::BackBtn, K::Button, "ButtonPanel", 210, 11, 85, 22, "< &Back", Tab, F::Dialog, No},
    {"NextBtn", ctl_id::NextBtn, K::Button, "ButtonPanel", 295, 11, 85, 22, "&Next >", Tab | TCtlFlags::Default, F::Dialog, No},
    {"CancelBtn", ctl_id::CancelBtn, K::Button, "ButtonPanel", 392, 11, 85, 22, "Cancel", Tab, F::Dialog, No},
};
// clang-format on

}  // namespace

std::span<const TControlDef> WizardLayout() { return Layout; }

const TControlDef* FindControlDef(const char* name) {
    for (const TControlDef& d : Layout)
        if (std::strcmp(d.Name, name) == 0) return &d;
    return nullptr;
}

TPage PageOf(const TControlDef& d) {
    for (const TControlDef* c = &d; c; c = *c->Parent ? FindControlDef(c->Parent) : nullptr)
        if (c->Tag != TPage::None) return c->Tag;
    return TPage::None;
}

const TControlDef* WindowParentOf(const TControlDef& d) {
    const TControlDef* p = FindControlDef(d.Parent);
    while (p && !MadeAsWindow(*p)) p = FindControlDef(p->Parent);
    return p;
}

TLayoutPoint PlaceInWindow(const TControlDef& d, int dpi) {
    // As the system scales: rounded to the nearest, halves away from zero.
    auto scale = [dpi](int v) { return (v * dpi + (v < 0 ? -48 : 48)) / 96; };
    TLayoutPoint at{scale(d.X), scale(d.Y)};
    for (const TControlDef* p = FindControlDef(d.Parent); p && !MadeAsWindow(*p);
         p = FindControlDef(p->Parent)) {
        at.X += scale(p->X);
        at.Y += scale(p->Y);
    }
    return at;
}

const TControlDef* MnemonicTarget(const char* labelName) {
    const TControlDef* label = FindControlDef(labelName);
    if (!label) return nullptr;
    for (const TControlDef* d = label + 1;
         d != std::end(Layout) && std::strcmp(d->Parent, label->Parent) == 0; ++d)
        if (Has(d->Flags, TCtlFlags::TabStop)) return d;
    return nullptr;
}
