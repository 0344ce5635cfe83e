// The tool's main window: a caption-less skinned dialog with the two web panes, the share
// buttons, the collapse bar and the notification-area icon.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/CollapseBar.h"
#include "app/KeyboardNavigation.h"
#include "app/Layout.h"
#include "app/PaneAccess.h"
#include "app/RunningInstance.h"
#include "app/TrayIcon.h"
#include "app/WindowIcons.h"
#include "browser/HtmlBrowser.h"
#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Menu.h"
#include "platform/Rect.h"
#include "skin/SkinArt.h"
#include "skin/SkinButton.h"

class CQuilVaraDlg : public CDialog {
public:
    // pInstanceClaim, when given, is given up as the window goes, so that a later start need not
    // wait for the rest of this process's end.
    explicit CQuilVaraDlg(CWnd* pParent = nullptr, qv::CInstanceClaim* pInstanceClaim = nullptr);
    ~CQuilVaraDlg() override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

    // Skin painting, dragging and collapse.
    // Makes the back buffer and the bar's font for the window's DPI, and composes the buffer for
    // the window's state.
    void BuildSkinBuffer();
    // Draws the background of the window's state and the bar into the buffer from the resources
    // and writes the bar's text.
    void ComposeBuffer();
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnCollapseBar();
    HBRUSH OnCtlColor(HDC hDC, HWND hWnd, UINT nCtlColor);
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);

    // Commands, sharing and the notification-area icon.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnShareButton(UINT nID);
    void OnBtnClose();
    void OnBtnMinimize();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    LRESULT OnComeForward(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void OnEndSession(BOOL bEnding);

    // Display scaling: the window moved to a display of another DPI (or that display's scale
    // changed); wParam holds the new DPI, lParam the rectangle Windows suggests.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // The system resumed from sleep (PBT_APMRESUMEAUTOMATIC, sent whatever woke it).
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    // A system setting or the system's colours changed: high contrast may have come or gone.
    LRESULT OnSettingChange(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // A pane over rect showing url. Its window owns it once it exists and frees it when it goes;
    // a pane whose window could not be created is kept in m_unownedPanes instead.
    CHtmlBrowser* CreatePane(const RECT& rect, UINT nID, const char* url);
    // Whether hWnd shows a page: it lies inside a pane, or is a window the browser control made.
    bool BelongsToPage(HWND hWnd) const;
    // Creates button nID named name and gives it strip nStrip of hResources, whose art shows the
    // name; PlaceChildren places it.
    void CreateSkinButton(CSkinButton& button, UINT nID, UINT nStrip, HINSTANCE hResources, const char* name);
    // Puts every child at its place and scale for m_nDpi.
    void PlaceChildren();
    // A moment when a page that could not be had may be there again (the system resumed, the
    // user brought the window back from the tray or by starting the tool again): panes that
    // show their panel ask at once.
    void AskPanesAgain();
    // Makes the panes' panel font for m_nDpi and hands it to the panes.
    void ScalePanelFont();
    // Puts the minimise and close buttons at m_pSmallButtonPlaces, at m_nDpi.
    void PlaceSmallButtons();
    // Gives the buttons and the bar the colours of m_bHighContrast.
    void ApplyContrast();
    // What became of the clipboard when the recommendation text was to be put there.
    enum class CopyResult {
        kCopied,     // it holds the text
        kBusy,       // another program held it; it is as it was
        kUnchanged,  // the text could not be prepared or the clipboard not emptied; it is as it was
        kEmptied,    // it was emptied but refused the text: the old contents are gone
    };
    CopyResult CopyRecommendation();

    CHtmlBrowser* m_pSearchView = nullptr;
    CHtmlBrowser* m_pNewsView = nullptr;
    CSkinButton m_btnClose;
    CSkinButton m_btnMinimize;
    CSkinButton m_btnShare[4];
    CMenu m_menuTray;
    CTrayIcon m_trayIcon;
    // The window's own icons at its DPI.
    CWindowIcons m_windowIcons;
    CRect m_rcClient;
    CFont m_font;
    // The skin font at m_nDpi, for the panel a pane shows when its page cannot be opened.
    CFont m_fontPanel;
    CCollapseBar m_stcCollapseBar;
    bool m_bExpanded = true;
    // The composed image of the window around the panes, which every paint copies. The art is
    // drawn into it from the resources each time it is composed, and kept nowhere else.
    qv::CSkinSurface m_dcBuffer;
    HICON m_hIcon = nullptr;
    qv::CInstanceClaim* m_pInstanceClaim;
    // The DPI of the display the window is on, which every place and picture is scaled to.
    UINT m_nDpi = qv::kDefaultDpi;
    // Where the small buttons stand: at start, collapsed, or expanded again.
    const layout::SmallButtonPlaces* m_pSmallButtonPlaces = &layout::kSmallButtonsAtStart;
    // Panes no window owns (their windows could not be created): freed with the dialog.
    std::vector<std::unique_ptr<CHtmlBrowser>> m_unownedPanes;
    // Keyboard and screen-reader access: the tab order and keys, and what the panes are called.
    CKeyboardNavigation m_keyboard;
    CPaneAccess m_searchAccess;
    CPaneAccess m_newsAccess;
    // Whether Windows' high-contrast setting is on, which what the tool draws itself follows.
    bool m_bHighContrast = false;
};
