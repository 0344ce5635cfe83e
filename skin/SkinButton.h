// The skinned push button: owner-drawn from a five-frame bitmap strip (normal, pressed, focused,
// hover, disabled, left to right), tracking the mouse itself to show its hover frame, and marking
// the keyboard focus while the window shows keyboard cues. Clicks reach the parent as ordinary
// button commands.
#pragma once

#include <windows.h>

#include "attributes/Attribute.h"
#include "attributes/SkinAttribute.h"
#include "platform/Controls.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Image.h"
#include "platform/Object.h"
#include "skin/FocusMark.h"
#include "skin/SkinImage.h"

// Receives a skin button's mouse messages together with the button's child id.
class ISkinMouseSink : public IObject {
public:
    virtual void OnMouseLeave(int nCtrlId, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnMouseMove(int nCtrlId, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnLButtonUp(int nCtrlId, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnLButtonDown(int nCtrlId, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnRButtonUp(int nCtrlId, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnRButtonDown(int nCtrlId, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~ISkinMouseSink() = default;
};

class CSkinButton : public CButton {
    DECLARE_DYNAMIC(CSkinButton)

public:
    CSkinButton();

    // Gives the button strip nResourceId of hModule. bStretch: scale one frame over the whole
    // button; otherwise the button is sized to one frame and the frame copied one to one.
    // False, with nothing changed, for resource id 0.
    bool SetBitmap(UINT nResourceId, HINSTANCE hModule, bool bStretch);
    // Sizes the window to one frame of its strip without moving it; false when there is no
    // strip, no window, or the strip cannot be loaded (the size then stays).
    bool SizeToImage();
    // Shows the button on a display at dpi. At 96 it draws its strip as it is, loading it at each
    // paint; at any other DPI from the strip's art at that scale, made once here (and again when
    // the strip changes), and its caption in the skin font at that scale. A natural-size button
    // is resized to one frame at the new scale.
    void SetDpi(UINT dpi);

    // Gives the button caption (code page 936) as its window text, which screen readers read as its
    // name, where the strip's art already shows it: the caption is then drawn only on the classic
    // face, which has no art.
    void SetCaptionShownByArt(const char* caption);
    // The colours of the mark the button shows while it has the keyboard focus and the window
    // shows keyboard cues; the skin's own unless told.
    void SetFocusMark(const qv::FocusMarkColours& colours);

    // Icon drawn left of the caption; the button does not own it.
    void SetIcon(HICON hIcon) { m_hIcon = hIcon; }
    // Receiver of the button's mouse messages, or null; the button does not own it.
    void SetMouseSink(ISkinMouseSink* pSink) { m_pMouseSink = pSink; }

    // Paints the frame for the state in the record, then the icon, the caption and the focus mark.
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    DECLARE_MESSAGE_MAP()

    void PreSubclassWindow() override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int OnCreate(LPCREATESTRUCTW lpCreateStruct);
    void OnMouseMove(UINT nFlags, POINT point);
    BOOL OnEraseBkgnd(HDC hDC);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    // The window's keyboard cues were shown or hidden: the focus mark follows.
    LRESULT OnUpdateUiState(WPARAM wParam, LPARAM lParam);

private:
    // Owner-drawn style and the caption font, for created and attached windows alike.
    void TakeOverDrawing();
    // The shared skin font, or the one made from it for m_nDpi.
    HFONT CaptionFont() const;
    // Makes m_scaledStrip from the strip's source for m_nDpi (none at 96 DPI).
    void ScaleStrip();
    // The strip to draw from: the scaled one, else source's bitmap, which held keeps loaded for
    // as long as it lives; null when that cannot be loaded.
    const CImage* Strip(CSkinImageRef& held, CSkinImage& source);

    bool m_bStretch = true;
    bool m_bHover = false;
    HICON m_hIcon = nullptr;
    COLORREF m_crText;
    CSkinImage m_image;
    ISkinMouseSink* m_pMouseSink = nullptr;
    bool m_bCaptionInArt = false;
    qv::FocusMarkColours m_focusMark = qv::kSkinFocusMark;
    UINT m_nDpi = qv::kDefaultDpi;
    CImage m_scaledStrip;  // the strip at m_nDpi, made from its art; empty at 96 DPI
    CFont m_scaledFont;    // the skin font at m_nDpi; empty at 96 DPI
};

// What all skin buttons share: the default caption colour and the default strip, for buttons
// that have no strip of their own.
class CSkinButtonAttribute : public CSkinAttribute {
public:
    CSkinButtonAttribute();

    bool SaveToStore() override;
    // Reads the caption colour and points the default strip at the executable's IDB_BTN_DEFAULT.
    bool LoadFromStore() override;

    COLORREF m_crFontColor = 0;
    CString m_strBackImage;
    CSkinImage m_image;
};

extern CSkinButtonAttribute g_skinButtonAttribute;
