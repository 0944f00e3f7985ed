// Rules of the wizard that need no window: message-box buttons, page
// buttons, fixed texts, the version test, the licence text and the layout.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "instutils/MessageKinds.h"
#include "wizard/DlgRules.h"
#include "wizard/Layout.h"
#include "wizard/Page.h"
#include "wizard/PageFlow.h"
#include "wizard/Texts.h"

namespace {

std::string Captions(TMsgButtons set) {
    std::string out;
    for (const TDlgButton& b : DlgButtonsOf(set))
        out += std::string(out.empty() ? "" : "|") + b.Caption;
    return out;
}

TEST(DlgButtons, FixedOrderCaptionsDefaultAndEscapePerSet) {
    struct Case {
        TMsgButtons Set;
        const char* Captions;
        TModalResult Default, Escape;
    } cases[] = {
        {TMsgButtons::Ok, "OK", TModalResult::Ok, TModalResult::Ok},
        {TMsgButtons::Yes | TMsgButtons::No, "&Yes|&No", TModalResult::Yes, TModalResult::No},
        {TMsgButtons::No | TMsgButtons::Abort, "&No|&Abort", TModalResult::None,
         TModalResult::No},  // the quit question
        {TMsgButtons::Abort | TMsgButtons::Retry | TMsgButtons::Ignore, "&Abort|&Retry|&Ignore",
         TModalResult::Retry, TModalResult::None},  // file error
        {TMsgButtons::Ok | TMsgButtons::Cancel, "OK|Cancel", TModalResult::Ok,
         TModalResult::Cancel},
        {TMsgButtons::Yes | TMsgButtons::No | TMsgButtons::Cancel, "&Yes|&No|Cancel",
         TModalResult::Yes, TModalResult::Cancel},
        {TMsgButtons::All | TMsgButtons::Ignore | TMsgButtons::Yes, "&Yes|&Ignore|&All",
         TModalResult::Yes, TModalResult::None},
        {TMsgButtons::Retry | TMsgButtons::Cancel, "Cancel|&Retry", TModalResult::Retry,
         TModalResult::Cancel},
        {TMsgButtons::Ignore, "&Ignore", TModalResult::None, TModalResult::None},
        {TMsgButtons::None, "", TModalResult::None, TModalResult::None},
        {static_cast<TMsgButtons>(0xFF), "&Yes|&No|OK|Cancel|&Abort|&Retry|&Ignore|&All",
         TModalResult::Ok, TModalResult::Cancel},
        {static_cast<TMsgButtons>(0xFF00), "", TModalResult::None,
         TModalResult::None},  // bits past All are not buttons
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Set));
        EXPECT_EQ(Captions(c.Set), c.Captions);
        EXPECT_EQ(DefaultDlgResult(c.Set), c.Default);
        EXPECT_EQ(EscapeDlgResult(c.Set), c.Escape);
    }
}

TEST(DlgButtons, EachButtonGivesItsOwnResult) {
    const std::map<std::string, int32_t> expected = {{"&Yes", 6},    {"&No", 7},    {"OK", 1},
                                                     {"Cancel", 2},  {"&Abort", 3}, {"&Retry", 4},
                                                     {"&Ignore", 5}, {"&All", 8}};
    for (const TDlgButton& b : DlgButtonsOf(static_cast<TMsgButtons>(0xFF)))
        EXPECT_EQ(static_cast<int32_t>(b.Result), expected.at(b.Caption)) << b.Caption;
}

TEST(DlgButtons, TitlesByKind) {
    EXPECT_STREQ(DlgTitle(TMsgKind::Warning), "Warning");
    EXPECT_STREQ(DlgTitle(TMsgKind::Error), "Error");
    EXPECT_STREQ(DlgTitle(TMsgKind::Information), "Information");
    EXPECT_STREQ(DlgTitle(TMsgKind::Confirmation), "Confirm");
}

