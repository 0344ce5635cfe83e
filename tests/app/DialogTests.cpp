// The main dialog run modally inside the test process. A thread timer fires inside the dialog's
// own modal loop, looks at the live window, acts on it, and ends the dialog.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/Addresses.h"
#include "app/Layout.h"
#include "app/QuilVaraDlg.h"
#include "app/Texts.h"
#include "platform/Dpi.h"
#include "platform/Text.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "skin/SkinArt.h"
#include "tests/app/IconImages.h"
#include "tests/support/GdiTable.h"

namespace {

CWinApp g_app;  // the dialog loads its icon and takes its message-box title through the application

std::function<void(HWND)> g_inspect;
HWND g_hDialog = nullptr;

void CALLBACK InspectOnce(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_hDialog = ::FindWindowW(nullptr, qv::WideFromGbk(kMainWindowTitle).c_str());
    ASSERT_NE(g_hDialog, nullptr);
    g_inspect(g_hDialog);
}

// Runs the dialog, calls inspect with its window once it is up, and returns DoModal's result.
// inspect must end the dialog (usually by posting WM_CLOSE).
INT_PTR RunDialog(std::function<void(HWND)> inspect) {
    g_inspect = std::move(inspect);
    CQuilVaraDlg dlg;
    ::SetTimer(nullptr, 0, 50, &InspectOnce);
    return dlg.DoModal();
}

// Message boxes shown while a hook is alive are read and answered with OK.
struct MessageBoxCatcher {
    static inline std::vector<std::string> texts;
    static inline std::function<void()> onShow;
    HHOOK hook;

