#include "skin/SkinButton.h"

#include "platform/Gdi.h"
#include "platform/Rect.h"
#include "res/resource.h"
#include "skin/SkinArt.h"

IMPLEMENT_DYNAMIC(CSkinButton, CButton)

BEGIN_MESSAGE_MAP(CSkinButton, CButton)
    ON_WM_CREATE()
    ON_WM_MOUSEMOVE()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    ON_MESSAGE(WM_UPDATEUISTATE, OnUpdateUiState)
END_MESSAGE_MAP()

namespace {

// The class-wide settings, published and stored under these names.
constexpr char kFontColourAttr[] = "按钮字体颜色";
constexpr char kBackImageAttr[] = "按钮背景图";

constexpr int kFrameCount = 5;
enum Frame { kFrameNormal = 0, kFramePressed = 1, kFrameFocused = 2, kFrameHover = 3, kFrameDisabled = 4 };
// Pixels of this colour in a strip are never copied.
constexpr UINT kKeyColour = RGB(255, 0, 255);

// A face drops its icon and caption one pixel below centre, and a pressed face two more.
constexpr int kFaceDrop = 1;
constexpr int kPressedDrop = 2;
// An icon is drawn at 16 x 16, this far in from the left edge; the caption starts after it.
constexpr int kIconSize = 16;
constexpr int kIconLeft = 6;

// The line debug builds report a strip id of 0 at, wherever the check stands.
constexpr int kNoStripReportLine = 179;

// The first state that applies wins: a disabled button never shows hover or press, and a pressed
// button keeps its pressed face while the pointer is over it.
Frame SelectFrame(bool bDisabled, bool bPressed, bool bHover, bool bFocused) {
    if (bDisabled) return kFrameDisabled;
    if (bPressed) return kFramePressed;
    if (bHover) return kFrameHover;
    if (bFocused) return kFrameFocused;
    return kFrameNormal;
}

// The face of a button without a strip: raised when released, sunken when pressed.
void DrawClassicFace(const CDC& dc, const CRect& rect, bool bPressed) {
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = ::GetSysColor(COLOR_WINDOWFRAME);
    dc.FillSolidRect(rect, ::GetSysColor(COLOR_BTNFACE));
    dc.Draw3dRect(rect, bPressed ? dark : light, bPressed ? light : dark);
}

}  // namespace

// Constructed during static initialisation, before any button copies its caption colour.
CSkinButtonAttribute g_skinButtonAttribute;

CSkinButtonAttribute::CSkinButtonAttribute() : CSkinAttribute("CSkinButton") {
    AddAttribute(kFontColourAttr, &m_crFontColor, false);
    AddAttribute(kBackImageAttr, &m_strBackImage, false);
}

bool CSkinButtonAttribute::LoadFromStore() {
    m_crFontColor = LoadDwordFromStore(kFontColourAttr, 0);
    m_image.SetSource(IDB_BTN_DEFAULT, ::GetModuleHandleW(nullptr), false);
    return true;
}

bool CSkinButtonAttribute::SaveToStore() {
    SaveDwordToStore(kFontColourAttr, m_crFontColor);
    SaveStringToStore(kBackImageAttr, m_strBackImage);
    return true;
}

CSkinButton::CSkinButton() : m_crText(g_skinButtonAttribute.m_crFontColor) {}

void CSkinButton::TakeOverDrawing() {
    SetButtonStyle(GetButtonStyle() | BS_OWNERDRAW, TRUE);
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(CaptionFont()), TRUE);
}

int CSkinButton::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CButton::OnCreate(lpCreateStruct) == -1) return -1;
    TakeOverDrawing();
    return 0;
}

void CSkinButton::PreSubclassWindow() {
    CButton::PreSubclassWindow();
    TakeOverDrawing();
}

void CSkinButton::OnMouseMove(UINT nFlags, POINT point) {
    TrackHover(m_bHover);
    CButton::OnMouseMove(nFlags, point);
}

LRESULT CSkinButton::OnMouseLeave(WPARAM, LPARAM) {
    m_bHover = false;
    InvalidateRect(nullptr, FALSE);
    return 0;
}

LRESULT CSkinButton::OnUpdateUiState(WPARAM, LPARAM) {
    const LRESULT result = Default();
    InvalidateRect(nullptr, FALSE);
    return result;
}

BOOL CSkinButton::OnEraseBkgnd(HDC) {
    // Erasing first would flash the face: the frame drawn by DrawItem is the only paint.
    InvalidateRect(nullptr, FALSE);
    UpdateWindow();
    return TRUE;
}

