#include "wizard/Accessibility_win.h"

#include <oleacc.h>

#include <atomic>
#include <string>

#include "instutils/InstUtils.h"
#include "instutils/WinHandles.h"
#include "wizard/CheckList_win.h"

namespace {

using CreateStdAccessibleObjectProc = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectProc = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);

// oleacc.dll is neither always loaded nor on the protected list: it is
// taken from the system folder only, and only once a client asks.
struct TOleacc {
    TLoadedModule Module;
    CreateStdAccessibleObjectProc CreateStd = nullptr;
    LresultFromObjectProc FromObject = nullptr;
};

const TOleacc& Oleacc() {
    static const TOleacc acc = [] {
        TOleacc a;
        const std::string path = SystemFolderFile("oleacc.dll");
        if (path.empty()) return a;
        a.Module =
            TLoadedModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (!a.Module.Get()) return a;
        auto find = [&a](const char* name) {
            return reinterpret_cast<void*>(GetProcAddress(a.Module.Get(), name));
        };
        a.CreateStd =
            reinterpret_cast<CreateStdAccessibleObjectProc>(find("CreateStdAccessibleObject"));
        a.FromObject = reinterpret_cast<LresultFromObjectProc>(find("LresultFromObject"));
        return a;
    }();
    return acc;
}

// The system's list box object, with each row made a check box that says
// whether it is ticked and, when greyed, that it cannot be changed. Rows
// are read from the control at each call, so the object never outlives
// what it describes.
class TCheckListAccessible final : public IAccessible {
public:
    TCheckListAccessible(IAccessible* inner, HWND list) : Inner(inner), List(list) {
        Inner->AddRef();
    }
    TCheckListAccessible(const TCheckListAccessible&) = delete;
    TCheckListAccessible& operator=(const TCheckListAccessible&) = delete;

    // IUnknown. Only our own interfaces: a client that asked the system
    // object for an enumerator would bypass the rows' states.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --Refs;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: the system object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return Inner->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
        return Inner->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid,
                                            DISPID* ids) override {
        return Inner->GetIDsOfNames(iid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                                     UINT* arg) override {
        return Inner->Invoke(id, iid, lcid, flags, params, result, info, arg);
    }

    // IAccessible: the rows are ours, the list itself the system's.
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        const TCheckListBox* box = Box();
        *count = box ? box->RowCount() : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (Row(child) < 0) return Inner->get_accChild(child, out);
        return S_FALSE;  // rows are simple elements of this object
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        const int row = Row(child);
        if (row < 0 || !name) return Inner->get_accName(child, name);
        *name = ToBstr(Box()->RowText(row));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (Row(child) < 0 || !role) return Inner->get_accRole(child, role);
        VariantInit(role);
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_CHECKBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const int row = Row(child);
        if (row < 0 || !state) return Inner->get_accState(child, state);
        LONG flags = 0;
        VARIANT base;
        VariantInit(&base);
        if (SUCCEEDED(Inner->get_accState(child, &base)) && base.vt == VT_I4) {
            flags = base.lVal;
        } else {
            // A system object that knows no rows: what the list itself shows.
            flags = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
            if (row == Box()->CurrentRow())
                flags |= STATE_SYSTEM_SELECTED | (GetFocus() == List ? STATE_SYSTEM_FOCUSED : 0);
        }
        VariantClear(&base);
        const TCheckState check = Box()->State(row);
        if (check != TCheckState::Unchecked) flags |= STATE_SYSTEM_CHECKED;
        if (check == TCheckState::Grayed) flags |= STATE_SYSTEM_READONLY;
        VariantInit(state);
        state->vt = VT_I4;
        state->lVal = flags;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return Inner->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return Inner->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return Inner->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return Inner->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return Inner->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return Inner->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return Inner->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return Inner->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Inner->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override {
        return Inner->accSelect(how, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h,
                                          VARIANT child) override {
        return Inner->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT start, VARIANT* end) override {
        return Inner->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return Inner->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return Inner->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return Inner->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return Inner->put_accValue(child, value);
    }

private:
    ~TCheckListAccessible() { Inner->Release(); }

    const TCheckListBox* Box() const {
        return IsWindow(List) ? TCheckListBox::From(GetParent(List)) : nullptr;
    }

    // The row a child id names; -1 for the list itself or no row.
    int Row(const VARIANT& child) const {
        const TCheckListBox* box = Box();
        if (child.vt != VT_I4 || child.lVal == CHILDID_SELF || !box) return -1;
        return child.lVal >= 1 && child.lVal <= box->RowCount() ? static_cast<int>(child.lVal - 1)
                                                                : -1;
    }

    static BSTR ToBstr(const std::string& text) {
        const int n =
            MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(n));
        if (out && n > 0)
            MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out, n);
        return out;
    }

    IAccessible* Inner;  // one reference, released with this object
    HWND List;
    std::atomic<ULONG> Refs{1};
};

}  // namespace

bool AnswerCheckListObject(HWND list, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (static_cast<LONG>(static_cast<DWORD>(lp)) != OBJID_CLIENT) return false;
    const TOleacc& acc = Oleacc();
    if (!acc.CreateStd || !acc.FromObject) return false;
    TComPtr<IAccessible> inner;
    if (FAILED(acc.CreateStd(list, OBJID_CLIENT, __uuidof(IAccessible), inner.OutPtr())) || !inner)
        return false;
    TComPtr<IAccessible> outer;
    *outer.OutPtr() = static_cast<IAccessible*>(new TCheckListAccessible(inner.Get(), list));
    result = acc.FromObject(__uuidof(IAccessible), wp, outer.Get());
    return result > 0;
}
