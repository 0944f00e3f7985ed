#pragma once
// What a screen reader learns about the components page's check list
// through the system's accessibility interface (MSAA): each row as a check
// box with its name, ticked or not, and read-only where the row is greyed.

#include <windows.h>

// Answers WM_GETOBJECT for the check list's inner list box `list` (whose
// parent is the TCheckListBox host). For OBJID_CLIENT sets `result` to the
// list's accessible object and returns true; false leaves the message to the
// default handling (another object id, or no accessibility support). Loads
// oleacc.dll from the system folder on the first request.
bool AnswerCheckListObject(HWND list, WPARAM wp, LPARAM lp, LRESULT& result);