TEST(PageFlow, ButtonStatesOfTheCommonTail) {
    struct Row {
        bool BackVisible, BackEnabled, NextEnabled;
        const char* Next;
        bool CancelEnabled;
    } rows[8] = {
        {false, true, true, "&Next >", true}, {true, true, true, "&Next >", true},
        {true, true, true, "&Next >", true},  {true, true, true, "&Next >", true},
        {true, true, true, "&Next >", true},  {true, false, false, "&Next >", true},
        {true, false, true, "&Next >", true}, {true, false, true, "&Finish", false},
    };
    for (int p = 0; p < 8; ++p) {
        SCOPED_TRACE(p);
        const TPageButtons& b = PageRow(static_cast<TPage>(p)).Buttons;
        EXPECT_EQ(b.BackVisible, rows[p].BackVisible);
        EXPECT_EQ(b.BackEnabled, rows[p].BackEnabled);
        EXPECT_EQ(b.NextEnabled, rows[p].NextEnabled);
        EXPECT_STREQ(b.NextCaption, rows[p].Next);
        EXPECT_EQ(b.CancelEnabled, rows[p].CancelEnabled);
    }
}

TEST(PageFlow, PageTitlesAreShownForEveryPage) {
    for (int page = 0; page < PageCount; ++page)
        EXPECT_NE(std::string(PageRow(static_cast<TPage>(page)).Title), "") << "page " << page;
    EXPECT_EQ(std::string(PageRow(TPage::Welcome).Title),
              "Welcome to the Parvela Word Processor Lite Setup");
    EXPECT_EQ(std::string(PageRow(TPage::Assoc).Title), "Associate With Document Types");
}

TEST(PageFlow, PortableSkipsOnlyTheAssociationPage) {
    for (int p = 0; p <= 8; ++p) {
        const auto page = static_cast<TPage>(p);
        EXPECT_EQ(ResolvePageTarget(page, false), page);
        EXPECT_EQ(ResolvePageTarget(page, true), page == TPage::Assoc ? TPage::Finish : page);
    }
}

TEST(PageFlow, FocusControlsOfThePages) {
    const char* expected[8] = {nullptr,   "LicenseMemo", "DestDirEdt",  "SelCompLstBx",
                               "NextBtn", nullptr,       "AssocChkBx1", nullptr};
    for (int p = 0; p < 8; ++p) {
        const char* got = PageRow(static_cast<TPage>(p)).Focus;
        if (!expected[p]) {
            EXPECT_EQ(got, nullptr) << p;
            continue;
        }
        ASSERT_NE(got, nullptr) << p;
        EXPECT_STREQ(got, expected[p]);
        EXPECT_NE(FindControlDef(got), nullptr) << got;  // names a real control
    }
}

TEST(PageFlow, WelcomeAndFinishTextsCarryTheProductName) {
    EXPECT_EQ(
        FormatProductText(FindControlDef("WelcomeLbl")->Text),
        "This program will install Parvela Word Processor Lite (version 4.0.3.2) on your computer."
        "\r\r\r\r\rClick Next to continue. Click Cancel to quit Setup.");
    EXPECT_EQ(FormatProductText(FindControlDef("FinishLbl")->Text),
              "Parvela Word Processor Lite 4.0.3.2 has been successfully installed on your system."
              "\r\rClick Finish to exit this Setup.");
    EXPECT_EQ(FormatProductText("100% sure %s%s%s"), "100% sure Parvela Word Processor Lite");
    EXPECT_EQ(FormatProductText("ends with %"), "ends with %");
}

