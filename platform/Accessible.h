// Accessible objects (MSAA): what screen readers and other assistive programs are told of a window
// that is not the standard control it looks like, or no standard control at all. Its owner
// describes the window through a small interface (name, role, description, default action); its
// state comes from the window; the rest (place, focus, parent and children, hit testing,
// navigation) is the system's own object for the window, which it passes those calls on to. The
// object answers the window's WM_GETOBJECT for its client area, through a subclass of the window,
// and is made only when an assistive program first asks.
//
// oleacc, where LresultFromObject and the system's objects live, is not one of the system's known
// DLLs: it is loaded from the system folder at that first request, never imported.
#pragma once

#include <windows.h>

#include "platform/String.h"

class CAccessibleObject;

namespace qv {

// What a window's accessible object says of the window. Whether it is visible, enabled, a tab stop
// or focused comes from the window itself. Texts are code page 936.
class IAccessibleSource {
public:
    virtual CString AccessibleName() const = 0;
    // ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_GROUPING, ...
    virtual long AccessibleRole() const = 0;
    // Read after the name and role; empty when there is nothing more to say.
    virtual CString AccessibleDescription() const { return CString(); }
    // What the window's default action is called, empty when it has none; and doing it.
    virtual CString DefaultActionName() const { return CString(); }
    virtual void DoDefaultAction() {}

protected:
    ~IAccessibleSource() = default;
};

// Gives one window an accessible object described by a source, from Attach until the window goes
// or Detach. Neither the window nor the source is owned; the source must outlive the attachment.
class CAccessibleWindow {
public:
    CAccessibleWindow() = default;
    ~CAccessibleWindow() { Detach(); }
    CAccessibleWindow(const CAccessibleWindow&) = delete;
    CAccessibleWindow& operator=(const CAccessibleWindow&) = delete;

    bool Attach(HWND hWnd, IAccessibleSource* pSource);
    // The window answers with its system object again; an object handed out before answers nothing
    // more (a program still holding it is told it is gone).
    void Detach();
    // Tells assistive programs that the name changed, so that one reading the window says the new.
    void NotifyNameChange() const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    IAccessibleSource* m_pSource = nullptr;
    CAccessibleObject* m_pObject = nullptr;  // made at the first request; this holds one reference
};

}  // namespace qv
