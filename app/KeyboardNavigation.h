// How the main window is worked from the keyboard. Tab and Shift+Tab are the dialog manager's: it
// goes through the window's children in their z-order, which this sets to reading order, and steps
// into a pane (a control parent) to the controls inside it. F6 and Shift+F6 move between the
// window's regions, as in a web browser. Enter presses the focused button or bar, and so does
// Space (a button presses itself, showing its pressed face while the key is down). The window's
// keyboard cues follow the input, where the system lets them: hidden after a mouse press, shown
// again at the next key.
#pragma once

#include <windows.h>

#include <cstddef>
#include <initializer_list>

class CKeyboardNavigation {
public:
    // A control of the window, and whether a region (for F6) begins with it.
    struct Control {
        HWND hWnd;
        bool bStartsRegion;
    };

    // hDialog's controls in reading order (controls without a window are left out, and those past
    // kMaxControls) and its collapse bar, which the keys press as a button; puts them in that order.
    void Init(HWND hDialog, std::initializer_list<Control> controls, HWND hBar);
    // Puts the controls in the window's z-order in reading order again, after something moved one
    // to the top of its siblings.
    void ApplyOrder() const;
    // Lets the keys reach hWnd (a control or a pane) or not: one out of sight is disabled, and the
    // focus, if it is inside, moves on to the next control.
    void SetReachable(HWND hWnd, bool bReachable) const;

    // Offered each message bound for the window or a window inside it, before the window's key
    // filter; true when it was handled here.
    bool PreTranslateMessage(const MSG& msg) const;

private:
    // The index of the control that is or holds hWnd; -1 for none.
    int IndexOf(HWND hWnd) const;
    // Whether hWnd is one of the controls itself.
    bool IsControl(HWND hWnd) const;
    static bool IsReachable(HWND hWnd);
    // Gives the focus to hWnd, or to the first (bLast: the last) control inside it when it is a pane.
    void FocusInto(HWND hWnd, bool bLast) const;
    void MoveToRegion(HWND hFocus, bool bBackward) const;
    void ShowCues(bool bShow) const;

    static constexpr size_t kMaxControls = 16;

    HWND m_hDialog = nullptr;
    HWND m_hBar = nullptr;
    Control m_controls[kMaxControls] = {};
    size_t m_nControls = 0;
};
