#pragma once
// The wizard window: one fixed-size window that shows one of eight pages
// under a title banner, with Back, Next and Cancel below. Built from the
// layout table (Layout.h), scaled for the DPI of the window's monitor and
// rebuilt when that changes. All page changes go through ShowPage; every
// request to close goes through FormCloseQuery.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "integration/Options.h"
#include "instutils/MessageKinds.h"
#include "integration/RunState.h"
#include "wizard/GdiHandle_win.h"
#include "wizard/Layout.h"
#include "wizard/Page.h"
#include "wizard/PageFlow.h"

class TCheckListBox;
class TDriveBox;
class TDirectoryListBox;
struct TSelCompControls;

class TMainDlgForm : public IOptionControls, private TPageActions {
public:
    // Builds the window (hidden) with what the welcome page shows, starts
    // both timers and shows that page. The other pages come with
    // CompletePages. Needs RegisterWizardWindowClasses first (done on demand)
    // and, for the licence page, the payload reader in `run`, which outlives
    // the window. `dpi` 0 takes the DPI of the monitor the window opens on;
    // tests pass another to build it at that scale. `controlsLoaded`, when
    // given, is called once the window exists and before its first control
    // is made, and returns when the common controls are registered.
    explicit TMainDlgForm(TRunState& run, int dpi = 0,
                          const std::function<void()>& controlsLoaded = nullptr);
    // Builds the other pages and fills them from the settings; once only.
    // ShowModal calls it when the first page is painted and the queue is
    // empty, ShowPage before any page but the first.
    void CompletePages();
    ~TMainDlgForm() override;
    TMainDlgForm(const TMainDlgForm&) = delete;
    TMainDlgForm& operator=(const TMainDlgForm&) = delete;

    // Shows the window and runs its modal loop until it may close; returns
    // the modal result (TModalResult::Ok after Finish, TModalResult::Cancel otherwise).
    TModalResult ShowModal();

    HWND Handle() const { return Window.Get(); }
    // The control made from the layout entry `name`; null for none.
    HWND Control(const char* name) const;

    void ShowPage(TPage from, TPage to);
    void BNClick(HWND sender);
    void CancelBtnClick();
    void FormCloseQuery(bool& canClose);
    // The first page whose tag equals `tag`; null when none.
    HWND PageByTag(TPage tag) const;
    // The page shown now; TPage::None before the first page.
    TPage CurrentPage() const { return Shown; }

    // A request to close (close box, Alt+F4, Cancel): inside ShowModal it
    // ends the loop once FormCloseQuery allows; outside (tests) it asks at
    // once and leaves ModalResult at TModalResult::Cancel only when allowed.
    void Close();
    // Enter and Escape as the window treats them; true when consumed.
    bool HandleDialogKey(WPARAM key);
    // Alt+`ch` on a shown label's mnemonic focuses the control it names;
    // true when consumed. Buttons are left to the dialog manager.
    bool HandleMnemonic(WPARAM ch);
    // Pixels per inch the window is laid out at now.
    int CurrentDpi() const { return Dpi; }

    void StatusTimerTick();
    void DriveTimer();
    void AppActivated();

    TModalResult ModalResult = TModalResult::None;
    bool CloseAllowed = false;
    bool Ready = false;               // the pages are complete and filled
    std::vector<int> RowToComponent;  // row i of SelCompLstBx shows component RowToComponent[i]
    uint8_t SelectedComps = 0;        // built when the run starts

    // The controls the page rules use, by their layout names; null where
    // the layout made none.
    HWND TopLbl() const { return Control("TopLbl"); }
    HWND BackBtn() const { return Control("BackBtn"); }
    HWND NextBtn() const { return Control("NextBtn"); }
    HWND CancelBtn() const { return Control("CancelBtn"); }
    HWND WelcomeLbl() const { return Control("WelcomeLbl"); }
    HWND LicenseMemo() const { return Control("LicenseMemo"); }
    HWND LicenseChkBx() const { return Control("LicenseChkBx"); }
    HWND DestDirEdt() const { return Control("DestDirEdt"); }
    TDirectoryListBox* DestDirLstBx() const { return DirList; }
    TDriveBox* DestDirCmbBx() const { return DriveBox; }
    HWND SelCompLbl() const { return Control("SelCompLbl"); }
    TCheckListBox* SelCompLstBx() const { return CompList; }
    HWND SelCompDiskSpaceReqLbl2() const { return Control("SelCompDiskSpaceReqLbl2"); }
    HWND SelCompDiskSpaceAvailLbl2() const { return Control("SelCompDiskSpaceAvailLbl2"); }
    HWND InstallToAllChkBx() const { return Control("InstallToAllChkBx"); }
    HWND DesktopChkBx() const { return Control("DesktopChkBx"); }
    HWND InstallingLbl2() const { return Control("InstallingLbl2"); }
    HWND InstallingProgressBar() const { return Control("InstallingProgressBar"); }
    // AssocChkBx1 .. AssocChkBx4 for `i` 0 .. 3.
    HWND AssocChkBx(int i) const {
        static const char* const names[4] = {"AssocChkBx1", "AssocChkBx2", "AssocChkBx3",
                                             "AssocChkBx4"};
        return i >= 0 && i < 4 ? Control(names[i]) : nullptr;
    }
    HWND FinishLbl() const { return Control("FinishLbl"); }
    HWND FinishChkBx() const { return Control("FinishChkBx"); }

