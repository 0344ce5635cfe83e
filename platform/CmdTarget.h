// Message maps: each class keeps a static table from message, or command id range, to a member
// handler, chained to its base class's table. Handlers are reached through small capture-less
// thunks, so the tables are plain constant data and every call is type-checked at compile time.
#pragma once

#include <windows.h>

#include "platform/Object.h"

class CCmdTarget;

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message; WM_COMMAND for command entries
    UINT nCode;     // WM_COMMAND: the notification code that must match (0: click or menu)
    UINT nID;       // WM_COMMAND: first id of the range
    UINT nLastID;   // WM_COMMAND: last id of the range
    LRESULT (*pfn)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam);
    const UINT* pnRegisteredMessage;  // set for a message registered at run time (nMessage unused)
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
public:
    // Runs the map handler for command nID with notification nCode; false when none matches.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, WPARAM wParam, LPARAM lParam);

    // The first entry for a plain message, searching this class's map and then its bases'.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message) const;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                       \
protected:                                          \
    static const AFX_MSGMAP* GetThisMessageMap();   \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                           \
            {0, 0, 0, 0, nullptr, nullptr}};                                                 \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,     \
                                              &messageEntries[0]};                  \
        return &messageMap;                                                         \
    }

#define QV_THUNK(body) \
    [](CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        auto* self = static_cast<ThisClass*>(target);                                  \
        (void)self; (void)message; (void)wParam; (void)lParam;                        \
        body                                                                          \
    }

// Commands: a click (BN_CLICKED, STN_CLICKED) or a menu choice, all with notification code 0.
#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, 0, (id), (id), QV_THUNK(self->memberFxn(); return 0;), nullptr},
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND, 0, (id), (idLast), QV_THUNK(self->memberFxn(LOWORD(wParam)); return 0;), nullptr},
#define ON_STN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)

#define ON_MESSAGE(msg, memberFxn) \
    {(msg), 0, 0, 0, QV_THUNK(return self->memberFxn(wParam, lParam);), nullptr},
// pnMessage points at a variable holding a RegisterWindowMessage result.
#define ON_REGISTERED_MESSAGE(pnMessage, memberFxn) \
    {0, 0, 0, 0, QV_THUNK(return self->memberFxn(wParam, lParam);), (pnMessage)},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, QV_THUNK(self->OnDestroy(); return 0;), nullptr},
#define ON_WM_ENDSESSION() \
    {WM_ENDSESSION, 0, 0, 0, QV_THUNK(self->OnEndSession(static_cast<BOOL>(wParam)); return 0;), nullptr},

#define ON_WM_CREATE() \
    {WM_CREATE, 0, 0, 0, QV_THUNK(return self->OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));), nullptr},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, QV_THUNK(self->OnPaint(); return 0;), nullptr},
#define ON_WM_SYSCOMMAND() \
    {WM_SYSCOMMAND, 0, 0, 0, QV_THUNK(self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;), nullptr},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, 0, QV_THUNK(return reinterpret_cast<LRESULT>(self->OnQueryDragIcon());), nullptr},
#define QV_MOUSE_POINT POINT{GET_X_LPARAM_(lParam), GET_Y_LPARAM_(lParam)}
#define ON_WM_LBUTTONDOWN() \
    {WM_LBUTTONDOWN, 0, 0, 0, QV_THUNK(self->OnLButtonDown(static_cast<UINT>(wParam), QV_MOUSE_POINT); return 0;), nullptr},
#define ON_WM_MOUSEMOVE() \
    {WM_MOUSEMOVE, 0, 0, 0, QV_THUNK(self->OnMouseMove(static_cast<UINT>(wParam), QV_MOUSE_POINT); return 0;), nullptr},
#define ON_WM_ERASEBKGND() \
    {WM_ERASEBKGND, 0, 0, 0, QV_THUNK(return self->OnEraseBkgnd(reinterpret_cast<HDC>(wParam));), nullptr},
#define ON_WM_SETCURSOR()                                                                     \
    {WM_SETCURSOR, 0, 0, 0, QV_THUNK(return self->OnSetCursor(reinterpret_cast<HWND>(wParam), \
                                                               LOWORD(lParam), HIWORD(lParam));), nullptr},
// The control-colour messages of every kind of child, and of the dialog itself, reach one
// handler with the kind as CTLCOLOR_MSGBOX ... CTLCOLOR_STATIC.
#define QV_CTLCOLOR_ENTRY(msg)                                                                  \
    {(msg), 0, 0, 0, QV_THUNK(return reinterpret_cast<LRESULT>(self->OnCtlColor(               \
                         reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),         \
                         message - WM_CTLCOLORMSGBOX));), nullptr},
#define ON_WM_CTLCOLOR()                                                        \
    QV_CTLCOLOR_ENTRY(WM_CTLCOLORMSGBOX) QV_CTLCOLOR_ENTRY(WM_CTLCOLOREDIT)     \
    QV_CTLCOLOR_ENTRY(WM_CTLCOLORLISTBOX) QV_CTLCOLOR_ENTRY(WM_CTLCOLORBTN)     \
    QV_CTLCOLOR_ENTRY(WM_CTLCOLORDLG) QV_CTLCOLOR_ENTRY(WM_CTLCOLORSCROLLBAR)   \
    QV_CTLCOLOR_ENTRY(WM_CTLCOLORSTATIC)

#define GET_X_LPARAM_(lp) static_cast<int>(static_cast<short>(LOWORD(lp)))
#define GET_Y_LPARAM_(lp) static_cast<int>(static_cast<short>(HIWORD(lp)))
