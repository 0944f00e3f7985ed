#pragma once
// The folder page's drive box: a child window that owns an owner-drawn
// drop-down list of the drives C: to Z: (no CD-ROM drives), each with a
// fixed or removable glyph. Create it by class name TDriveBox::ClassName
// after RegisterWizardControls; the C++ object lives as long as the window.
// It reads the drive mask when created but asks each drive for its label
// and kind only when the items are first needed (ListDrives or any item
// accessor): those queries cost milliseconds per drive.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wizard/ControlDraw_win.h"
#include "wizard/ControlHost_win.h"

class TDirectoryListBox;

class TDriveBox : public THostedControl {
public:
    static constexpr const char* ClassName = "ParvelaDriveBox";
    static TDriveBox* From(HWND window);  // null for a window of another class

    HWND Inner() const override { return Combo; }  // the COMBOBOX

    // The folder list that choosing a drive moves (not owned; may be null).
    void SetFolderList(TDirectoryListBox* list) { FolderList = list; }
    TDirectoryListBox* GetFolderList() const { return FolderList; }

    // Selects the drive and moves the linked folder list to it, unless an
    // item is selected and the stored drive already equals `letter`.
    void SetDrive(char letter);
    // Selects the drive's item without moving the folder list; before the
    // drives are listed, the item is selected when they are.
    void SelectDrive(char letter);
    // Clears the items, reads GetLogicalDrives into Mask() and lists the drives.
    void Rebuild();
    // Lists the drives of Mask() unless they are listed already.
    void ListDrives() const;

    char Drive() const { return CurrentDrive; }  // lower case; 0 when none
    uint32_t Mask() const { return DriveMask; }  // mask seen at the last rebuild
    int ItemCount() const;
    int SelectedIndex() const;  // -1 when none
    std::string ItemText(int index) const;
    bool ItemRemovable(int index) const;
    std::string SelectedText() const;  // empty when none
    // Selects the item whose text equals `text`; none when there is none.
    void SelectText(const std::string& text);

    // Called after the user chose an item (after the folder list moved).
    std::function<void()> OnChange;

    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

private:
    struct TItem {
        std::string Text;
        bool Removable = false;
    };
    explicit TDriveBox(HWND window) : THostedControl(window) {}
    void Create() override;
    void UpdateMetrics() override;
    int ItemHeight() const override;
    void Draw(const DRAWITEMSTRUCT& dis) override;
    int DropDownHeight() const override;
    bool InnerCommand(WORD code) override;
    void ItemChosen();
    void List() const;
    int IndexOf(char lowerLetter) const;  // of the listed items; -1 for none

    HWND Combo = nullptr;
    TGdiObject FixedGlyph;
    TGdiObject RemovableGlyph;
    // Filled on first need, also from the const accessors.
    mutable std::vector<TItem> Items;
    mutable bool Listed = false;
    char CurrentDrive = 0;
    uint32_t DriveMask = 0;
    TDirectoryListBox* FolderList = nullptr;
};