LRESULT CSkinButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pMouseSink) {
        const int nCtrlId = static_cast<int>(::GetWindowLongW(m_hWnd, GWL_ID));
        switch (message) {
            case WM_MOUSEMOVE: m_pMouseSink->OnMouseMove(nCtrlId, wParam, lParam); break;
            case WM_LBUTTONDOWN: m_pMouseSink->OnLButtonDown(nCtrlId, wParam, lParam); break;
            case WM_LBUTTONUP: m_pMouseSink->OnLButtonUp(nCtrlId, wParam, lParam); break;
            case WM_RBUTTONDOWN: m_pMouseSink->OnRButtonDown(nCtrlId, wParam, lParam); break;
            case WM_RBUTTONUP: m_pMouseSink->OnRButtonUp(nCtrlId, wParam, lParam); break;
            case WM_MOUSELEAVE: m_pMouseSink->OnMouseLeave(nCtrlId, wParam, lParam); break;
            default: break;
        }
    }
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CSkinButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    CRect rect;
    GetClientRect(&rect);
    const bool bDisabled = (lpDrawItemStruct->itemState & ODS_DISABLED) != 0;
    const bool bPressed = (lpDrawItemStruct->itemState & ODS_SELECTED) != 0;
    const bool bFocused = (lpDrawItemStruct->itemState & ODS_FOCUS) != 0;
    // The system hides the keyboard cues after mouse use until a key is pressed, where it hides
    // them at all; the focus frame stays.
    const bool bFocusMark = bFocused && !bDisabled && !(lpDrawItemStruct->itemState & ODS_NOFOCUSRECT);

    CDC dc;
    dc.AttachBorrowed(lpDrawItemStruct->hDC);

    // A source that fails to load does not fall back to the class-wide strip: only a button
    // without any source of its own uses that.
    CSkinImageRef held;
    const CImage* pStrip = Strip(held, m_image.HasSource() ? m_image : g_skinButtonAttribute.m_image);
    const CRect face = rect;
    if (pStrip) {
        const int frameWidth = pStrip->GetWidth() / kFrameCount;
        const int sourceX = SelectFrame(bDisabled, bPressed, m_bHover, bFocused) * frameWidth;
        // Stretched: the whole frame scaled over the button. Natural size: the button is one
        // frame in size, so a client-sized piece from the frame's corner is the frame itself.
        const int sourceWidth = m_bStretch ? frameWidth : rect.Width();
        const int sourceHeight = m_bStretch ? pStrip->GetHeight() : rect.Height();
        pStrip->TransparentBlt(dc, 0, 0, rect.Width(), rect.Height(), sourceX, 0, sourceWidth, sourceHeight,
                               kKeyColour);
    } else {
        DrawClassicFace(dc, rect, bPressed);
    }

    if (bPressed) rect.top += kPressedDrop;
    if (m_hIcon) {
        const int iconY = rect.top + kFaceDrop + (rect.Height() - kIconSize) / 2;
        ::DrawIconEx(dc, rect.left + kIconLeft, iconY, m_hIcon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
        rect.left += kIconLeft + kIconSize;
    }
    rect.top += kFaceDrop;
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(bDisabled ? ::GetSysColor(COLOR_GRAYTEXT) : m_crText);
    if (!(m_bCaptionInArt && pStrip))
        dc.DrawText(GetWindowText(), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (bFocusMark) qv::DrawFocusMark(dc, face, m_nDpi, m_focusMark);
}

void CSkinButton::SetCaptionShownByArt(const char* caption) {
    m_bCaptionInArt = true;
    SetWindowText(caption);
}

void CSkinButton::SetFocusMark(const qv::FocusMarkColours& colours) {
    m_focusMark = colours;
    if (m_hWnd) InvalidateRect(nullptr, FALSE);
}

bool CSkinButton::SizeToImage() {
    if (!m_image.HasSource() || !m_hWnd) return false;
    CSkinImageRef held;
    const CImage* pStrip = Strip(held, m_image);
    if (!pStrip) return false;
    // Insert-after top: a resized button also comes to the top of its siblings.
    SetWindowPos(HWND_TOP, 0, 0, pStrip->GetWidth() / kFrameCount, pStrip->GetHeight(), SWP_NOMOVE);
    return true;
}

const CImage* CSkinButton::Strip(CSkinImageRef& held, CSkinImage& source) {
    if (!m_scaledStrip.IsNull()) return &m_scaledStrip;
    return held.Attach(&source) ? held.operator->() : nullptr;
}

void CSkinButton::ScaleStrip() {
    m_scaledStrip.Destroy();
    // A strip from an image file has no art at other scales: it is drawn as it is.
    if (m_nDpi == qv::kDefaultDpi || !m_image.GetModule()) return;
    const SIZE strip = qv::GetSkinBitmapSize(m_image.GetModule(), m_image.GetResourceId());
    const SIZE frame = {qv::ScaleToDpi(strip.cx / kFrameCount, m_nDpi), qv::ScaleToDpi(strip.cy, m_nDpi)};
    m_scaledStrip.Attach(qv::LoadSkinArt(m_image.GetModule(), m_image.GetResourceId(), kFrameCount, frame));
}

HFONT CSkinButton::CaptionFont() const {
    return m_scaledFont.GetSafeHandle() ? m_scaledFont.GetSafeHandle() : g_skinFont.GetSafeHandle();
}

void CSkinButton::SetDpi(UINT dpi) {
    m_nDpi = dpi;
    ScaleStrip();
    // The skin font at this scale. The old one goes only once the window has the new one.
    CFont previous;
    previous.Attach(m_scaledFont.Detach());
    if (dpi != qv::kDefaultDpi) m_scaledFont.CreateScaledCopy(g_skinFont.GetSafeHandle(), dpi);
    if (m_hWnd) SetFont(CaptionFont());
    if (!m_bStretch) SizeToImage();
    if (m_hWnd) InvalidateRect(nullptr, FALSE);
}

bool CSkinButton::SetBitmap(UINT nResourceId, HINSTANCE hModule, bool bStretch) {
    ASSERT_AT(nResourceId != 0, kNoStripReportLine);
    if (nResourceId == 0) return false;
    m_bStretch = bStretch;
    m_image.SetSource(nResourceId, hModule, false);
    ScaleStrip();
    if (!m_bStretch) SizeToImage();
    if (m_hWnd) InvalidateRect(nullptr, FALSE);
    return true;
}
