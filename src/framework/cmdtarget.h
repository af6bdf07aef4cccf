// Message maps: each class that handles messages or commands has a static table of entries and a
// pointer to its base class's table. Dispatch walks from the most derived table to the base; what no
// table answers takes the class's default course.
//
//   const MessageMap* CMyDlg::GetMessageMap() const {
//       static const MessageEntry entries[] = {
//           fw::OnCommand<&CMyDlg::OnBrowse>(IDC_BROWSE),
//           fw::OnMessage<&CMyDlg::OnDestroy>(WM_DESTROY),
//       };
//       static const MessageMap map = {CDialog::GetMessageMap(), entries, std::size(entries)};
//       return &map;
//   }
#pragma once

#include <windows.h>

#include <cstddef>
#include <type_traits>

class CCmdTarget;

// Every handler reaches the table through one signature: the target, wParam, lParam; the result
// goes back to the window manager where the message has one.
using MessageThunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    UINT message;     // WM_xxx
    UINT code;        // WM_COMMAND only: notification code (BN_CLICKED, also a menu command)
    UINT id;          // WM_COMMAND only: control or command id
    MessageThunk thunk;
};

struct MessageMap {
    const MessageMap* base;
    const MessageEntry* entries;
    size_t count;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    virtual const MessageMap* GetMessageMap() const;

    // Finds the entry for a message (and, for WM_COMMAND, its code and id); nullptr when none.
    const MessageEntry* FindEntry(UINT message, UINT code, UINT id) const;
    // Runs the command's handler if a table has one; FALSE when nobody handles it.
    virtual BOOL OnCmdMsg(UINT id, UINT code);
};

namespace fw {

template <class> struct MemberClass;
template <class C, class R, class... A> struct MemberClass<R (C::*)(A...)> { using type = C; };

template <auto F>
LRESULT CallHandler(CCmdTarget* target, WPARAM wParam, LPARAM lParam)
{
    using C = typename MemberClass<decltype(F)>::type;
    C* self = static_cast<C*>(target);
    // The handler shapes the dialogs use: (), (WPARAM, LPARAM) returning LRESULT, (UINT, LPARAM),
    // and a handle returned as the message's result (WM_QUERYDRAGICON).
    if constexpr (std::is_invocable_v<decltype(F), C*>) {
        using R = std::invoke_result_t<decltype(F), C*>;
        if constexpr (std::is_void_v<R>) {
            (self->*F)();
            return 0;
        } else {
            return (LRESULT)(self->*F)();
        }
    } else if constexpr (std::is_invocable_r_v<LRESULT, decltype(F), C*, WPARAM, LPARAM>
                         && !std::is_void_v<std::invoke_result_t<decltype(F), C*, WPARAM, LPARAM>>) {
        return (self->*F)(wParam, lParam);
    } else {
        (self->*F)(static_cast<UINT>(wParam), lParam);
        return 0;
    }
}

// A button click (or a menu command) with this id.
template <auto F> constexpr MessageEntry OnCommand(UINT id, UINT code = BN_CLICKED)
{
    return MessageEntry{WM_COMMAND, code, id, &CallHandler<F>};
}

// Any other window message.
template <auto F> constexpr MessageEntry OnMessage(UINT message)
{
    return MessageEntry{message, 0, 0, &CallHandler<F>};
}

}  // namespace fw
