#pragma once
// What the drive box, folder list and check list have in common: each is a
// container window whose C++ object lives in the window's first extra slot
// and which wraps one inner control that takes its font, focus and state.

#include <windows.h>

// Registers the drive box, folder list and check list window classes.
// Idempotent; call once before the layout creates the controls.
void RegisterWizardControls(HINSTANCE instance);

// The object stored in `window` when it is of class `className`; null otherwise.
void* HostedObject(HWND window, const char* className);

// Window procedure body of a host class: makes the object at WM_NCCREATE,
// deletes it at WM_NCDESTROY and hands every other message to `dispatch`.
template <class T>
LRESULT HostWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, T* (*make)(HWND),
                       LRESULT (T::*dispatch)(UINT, WPARAM, LPARAM)) {
    try {
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(make(w)));
            // Tab and dialog keys reach the inner control.
            SetWindowLongPtrA(w, GWL_EXSTYLE,
                              GetWindowLongPtrA(w, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        }
        auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(w, 0));
        if (!self) return DefWindowProcA(w, msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(w, 0, 0);
            delete self;
            return DefWindowProcA(w, msg, wp, lp);
        }
        return (self->*dispatch)(msg, wp, lp);
    } catch (...) {
        return DefWindowProcA(w, msg, wp, lp);
    }
}

// Creates the inner control filling the host's client area, `extraHeight`
// pixels taller (a drop-down list's room).
HWND CreateInnerControl(HWND host, DWORD exStyle, const char* className, DWORD style,
                        int extraHeight = 0);

// Passes the messages every host shares on to `inner`: WM_SETFONT (kept in
// `font`, not owned), WM_GETFONT, WM_SETFOCUS and WM_ENABLE. False for any
// other message, which the host then handles itself.
bool ForwardToInner(HWND inner, HFONT& font, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
