#include "browser/HtmlBrowser.h"

#include "platform/Debug.h"

namespace {

// What a pane without border and scroll bars adds to the host flags.
constexpr DWORD kNoScrollBorderFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;

// The line debug builds report a null page address at, wherever the check stands.
constexpr int kNullUrlReportLine = 31;

}  // namespace

// The pane handles no message of its own: every window message goes to the view.
BEGIN_MESSAGE_MAP(CHtmlBrowser, CHtmlView)
END_MESSAGE_MAP()

CHtmlBrowser::CHtmlBrowser(bool bNoScrollBorder)
    : m_bNavigate(false), m_bNoScrollBorder(bNoScrollBorder) {}

CHtmlBrowser::~CHtmlBrowser() = default;

// A pane shows its address through the view, which does nothing while it has no browser
// control: a pane whose window or control could not be created stays blank instead of failing.
// Each request is a plain page request shown in the pane itself: no flags, no target frame, no
// extra headers and no post data.
void CHtmlBrowser::SetUrl(const char* lpszUrl) {
    // A null address is a caller's mistake: debug builds report it, and every build keeps the
    // address it already had.
    ASSERT_AT(lpszUrl != nullptr, kNullUrlReportLine);
    if (!lpszUrl) return;
    m_strUrl = lpszUrl;
    if (m_bNavigate) Navigate2(m_strUrl, 0, nullptr, nullptr, nullptr, 0);
}

bool CHtmlBrowser::EnableNavigate(bool bEnable) {
    if (bEnable == m_bNavigate) return m_bNavigate;
    m_bNavigate = bEnable;
    if (bEnable) {
        if (GetSafeHwnd() && !m_strUrl.IsEmpty()) Navigate2(m_strUrl, 0, nullptr, nullptr, nullptr, 0);
    } else {
        m_strUrl.Empty();
    }
    return m_bNavigate;
}

HRESULT CHtmlBrowser::OnGetHostInfo(DOCHOSTUIINFO* pInfo) {
    // The window scales itself to the display, so pages are drawn at its DPI too.
    pInfo->dwFlags |= DOCHOSTUIFLAG_DPI_AWARE;
    if (m_bNoScrollBorder) pInfo->dwFlags |= kNoScrollBorderFlags;
    return S_OK;
}
