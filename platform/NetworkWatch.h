// CNetworkWatch: tells a window when the system reports that the computer is connected again,
// from the network list manager's ConnectivityChanged event. It posts a message rather than
// calling anyone, so a report that comes late finds a window or nothing, never an object that is
// gone. Where the system has no network list manager, or it refuses the sink, nothing is told.
// The events come on the thread that started the watch (an OLE apartment's), through its
// message loop.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

namespace qv {

class CNetworkWatch {
public:
    CNetworkWatch();
    ~CNetworkWatch();
    CNetworkWatch(const CNetworkWatch&) = delete;
    CNetworkWatch& operator=(const CNetworkWatch&) = delete;

    // Posts message (no parameters) to hWnd each time the system reports a connection to a
    // network, local or the internet; a watch already running is stopped first. False when the
    // system offers no such reports.
    bool Start(HWND hWnd, UINT message);
    // No message is posted from now on.
    void Stop();
    bool IsWatching() const { return m_dwCookie != 0; }

private:
    class CSink;
    Microsoft::WRL::ComPtr<CSink> m_pSink;
    Microsoft::WRL::ComPtr<IConnectionPoint> m_pPoint;
    DWORD m_dwCookie = 0;
};

}  // namespace qv
