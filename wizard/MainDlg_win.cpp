#include "wizard/MainDlg_win.h"

#include <commctrl.h>

#include <exception>
#include <string_view>

#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/ResConst.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "png/PNG.h"
#include "wizard/CheckList_win.h"
#include "wizard/CompPage_win.h"
#include "wizard/DriveBox_win.h"
#include "wizard/FolderList_win.h"
#include "wizard/FolderPage.h"
#include "wizard/FolderPage_win.h"
#include "wizard/InstallRun.h"
#include "wizard/Layout.h"
#include "wizard/MessageDlg_win.h"
#include "wizard/Texts.h"

namespace {

constexpr const char* FormClassName = "ParvelaSetupForm";
constexpr const char* PanelClassName = "ParvelaPanel";
constexpr UINT_PTR StatusTimerId = 1, DriveTimerId = 2;
// Posted by the install thread when its state changes; handled as a status tick.
constexpr UINT InstallStatusMessage = WM_APP + 1;
// A panel asks the wizard window to paint what it holds without windows:
// wParam its paint DC, lParam the panel.
constexpr UINT PaintInsideMessage = WM_APP + 2;
constexpr COLORREF Navy = RGB(0, 0, 128);
constexpr int EditMargin = 3;          // at 96 DPI, each side of an edit's text
constexpr UINT WmDpiChanged = 0x02E0;  // WM_DPICHANGED, newer than our headers

// Look flags of a panel; 0 for any other window.
TCtlFlags PanelFlags(HWND wnd) {
    char name[32] = "";
    if (!wnd || !GetClassNameA(wnd, name, sizeof name) || lstrcmpiA(name, PanelClassName) != 0)
        return TCtlFlags::None;
    return static_cast<TCtlFlags>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
}

void FillPanelColour(HDC dc, const RECT& rc, HWND panel) {
    const bool white = Has(PanelFlags(panel), TCtlFlags::White);
    FillRect(dc, &rc, GetSysColorBrush(white ? COLOR_WINDOW : COLOR_BTNFACE));
}

// Panels keep their look flags in GWLP_USERDATA and hand what their
// children report to the wizard window. They have no frame of the system's
// to paint, and paint all of themselves: the wizard is shown without a
// separate erase of every control (see ShowModal), which costs a trip to
// the window server each.
LRESULT CALLBACK PanelProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCPAINT) return 0;
    const TCtlFlags flags = PanelFlags(wnd);
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(wnd, &rc);
        FillPanelColour(reinterpret_cast<HDC>(wp), rc, wnd);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        FillPanelColour(dc, ps.rcPaint, wnd);
        if (Has(flags, TCtlFlags::EtchedFrame)) {
            RECT rc;
            GetClientRect(wnd, &rc);
            DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT);
        }
        if (HWND root = GetAncestor(wnd, GA_ROOT); root && root != wnd)
            SendMessageA(root, PaintInsideMessage, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(wnd));
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (HWND root = GetAncestor(wnd, GA_ROOT); root && root != wnd)
            return SendMessageA(root, msg, wp, lp);
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

// The program's icon at a size the system asks for.
HICON ProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_SHARED));
}

void RegisterClassOnce(HINSTANCE instance, const char* name, WNDPROC proc, HBRUSH background,
                       bool icons = false) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, name, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // Through the class, the window has them from its creation: no later
    // message per size to the caption and the task bar.
    if (icons) {
        wc.hIcon = ProgramIcon(instance, SM_CXICON, SM_CYICON);
        wc.hIconSm = ProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    }
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

std::string WindowText(HWND w) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(w)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Reading a caption stays in the process; setting one, even the same, is a
// trip to the window server and a repaint.
void SetCaption(HWND w, const char* text) {
    if (WindowText(w) != text) SetWindowTextA(w, text);
}