    // IOptionControls over the option boxes and the component list.
    bool GetBox(TOptionBox box) const override;
    void SetBox(TOptionBox box, bool checked) override;
    int RowCount() const override;
    TCheckState GetRow(int row) const override;
    void SetRow(int row, TCheckState state) override;
    void SetCurrentRow(int row) override;

    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

private:
    bool CreateFormWindow(HINSTANCE instance, bool monitorDpi);
    // Makes the layout's controls on the pages `onPage` accepts; the
    // component list is set up when it is made.
    void CreateFromLayout(bool (*onPage)(TPage));
    void CreateControl(const TControlDef& d);
    void LookUpListControls();
    void MakeFonts();
    HFONT FontOf(TCtlFont font) const;
    // `made` when `w` was just created in its place at this DPI.
    void PlaceControl(const TControlDef& d, HWND w, bool made = false);
    void ApplyDpi(int dpi);
    void LoadLogos();
    // Paints the layout rows that are no windows and lie in `window`.
    void PaintInside(HDC dc, HWND window) const;
    void PaintRows(HDC dc, std::string_view parent) const;
    // The window made for `row`; the wizard window for null.
    HWND WindowOf(const TControlDef* row) const;
    void KeepLayoutOrder(const TControlDef& d, const TControlDef* parentRow, HWND w);
    void EndWizard(TModalResult result);
    void SetModalResult(TModalResult result);
    bool Do(TPageAction action);
    bool LeaveWelcome() override;
    bool LeaveLicense() override;
    bool EnterDestDir() override;
    // Refused before anything is written or put on a command line; a text
    // that is wrong as typed is left as typed.
    bool LeaveDestDir() override;
    bool EnterSelComp() override;
    bool ShownSelComp() override;
    bool EnterStart() override;
    bool LeaveStart() override;
    bool ShownInstalling() override;
    bool EnterAssoc() override;
    bool EnterFinish() override;
    bool LeaveFinish() override;
    void LoadLicenseText();
    // The payload reader, waited for. When it could not be opened after all
    // (its bytes matched the CRC, so only memory fails it) the wizard ends
    // with the damaged-payload box, once, before anything is installed.
    TAttachedFiles* Payload();
    void ApplyCommonTail(TPage to);
    void FixFocus();
    TSelCompControls SelCompControls() const;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool HandleCommand(WPARAM wp, HWND from);
    HBRUSH StaticColors(HDC dc, HWND ctl) const;
    int Scale(int v) const { return MulDiv(v, Dpi, 96); }

    TRunState& Run;
    TWindowHandle Window;
    int Dpi = 96;
    TPage Shown = TPage::None;
    bool InModal = false;
    bool InStatusTick = false;
    bool PagesComplete = false;
    bool PayloadRefused = false;
    std::map<std::string, HWND, std::less<>> Controls;
    // The hosted controls' objects, once made; null where the layout made none.
    TCheckListBox* CompList = nullptr;
    TDirectoryListBox* DirList = nullptr;
    TDriveBox* DriveBox = nullptr;
    std::vector<HWND> Pages;  // in page order
    TFontHandle DialogFont, TitleFont, BoldFont;
    TBitmapHandle LogoBitmap, LogoSmallBitmap;
};

// Registers the window classes of the wizard window, its panels and images
// and the page controls. Idempotent. It reads resources, which waits for
// any DLL loading on another thread: call it before starting one.
void RegisterWizardWindowClasses(HINSTANCE instance);

// A 32-bit top-down bitmap of the program's "PNG" resource `name`; null
// when the resource is missing or cannot be decoded.
HBITMAP LoadPNGResourceBitmap(const char* name);
