#include "platform/NetworkWatch.h"

#include <netlistmgr.h>

#include "platform/ComObject.h"

namespace qv {

namespace {
// Connected to something: an address on a network, or a way to the internet, over either IP.
constexpr DWORD kConnected = NLM_CONNECTIVITY_IPV4_SUBNET | NLM_CONNECTIVITY_IPV4_LOCALNETWORK |
                             NLM_CONNECTIVITY_IPV4_INTERNET | NLM_CONNECTIVITY_IPV6_SUBNET |
                             NLM_CONNECTIVITY_IPV6_LOCALNETWORK | NLM_CONNECTIVITY_IPV6_INTERNET;
}  // namespace

// The sink the network list manager calls; it holds the window only until the watch stops.
class CNetworkWatch::CSink final : public CComObject<INetworkListManagerEvents> {
public:
    CSink(HWND hWnd, UINT message) : m_hWnd(hWnd), m_message(message) {}

    void Detach() { m_hWnd = nullptr; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_INetworkListManagerEvents) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<INetworkListManagerEvents*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP ConnectivityChanged(NLM_CONNECTIVITY newConnectivity) override {
        if (m_hWnd && (static_cast<DWORD>(newConnectivity) & kConnected)) ::PostMessageW(m_hWnd, m_message, 0, 0);
        return S_OK;
    }

private:
    ~CSink() = default;

    HWND m_hWnd;
    UINT m_message;
};

CNetworkWatch::CNetworkWatch() = default;

CNetworkWatch::~CNetworkWatch() { Stop(); }

bool CNetworkWatch::Start(HWND hWnd, UINT message) {
    Stop();
    Microsoft::WRL::ComPtr<IConnectionPointContainer> points;
    if (FAILED(::CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&points))) ||
        FAILED(points->FindConnectionPoint(IID_INetworkListManagerEvents, &m_pPoint)))
        return false;
    m_pSink = new CSink(hWnd, message);
    if (FAILED(m_pPoint->Advise(m_pSink.Get(), &m_dwCookie))) {
        m_dwCookie = 0;
        Stop();
        return false;
    }
    return true;
}

void CNetworkWatch::Stop() {
    if (m_dwCookie) m_pPoint->Unadvise(m_dwCookie);
    m_dwCookie = 0;
    m_pPoint.Reset();
    // The manager may keep the sink a while longer: it posts nothing more.
    if (m_pSink) m_pSink->Detach();
    m_pSink.Reset();
}

}  // namespace qv