    MessageBoxCatcher() {
        texts.clear();
        hook = ::SetWindowsHookExW(WH_CBT, &Proc, nullptr, ::GetCurrentThreadId());
    }
    ~MessageBoxCatcher() {
        ::UnhookWindowsHookEx(hook);
        onShow = nullptr;
    }
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        wchar_t cls[32] = L"";
        if (code == HCBT_ACTIVATE && hWnd != g_hDialog && ::GetClassNameW(hWnd, cls, 32) &&
            std::wstring(cls) == L"#32770" && ::GetDlgItem(hWnd, 0xFFFF)) {
            wchar_t text[512] = L"";
            ::GetDlgItemTextW(hWnd, 0xFFFF, text, 512);
            texts.push_back(qv::GbkFromWide(text).GetString());
            if (onShow) onShow();
            ::PostMessageW(hWnd, WM_COMMAND, IDOK, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

std::string ClipboardText() {
    std::string text;
    if (!::OpenClipboard(nullptr)) return "<clipboard busy>";
    if (HANDLE h = ::GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(::GlobalLock(h));
        ::GlobalUnlock(h);
    }
    ::CloseClipboard();
    return text;
}

void SetClipboardText(const char* text) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(::GlobalLock(h), text, std::strlen(text) + 1);
    ::GlobalUnlock(h);
    ::SetClipboardData(CF_TEXT, h);
    ::CloseClipboard();
}

const std::string kRecommendationPrefix =
    "发现个Quil的#vara#好感度查询器，能轻松搜NPC好感所需物品，送NPC礼物方便多了，下载地址是：";

int WindowWidth(HWND hWnd) {
    RECT r;
    ::GetWindowRect(hWnd, &r);
    return r.right - r.left;
}

std::string Text(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

// Where child nID stands in the dialog's client area, as Text gives it.
std::string ChildRect(HWND hDialog, int nID) {
    HWND hChild = ::GetDlgItem(hDialog, nID);
    if (!hChild) return "no child " + std::to_string(nID);
    RECT r;
    ::GetWindowRect(hChild, &r);
    ::MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&r), 2);
    return Text(r);
}

// The rectangle of size with its top-left corner at corner.
RECT At(POINT corner, SIZE size) { return {corner.x, corner.y, corner.x + size.cx, corner.y + size.cy}; }

}  // namespace

TEST(MainDialog, SystemMenuEndsWithSeparatorAndAbout) {
    RunDialog([](HWND hWnd) {
        HMENU hMenu = ::GetSystemMenu(hWnd, FALSE);
        const int count = ::GetMenuItemCount(hMenu);
        ASSERT_GE(count, 2);
        MENUITEMINFOW sep{};
        sep.cbSize = sizeof sep;
        sep.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(hMenu, count - 2, TRUE, &sep);
        EXPECT_TRUE(sep.fType & MFT_SEPARATOR);
        wchar_t text[64] = L"";
        EXPECT_EQ(::GetMenuItemID(hMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        ::GetMenuStringW(hMenu, count - 1, text, 64, MF_BYPOSITION);
        EXPECT_EQ(qv::GbkFromWide(text), "关于 QuilVara(&A)...");
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, EnterEscapeAndSpaceDoNotEndIt) {
    const INT_PTR result = RunDialog([](HWND hWnd) {
        for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
            ::PostMessageW(hWnd, WM_KEYDOWN, key, 1);
            ::PostMessageW(hWnd, WM_KEYUP, key, 0xC0000001);
        }
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);  // queued behind the keys: only this may end it
    });
    EXPECT_EQ(result, IDCANCEL);
}

namespace {
std::vector<UINT> g_seen;
LRESULT CALLBACK RecordMouse(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_RBUTTONUP || message == WM_RBUTTONDOWN) g_seen.push_back(message);
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}
}  // namespace

TEST(MainDialog, RightButtonReleasesReachNoWindow) {
    g_seen.clear();
    RunDialog([](HWND hWnd) {
        HWND hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        ::SetWindowSubclass(hWnd, &RecordMouse, 1, 0);
        ::SetWindowSubclass(hBar, &RecordMouse, 1, 0);
        for (HWND target : {hWnd, hBar}) {
            ::PostMessageW(target, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 50));
            ::PostMessageW(target, WM_RBUTTONUP, 0, MAKELPARAM(5, 50));
        }
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
    // The presses arrive (so the recorder works); the releases are swallowed.
    EXPECT_EQ(g_seen, (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONDOWN}));
}

TEST(MainDialog, BarPaintsNothingOfItsOwn) {
    RunDialog([](HWND hWnd) {
        HDC hdc = ::GetDC(hWnd);
        ::SetBkMode(hdc, OPAQUE);
        HWND hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        const LRESULT barBrush = ::SendMessageW(hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                                reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(barBrush), ::GetStockObject(NULL_BRUSH));
        EXPECT_EQ(::GetBkMode(hdc), TRANSPARENT);
        const LRESULT dialogBrush = ::SendMessageW(hWnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(hdc),
                                                   reinterpret_cast<LPARAM>(hWnd));
        EXPECT_NE(reinterpret_cast<HGDIOBJ>(dialogBrush), ::GetStockObject(NULL_BRUSH));
        ::ReleaseDC(hWnd, hdc);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, OnlyASingleClickOnTheBarTogglesAndTheSmallButtonsFollow) {
    RunDialog([](HWND hWnd) {
        HWND hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        const auto expectSmallButtonsAt = [hWnd](const layout::SmallButtonPlaces& places) {
            EXPECT_EQ(ChildRect(hWnd, IDC_BTN_MINIMIZE), Text(At(places.minimize, layout::kSmallButton)));
            EXPECT_EQ(ChildRect(hWnd, IDC_BTN_CLOSE), Text(At(places.close, layout::kSmallButton)));
        };
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_DBLCLK), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(WindowWidth(hWnd), 940);
        expectSmallButtonsAt(layout::kSmallButtonsAtStart);
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(WindowWidth(hWnd), 556);
        expectSmallButtonsAt(layout::kSmallButtonsCollapsed);
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(WindowWidth(hWnd), 940);
        expectSmallButtonsAt(layout::kSmallButtonsExpanded);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, CopyPutsTheTextThereBeforeSayingSo) {
    SetClipboardText("previous");
    MessageBoxCatcher catcher;
    std::string textWhenToldSo;
    MessageBoxCatcher::onShow = [&] { textWhenToldSo = ClipboardText(); };
    RunDialog([](HWND hWnd) {
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_COPY_TEXT, BN_CLICKED), 0);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
    ASSERT_EQ(MessageBoxCatcher::texts, std::vector<std::string>{kCopySucceeded});
    EXPECT_EQ(textWhenToldSo, ClipboardText());

    const std::string text = ClipboardText();
    EXPECT_EQ(text, kRecommendationPrefix + QV_HOST_GAME "/afq.html");

    // Unicode programs paste the same text, whatever the keyboard language.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HANDLE hUnicode = ::GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(hUnicode, nullptr);
    EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(::GlobalLock(hUnicode))), qv::WideFromGbk(text.c_str()));
    ::GlobalUnlock(hUnicode);
    HANDLE hLocale = ::GetClipboardData(CF_LOCALE);
    ASSERT_NE(hLocale, nullptr);
    EXPECT_EQ(*static_cast<const LCID*>(::GlobalLock(hLocale)), static_cast<LCID>(0x0804));
    ::GlobalUnlock(hLocale);
    ::CloseClipboard();
}

TEST(MainDialog, CopyWhileAnotherProgramHoldsTheClipboardSaysSoAndChangesNothing) {
    SetClipboardText("previous");
    HANDLE hHeld = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE hRelease = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HWND hOwner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::OpenClipboard(hOwner);
        ::SetEvent(hHeld);
        ::WaitForSingleObject(hRelease, 30000);
        ::CloseClipboard();
        ::DestroyWindow(hOwner);
    });
    ::WaitForSingleObject(hHeld, 10000);
    MessageBoxCatcher catcher;
    RunDialog([](HWND hWnd) {
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_COPY_TEXT, BN_CLICKED), 0);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
    ::SetEvent(hRelease);
    holder.join();
    ::CloseHandle(hHeld);
    ::CloseHandle(hRelease);
    EXPECT_EQ(MessageBoxCatcher::texts, std::vector<std::string>{kCopyFailedBusy});
    EXPECT_EQ(ClipboardText(), "previous");
}

namespace {

// Every child's rectangle after start, by id, at 96 DPI times factor. The buttons' sizes are their
// strips' frames: the small buttons' give them the size the collapse and expand move them with.
std::map<int, std::string> PlacesAtStart(int factor) {
    const auto times = [factor](const RECT& r) {
        return Text({r.left * factor, r.top * factor, r.right * factor, r.bottom * factor});
    };
    std::map<int, std::string> places;
    constexpr SIZE kShareFrame = {122, 31};
    POINT share = layout::kFirstShareButton;
    for (int id = IDC_BTN_SHARE_SINA; id <= IDC_BTN_FORUM; ++id, share.x += layout::kShareButtonPitch)
        places[id] = times(At(share, kShareFrame));
    const layout::SmallButtonPlaces& start = layout::kSmallButtonsAtStart;
    places[IDC_BTN_CLOSE] = times(At(start.close, layout::kSmallButton));
    places[IDC_BTN_MINIMIZE] = times(At(start.minimize, layout::kSmallButton));
    places[IDC_SEARCH_VIEW] = times(layout::kSearchPane);
    places[IDC_NEWS_VIEW] = times(layout::kNewsPane);
    places[IDC_COLLAPSE_BAR] = times(layout::kBarStatic);
    return places;
}

// Where the children with the ids of places stand now.
std::map<int, std::string> Places(HWND hDialog, const std::map<int, std::string>& places) {
    std::map<int, std::string> now;
    for (const auto& place : places) now[place.first] = ChildRect(hDialog, place.first);
    return now;
}

std::string WindowRect(HWND hWnd) {
    RECT r;
    ::GetWindowRect(hWnd, &r);
    return Text(r);
}

HICON WindowIcon(HWND hWnd, WPARAM which) {
    return reinterpret_cast<HICON>(::SendMessageW(hWnd, WM_GETICON, which, 0));
}

// What the window shows at client point (x, y), once it has painted.
COLORREF Shown(HWND hWnd, int x, int y) {
    ::UpdateWindow(hWnd);
    HDC hdc = ::GetDC(hWnd);
    const COLORREF colour = ::GetPixel(hdc, x, y);
    ::ReleaseDC(hWnd, hdc);
    return colour;
}

}  // namespace

TEST(MainDialog, ChildrenStandAtTheirPlacesAndButtonsAreOneFrameInSize) {
    RunDialog([](HWND hWnd) {
        const std::map<int, std::string> expected = PlacesAtStart(1);
        EXPECT_EQ(Places(hWnd, expected), expected);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, MovedToADisplayOfTwiceTheDpiItTakesTheSuggestedRectangleAndDoublesEverythingAndBack) {
    // As in the tool, OLE runs on the window's thread: the 2x art is decoded through COM.
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    RunDialog([](HWND hWnd) {
        RECT before;
        ::GetWindowRect(hWnd, &before);
        // A title band point clear of the title: the 2x art repeats each of its pixels 2 x 2.
        const COLORREF band = Shown(hWnd, 300, 20);
        EXPECT_EQ(qvtest::Pixels(WindowIcon(hWnd, ICON_SMALL)).width, 16);
        RECT suggested = {0, 0, 1880, 1200};
        ::SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(WindowRect(hWnd), Text(suggested));
        // Its own icons too, at twice the sizes of 100 %.
        EXPECT_EQ(qvtest::Pixels(WindowIcon(hWnd, ICON_SMALL)).width, 32);
        EXPECT_EQ(qvtest::Pixels(WindowIcon(hWnd, ICON_BIG)).width, 64);
        const std::map<int, std::string> doubled = PlacesAtStart(2);
        EXPECT_EQ(Places(hWnd, doubled), doubled);
        EXPECT_EQ(Shown(hWnd, 600, 40), band);
        EXPECT_EQ(Shown(hWnd, 601, 41), band);

        // Collapsed, it is as wide as twice the collapsed background.
        HWND hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(WindowWidth(hWnd), 2 * 556);
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(WindowWidth(hWnd), 2 * 940);

        // Back at 96 DPI, all is as at start but for the small buttons, which an expand puts a
        // pixel lower.
        ::SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&before));
        EXPECT_EQ(WindowRect(hWnd), Text(before));
        std::map<int, std::string> expected = PlacesAtStart(1);
        const layout::SmallButtonPlaces& again = layout::kSmallButtonsExpanded;
        expected[IDC_BTN_CLOSE] = Text(At(again.close, layout::kSmallButton));
        expected[IDC_BTN_MINIMIZE] = Text(At(again.minimize, layout::kSmallButton));
        EXPECT_EQ(Places(hWnd, expected), expected);
        EXPECT_EQ(Shown(hWnd, 300, 20), band);

        // A message without a DPI or a rectangle changes nothing.
        ::SendMessageW(hWnd, WM_DPICHANGED, 0, 0);
        EXPECT_EQ(WindowRect(hWnd), Text(before));
        EXPECT_EQ(Places(hWnd, expected), expected);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
    ::OleUninitialize();
}

TEST(MainDialog, AtTwiceTheDpiItKeepsNoPictureButItsBufferAndCollapsesFromTheResources) {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    std::set<HGDIOBJ> before;
    for (const qvtest::HeldBitmap& bitmap : qvtest::HeldBitmaps()) before.insert(bitmap.handle);
    // The bytes of the bitmaps the window made and keeps.
    const auto kept = [&before] {
        size_t bytes = 0;
        for (const qvtest::HeldBitmap& bitmap : qvtest::HeldBitmaps())
            if (!before.count(bitmap.handle)) bytes += bitmap.bytes;
        return bytes;
    };
    // The colour at (x, y) of bitmap nID's art at size.
    const auto art = [](UINT nID, SIZE size, int x, int y) {
        CBitmap picture;
        picture.Attach(qv::LoadSkinArt(::GetModuleHandleW(nullptr), nID, 1, size));
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(picture);
        return ::GetPixel(dc, x, y);
    };
    RunDialog([&](HWND hWnd) {
        RECT suggested = {0, 0, 1880, 1200};
        ::SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        // The buffer leaves out the panes, and no background or bar is kept beside it: all the
        // window holds, buttons included, is less than one picture of the whole window.
        const size_t atStart = kept();
        EXPECT_LT(atStart, size_t{1880} * 1200 * 3);

        // In the title band, right of the small buttons wherever they stand: the collapsed
        // background's own edge, then the expanded one's band.
        const SIZE collapsed = layout::Scaled(layout::kCollapsedWindow, 192);
        const POINT edge = {collapsed.cx - 1, 40};
        const COLORREF collapsedEdge = art(IDB_BG_COLLAPSED, collapsed, edge.x, edge.y);
        const COLORREF expandedBand = art(IDB_BG_EXPANDED, layout::Scaled(layout::kWindow, 192), edge.x, edge.y);
        EXPECT_NE(collapsedEdge, expandedBand) << "the check below would tell the states apart";
        HWND hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(Shown(hWnd, edge.x, edge.y), collapsedEdge);
        EXPECT_EQ(kept(), atStart);
        ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        EXPECT_EQ(Shown(hWnd, edge.x, edge.y), expandedBand);
        EXPECT_EQ(kept(), atStart);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    });
    ::OleUninitialize();
}

namespace {

// While alive, the calls this program makes to user32's SetClipboardData refuse CF_TEXT, as a
// clipboard does that cannot take the block; other formats go through. The program's import
// slot is rewritten, so the dialog's own call is the one refused.
class ClipboardRefusesText {
public:
    ClipboardRefusesText() : m_slot(ImportSlot("user32.dll", "SetClipboardData")) {
        if (!m_slot) return;
        s_original = reinterpret_cast<SetDataFn>(*m_slot);
        Write(reinterpret_cast<ULONG_PTR>(&Refuse));
    }
    ~ClipboardRefusesText() {
        if (m_slot) Write(reinterpret_cast<ULONG_PTR>(s_original));
    }
    ClipboardRefusesText(const ClipboardRefusesText&) = delete;
    ClipboardRefusesText& operator=(const ClipboardRefusesText&) = delete;

    bool active() const { return m_slot != nullptr; }

private:
    using SetDataFn = HANDLE(WINAPI*)(UINT, HANDLE);

    static HANDLE WINAPI Refuse(UINT format, HANDLE hData) {
        if (format == CF_TEXT) {
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        return s_original(format, hData);
    }

    static ULONG_PTR* ImportSlot(const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name; ++entry) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
            auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                    return reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
            }
        }
        return nullptr;
    }

    void Write(ULONG_PTR value) {
        DWORD oldProtect;
        ::VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &oldProtect);
        *m_slot = value;
        ::VirtualProtect(m_slot, sizeof *m_slot, oldProtect, &oldProtect);
    }

    static inline SetDataFn s_original = nullptr;
    ULONG_PTR* m_slot;
};

}  // namespace

