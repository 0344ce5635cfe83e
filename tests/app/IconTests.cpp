// The notification icon and the window's own icons show the image the icon resource holds for
// the size the display asks for, not another image scaled, also after a DPI change; each icon has
// one owner, which destroys it once it is replaced.
#include <windows.h>
#include <gtest/gtest.h>

#include <utility>

#include "app/WindowIcons.h"
#include "platform/Dpi.h"
#include "res/resource.h"
#include "tests/app/IconImages.h"

namespace {

using qvtest::Pixels;
using qvtest::StoredImage;

const HINSTANCE kModule = ::GetModuleHandleW(nullptr);

HICON WindowIcon(HWND hWnd, WPARAM which) {
    return reinterpret_cast<HICON>(::SendMessageW(hWnd, WM_GETICON, which, 0));
}

// hIcon shows the icon resource's very image of size x size pixels.
void ExpectTheImageOfSize(HICON hIcon, LONG size) {
    const qvtest::IconImage stored = StoredImage(IDR_MAINFRAME, size);
    ASSERT_EQ(stored.width, size) << "the icon holds an image of " << size << " px";
    const qvtest::IconImage shown = Pixels(hIcon);
    EXPECT_EQ(shown.width, size);
    EXPECT_TRUE(shown == stored) << "the image made for " << size << " px";
}

TEST(NotificationIcon, IsTheImageMadeForTheSmallIconSizeOfTheDisplaysDpi) {
    // 16 x 16 at 100 %, and as many times larger as the display is scaled.
    for (const auto& [dpi, size] : {std::pair<UINT, LONG>{96, 16}, {144, 24}, {192, 32}}) {
        SCOPED_TRACE(dpi);
        const HICON hIcon = qv::LoadSmallIconForDpi(kModule, IDR_MAINFRAME, dpi);
        ExpectTheImageOfSize(hIcon, size);
        ::DestroyIcon(hIcon);
    }
}

TEST(WindowIcons, AreTheImagesMadeForTheWindowsDpiAndGoOnceReplaced) {
    const HWND hWnd =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    HICON hSmall = nullptr;
    {
        CWindowIcons icons;
        icons.Show(hWnd, kModule, IDR_MAINFRAME, 96);
        const HICON hSmallAt96 = WindowIcon(hWnd, ICON_SMALL);
        ExpectTheImageOfSize(hSmallAt96, 16);
        ExpectTheImageOfSize(WindowIcon(hWnd, ICON_BIG), 32);

        icons.Show(hWnd, kModule, IDR_MAINFRAME, 192);
        hSmall = WindowIcon(hWnd, ICON_SMALL);
        ExpectTheImageOfSize(hSmall, 32);
        ExpectTheImageOfSize(WindowIcon(hWnd, ICON_BIG), 64);
        EXPECT_TRUE(Pixels(hSmallAt96).pixels.empty()) << "the icon the window no longer shows is gone";
    }
    EXPECT_TRUE(Pixels(hSmall).pixels.empty()) << "the last ones go with their owner";
    ::DestroyWindow(hWnd);
}

}  // namespace