bool Ticked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetTicked(HWND box, bool on) {
    SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The wait cursor for the scope.
class TWaitCursor {
public:
    TWaitCursor() : Old(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { SetCursor(Old); }

private:
    HCURSOR Old;
};

// One-line labels take the width of their text, measured on their own DC
// (a screen DC can measure a few pixels short), plus a little slack.
void FitLabelToText(HWND label, HFONT font, const char* text, int dpi) {
    RECT rc{};
    {
        TClientDC dc(label);
        if (dc.Get()) {
            TSelectObject sel(dc.Get(), font);
            DrawTextA(dc.Get(), text, -1, &rc, DT_CALCRECT | DT_SINGLELINE);
        }
    }
    RECT place;
    GetWindowRect(label, &place);
    const int slack = MulDiv(3, dpi, 96);
    SetWindowPos(label, nullptr, 0, 0, rc.right - rc.left + slack, place.bottom - place.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

template <class Proc>
Proc User32Proc(const char* name) {
    // user32 is loaded already: looking a call up loads nothing.
    return reinterpret_cast<Proc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// The DPI of the monitor `window` is on where the system can tell (Windows
// 10 1607 on); the screen's otherwise.
int WindowDpi(HWND window) {
    static const auto proc = User32Proc<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = proc ? proc(window) : 0;
    return dpi ? static_cast<int>(dpi) : ScreenDpi();
}

// Gives `window` a client area of `width` x `height`, whatever its frame
// is at the monitor's scale, centred on the work area.
void FitClientCentred(HWND window, int width, int height) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int w = width + (outer.right - outer.left) - client.right;
    const int h = height + (outer.bottom - outer.top) - client.bottom;
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Window class and styles of the control made from `d`.
struct TControlClass {
    const char* Class;
    DWORD Style;
    DWORD ExStyle;
};

TControlClass ControlClassOf(const TControlDef& d) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (Has(d.Flags, TCtlFlags::Hidden) ? 0 : WS_VISIBLE) |
                  (Has(d.Flags, TCtlFlags::TabStop) ? WS_TABSTOP : 0);
    DWORD exStyle = 0;
    const char* cls = PanelClassName;
    switch (d.Kind) {
    case TCtlKind::Panel:
    case TCtlKind::Bevel:
    case TCtlKind::Image:  // painted, not made (see MadeAsWindow)
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TCtlKind::Label:
        cls = "STATIC";
        style |= Has(d.Flags, TCtlFlags::RightAlign) ? SS_RIGHT
                 : Has(d.Flags, TCtlFlags::WordWrap) ? SS_LEFT
                                                     : SS_LEFTNOWORDWRAP;
        if (Has(d.Flags, TCtlFlags::NoPrefix)) style |= SS_NOPREFIX;
        break;
    case TCtlKind::Button:
        cls = "BUTTON";
        style |= Has(d.Flags, TCtlFlags::Default) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case TCtlKind::CheckBox:
        cls = "BUTTON";
        style |= BS_AUTOCHECKBOX;
        break;
    case TCtlKind::Edit:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TCtlKind::Memo:
        cls = "EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL |
                 (Has(d.Flags, TCtlFlags::ReadOnly) ? ES_READONLY : 0);
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TCtlKind::ProgressBar: cls = PROGRESS_CLASSA; break;
    case TCtlKind::DriveBox:
        cls = TDriveBox::ClassName;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TCtlKind::FolderList:
        cls = TDirectoryListBox::ClassName;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TCtlKind::CheckList:
        cls = TCheckListBox::ClassName;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    }
    return {cls, style, exStyle};
}

}  // namespace

void RegisterWizardWindowClasses(HINSTANCE instance) {
    RegisterClassOnce(instance, FormClassName, TMainDlgForm::WndProc,
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), true);
    RegisterClassOnce(instance, PanelClassName, PanelProc, nullptr);
    RegisterWizardControls(instance);
}

HBITMAP LoadPNGResourceBitmap(const char* name) {
    try {
        TPNGImage image;
        LoadPNGResource(name, image);
        return CreateTrueColorBitmap(image).Release();
    } catch (const std::exception&) {
        return nullptr;  // a logo that cannot be read is left out
    }
}

TMainDlgForm::TMainDlgForm(TRunState& run, int dpi, const std::function<void()>& controlsLoaded)
    : Run(run) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterWizardWindowClasses(instance);
    Dpi = dpi > 0 ? dpi : ScreenDpi();
    for (int c = 0; c < ComponentCount; ++c) RowToComponent.push_back(c);
    if (!CreateFormWindow(instance, dpi <= 0)) return;
    SetMessageDlgOwner(Window.Get());
    MakeFonts();
    if (controlsLoaded) controlsLoaded();
    CreateFromLayout([](TPage page) { return page == TPage::None || page == TPage::Welcome; });
    LoadLogos();
    SetWindowTextA(WelcomeLbl(), FormatProductText(FindControlDef("WelcomeLbl")->Text).c_str());
    SetTimer(Window.Get(), StatusTimerId, 100, nullptr);
    SetTimer(Window.Get(), DriveTimerId, 1000, nullptr);
    ShowPage(TPage::None, TPage::Welcome);
}

void TMainDlgForm::CompletePages() {
    if (PagesComplete || !Window) return;
    PagesComplete = true;
    NeedOle();  // the component list's accessible object
    CreateFromLayout([](TPage page) { return page != TPage::None && page != TPage::Welcome; });
    SetWindowTextA(FinishLbl(), FormatProductText(FindControlDef("FinishLbl")->Text).c_str());
    SetTicked(LicenseChkBx(), true);
    // The settings fill boxes and rows, so they come after the controls;
    // the folder page shows the main folder they name.
    Run.LoadOptions(*this);
    if (DestDirCmbBx() && DestDirLstBx()) {
        InitDestDirPage(DestDirEdt(), *DestDirCmbBx(), *DestDirLstBx(), Run.Options.MainDir,
                        [this] { return Ready; });
    } else {
        SetWindowTextA(DestDirEdt(), Run.Options.MainDir.c_str());
    }
    SetWindowTextA(SelCompLbl(), SelCompLblText);
    Ready = true;
}

// The window without its controls, at the DPI of the monitor it opens on
// when `monitorDpi`.
bool TMainDlgForm::CreateFormWindow(HINSTANCE instance, bool monitorDpi) {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    // WM_NCCREATE hands Window the handle; a failed creation leaves it stale.
    if (!CreateWindowExA(exStyle, FormClassName, SetupTitle, style, 0, 0, Scale(FormClientWidth),
                         Scale(FormClientHeight), nullptr, nullptr, instance, this)) {
        Window.Release();
        return false;
    }
    if (monitorDpi) Dpi = WindowDpi(Window.Get());
    FitClientCentred(Window.Get(), Scale(FormClientWidth), Scale(FormClientHeight));
    return true;
}

TMainDlgForm::~TMainDlgForm() {
    if (Window) {
        KillTimer(Window.Get(), StatusTimerId);
        KillTimer(Window.Get(), DriveTimerId);
        if (MessageDlgOwner() == Window.Get()) SetMessageDlgOwner(nullptr);
        Run.InstallThreadStatus.SetInstallStateNotifier(nullptr);
        SetWindowLongPtrA(Window.Get(), GWLP_USERDATA, 0);
    }
    // Before any other member: the window still uses the fonts and logos.
    Window.Reset();
}

void TMainDlgForm::MakeFonts() {
    DialogFont.Reset(CreateFontA(-MulDiv(8, Dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH, "MS Sans Serif"));
    TitleFont.Reset(CreateFontA(-Scale(15), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH, "Arial"));
    BoldFont.Reset(CreateFontA(-Scale(11), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH, "MS Sans Serif"));
}

HFONT TMainDlgForm::FontOf(TCtlFont font) const {
    return font == TCtlFont::Title  ? TitleFont.Get()
           : font == TCtlFont::Bold ? BoldFont.Get()
                                    : DialogFont.Get();
}

// Place, font and metrics of the control made from `d`, at the current DPI.
void TMainDlgForm::PlaceControl(const TControlDef& d, HWND w, bool made) {
    if (auto* box = TDriveBox::From(w)) box->SetDpi(Dpi);
    if (auto* list = TDirectoryListBox::From(w)) list->SetDpi(Dpi);
    if (auto* list = TCheckListBox::From(w)) list->SetDpi(Dpi);
    // Each move is a trip to the window server: a control just made is
    // where it belongs already.
    if (!made) {
        const TLayoutPoint at = PlaceInWindow(d, Dpi);
        SetWindowPos(w, nullptr, at.X, at.Y, d.W ? Scale(d.W) : Scale(1), Scale(d.H),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HFONT font = FontOf(d.Font);
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (d.Kind == TCtlKind::Edit || d.Kind == TCtlKind::Memo) {
        // Without margins the first glyph touches the border and the caret
        // covers it. Set after the font, which resets them.
        const int margin = Scale(EditMargin);
        SendMessageA(w, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    }
    if (d.W == 0) FitLabelToText(w, font, d.Text, Dpi);
}

// Windows does not stretch a per-monitor aware window: everything is made
// again from the layout at the new scale.
void TMainDlgForm::ApplyDpi(int dpi) {
    if (dpi <= 0 || dpi == Dpi) return;
    Dpi = dpi;
    // The old fonts live until every control has the new ones.
    TFontHandle oldDialog = std::move(DialogFont), oldTitle = std::move(TitleFont),
                oldBold = std::move(BoldFont);
    MakeFonts();
    for (const TControlDef& d : WizardLayout())
        if (HWND w = Control(d.Name)) PlaceControl(d, w);
    RedrawWindow(Window.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TMainDlgForm::CreateFromLayout(bool (*onPage)(TPage)) {
    for (const TControlDef& d : WizardLayout())
        if (onPage(PageOf(d))) CreateControl(d);
    LookUpListControls();
    if (SelCompLstBx()) InitSelCompList(SelCompControls());
}

HWND TMainDlgForm::WindowOf(const TControlDef* row) const {
    return row ? Control(row->Name) : Window.Get();
}

// Parents come before their children in the layout, so a control whose
// parent could not be made is left out with it.
void TMainDlgForm::CreateControl(const TControlDef& d) {
    if (!MadeAsWindow(d)) return;
    const TControlDef* parentRow = WindowParentOf(d);
    HWND parent = WindowOf(parentRow);
    if (!parent) return;
    const TControlClass kind = ControlClassOf(d);
    const TLayoutPoint at = PlaceInWindow(d, Dpi);
    const int width = d.W ? Scale(d.W) : Scale(1);
    // No text is no name: an empty one would still be a trip to the window server.
    HWND w = CreateWindowExA(kind.ExStyle, kind.Class, *d.Text ? d.Text : nullptr, kind.Style, at.X,
                             at.Y, width, Scale(d.H), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.Id)),
                             GetModuleHandleA(nullptr), nullptr);
    if (!w) return;
    KeepLayoutOrder(d, parentRow, w);
    // Only the look flags, and only when there are any: each is a trip too.
    const auto look = static_cast<LONG_PTR>(d.Flags) &
                      static_cast<LONG_PTR>(TCtlFlags::White | TCtlFlags::EtchedFrame);
    if ((d.Kind == TCtlKind::Panel || d.Kind == TCtlKind::Bevel) && look)
        SetWindowLongPtrA(w, GWLP_USERDATA, look);
    PlaceControl(d, w, true);
    Controls[d.Name] = w;
    if (d.Tag != TPage::None) {
        const auto index = static_cast<size_t>(PageIndex(d.Tag));
        if (Pages.size() <= index) Pages.resize(index + 1);
        Pages[index] = w;
    }
}

// Tab order is z-order, and a new window goes under its siblings. One made
// after a sibling that follows it in the layout (a page made after the
// buttons) is put back after the one before it.
void TMainDlgForm::KeepLayoutOrder(const TControlDef& d, const TControlDef* parentRow, HWND w) {
    const std::span<const TControlDef> layout = WizardLayout();
    const auto self = static_cast<size_t>(&d - layout.data());
    auto sibling = [&](size_t i) {
        const TControlDef& r = layout[i];
        return MadeAsWindow(r) && WindowParentOf(r) == parentRow ? Control(r.Name) : nullptr;
    };
    bool laterMade = false;
    for (size_t i = self + 1; i < layout.size() && !laterMade; ++i)
        laterMade = sibling(i) != nullptr;
    if (!laterMade) return;
    HWND before = HWND_TOP;
    for (size_t i = self; i-- > 0;)
        if (HWND s = sibling(i)) {
            before = s;
            break;
        }
    SetWindowPos(w, before, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainDlgForm::LookUpListControls() {
    CompList = TCheckListBox::From(Control("SelCompLstBx"));
    DirList = TDirectoryListBox::From(Control("DestDirLstBx"));
    DriveBox = TDriveBox::From(Control("DestDirCmbBx"));
}

HWND TMainDlgForm::Control(const char* name) const {
    auto it = Controls.find(name);
    return it == Controls.end() ? nullptr : it->second;
}

void TMainDlgForm::LoadLogos() {
    LogoSmallBitmap.Reset(LoadPNGResourceBitmap("LOGOSMALL"));
    LogoBitmap.Reset(LoadPNGResourceBitmap("LOGO"));
}

void TMainDlgForm::PaintInside(HDC dc, HWND window) const {
    const char* name = "";
    for (const auto& [n, w] : Controls)
        if (w == window) name = n.c_str();
    PaintRows(dc, name);
}

// The rows in `parent` that are no windows, as their windows were painted:
// a window made earlier lay over a later sibling, and over its parent.
// Panels in their colour, lines as that under an etched edge, pictures at
// their own size scaled for the DPI from their top-left corner, cut at
// their place.
void TMainDlgForm::PaintRows(HDC dc, std::string_view parent) const {
    const std::span<const TControlDef> layout = WizardLayout();
    for (auto it = layout.rbegin(); it != layout.rend(); ++it) {
        const TControlDef& d = *it;
        if (MadeAsWindow(d) || parent != d.Parent) continue;
        const TLayoutPoint at = PlaceInWindow(d, Dpi);
        const int x = at.X, y = at.Y;
        RECT place{x, y, x + Scale(d.W), y + Scale(d.H)};
        // A page change repaints the wizard window under the page only.
        if (!RectVisible(dc, &place)) continue;
        const TControlDef* parentRow = FindControlDef(d.Parent);
        const bool white = Has(
            d.Kind == TCtlKind::Image ? (parentRow ? parentRow->Flags : TCtlFlags::None) : d.Flags,
            TCtlFlags::White);
        FillRect(dc, &place, GetSysColorBrush(white ? COLOR_WINDOW : COLOR_BTNFACE));
        if (d.Kind == TCtlKind::Bevel) DrawEdge(dc, &place, EDGE_ETCHED, BF_RECT);
        if (d.Kind == TCtlKind::Panel) PaintRows(dc, d.Name);
        if (d.Kind != TCtlKind::Image) continue;
        HBITMAP bmp = std::string_view(d.Text) == "LOGO" ? LogoBitmap.Get() : LogoSmallBitmap.Get();
        BITMAP info{};
        if (!bmp || !GetObjectA(bmp, sizeof info, &info)) continue;
        TMemoryDC mem(CreateCompatibleDC(dc));
        if (!mem.Get()) continue;
        TSelectObject sel(mem.Get(), bmp);
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, place.left, place.top, place.right, place.bottom);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, x, y, nullptr);
        StretchBlt(dc, x, y, Scale(info.bmWidth), Scale(info.bmHeight), mem.Get(), 0, 0,
                   info.bmWidth, info.bmHeight, SRCCOPY);
        RestoreDC(dc, saved);
    }
}

TSelCompControls TMainDlgForm::SelCompControls() const {
    TSelCompControls c;
    c.List = SelCompLstBx();
    c.ReqLbl = SelCompDiskSpaceReqLbl2();
    c.AvailLbl = SelCompDiskSpaceAvailLbl2();
    c.NextBtn = NextBtn();
    c.MainDir = [run = &Run] { return run->Options.MainDir; };
    c.RowToComponent = RowToComponent;
    return c;
}

TModalResult TMainDlgForm::ShowModal() {
    InModal = true;
    ModalResult = TModalResult::None;
    // Shown without redrawing, then invalidated: the window and its frame
    // with an erase, the controls without one. Each control paints all of
    // itself, and every erase costs the window server a trip per control.
    SetWindowPos(Window.Get(), nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    RedrawWindow(Window.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    RedrawWindow(Window.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    SetForegroundWindow(Window.Get());
    UpdateWindow(Window.Get());
    FixFocus();
    MSG m;
    for (;;) {
        if (ModalResult != TModalResult::None) {
            bool canClose = false;
            FormCloseQuery(canClose);
            if (canClose) break;
            ModalResult = TModalResult::None;
        }
        // The other pages are built once the first is painted and nothing
        // else waits: the user sees the wizard sooner and cannot tell.
        if (!PagesComplete && !PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) CompletePages();
        const BOOL got = GetMessageA(&m, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(m.wParam));
            CompletePages();  // the settings, as on every way out
            ModalResult = TModalResult::Cancel;
            break;
        }
        const bool ours = m.hwnd == Window.Get() || IsChild(Window.Get(), m.hwnd);
        if (ours && m.message == WM_KEYDOWN && HandleDialogKey(m.wParam)) continue;
        if (ours && m.message == WM_SYSCHAR && HandleMnemonic(m.wParam)) continue;
        if (!IsDialogMessageA(Window.Get(), &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    InModal = false;
    ShowWindow(Window.Get(), SW_HIDE);
    return ModalResult;
}

bool TMainDlgForm::HandleDialogKey(WPARAM key) {
    auto press = [](HWND button) {
        if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return false;
        SendMessageA(button, BM_CLICK, 0, 0);
        return true;
    };
    if (key != VK_ESCAPE && key != VK_RETURN) return false;
    HWND focus = GetFocus();
    // An open drop-down list takes both itself: Enter picks the highlighted
    // drive, Escape closes the list and keeps the drive.
    if (DestDirCmbBx() && focus == DestDirCmbBx()->Inner() &&
        SendMessageA(focus, CB_GETDROPPEDSTATE, 0, 0))
        return false;
    if (key == VK_ESCAPE) {
        press(CancelBtn());
        return true;  // Escape never reaches a control, enabled Cancel or not
    }
    if (focus == LicenseMemo()) return false;
    if (focus == BackBtn() || focus == CancelBtn()) return press(focus), true;
    press(NextBtn());
    return true;
}

bool TMainDlgForm::HandleMnemonic(WPARAM ch) {
    const char key = MnemonicOf(std::string{'&', static_cast<char>(ch)});
    for (const TControlDef& d : WizardLayout()) {
        if (d.Kind != TCtlKind::Label || Has(d.Flags, TCtlFlags::NoPrefix)) continue;
        HWND label = Control(d.Name);
        if (!key || !label || !IsWindowVisible(label) || MnemonicOf(WindowText(label)) != key)
            continue;
        const TControlDef* target = MnemonicTarget(d.Name);
        HWND to = target ? Control(target->Name) : nullptr;
        if (!to || !IsWindowVisible(to) || !IsWindowEnabled(to)) return false;
        SetFocus(to);
        // As a dialog does on entering an edit by its label.
        if (target->Kind == TCtlKind::Edit) SendMessageA(to, EM_SETSEL, 0, -1);
        return true;
    }
    return false;
}

void TMainDlgForm::SetModalResult(TModalResult result) {
    ModalResult = result;
    if (InModal) return;
    bool canClose = false;
    FormCloseQuery(canClose);
    if (!canClose) ModalResult = TModalResult::None;
}

void TMainDlgForm::EndWizard(TModalResult result) {
    CloseAllowed = true;
    SetModalResult(result);
}

void TMainDlgForm::Close() {
    if (ModalResult == TModalResult::None) SetModalResult(TModalResult::Cancel);
}

void TMainDlgForm::CancelBtnClick() { Close(); }

void TMainDlgForm::BNClick(HWND sender) {
    if (Shown == TPage::None) return;
    if (sender == BackBtn()) {
        if (Shown != TPage::Welcome) ShowPage(Shown, PreviousPage(Shown));
    } else {
        ShowPage(Shown, NextPage(Shown));
    }
}

void TMainDlgForm::FormCloseQuery(bool& canClose) {
    // A run that ends, even on the first page before the others were built,
    // has loaded the settings (and so made their keys).
    CompletePages();
    const bool allowed = Run.InstallThreadStatus.InstallCloseRequest(CloseAllowed, [] {
        return AskUser(MsgQuitSetup, TMsgKind::Confirmation,
                       TMsgButtons::No | TMsgButtons::Abort) == TModalResult::Abort;
    });
    CloseAllowed = allowed;
    canClose = allowed;
}

HWND TMainDlgForm::PageByTag(TPage tag) const {
    for (const TControlDef& d : WizardLayout())
        if (d.Tag != TPage::None && d.Tag == tag) return Control(d.Name);
    return nullptr;
}

void TMainDlgForm::ShowPage(TPage from, TPage to) {
    if (to != TPage::Welcome) CompletePages();
    if (from != TPage::None && to == NextPage(from) && !Do(PageRow(from).Leave)) return;
    if (to == TPage::FinishStep) return;
    // Only a page that a portable installation skips waits for the storage
    // query: the first page does not.
    if (PageRow(to).SkippedWhenPortable) to = ResolvePageTarget(to, Run.IsPortable());
    if (!Do(PageRow(to).Enter)) return;
    ApplyCommonTail(to);
    Do(PageRow(to).Shown);
}

bool TMainDlgForm::Do(TPageAction action) { return !action || (this->*action)(); }

bool TMainDlgForm::LeaveWelcome() {
    if (GetWindowTextLengthA(LicenseMemo()) != 0) return true;
    if (IsAppRunning()) {
        AskUser(MsgAppRunning, TMsgKind::Information, TMsgButtons::Ok);
        return false;
    }
    LoadLicenseText();
    return true;
}

bool TMainDlgForm::LeaveLicense() {
    if (Ticked(LicenseChkBx())) return true;
    if (AskUser(MsgLicenseDeclined, TMsgKind::Information, TMsgButtons::Yes | TMsgButtons::No) ==
        TModalResult::Yes)
        EndWizard(TModalResult::Cancel);
    return false;
}

bool TMainDlgForm::EnterDestDir() {
    // Not at start-up: each drive's label and kind take milliseconds to ask.
    if (DestDirCmbBx()) DestDirCmbBx()->ListDrives();
    return true;
}

bool TMainDlgForm::EnterSelComp() {
    if (!SelCompLstBx()) return true;
    const TAttachedFiles* files = Payload();
    if (files) EnterSelCompPage(SelCompControls(), files);
    return files != nullptr;
}

bool TMainDlgForm::ShownSelComp() {
    if (SelCompLstBx()) UpdateDiskSpace(SelCompControls());
    return true;
}

bool TMainDlgForm::EnterStart() {
    const int show = Run.IsPortable() ? SW_HIDE : SW_SHOW;
    ShowWindow(InstallToAllChkBx(), show);
    ShowWindow(DesktopChkBx(), show);
    return true;
}

bool TMainDlgForm::LeaveStart() {
    if (!IsAppRunning()) return true;
    AskUser(MsgAppRunning, TMsgKind::Information, TMsgButtons::Ok);
    return false;
}

bool TMainDlgForm::LeaveDestDir() {
    TFolderCheck check = CheckDestDirEdit(DestDirEdt());
    if (check.Problem == TFolderProblem::None) {
        const TAttachedFiles* files = Payload();
        if (!files) return false;
        std::string mainDir;
        check = CheckMainFolder(WindowText(DestDirEdt()),
                                DestDirCmbBx() ? DestDirCmbBx()->Drive() : 0, files, mainDir);
        if (!mainDir.empty()) SetWindowTextA(DestDirEdt(), mainDir.c_str());
    }
    if (check.Problem != TFolderProblem::None) {
        // Someone else's files there would be replaced, and later uninstalled.
        const bool foreign = check.Problem == TFolderProblem::ForeignFiles;
        const TModalResult answer =
            AskUser(FolderProblemMessage(check), foreign ? TMsgKind::Confirmation : TMsgKind::Error,
                    foreign ? TMsgButtons::Yes | TMsgButtons::No : TMsgButtons::Ok);
        if (!foreign || answer != TModalResult::Yes) {
            SetFocus(DestDirEdt());
            return false;
        }
    }
    Run.Options.MainDir = WindowText(DestDirEdt());
    return true;
}

bool TMainDlgForm::EnterAssoc() {
    const int32_t max =
        static_cast<int32_t>(SendMessageA(InstallingProgressBar(), PBM_GETRANGE, FALSE, 0));
    SendMessageA(InstallingProgressBar(), PBM_SETPOS, static_cast<WPARAM>(max), 0);
    const auto ticks = AssocTicks(Run.Options.Extensions);
    for (int i = 0; i < 4; ++i) SetTicked(AssocChkBx(i), ticks[static_cast<size_t>(i)]);
    return true;
}

bool TMainDlgForm::EnterFinish() {
    bool assoc[4];
    for (int i = 0; i < 4; ++i) assoc[i] = Ticked(AssocChkBx(i));
    FinishPageEntry(Run, assoc, Ticked(InstallToAllChkBx()), Ticked(DesktopChkBx()));
    return true;
}

TAttachedFiles* TMainDlgForm::Payload() {
    TAttachedFiles* files = Run.Files();
    if (!files && !PayloadRefused) {
        PayloadRefused = true;
        AskUser(MsgPayloadDamaged, TMsgKind::Error, TMsgButtons::Ok);
        Run.Outcome = TExitCode::CouldNotStart;
        EndWizard(TModalResult::Cancel);
    }
    return files;
}

void TMainDlgForm::LoadLicenseText() {
    EnableWindow(NextBtn(), FALSE);
    EnableWindow(CancelBtn(), FALSE);
    TWaitCursor wait;
    TAttachedFiles* files = Payload();
    if (!files) return;
    const std::string temp = MakeTempFileName();
    Run.Log.SuspendLogging();
    const bool ok = files->ExtractFile(nullptr, "License.txt", temp);
    Run.Log.ResumeLogging();
    if (ok) {
        std::string licence;
        ReadWholeFile(temp, licence);
        SetWindowTextA(LicenseMemo(), LicenseMemoText(licence).c_str());
        DeleteFileA(temp.c_str());
    } else {
        Run.Outcome = TExitCode::CouldNotStart;
        EndWizard(TModalResult::Cancel);
    }
}

bool TMainDlgForm::ShownInstalling() {
    std::vector<TCheckState> rows;
    for (int r = 0; r < RowCount(); ++r) rows.push_back(GetRow(r));
    SelectedComps = SelectedComponents(rows, RowToComponent);
    TAttachedFiles* files = Payload();
    if (!files) return false;
    StartInstallRun(Run, SelectedComps);
    const int32_t total = files->GetTotalSize();
    SendMessageA(InstallingProgressBar(), PBM_SETRANGE32, 0, total);
    SendMessageA(InstallingProgressBar(), PBM_SETPOS, 0, 0);
    TInstallThreadStatus& status = Run.InstallThreadStatus;
    status.SetState(TInstallState::Running);
    status.SetInstallStateNotifier(
        [window = Window.Get()] { PostMessageA(window, InstallStatusMessage, 0, 0); });
    if (!status.StartInstallThread(*files)) {
        status.SetState(TInstallState::Idle);
        AskUser(MsgInstallNotStarted, TMsgKind::Error, TMsgButtons::Ok);
        Run.Outcome = TExitCode::Failed;
        EndWizard(TModalResult::Cancel);
        return false;
    }
    return true;
}

bool TMainDlgForm::LeaveFinish() {
    std::string error;
    if (!FinishActions(Run, Ticked(FinishChkBx()), &error)) {
        AskUser(error, TMsgKind::Error, TMsgButtons::Ok);
        return false;
    }
    EndWizard(TModalResult::Ok);
    return true;
}

void TMainDlgForm::ApplyCommonTail(TPage to) {
    const TPageRow& row = PageRow(to);
    const TPageButtons& b = row.Buttons;
    ShowWindow(BackBtn(), b.BackVisible ? SW_SHOW : SW_HIDE);
    EnableWindow(BackBtn(), b.BackEnabled);
    SetCaption(BackBtn(), CaptionBack);
    EnableWindow(NextBtn(), b.NextEnabled);
    SetCaption(NextBtn(), b.NextCaption);
    EnableWindow(CancelBtn(), b.CancelEnabled);
    SetCaption(CancelBtn(), CaptionCancel);
    SetWindowTextA(TopLbl(), row.Title);
    HWND page = PageByTag(to);
    for (HWND p : Pages)
        if (p != page) ShowWindow(p, SW_HIDE);
    if (page) ShowWindow(page, SW_SHOW);
    Shown = to;
    if (row.Focus) {
        HWND focus = Control(row.Focus);
        // The list's frame passes the focus on to the list inside it.
        if (SelCompLstBx() && focus == SelCompLstBx()->Handle()) focus = SelCompLstBx()->Inner();
        if (focus && IsWindowEnabled(focus)) SetFocus(focus);
        // As a dialog does on entering an edit: typing replaces the folder,
        // and the caret does not sit on the first letter.
        if (focus == DestDirEdt()) SendMessageA(focus, EM_SETSEL, 0, -1);
    }
    FixFocus();
}

// A disabled or hidden control cannot keep the focus; the keyboard would
// be dead otherwise.
void TMainDlgForm::FixFocus() {
    // A hidden window has no focus to fix, and asking for it would activate
    // the window before it is shown; ShowModal fixes it once shown.
    if (!IsWindowVisible(Window.Get())) return;
    HWND focus = GetFocus();
    if (focus && IsChild(Window.Get(), focus) && IsWindowEnabled(focus) && IsWindowVisible(focus))
        return;
    for (HWND b : {NextBtn(), CancelBtn()})
        if (IsWindowEnabled(b) && IsWindowVisible(b)) {
            SetFocus(b);
            return;
        }
    SetFocus(Window.Get());
}

void TMainDlgForm::StatusTimerTick() {
    // A wizard that is closing does not move on: after a confirmed quit the
    // thread's Done must not lead to the association and finish pages.
    if (InStatusTick || (CloseAllowed && ModalResult != TModalResult::None)) return;
    struct TBusy {
        bool& Flag;
        explicit TBusy(bool& f) : Flag(f) { Flag = true; }
        ~TBusy() { Flag = false; }
    } busy(InStatusTick);
    TStatusTickActions actions;
    actions.Progress = [this](int32_t position, uint8_t component) {
        SendMessageA(InstallingProgressBar(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
        if (component >= ComponentCount) return;
        const std::string text = EscapeCaption(ComponentNames[component]);
        if (WindowText(InstallingLbl2()) != text) SetWindowTextA(InstallingLbl2(), text.c_str());
    };
    actions.Finished = [this] {
        // The completion page alone would claim a whole installation.
        const TAttachedFiles* files = Run.Files();
        if (files && !files->Skipped.empty())
            AskUser(SkippedFilesMessage(files->Skipped), TMsgKind::Warning, TMsgButtons::Ok);
        if (!SaveRunInstallLog(Run)) {
            Run.Outcome = TExitCode::Failed;
            AskUser(InstallLogNotSavedMessage(Run.Log.LogFilePath()), TMsgKind::Warning,
                    TMsgButtons::Ok);
        }
        ShowPage(TPage::Installing, TPage::Assoc);
    };
    actions.Failed = [this] {
        Run.Outcome = TExitCode::Failed;
        EndWizard(TModalResult::Cancel);
    };
    Run.InstallThreadStatus.InstallStatusTick(actions);
}

void TMainDlgForm::DriveTimer() {
    if (DestDirCmbBx()) DriveTimerTick(*DestDirCmbBx());
}

void TMainDlgForm::AppActivated() {
    if (Shown == TPage::SelComp && SelCompLstBx()) UpdateDiskSpace(SelCompControls());
}

bool TMainDlgForm::GetBox(TOptionBox box) const {
    switch (box) {
    case TOptionBox::InstallToAll: return Ticked(InstallToAllChkBx());
    case TOptionBox::Desktop: return Ticked(DesktopChkBx());
    default: return Ticked(FinishChkBx());
    }
}

void TMainDlgForm::SetBox(TOptionBox box, bool checked) {
    switch (box) {
    case TOptionBox::InstallToAll: SetTicked(InstallToAllChkBx(), checked); break;
    case TOptionBox::Desktop: SetTicked(DesktopChkBx(), checked); break;
    default: SetTicked(FinishChkBx(), checked); break;
    }
}

int TMainDlgForm::RowCount() const { return SelCompLstBx() ? SelCompLstBx()->RowCount() : 0; }

TCheckState TMainDlgForm::GetRow(int row) const {
    return SelCompLstBx() ? SelCompLstBx()->State(row) : TCheckState::Unchecked;
}

void TMainDlgForm::SetRow(int row, TCheckState state) {
    if (SelCompLstBx()) SelCompLstBx()->SetState(row, state);
}

void TMainDlgForm::SetCurrentRow(int row) {
    if (SelCompLstBx()) SelCompLstBx()->SetCurrentRow(row);
}

LRESULT CALLBACK TMainDlgForm::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* form =
            static_cast<TMainDlgForm*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        form->Window.Reset(wnd);
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TMainDlgForm*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!form) return DefWindowProcA(wnd, msg, wp, lp);
    try {
        return form->HandleMessage(msg, wp, lp);
    } catch (...) {
        // Nothing may unwind into the system's dispatcher.
        return 0;
    }
}

LRESULT TMainDlgForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HandleCommand(wp, reinterpret_cast<HWND>(lp))) return 0;
        break;
    case PaintInsideMessage:
        PaintInside(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Window.Get(), &ps);
        PaintInside(dc, Window.Get());
        EndPaint(Window.Get(), &ps);
        return 0;
    }
    case DM_GETDEFID:
        return IsWindowEnabled(NextBtn()) ? MAKELRESULT(ctl_id::NextBtn, DC_HASDEFID) : 0;
    case WM_TIMER:
        if (wp == StatusTimerId)
            StatusTimerTick();
        else if (wp == DriveTimerId)
            DriveTimer();
        return 0;
    case InstallStatusMessage: StatusTimerTick(); return 0;
    case WM_ACTIVATEAPP:
        if (wp) AppActivated();
        break;
    case WmDpiChanged: {
        ApplyDpi(HIWORD(wp));
        const auto* r = reinterpret_cast<const RECT*>(lp);
        if (r)
            SetWindowPos(Window.Get(), nullptr, r->left, r->top, r->right - r->left,
                         r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE: Close(); return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(
            StaticColors(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    }
    return DefWindowProcA(Window.Get(), msg, wp, lp);
}

// Back, Next and Cancel, and Escape as the dialog manager reports it;
// false for any other command.
bool TMainDlgForm::HandleCommand(WPARAM wp, HWND from) {
    if (HIWORD(wp) == BN_CLICKED && from) {
        if (from == BackBtn() || from == NextBtn()) {
            BNClick(from);
            return true;
        }
        if (from == CancelBtn()) {
            CancelBtnClick();
            return true;
        }
    }
    if (LOWORD(wp) == IDCANCEL && !from) {
        HandleDialogKey(VK_ESCAPE);
        return true;
    }
    return false;
}

// Read-only edits and labels would take the dialog's grey; the memo stays
// white, labels take their panel's colour and the title its navy.
HBRUSH TMainDlgForm::StaticColors(HDC dc, HWND ctl) const {
    if (ctl == LicenseMemo()) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }
    const TCtlFlags parentFlags = PanelFlags(GetParent(ctl));
    if (ctl == TopLbl()) SetTextColor(dc, Navy);
    SetBkMode(dc, TRANSPARENT);
    const int color = Has(parentFlags, TCtlFlags::White) ? COLOR_WINDOW : COLOR_BTNFACE;
    SetBkColor(dc, GetSysColor(color));
    return GetSysColorBrush(color);
}