TEST(PageFlow, MessagesAreTheFixedTexts) {
    EXPECT_EQ(std::string(MsgQuitSetup),
              "Setup is not complete. If you quit this setup program now,\rParvela will not be "
              "correctly installed.\r\r"
              "You may relaunch the setup program at a later time\rto complete the installation of "
              "Parvela.\r\r"
              "To continue installing, click No.\rTo quit this setup program, click Abort.");
    EXPECT_EQ(std::string(MsgLicenseDeclined),
              "To install this program, you need to agree to all the terms\rof the Parvela Word "
              "Processor License "
              "Agreement.\rDo you really want to cancel the Parvela install?");
    EXPECT_EQ(std::string(MsgAppRunning),
              "A copy of Parvela Word Processor is already running on your system.\rPlease close "
              "any running "
              "instance(s) of Parvela Word Processor, then click OK in this dialog.");
    EXPECT_EQ(std::string(MsgNeedsWindows2000), "This program requires Windows 2000 or later.");
    EXPECT_EQ(std::string(SelCompLblText),
              "Uncheck boxes for the &components that you do not wish to install or upgrade (the "
              "required disk "
              "space is displayed on the right):");
}

TEST(VersionTest, NtFamilyFromMajorVersionFive) {
    struct Case {
        uint32_t Platform, Major;
        bool Ok;
    } cases[] = {
        {2, 4, false},                                // NT 4
        {2, 5, true},                                 // 2000, XP
        {2, 6, true},  {2, 10, true}, {1, 5, false},  // the older family fails whatever its number
        {1, 4, false}, {0, 6, false}, {3, 6, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWindows2000OrLater(c.Platform, c.Major), c.Ok) << c.Platform << "/" << c.Major;
}

TEST(LicenseText, LinesJoinedWithCrLfWhateverTheFileUses) {
    EXPECT_EQ(LicenseMemoText(""), "");
    EXPECT_EQ(LicenseMemoText("one"), "one");
    EXPECT_EQ(LicenseMemoText("one\r\ntwo\r\n"), "one\r\ntwo");
    EXPECT_EQ(LicenseMemoText("one\ntwo\rthree"), "one\r\ntwo\r\nthree");
    EXPECT_EQ(LicenseMemoText("a\r\n\r\nb"), "a\r\n\r\nb");  // empty lines stay
    EXPECT_EQ(LicenseMemoText("a\n\n"), "a\r\n");
    EXPECT_EQ(LicenseMemoText(std::string("x\0y", 3)), std::string("x\0y", 3));
}

TEST(AssocBoxes, TickedWhenTheLetterOccursAnywhere) {
    using A = std::array<bool, 4>;
    EXPECT_EQ(AssocTicks("B"), (A{false, true, false, false}));
    EXPECT_EQ(AssocTicks(""), (A{false, false, false, false}));
    EXPECT_EQ(AssocTicks("DCBA"), (A{true, true, true, true}));
    EXPECT_EQ(AssocTicks("xxCxx"), (A{false, false, true, false}));
    EXPECT_EQ(AssocTicks("abcd"), (A{false, false, false, false}));  // letters are upper case
}

TEST(SelectedComponents, TickedAndGreyedRowsThroughTheRowMap) {
    using S = TCheckState;
    const std::vector<int> identity = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(
        SelectedComponents({S::Grayed, S::Checked, S::Checked, S::Checked, S::Checked, S::Checked},
                           identity),
        0x3F);
    EXPECT_EQ(SelectedComponents(
                  {S::Grayed, S::Unchecked, S::Unchecked, S::Unchecked, S::Unchecked, S::Unchecked},
                  identity),
              0x01);
    EXPECT_EQ(SelectedComponents(
                  {S::Grayed, S::Unchecked, S::Checked, S::Unchecked, S::Unchecked, S::Checked},
                  identity),
              0x25);
    // Rows map to other components; an index above 7 is left out.
    EXPECT_EQ(SelectedComponents({S::Checked, S::Checked, S::Checked}, {5, 9, 2}), 0x24);
}

// ---- Layout table ---------------------------------------------------------------

struct Rect {
    int X, Y, W, H;
};

TEST(Layout, NamesAndIdsAreUniqueAndParentsComeFirst) {
    std::set<std::string> names;
    std::set<int> ids;
    for (const TControlDef& d : WizardLayout()) {
        EXPECT_TRUE(names.insert(d.Name).second) << "duplicate " << d.Name;
        if (d.Id) {
            EXPECT_TRUE(ids.insert(d.Id).second) << "duplicate id of " << d.Name;
        }
        if (*d.Parent) {
            EXPECT_TRUE(names.count(d.Parent)) << d.Name << " before its parent " << d.Parent;
        }
    }
}

TEST(Layout, ControlsLieInsideTheirParents) {
    std::map<std::string, Rect> rects;
    for (const TControlDef& d : WizardLayout()) {
        const int w = d.W ? d.W : 1;
        rects[d.Name] = {d.X, d.Y, w, d.H};
        if (std::strcmp(d.Name, "PgCtrl") == 0) continue;  // its frame hides under its neighbours
        const Rect parent =
            *d.Parent ? rects[d.Parent] : Rect{0, 0, FormClientWidth, FormClientHeight};
        EXPECT_GE(d.X, 0) << d.Name;
        EXPECT_GE(d.Y, 0) << d.Name;
        EXPECT_LE(d.X + w, parent.W) << d.Name;
        EXPECT_LE(d.Y + d.H, parent.H) << d.Name;
    }
}

TEST(Layout, EightPagesTaggedInOrderAndHidden) {
    int next = 0;
    for (const TControlDef& d : WizardLayout()) {
        if (d.Tag == TPage::None) continue;
        EXPECT_EQ(PageIndex(d.Tag), next++) << d.Name;
        EXPECT_STREQ(d.Parent, "PgCtrl");
        EXPECT_TRUE(Has(d.Flags, TCtlFlags::Hidden)) << d.Name;
        EXPECT_EQ(d.Id, ctl_id::PageBase + PageIndex(d.Tag));
    }
    EXPECT_EQ(next, 8);
}

// The first page is built before the others: a control that named no
// page, or the wrong one, would be built with the wrong page or never.
TEST(Layout, EachControlLiesOnItsPageThroughItsParents) {
    const struct {
        const char* Name;
        TPage Page;
    } cases[] = {
        {"TopLbl", TPage::None},
        {"PgCtrl", TPage::None},
        {"NextBtn", TPage::None},
        {"WelcomeTabSheet", TPage::Welcome},
        {"WelcomeLbl", TPage::Welcome},
        {"LicenseChkBx", TPage::License},
        {"SelCompDiskSpaceReqLbl2", TPage::SelComp},  // in a panel on the page
        {"FinishChkBx", TPage::Finish},
    };
    for (const auto& c : cases) {
        const TControlDef* d = FindControlDef(c.Name);
        ASSERT_NE(d, nullptr) << c.Name;
        EXPECT_EQ(PageOf(*d), c.Page) << c.Name;
    }
}

TEST(Layout, PlacesOfTheNamedControls) {
    struct Case {
        const char* Name;
        const char* Parent;
        Rect R;
    } cases[] = {
        {"TopPanel", "", {0, 0, 492, 46}},
        {"LogoSmallImage", "TopPanel", {440, 6, 34, 34}},
        {"LogoImage", "LeftPanel", {1, 0, 120, 260}},
        {"PgCtrl", "", {120, 41, 375, 268}},
        {"WelcomeLbl", "WelcomeTabSheet", {12, 27, 349, 115}},
        {"LicenseMemo", "LicenseTabSheet", {12, 25, 345, 207}},
        {"DestDirEdt", "DestDirTabSheet", {11, 26, 345, 21}},
        {"DestDirLstBx", "DestDirTabSheet", {11, 48, 345, 174}},
        {"DestDirCmbBx", "DestDirTabSheet", {11, 225, 345, 19}},
        {"SelCompLstBx", "SelCompTabSheet", {11, 43, 345, 148}},
        {"SelCompDiskSpaceReqLbl2", "SelCompDiskPanel", {185, 8, 150, 13}},
        {"InstallingProgressBar", "InstallingTabSheet", {11, 190, 345, 16}},
        {"FinishLbl", "FinishTabSheet", {11, 7, 345, 150}},
    };
    for (const Case& c : cases) {
        const TControlDef* d = FindControlDef(c.Name);
        ASSERT_NE(d, nullptr) << c.Name;
        EXPECT_STREQ(d->Parent, c.Parent) << c.Name;
        EXPECT_EQ(d->X, c.R.X) << c.Name;
        EXPECT_EQ(d->Y, c.R.Y) << c.Name;
        EXPECT_EQ(d->W, c.R.W) << c.Name;
        EXPECT_EQ(d->H, c.R.H) << c.Name;
    }
    // The buttons keep their window positions (the panel starts below the separator).
    const TControlDef* panel = FindControlDef("ButtonPanel");
    const char* buttons[] = {"BackBtn", "NextBtn", "CancelBtn"};
    const int x[] = {210, 295, 392};
    for (int i = 0; i < 3; ++i) {
        const TControlDef* b = FindControlDef(buttons[i]);
        EXPECT_EQ(b->X, x[i]);
        EXPECT_EQ(panel->Y + b->Y, 307 + 12) << buttons[i];
        EXPECT_EQ(b->W, 85);
        EXPECT_EQ(b->H, 22);
    }
}

// Only what shows a colour, a frame or a page, or takes input, is a window;
// the rest lies in the nearest window at the sum of its levels' places,
// each scaled alone.
TEST(Layout, WindowsAndTheirPlacesInThem) {
    const struct {
        const char* Name;
        bool Window;
        const char* In;  // "" for the wizard window
        TLayoutPoint At96, At144;
    } cases[] = {
        {"TopPanel", true, "", {0, 0}, {0, 0}},
        {"LogoSmallImage", false, "TopPanel", {440, 6}, {660, 9}},
        {"LeftPanel", false, "", {0, 46}, {0, 69}},
        {"LeftEdge", false, "", {121, 46}, {182, 69}},
        {"PgCtrl", false, "", {120, 41}, {180, 62}},
        {"WelcomeTabSheet", true, "", {124, 45}, {186, 68}},
        {"WelcomeLbl", true, "WelcomeTabSheet", {12, 27}, {18, 41}},
        {"SelCompDiskPanel", true, "SelCompTabSheet", {11, 200}, {17, 300}},
        {"NextBtn", true, "", {295, 319}, {443, 479}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TControlDef* d = FindControlDef(c.Name);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(MadeAsWindow(*d), c.Window);
        const TControlDef* in = WindowParentOf(*d);
        EXPECT_STREQ(in ? in->Name : "", c.In);
        EXPECT_EQ(PlaceInWindow(*d, 96), c.At96);
        EXPECT_EQ(PlaceInWindow(*d, 144), c.At144);
    }
}

TEST(Layout, AcceleratorLabelsFocusTheNextTabStopUnderTheirParent) {
    const char* pairs[][2] = {{"DestDirLbl", "DestDirEdt"}, {"SelCompLbl", "SelCompLstBx"}};
    for (auto& p : pairs) {
        const TControlDef* target = MnemonicTarget(p[0]);
        ASSERT_NE(target, nullptr) << p[0];
        EXPECT_STREQ(target->Name, p[1]);
    }
    // The last control of a page names nothing outside it.
    EXPECT_EQ(MnemonicTarget("SelCompDiskSpaceAvailLbl2"), nullptr);
    EXPECT_EQ(MnemonicTarget("NoSuchLabel"), nullptr);
}

TEST(Mnemonics, TheLetterAfterTheFirstSingleAmpersand) {
    EXPECT_EQ(MnemonicOf("Specify the &folder where"), 'F');
    EXPECT_EQ(MnemonicOf("Uncheck boxes for the &components"), 'C');
    EXPECT_EQ(MnemonicOf("R&&D &tools"), 'T');
    EXPECT_EQ(MnemonicOf("R&&D"), 0);
    EXPECT_EQ(MnemonicOf("trailing &"), 0);
    EXPECT_EQ(MnemonicOf("Cancel"), 0);
}

}  // namespace
