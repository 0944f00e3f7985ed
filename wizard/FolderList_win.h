#pragma once
// The folder page's folder list: a child window that owns an owner-drawn
// list box showing the chain from the drive root to its current folder and
// that folder's sub-folders. It keeps its own current folder and never
// changes the process's current directory for long (only through
// FolderExists). Create it by class name TDirectoryListBox::ClassName.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "wizard/ControlDraw_win.h"
#include "wizard/ControlHost_win.h"

#include "wizard/FolderPage.h"

class TDriveBox;

class TDirectoryListBox : public THostedControl {
public:
    static constexpr const char* ClassName = "ParvelaFolderList";
    static TDirectoryListBox* From(HWND window);

    HWND Inner() const override { return List; }  // the LISTBOX

    // The drive box that follows the list's drive (not owned; may be null).
    void SetDriveBox(TDriveBox* box) { DriveBox = box; }

    // Shows `path`, or its nearest existing parent, or its drive root.
    void SetDirectory(const std::string& path);
    // Moves to drive `letter` (Program Files rule, same path, else the root).
    void SetDrive(char letter);
    // Re-reads the rows of the current folder; no change notification.
    void Rebuild();

    const std::string& Directory() const { return Current; }
    const std::vector<TFolderRow>& Rows() const { return RowList; }
    bool CasePreserved() const { return CasePreservedFlag; }
    bool CaseSensitive() const { return CaseSensitiveFlag; }
    int CurrentRow() const;  // the list's current row

    // Raised after the current folder changed (DestDirLstBxChange).
    std::function<void()> OnChange;

    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

private:
    explicit TDirectoryListBox(HWND window) : THostedControl(window) {}
    void Create() override;
    void UpdateMetrics() override;
    int ItemHeight() const override;
    void Draw(const DRAWITEMSTRUCT& dis) override;
    bool InnerCommand(WORD code) override;
    void MoveTo(const std::string& folder, bool notify);
    void ReadCaseFlags();

    HWND List = nullptr;
    TGdiObject OpenGlyph;
    TGdiObject ClosedGlyph;
    std::string Current;
    std::vector<TFolderRow> RowList;
    bool CasePreservedFlag = true;
    bool CaseSensitiveFlag = false;
    TDriveBox* DriveBox = nullptr;
};
