#pragma once
// The wizard's pages by name, in the order Next walks them. A page's value
// is its index: its tag in the layout and its row in PageTitles.

#include <cstdint>

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
constexpr TPage NextPage(TPage page) { return static_cast<TPage>(PageIndex(page) + 1); }
constexpr TPage PreviousPage(TPage page) { return static_cast<TPage>(PageIndex(page) - 1); }
