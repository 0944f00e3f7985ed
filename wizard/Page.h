#pragma once
// The wizard's pages: one row each, in the order Next walks them. A new page
// is a TPage value, its row in PageRows below and its layout rows (Layout.cpp).

#include <cstdint>
#include <iterator>

#include "wizard/Texts.h"

enum class TPage : uint8_t {
    Welcome,     // WelcomeTabSheet
    License,     // LicenseTabSheet
    DestDir,     // DestDirTabSheet
    SelComp,     // SelCompTabSheet
    Start,       // StartTabSheet
    Installing,  // InstallingTabSheet
    Assoc,       // AssocTabSheet
    Finish,      // FinishTabSheet
    FinishStep,  // not a page: the press of Finish on the last page
    None = 255,  // no page: "from" at construction, the tag of other controls
};

constexpr int PageIndex(TPage page) { return static_cast<int>(page); }
constexpr int PageCount = PageIndex(TPage::FinishStep);
constexpr TPage NextPage(TPage page) { return static_cast<TPage>(PageIndex(page) + 1); }
constexpr TPage PreviousPage(TPage page) { return static_cast<TPage>(PageIndex(page) - 1); }

// What a page does beyond showing itself; the wizard window implements
// them. Each returns false where the wizard must stay where it is.
class TPageActions {
public:
    virtual bool LeaveWelcome() = 0;  // the application must not run; the licence is read
    virtual bool LeaveLicense() = 0;  // the licence must be accepted
    virtual bool EnterDestDir() = 0;
    virtual bool LeaveDestDir() = 0;  // the folder must pass its checks
    virtual bool EnterSelComp() = 0;
    virtual bool ShownSelComp() = 0;
    virtual bool EnterStart() = 0;
    virtual bool LeaveStart() = 0;  // the application must not run
    virtual bool ShownInstalling() = 0;
    virtual bool EnterAssoc() = 0;
    virtual bool EnterFinish() = 0;
    virtual bool LeaveFinish() = 0;  // Finish: the last steps, then the end

protected:
    ~TPageActions() = default;
};
using TPageAction = bool (TPageActions::*)();

struct TPageButtons {
    bool BackVisible, BackEnabled;
    bool NextEnabled;
    const char* NextCaption;
    bool CancelEnabled;
};

struct TPageRow {
    TPage Page;
    const char* Title;
    const char* Focus;  // layout name of the control focused on entry; null for none
    TPageButtons Buttons;
    bool SkippedWhenPortable;
    TPageAction Enter;  // before the page shows
    TPageAction Shown;  // once it shows
    TPageAction Leave;  // on Next
};

namespace page_detail {
using A = TPageActions;
// clang-format off
inline constexpr TPageRow PageRows[] = {
    {TPage::Welcome, "Welcome to the Parvela Word Processor Lite Setup", nullptr,
     {false, true, true, CaptionNext, true}, false, nullptr, nullptr, &A::LeaveWelcome},
    {TPage::License, "License Agreement", "LicenseMemo",
     {true, true, true, CaptionNext, true}, false, nullptr, nullptr, &A::LeaveLicense},
    {TPage::DestDir, "Choose Destination Folder", "DestDirEdt",
     {true, true, true, CaptionNext, true}, false, &A::EnterDestDir, nullptr, &A::LeaveDestDir},
    {TPage::SelComp, "Select Components", "SelCompLstBx",
     {true, true, true, CaptionNext, true}, false, &A::EnterSelComp, &A::ShownSelComp, nullptr},
    {TPage::Start, "Ready to Install", "NextBtn",
     {true, true, true, CaptionNext, true}, false, &A::EnterStart, nullptr, &A::LeaveStart},
    {TPage::Installing, "Installing", nullptr,
     {true, false, false, CaptionNext, true}, false, nullptr, &A::ShownInstalling, nullptr},
    {TPage::Assoc, "Associate With Document Types", "AssocChkBx1",
     {true, false, true, CaptionNext, true}, true, &A::EnterAssoc, nullptr, nullptr},
    {TPage::Finish, "Installation Complete", nullptr,
     {true, false, true, CaptionFinish, false}, false, &A::EnterFinish, nullptr, &A::LeaveFinish},
};
// clang-format on

constexpr bool RowsInPageOrder() {
    for (int i = 0; i < PageCount; ++i)
        if (PageIndex(PageRows[i].Page) != i) return false;
    return true;
}
static_assert(std::size(PageRows) == PageCount && RowsInPageOrder(), "one row per page, in order");

}  // namespace page_detail

// The row of a page (not FinishStep or None).
constexpr const TPageRow& PageRow(TPage page) { return page_detail::PageRows[PageIndex(page)]; }

// The page shown for `to`: a portable installation skips the pages it has
// no use for.
constexpr TPage ResolvePageTarget(TPage to, bool portable) {
    return portable && PageIndex(to) < PageCount && PageRow(to).SkippedWhenPortable ? NextPage(to)
                                                                                    : to;
}