TEST(MainDialog, CopyRefusedAfterTheClipboardWasEmptiedSaysSoTruthfully) {
    SetClipboardText("previous");
    MessageBoxCatcher catcher;
    {
        ClipboardRefusesText refuses;
        ASSERT_TRUE(refuses.active());
        RunDialog([](HWND hWnd) {
            ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_COPY_TEXT, BN_CLICKED), 0);
            ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
        });
    }
    EXPECT_EQ(MessageBoxCatcher::texts, std::vector<std::string>{kCopyFailedEmptied});
    // What the message says: the old text is gone and no part of the new one is there.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    EXPECT_EQ(::CountClipboardFormats(), 0);
    ::CloseClipboard();
}

namespace {
std::vector<std::pair<HWND, WPARAM>> g_keys;
LRESULT CALLBACK RecordKeys(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_KEYDOWN) g_keys.emplace_back(hWnd, wParam);
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}
}  // namespace

TEST(MainDialog, EnterEscapeAndSpaceReachThePagesAndTheirWindowsButNotTheDialog) {
    g_keys.clear();
    std::vector<std::pair<HWND, WPARAM>> expected;
    const INT_PTR result = RunDialog([&expected](HWND hWnd) {
        HWND hSearch = ::GetDlgItem(hWnd, IDC_SEARCH_VIEW);
        HWND hNews = ::GetDlgItem(hWnd, IDC_NEWS_VIEW);
        ASSERT_TRUE(hSearch && hNews);
        // The deepest window of the search pane's page, where typing goes.
        HWND hPage = hSearch;
        while (HWND hChild = ::GetWindow(hPage, GW_CHILD)) hPage = hChild;
        HWND hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        // A window of the browser control's own, like its Find box: a top-level window that
        // Windows gives the dialog as its owner, with the box typed into.
        HWND hFind = ::CreateWindowExW(0, L"STATIC", L"Find", WS_POPUP, 0, 0, 200, 60, hWnd, nullptr, nullptr, nullptr);
        HWND hFindBox = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 5, 5, 150, 20, hFind, nullptr, nullptr, nullptr);
        ASSERT_EQ(hWnd, ::GetWindow(hFind, GW_OWNER));
        for (HWND target : {hPage, hNews, hFindBox, hWnd, hBar}) {
            ::SetWindowSubclass(target, &RecordKeys, 1, 0);
            // Where the pane has no page (no browser control here), its deepest window is its panel's
            // button, which Enter presses instead.
            wchar_t cls[16] = L"";
            ::GetClassNameW(target, cls, 16);
            const bool bButton = ::lstrcmpiW(cls, L"Button") == 0;
            for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
                ::PostMessageW(target, WM_KEYDOWN, key, 1);
                if (target != hWnd && target != hBar && !(bButton && key == VK_RETURN)) expected.emplace_back(target, key);
            }
        }
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);  // queued behind the keys: only this may end it
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(g_keys, expected);
}

namespace {
std::vector<std::pair<HWND, LONG>> g_renamed;
void CALLBACK RecordNameChange(HWINEVENTHOOK, DWORD, HWND hWnd, LONG idObject, LONG idChild, DWORD, DWORD) {
    if (idChild == CHILDID_SELF) g_renamed.emplace_back(hWnd, idObject);
}
}  // namespace

TEST(MainDialog, TheBarTellsScreenReadersWhenWhatItDoesChanges) {
    g_renamed.clear();
    HWND hBar = nullptr;
    const HWINEVENTHOOK hHook = ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                                  &RecordNameChange, ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hHook, nullptr);
    RunDialog([&hBar](HWND hWnd) {
        hBar = ::GetDlgItem(hWnd, IDC_COLLAPSE_BAR);
        for (int i = 0; i < 2; ++i)
            ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);  // behind the events, which the loop delivers first
    });
    ::UnhookWinEvent(hHook);
    std::vector<std::pair<HWND, LONG>> ofTheBar;
    for (const auto& event : g_renamed)
        if (event.first == hBar) ofTheBar.push_back(event);
    EXPECT_EQ(ofTheBar, (std::vector<std::pair<HWND, LONG>>(2, {hBar, OBJID_CLIENT})));
}
