// Dialogs built on numbered templates, driven by a static message map per
// class. `this` travels through the create call and lives in DWLP_USER; no
// message is dispatched before it is set.
#pragma once

#include "ui/Wnd.h"

#include <type_traits>

class CDialog;

// WM_DRAWITEM as the dialog hands it on to the owner-drawn control itself.
constexpr UINT kReflectedDrawItem = WM_APP + 0x100;

// One row of a message map. For WM_COMMAND, nCode is the notification code
// and nId the control id; for WM_NOTIFY, the NMHDR code and idFrom; other
// messages match on nMessage alone. The map ends with a row of zeros. The
// row holds a thunk that calls the member with the arguments it declares.
struct MessageMapEntry
{
    using Thunk = INT_PTR (*)(CDialog* pDialog, WPARAM wParam, LPARAM lParam);
    UINT nMessage;
    UINT nCode;
    UINT nId;
    Thunk pfnThunk;
};

namespace MessageMapThunks
{
template <class T>
struct Member;
template <class C, class R, class... Args>
struct Member<R (C::*)(Args...)>
{
    using Class = C;
    using Result = R;
};

template <auto pfn, class... Args>
INT_PTR Call(CDialog* pDialog, Args... args)
{
    using Traits = Member<decltype(pfn)>;
    auto* pThis = static_cast<typename Traits::Class*>(pDialog);
    if constexpr (std::is_void_v<typename Traits::Result>)
    {
        (pThis->*pfn)(args...);
        return TRUE;
    }
    else
    {
        return (pThis->*pfn)(args...);
    }
}

// A command handler takes nothing, the command id, or the raw parameters.
template <auto pfn>
INT_PTR Command(CDialog* pDialog, WPARAM wParam, LPARAM lParam)
{
    using Class = typename Member<decltype(pfn)>::Class;
    if constexpr (std::is_invocable_v<decltype(pfn), Class*>)
        return Call<pfn>(pDialog);
    else if constexpr (std::is_invocable_v<decltype(pfn), Class*, UINT>)
        return Call<pfn>(pDialog, static_cast<UINT>(LOWORD(wParam)));
    else
        return Call<pfn>(pDialog, wParam, lParam);
}

template <class T>
struct NotifyArgument;
template <class C, class R, class NM>
struct NotifyArgument<R (C::*)(const NM*)>
{
    using Type = const NM*;
};

// A notification handler takes its NMHDR subtype, or the raw parameters.
template <auto pfn>
INT_PTR Notify(CDialog* pDialog, WPARAM wParam, LPARAM lParam)
{
    using Class = typename Member<decltype(pfn)>::Class;
    if constexpr (std::is_invocable_v<decltype(pfn), Class*, WPARAM, LPARAM>)
        return Call<pfn>(pDialog, wParam, lParam);
    else
        return Call<pfn>(pDialog, reinterpret_cast<typename NotifyArgument<decltype(pfn)>::Type>(lParam));
}

template <auto pfn>
INT_PTR Message(CDialog* pDialog, WPARAM wParam, LPARAM lParam)
{
    return Call<pfn>(pDialog, wParam, lParam);
}
} // namespace MessageMapThunks

#define QM_ON_MESSAGE(msg, cls, fn) {msg, 0, 0, &MessageMapThunks::Message<&cls::fn>}
#define QM_ON_COMMAND(id, cls, fn) {WM_COMMAND, BN_CLICKED, id, &MessageMapThunks::Command<&cls::fn>}
#define QM_ON_NOTIFY(code, id, cls, fn) {WM_NOTIFY, static_cast<UINT>(code), id, &MessageMapThunks::Notify<&cls::fn>}
#define QM_END_MESSAGE_MAP {0, 0, 0, nullptr}

class CDialog : public CWnd
{
public:
    CDialog(UINT nTemplateId, CWnd* pParent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns what EndDialog was given, or -1.
    INT_PTR DoModal();
    // Creates the dialog modeless (tests drive windows this way).
    BOOL Create();
    void EndDialog(INT_PTR nResult);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Each dialog class hands out its own map; nullptr for none.
    virtual const MessageMapEntry* GetMessageMap() const { return nullptr; }
    // Messages a base class handles for every dialog derived from it, seen
    // before the map; true when handled, with the dialog-procedure result.
    virtual bool PreDispatch(UINT, WPARAM, LPARAM, INT_PTR*) { return false; }

    // Binds a member to a control of the template.
    void DDX_Control(int nId, CWnd& control) const { control.Attach(GetDlgItem(nId)); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    // What DialogProc does, inside its barrier.
    static INT_PTR Route(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT uMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nTemplateId;
    CWnd* m_pParent;
    bool m_bModal = false;
};
