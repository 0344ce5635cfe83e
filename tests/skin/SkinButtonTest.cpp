// The skin button in real windows under Wine: what it paints into a memory context for each
// state, how it sizes itself, how it tracks the mouse, and its class-wide attribute object.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/Layout.h"
#include "tests/support/AssertRecorder.h"
#include "platform/Rect.h"
#include "res/resource.h"
#include "skin/SkinButton.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/TestStrips.h"

using skintest::Canvas;
using skintest::HostWindow;
using skintest::kMagenta;
using skintest::kUntouched;
using skintest::StripPixels;

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr UINT kButtonId = 204;
constexpr int kMargin = 4;  // canvas pixels right of and below the button, which must stay untouched

HINSTANCE ThisModule() { return ::GetModuleHandleW(nullptr); }

CRect WindowRectInParent(const CWnd& child) {
    CRect rect;
    child.GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Text(const RECT& rect) {
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + ")";
}

CRect ClientRect(const CWnd& wnd) {
    CRect rect;
    wnd.GetClientRect(&rect);
    return rect;
}

void SetHover(CSkinButton& button, bool bHover) {
    if (bHover) button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    else button.SendMessage(WM_MOUSELEAVE);
}

// What the button paints for the draw-item state, on a canvas a little larger than the button.
std::unique_ptr<Canvas> Paint(CSkinButton& button, UINT itemState, HFONT hFont = nullptr) {
    const CRect client = ClientRect(button);
    auto canvas = std::make_unique<Canvas>(client.Width() + kMargin, client.Height() + kMargin);
    if (hFont) ::SelectObject(canvas->dc(), hFont);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = kButtonId;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = itemState;
    item.hwndItem = button;
    item.hDC = canvas->dc();
    item.rcItem = client;
    button.DrawItem(&item);
    return canvas;
}

// Frame k of the strip, scaled up by a whole factor, covers the button's client area; key pixels
// and everything outside the client area stay untouched.
::testing::AssertionResult ShowsFrame(const Canvas& canvas, const CRect& client, const StripPixels& strip,
                                      int k, int scale) {
    const int frameWidth = strip.width() / 5;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            COLORREF expected = kUntouched;
            if (x < client.Width() && y < client.Height()) {
                const COLORREF source = strip.At(k * frameWidth + x / scale, y / scale);
                if (source != kMagenta) expected = source;
            }
            const COLORREF actual = canvas.At(x, y);
            if (actual != expected) {
                return ::testing::AssertionFailure() << "frame " << k << ": pixel (" << x << ", " << y
                                                     << ") is 0x" << std::hex << actual << ", expected 0x"
                                                     << expected;
            }
        }
    return ::testing::AssertionSuccess();
}

int CountColour(const Canvas& canvas, COLORREF colour) {
    int count = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) count += canvas.At(x, y) == colour;
    return count;
}

// Bounding box of the pixels inside the one-pixel frame that differ from the face colour.
CRect InkBox(const Canvas& canvas, const CRect& client, COLORREF face) {
    CRect box(client.right, client.bottom, -1, -1);
    for (int y = 1; y < client.Height() - 1; ++y)
        for (int x = 1; x < client.Width() - 1; ++x)
            if (canvas.At(x, y) != face) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x);
                box.bottom = std::max<LONG>(box.bottom, y);
            }
    return box;
}

// Sets the class-wide caption colour for buttons constructed while it lives.
class FontColourScope {
public:
    explicit FontColourScope(COLORREF colour) : m_previous(g_skinButtonAttribute.m_crFontColor) {
        g_skinButtonAttribute.m_crFontColor = colour;
    }
    ~FontColourScope() { g_skinButtonAttribute.m_crFontColor = m_previous; }

private:
    COLORREF m_previous;
};

// Points the class-wide default strip at a source for the length of a test.
class ClassStripScope {
public:
    ClassStripScope(UINT id, HINSTANCE hModule) { g_skinButtonAttribute.m_image.SetSource(id, hModule, false); }
    ~ClassStripScope() { g_skinButtonAttribute.m_image.SetSource(0, nullptr, false); }
};


}  // namespace

// --- Frames: which frame each state shows, cut and scaled right ---------------------------------

struct StateCase {
    const char* name;
    UINT itemState;
    bool bHover;
    int frame;
};

// The focused states come with the keyboard cues hidden, as after mouse use, so that each shows its
// frame alone; the focus mark the cues add has tests of its own.
constexpr UINT kFocusUncued = ODS_FOCUS | ODS_NOFOCUSRECT;

const StateCase kStates[] = {
    {"Normal", 0, false, 0},
    {"Pressed", ODS_SELECTED, false, 1},
    {"Focused", kFocusUncued, false, 2},
    {"Hover", 0, true, 3},
    {"Disabled", ODS_DISABLED, false, 4},
    {"DisabledFocusedHovered", ODS_DISABLED | kFocusUncued, true, 4},
    {"DisabledPressedFocusedHovered", ODS_DISABLED | ODS_SELECTED | kFocusUncued, true, 4},
    {"PressedHovered", ODS_SELECTED, true, 1},
    {"PressedFocused", ODS_SELECTED | kFocusUncued, false, 1},
    {"FocusedHovered", kFocusUncued, true, 3},
};

class SkinButtonFrames : public ::testing::TestWithParam<StateCase> {
protected:
    HostWindow& m_host = skintest::Host();
};

TEST_P(SkinButtonFrames, NaturalSizeCopiesTheFrameOneToOne) {
    const StateCase& state = GetParam();
    const StripPixels strip(IDB_TEST_PATTERN);
    ASSERT_TRUE(strip.IsLoaded());
    CSkinButton button;
    ASSERT_TRUE(button.Create("", kChildStyle, CRect(5, 5, 5, 5), &m_host, kButtonId));
    ASSERT_TRUE(button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), false));
    ASSERT_EQ("(0, 0, 10, 8)", Text(ClientRect(button)));
    SetHover(button, state.bHover);
    EXPECT_TRUE(ShowsFrame(*Paint(button, state.itemState), ClientRect(button), strip, state.frame, 1));
}

TEST_P(SkinButtonFrames, StretchScalesTheWholeFrameOverTheButton) {
    const StateCase& state = GetParam();
    const StripPixels strip(IDB_TEST_PATTERN);
    CSkinButton button;
    ASSERT_TRUE(button.Create("", kChildStyle, CRect(5, 5, 35, 29), &m_host, kButtonId));
    ASSERT_TRUE(button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), true));
    ASSERT_EQ("(0, 0, 30, 24)", Text(ClientRect(button))) << "stretch mode keeps the window's size";
    SetHover(button, state.bHover);
    EXPECT_TRUE(ShowsFrame(*Paint(button, state.itemState), ClientRect(button), strip, state.frame, 3));
}

INSTANTIATE_TEST_SUITE_P(States, SkinButtonFrames, ::testing::ValuesIn(kStates),
                         [](const ::testing::TestParamInfo<StateCase>& info) { return info.param.name; });

TEST(SkinButtonStrip, TheStripsOwnPixelsTellEveryFrameApart) {
    // The frame tests above mean something only if no two frames of the strip look alike.
    const StripPixels strip(IDB_TEST_PATTERN);
    ASSERT_TRUE(strip.IsLoaded());
    ASSERT_EQ(50, strip.width());
    for (int a = 0; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b) EXPECT_NE(strip.At(a * 10, 0), strip.At(b * 10, 0)) << a << " " << b;
}

TEST(SkinButtonStrip, PressAndReleaseUnderThePointer) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_PATTERN);
    CSkinButton button;
    button.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), false);
    SetHover(button, true);
    EXPECT_TRUE(ShowsFrame(*Paint(button, ODS_SELECTED), ClientRect(button), strip, 1, 1));
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 3, 1));
    SetHover(button, false);
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 0, 1));
}

TEST(SkinButtonStrip, OddStripWidthTruncatesTheFrameWidth) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_ODD);
    ASSERT_EQ(53, strip.width());
    CSkinButton natural;
    natural.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    natural.SetBitmap(IDB_TEST_ODD, ThisModule(), false);
    EXPECT_EQ("(0, 0, 10, 8)", Text(ClientRect(natural)));
    EXPECT_TRUE(ShowsFrame(*Paint(natural, ODS_DISABLED), ClientRect(natural), strip, 4, 1));

    CSkinButton stretched;
    stretched.Create("", kChildStyle, CRect(50, 5, 80, 29), &host, kButtonId + 1);
    stretched.SetBitmap(IDB_TEST_ODD, ThisModule(), true);
    EXPECT_TRUE(ShowsFrame(*Paint(stretched, ODS_DISABLED), ClientRect(stretched), strip, 4, 3));
}

TEST(SkinButtonStrip, MagentaPixelsAreLeftUndrawn) {
    HostWindow& host = skintest::Host();
    for (UINT id : {IDB_TEST_KEYED, IDB_TEST_KEYED8}) {
        SCOPED_TRACE(id);
        const StripPixels strip(id);
        ASSERT_TRUE(strip.IsLoaded());
        const int frameWidth = strip.width() / 5;
        CSkinButton natural;
        natural.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
        natural.SetBitmap(id, ThisModule(), false);
        CSkinButton stretched;
        stretched.Create("", kChildStyle, CRect(5, 40, 5 + 2 * frameWidth, 40 + 2 * strip.height()), &host,
                         kButtonId + 1);
        stretched.SetBitmap(id, ThisModule(), true);
        for (int k = 0; k < 5; ++k) {
            const StateCase& state = kStates[k];
            SetHover(natural, state.bHover);
            SetHover(stretched, state.bHover);
            const auto drawn = Paint(natural, state.itemState);
            EXPECT_TRUE(ShowsFrame(*drawn, ClientRect(natural), strip, k, 1));
            EXPECT_GT(CountColour(*drawn, kUntouched), kMargin * (frameWidth + strip.height() + kMargin))
                << "frame " << k << " should leave its magenta pixels undrawn";
            EXPECT_TRUE(ShowsFrame(*Paint(stretched, state.itemState), ClientRect(stretched), strip, k, 2));
        }
    }
}

TEST(SkinButtonStrip, ShippedStripsDrawEveryFrameOpaque) {
    HostWindow& host = skintest::Host();
    const UINT strips[] = {IDB_BTN_CLOSE, IDB_BTN_MINIMIZE, IDB_SHARE_SINA, IDB_SHARE_QQ, IDB_COPY_TEXT, IDB_FORUM};
    for (UINT id : strips) {
        SCOPED_TRACE(id);
        const StripPixels strip(id);
        ASSERT_TRUE(strip.IsLoaded());
        CSkinButton button;
        button.Create("", kChildStyle, CRect(0, 0, 0, 0), &host, kButtonId);
        button.SetBitmap(id, ThisModule(), false);
        for (int k = 0; k < 5; ++k) {
            const StateCase& state = kStates[k];
            SetHover(button, state.bHover);
            const auto drawn = Paint(button, state.itemState);
            EXPECT_TRUE(ShowsFrame(*drawn, ClientRect(button), strip, k, 1));
            const CRect client = ClientRect(button);
            EXPECT_EQ(kMargin * (client.Width() + client.Height() + kMargin), CountColour(*drawn, kUntouched));
        }
    }
}

TEST(SkinButtonStrip, AtAnotherDpiTheStripIsResampledWithItsHolesKeptAndAt96ItIsItselfAgain) {
    // A strip without 2x art is resampled from itself: 12 x 8 frames at 150 % are 18 x 12, their
    // keyed left halves stay undrawn and their right halves keep their colour, with a clean edge.
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_HOLES);
    ASSERT_TRUE(strip.IsLoaded());
    CSkinButton button;
    button.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    button.SetBitmap(IDB_TEST_HOLES, ThisModule(), false);
    button.SetDpi(144);
    ASSERT_EQ("(5, 5, 23, 17)", Text(WindowRectInParent(button)));
    for (int k = 0; k < 5; ++k) {
        SetHover(button, kStates[k].bHover);
        const auto drawn = Paint(button, kStates[k].itemState);
        for (int y = 0; y < drawn->height(); ++y)
            for (int x = 0; x < drawn->width(); ++x) {
                const bool inRightHalf = x >= 9 && x < 18 && y < 12;
                ASSERT_EQ(drawn->At(x, y), inRightHalf ? strip.At(12 * k + 11, 0) : kUntouched)
                    << "frame " << k << " (" << x << ", " << y << ")";
            }
    }
    button.SetDpi(96);
    ASSERT_EQ("(5, 5, 17, 13)", Text(WindowRectInParent(button)));
    SetHover(button, false);
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 0, 1));
}

TEST(SkinButtonStrip, StretchOfAShareStripToAnUnevenSize) {
    // 122 x 31 frames onto 200 x 40: each pixel comes from the proportional place of its frame.
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_SHARE_SINA);
    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 200, 40), &host, kButtonId);
    button.SetBitmap(IDB_SHARE_SINA, ThisModule(), true);
    const auto drawn = Paint(button, ODS_SELECTED);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const int sx = 122 + x * 122 / 200;
            const int sy = y * 31 / 40;
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy)
                for (int dx = -1; dx <= 1 && !matched; ++dx) {
                    const int px = std::clamp(sx + dx, 122, 243);
                    const int py = std::clamp(sy + dy, 0, 30);
                    matched = drawn->At(x, y) == strip.At(px, py);
                }
            ASSERT_TRUE(matched) << "pixel (" << x << ", " << y << ") is not from frame 1 near (" << sx << ", "
                              << sy << ")";
        }
    EXPECT_EQ(strip.At(122, 0), drawn->At(0, 0));
    EXPECT_EQ(strip.At(243, 30), drawn->At(199, 39));
}

// --- The classic face, fall-backs, caption and icon ---------------------------------------------

TEST(SkinButtonFace, WithoutAnyStripTheFaceIsRaisedOrSunken) {
    HostWindow& host = skintest::Host();
    ASSERT_FALSE(g_skinButtonAttribute.m_image.HasSource());
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = ::GetSysColor(COLOR_WINDOWFRAME);
    ASSERT_NE(light, dark);
    ASSERT_NE(face, light);
    ASSERT_NE(face, dark);
    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 30, 20), &host, kButtonId);
    for (bool bPressed : {false, true}) {
        SCOPED_TRACE(bPressed ? "pressed" : "released");
        const auto drawn = Paint(button, bPressed ? ODS_SELECTED : 0);
        const COLORREF topLeft = bPressed ? dark : light;
        const COLORREF bottomRight = bPressed ? light : dark;
        for (int y = 0; y < 20 + kMargin; ++y)
            for (int x = 0; x < 30 + kMargin; ++x) {
                COLORREF expected = face;
                if (x >= 30 || y >= 20) expected = kUntouched;
                else if (x == 29 || y == 19) expected = bottomRight;
                else if (x == 0 || y == 0) expected = topLeft;
                ASSERT_EQ(expected, drawn->At(x, y)) << x << "," << y;
            }
    }
}

TEST(SkinButtonFace, ButtonWithoutStripUsesTheClassStrip) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_PATTERN);
    const ClassStripScope classStrip(IDB_TEST_PATTERN, ThisModule());
    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 20, 16), &host, kButtonId);
    EXPECT_TRUE(ShowsFrame(*Paint(button, kFocusUncued), ClientRect(button), strip, 2, 2));
    EXPECT_EQ(0, g_skinButtonAttribute.m_image.GetRefCount()) << "the class strip is released after the paint";
}

TEST(SkinButtonFace, AStripThatFailsToLoadDoesNotFallBackToTheClassStrip) {
    HostWindow& host = skintest::Host();
    const ClassStripScope classStrip(IDB_TEST_PATTERN, ThisModule());
    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 30, 20), &host, kButtonId);
    ASSERT_TRUE(button.SetBitmap(4242, ThisModule(), true));
    const auto drawn = Paint(button, 0);
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), drawn->At(15, 10));
    EXPECT_EQ(::GetSysColor(COLOR_BTNHIGHLIGHT), drawn->At(0, 0));
}

TEST(SkinButtonFace, CaptionColourMovesDownWhenPressedAndGreysWhenDisabled) {
    HostWindow& host = skintest::Host();
    constexpr COLORREF kRed = RGB(255, 0, 0);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    std::unique_ptr<CSkinButton> button;
    {
        const FontColourScope colour(kRed);
        button = std::make_unique<CSkinButton>();
    }
    // The colour was copied at construction: the class colour is black again by now.
    button->Create("■■", kChildStyle, CRect(0, 0, 80, 40), &host, kButtonId);

    const auto released = Paint(*button, 0, g_skinFont);
    const auto pressed = Paint(*button, ODS_SELECTED, g_skinFont);
    const auto disabled = Paint(*button, ODS_DISABLED, g_skinFont);
    EXPECT_GT(CountColour(*released, kRed), 20);
    EXPECT_GT(CountColour(*pressed, kRed), 20);
    EXPECT_EQ(0, CountColour(*disabled, kRed));
    EXPECT_GT(CountColour(*disabled, ::GetSysColor(COLOR_GRAYTEXT)), 20);

    const CRect client = ClientRect(*button);
    const CRect up = InkBox(*released, client, face);
    const CRect down = InkBox(*pressed, client, face);
    ASSERT_GE(up.right, up.left) << "the caption drew nothing";
    // The caption box loses 2 pixels at its top, so its vertically centred text moves down 1.
    EXPECT_EQ(up.top + 1, down.top);
    EXPECT_EQ(up.left, down.left);
}

TEST(SkinButtonFace, CaptionIsCentredOnOneLine) {
    HostWindow& host = skintest::Host();
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    CSkinButton button;
    button.Create("■", kChildStyle, CRect(0, 0, 100, 60), &host, kButtonId);
    const CRect client = ClientRect(button);
    const CRect ink = InkBox(*Paint(button, 0, g_skinFont), client, face);
    ASSERT_GE(ink.right, ink.left);
    const int leftGap = ink.left, rightGap = client.Width() - 1 - ink.right;
    EXPECT_LE(std::abs(leftGap - rightGap), 2) << "left " << leftGap << ", right " << rightGap;
    // The text box is centred in the client area below its top pixel row.
    const int inkCentre2 = ink.top + ink.bottom;
    EXPECT_LE(std::abs(inkCentre2 - (1 + client.Height() - 1)), 6) << ink.top << ".." << ink.bottom;
}

TEST(SkinButtonFace, LongCaptionEndsInAnEllipsis) {
    HostWindow& host = skintest::Host();
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    CSkinButton button;
    button.Create("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", kChildStyle, CRect(0, 0, 90, 30), &host, kButtonId);
    const CRect client = ClientRect(button);
    const auto drawn = Paint(button, 0, g_skinFont);
    const CRect ink = InkBox(*drawn, client, face);
    ASSERT_GE(ink.right, ink.left);
    // The letters stand tall; the dots that end the cut text sit low and short.
    int tallest = 0;
    for (int x = ink.right - 2; x <= ink.right; ++x) {
        int height = 0;
        for (int y = ink.top; y <= ink.bottom; ++y) height += drawn->At(x, y) != face;
        tallest = std::max(tallest, height);
    }
    EXPECT_LT(tallest, (ink.bottom - ink.top + 1) / 2) << "the right end shows letters, not dots";
}

TEST(SkinButtonFace, IconStandsLeftOfTheCaptionAndMovesWhenPressed) {
    HostWindow& host = skintest::Host();
    constexpr COLORREF kBlue = RGB(0, 0, 255);
    Canvas colour(16, 16, kBlue);
    CBitmap colourBits;
    colourBits.Attach(::CreateBitmap(16, 16, 1, 32, nullptr));
    {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(colourBits);
        dc.BitBlt(0, 0, 16, 16, colour.dc(), 0, 0, SRCCOPY);
    }
    std::vector<BYTE> maskBits(16 * 2, 0);  // all zero: every pixel opaque
    CBitmap mask;
    mask.Attach(::CreateBitmap(16, 16, 1, 1, maskBits.data()));
    ICONINFO info{TRUE, 0, 0, mask, colourBits};
    const std::unique_ptr<std::remove_pointer_t<HICON>, decltype(&::DestroyIcon)> icon(
        ::CreateIconIndirect(&info), &::DestroyIcon);
    ASSERT_NE(nullptr, icon);

    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 40, 30), &host, kButtonId);
    button.SetIcon(icon.get());
    for (bool bPressed : {false, true}) {
        SCOPED_TRACE(bPressed ? "pressed" : "released");
        const auto drawn = Paint(button, bPressed ? ODS_SELECTED : 0);
        const int top = (bPressed ? 2 : 0) + 1 + (30 - (bPressed ? 2 : 0) - 16) / 2;
        for (int y = 1; y < 29; ++y)
            for (int x = 1; x < 39; ++x) {
                const bool inIcon = x >= 6 && x < 22 && y >= top && y < top + 16;
                ASSERT_EQ(inIcon, drawn->At(x, y) == kBlue) << x << "," << y;
            }
    }
}

TEST(SkinButtonFace, RepeatedPaintsLeaveNoGdiObjectsBehind) {
    // Every paint loads the strip and frees it again; nothing of it may stay.
    HostWindow& host = skintest::Host();
    CSkinButton button;
    button.Create("■", kChildStyle, CRect(0, 0, 0, 0), &host, kButtonId);
    button.SetBitmap(IDB_SHARE_SINA, ThisModule(), false);
    button.SetIcon(::LoadIcon(nullptr, IDI_APPLICATION));
    Canvas canvas(122, 31);
    const auto paint = [&] { button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT); };
    paint();
    const DWORD before = skintest::GdiObjectCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 300; ++i) paint();
    EXPECT_EQ(before, skintest::GdiObjectCount());
}

TEST(SkinButtonFace, ACaptionTheArtShowsIsTheNameAndIsDrawnOnlyWhereThereIsNoArt) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_PATTERN);
    CSkinButton drawn, named, artless;
    drawn.Create("■■", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    named.Create("", kChildStyle, CRect(25, 5, 25, 5), &host, kButtonId + 1);
    artless.Create("", kChildStyle, CRect(45, 5, 85, 35), &host, kButtonId + 2);
    named.SetCaptionShownByArt("■■");
    artless.SetCaptionShownByArt("■■");
    for (CSkinButton* button : {&drawn, &named}) button->SetBitmap(IDB_TEST_PATTERN, ThisModule(), false);
    artless.SetBitmap(4242, ThisModule(), true);
    // A screen reader reads the window text.
    EXPECT_STREQ("■■", named.GetWindowText());
    // Over the strip an ordinary caption is drawn; one the art shows is not drawn again.
    EXPECT_FALSE(ShowsFrame(*Paint(drawn, 0, g_skinFont), ClientRect(drawn), strip, 0, 1));
    EXPECT_TRUE(ShowsFrame(*Paint(named, 0, g_skinFont), ClientRect(named), strip, 0, 1));
    // Without its art the button draws the caption after all.
    const CRect client = ClientRect(artless);
    const CRect ink = InkBox(*Paint(artless, 0, g_skinFont), client, ::GetSysColor(COLOR_BTNFACE));
    EXPECT_GE(ink.right, ink.left) << "the caption drew nothing";
}

// --- The focus mark ---------------------------------------------------------------------------

namespace {

// Whether the canvas shows frame k of the strip one to one with the focus mark over it: a ring
// unit pixels wide unit pixels in from the edge in the outer colour, the next ring in the inner.
::testing::AssertionResult ShowsMarkedFrame(const Canvas& canvas, const CRect& client, const StripPixels& strip,
                                            int k, const qv::FocusMarkColours& colours) {
    const int frameWidth = strip.width() / 5;
    for (int y = 0; y < client.Height(); ++y)
        for (int x = 0; x < client.Width(); ++x) {
            const int inset = std::min({x, y, client.Width() - 1 - x, client.Height() - 1 - y});
            const COLORREF expected = inset == 1 ? colours.crOuter
                                      : inset == 2 ? colours.crInner
                                                   : strip.At(k * frameWidth + x, y);
            if (canvas.At(x, y) != expected)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                                                     << canvas.At(x, y) << ", expected 0x" << expected;
        }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(SkinButtonFocus, AFocusedButtonWearsTheMarkOverItsFrameWhileCuesShowAndNeverWhenDisabled) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_SHARE_SINA);
    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 0, 0), &host, kButtonId);
    button.SetBitmap(IDB_SHARE_SINA, ThisModule(), false);
    const CRect client = ClientRect(button);
    EXPECT_TRUE(ShowsMarkedFrame(*Paint(button, ODS_FOCUS), client, strip, 2, qv::kSkinFocusMark));
    EXPECT_TRUE(ShowsMarkedFrame(*Paint(button, ODS_FOCUS | ODS_SELECTED), client, strip, 1, qv::kSkinFocusMark));
    // After mouse use the system hides the cues until a key is pressed: the focus frame alone.
    EXPECT_TRUE(ShowsFrame(*Paint(button, kFocusUncued), client, strip, 2, 1));
    EXPECT_TRUE(ShowsFrame(*Paint(button, ODS_FOCUS | ODS_DISABLED), client, strip, 4, 1));
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), client, strip, 0, 1));
}

TEST(SkinButtonFocus, TheMarkTakesTheColoursItIsGivenAndTheDisplaysScale) {
    HostWindow& host = skintest::Host();
    constexpr qv::FocusMarkColours kMark = {RGB(1, 200, 3), RGB(5, 6, 250)};
    CSkinButton button;
    button.Create("", kChildStyle, CRect(0, 0, 0, 0), &host, kButtonId);
    button.SetBitmap(IDB_SHARE_SINA, ThisModule(), false);
    button.SetFocusMark(kMark);
    button.SetDpi(192);
    const CRect client = ClientRect(button);
    ASSERT_EQ(244, client.Width());
    const auto drawn = Paint(button, ODS_FOCUS);
    // Across the middle row: two pixels of art, two of each ring, then art again.
    const int y = client.Height() / 2;
    const std::vector<COLORREF> left = {drawn->At(2, y), drawn->At(3, y), drawn->At(4, y), drawn->At(5, y)};
    EXPECT_EQ(left, (std::vector<COLORREF>{kMark.crOuter, kMark.crOuter, kMark.crInner, kMark.crInner}));
    for (int x : {0, 1, 6}) EXPECT_NE(drawn->At(x, y), kMark.crOuter) << x;
    EXPECT_NE(drawn->At(6, y), kMark.crInner);
    EXPECT_EQ(drawn->At(client.Width() - 3, y), kMark.crOuter);
    EXPECT_EQ(drawn->At(client.Width() - 5, y), kMark.crInner);
    button.SetDpi(96);
}

// --- The window: style, font, size, mouse -------------------------------------------------------

TEST(SkinButtonWindow, CarriesItsRunTimeClass) {
    CSkinButton button;
    EXPECT_STREQ("CSkinButton", button.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(button.IsKindOf(RUNTIME_CLASS(CSkinButton)));
    EXPECT_TRUE(button.IsKindOf(RUNTIME_CLASS(CButton)));
    CButton plain;
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CSkinButton)));
}

TEST(SkinButtonWindow, CreatedButtonIsOwnerDrawnInTheSkinFont) {
    HostWindow& host = skintest::Host();
    ASSERT_NE(nullptr, g_skinFont.GetSafeHandle());
    CSkinButton button;
    ASSERT_TRUE(button.Create("", 0x50000000, CRect(0, 0, 10, 10), &host, kButtonId));
    EXPECT_EQ(static_cast<UINT>(BS_OWNERDRAW), button.GetButtonStyle());
    EXPECT_EQ(reinterpret_cast<LRESULT>(g_skinFont.GetSafeHandle()), button.SendMessage(WM_GETFONT));
}

TEST(SkinButtonWindow, AttachedButtonIsOwnerDrawnInTheSkinFont) {
    HostWindow& host = skintest::Host();
    HWND hWnd = ::CreateWindowW(L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10, host,
                                nullptr, ThisModule(), nullptr);
    ASSERT_NE(nullptr, hWnd);
    CSkinButton button;
    ASSERT_TRUE(button.SubclassWindow(hWnd));
    EXPECT_EQ(static_cast<UINT>(BS_OWNERDRAW), button.GetButtonStyle());
    EXPECT_EQ(reinterpret_cast<LRESULT>(g_skinFont.GetSafeHandle()), button.SendMessage(WM_GETFONT));
}

TEST(SkinButtonWindow, SetBitmapSizesToOneFrameInPlace) {
    HostWindow& host = skintest::Host();
    CSkinButton share, close;
    // As the main window makes them: an empty rectangle at the top-left corner.
    const POINT shareAt = layout::kFirstShareButton;
    const POINT closeAt = layout::kSmallButtonsAtStart.close;
    share.Create("", 0x50000000, CRect(shareAt.x, shareAt.y, 0, 0), &host, 204);
    close.Create("", 0x50000000, CRect(closeAt.x, closeAt.y, 0, 0), &host, 202);
    EXPECT_TRUE(share.SetBitmap(IDB_SHARE_SINA, ThisModule(), false));
    EXPECT_TRUE(close.SetBitmap(IDB_BTN_CLOSE, ThisModule(), false));
    EXPECT_EQ(Text(CRect(shareAt.x, shareAt.y, shareAt.x + 122, shareAt.y + 31)), Text(WindowRectInParent(share)));
    EXPECT_EQ(Text(CRect(closeAt.x, closeAt.y, closeAt.x + 21, closeAt.y + 19)), Text(WindowRectInParent(close)));
}

TEST(SkinButtonWindow, StretchModeKeepsTheWindowSize) {
    HostWindow& host = skintest::Host();
    CSkinButton button;
    button.Create("", kChildStyle, CRect(3, 4, 203, 44), &host, kButtonId);
    EXPECT_TRUE(button.SetBitmap(IDB_SHARE_SINA, ThisModule(), true));
    EXPECT_EQ("(3, 4, 203, 44)", Text(WindowRectInParent(button)));
}

TEST(SkinButtonWindow, ResourceIdZeroIsRefusedAndReported) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_PATTERN);
    CSkinButton button;
    button.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), false);
    std::vector<AssertReport> reports;
    bool result;
    {
        AssertRecorder asserts;
        result = button.SetBitmap(0, ThisModule(), true);
        reports = asserts.Take();
    }
    EXPECT_FALSE(result);
#if defined(QV_DEBUG) && QV_DEBUG
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ("SkinButton", reports[0].unit);
    EXPECT_EQ(179, reports[0].line);
#else
    EXPECT_TRUE(reports.empty());
#endif
    EXPECT_EQ("(5, 5, 15, 13)", Text(WindowRectInParent(button)));
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 0, 1)) << "still the old strip, one to one";
}

TEST(SkinButtonWindow, SourceSetBeforeTheWindowSizesItLater) {
    HostWindow& host = skintest::Host();
    CSkinButton button;
    EXPECT_TRUE(button.SetBitmap(IDB_BTN_MINIMIZE, ThisModule(), false));
    EXPECT_FALSE(button.SizeToImage());
    const POINT at = layout::kSmallButtonsAtStart.minimize;
    button.Create("", kChildStyle, CRect(at.x, at.y, 0, 0), &host, 203);
    EXPECT_TRUE(button.SizeToImage());
    EXPECT_EQ(Text(CRect(at.x, at.y, at.x + 21, at.y + 19)), Text(WindowRectInParent(button)));
}

TEST(SkinButtonWindow, SizeToImageWithoutALoadableStripLeavesTheSize) {
    HostWindow& host = skintest::Host();
    CSkinButton none, missing;
    none.Create("", kChildStyle, CRect(1, 2, 31, 22), &host, kButtonId);
    EXPECT_FALSE(none.SizeToImage());
    missing.Create("", kChildStyle, CRect(40, 2, 70, 22), &host, kButtonId + 1);
    EXPECT_TRUE(missing.SetBitmap(4242, ThisModule(), false));
    EXPECT_FALSE(missing.SizeToImage());
    EXPECT_EQ("(1, 2, 31, 22)", Text(WindowRectInParent(none)));
    EXPECT_EQ("(40, 2, 70, 22)", Text(WindowRectInParent(missing)));
}

TEST(SkinButtonWindow, SizingBringsTheButtonToTheTopOfItsSiblings) {
    HostWindow& host = skintest::Host();
    CSkinButton first, second;
    first.Create("", kChildStyle, CRect(0, 0, 5, 5), &host, kButtonId);
    second.Create("", kChildStyle, CRect(10, 0, 15, 5), &host, kButtonId + 1);
    ASSERT_EQ(first.GetSafeHwnd(), ::GetWindow(host, GW_CHILD));
    second.SetBitmap(IDB_BTN_CLOSE, ThisModule(), false);
    EXPECT_EQ(second.GetSafeHwnd(), ::GetWindow(host, GW_CHILD));
}

// Counts the paints that reach the button.
class CountingButton : public CSkinButton {
public:
    void DrawItem(LPDRAWITEMSTRUCT item) override {
        ++m_nPaints;
        m_nLastState = item->itemState;
        CSkinButton::DrawItem(item);
    }
    int m_nPaints = 0;
    UINT m_nLastState = 0;
};

TEST(SkinButtonWindow, HoverRepaintsOnceOnEntryAndOnceOnLeave) {
    HostWindow& host = skintest::Host();
    CountingButton button;
    button.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), false);
    button.UpdateWindow();
    button.m_nPaints = 0;

    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    button.UpdateWindow();
    EXPECT_EQ(1, button.m_nPaints);
    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    button.UpdateWindow();
    EXPECT_EQ(1, button.m_nPaints) << "further moves inside must not repaint";
    button.SendMessage(WM_MOUSELEAVE);
    button.UpdateWindow();
    EXPECT_EQ(2, button.m_nPaints);
}

TEST(SkinButtonWindow, LeavingWithTheRealPointerClearsHover) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_PATTERN);
    CountingButton button;
    button.Create("", kChildStyle, CRect(20, 20, 20, 20), &host, kButtonId);
    button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), true);
    button.MoveWindow(20, 20, 40, 32);
    skintest::PumpMessages(100);

    ::SetCursorPos(HostWindow::kLeft + 30, HostWindow::kTop + 30);
    skintest::PumpMessages(300);
    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));  // in case the warp made no move message
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 3, 4));

    // The leave notification the button asked for arrives once the pointer is elsewhere.
    ::SetCursorPos(HostWindow::kLeft + 300, HostWindow::kTop + 250);
    for (int i = 0; i < 40 && ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 3, 4); ++i)
        skintest::PumpMessages(50);
    EXPECT_TRUE(ShowsFrame(*Paint(button, 0), ClientRect(button), strip, 0, 4));
}

TEST(SkinButtonWindow, EraseRequestRepaintsAtOnceAndErasesNothing) {
    HostWindow& host = skintest::Host();
    CountingButton button;
    button.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), false);
    button.UpdateWindow();
    button.m_nPaints = 0;
    Canvas target(10, 8);
    EXPECT_EQ(TRUE, button.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.dc())));
    EXPECT_EQ(1, button.m_nPaints) << "the repaint happens before the erase request returns";
    EXPECT_EQ(10 * 8, CountColour(target, kUntouched)) << "the background must not be erased";
}

TEST(SkinButtonWindow, PlatformStatesReachTheFrameThroughReflection) {
    HostWindow& host = skintest::Host();
    const StripPixels strip(IDB_TEST_PATTERN);
    CountingButton button;
    button.Create("", kChildStyle, CRect(5, 5, 5, 5), &host, kButtonId);
    button.SetBitmap(IDB_TEST_PATTERN, ThisModule(), false);
    const auto PrintClient = [&] {
        auto canvas = std::make_unique<Canvas>(10 + kMargin, 8 + kMargin);
        button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
        return canvas;
    };
    EXPECT_TRUE(ShowsFrame(*PrintClient(), ClientRect(button), strip, 0, 1));
    button.SendMessage(BM_SETSTATE, TRUE);
    EXPECT_TRUE(ShowsFrame(*PrintClient(), ClientRect(button), strip, 1, 1));
    button.SendMessage(BM_SETSTATE, FALSE);
    ::EnableWindow(button, FALSE);
    EXPECT_TRUE(ShowsFrame(*PrintClient(), ClientRect(button), strip, 4, 1));
    EXPECT_EQ(static_cast<UINT>(ODS_DISABLED), button.m_nLastState & ODS_DISABLED);
}

class RecordingSink : public ISkinMouseSink {
public:
    bool IsValid() override { return true; }
    bool Release() override { return true; }
    void* QueryInterface(const GUID&, DWORD) override { return nullptr; }
    void OnMouseLeave(int id, WPARAM w, LPARAM l) override { Record("leave", id, w, l); }
    void OnMouseMove(int id, WPARAM w, LPARAM l) override { Record("move", id, w, l); }
    void OnLButtonUp(int id, WPARAM w, LPARAM l) override { Record("lup", id, w, l); }
    void OnLButtonDown(int id, WPARAM w, LPARAM l) override { Record("ldown", id, w, l); }
    void OnRButtonUp(int id, WPARAM w, LPARAM l) override { Record("rup", id, w, l); }
    void OnRButtonDown(int id, WPARAM w, LPARAM l) override { Record("rdown", id, w, l); }

    std::vector<std::string> m_events;

private:
    void Record(const char* what, int id, WPARAM w, LPARAM l) {
        m_events.push_back(std::string(what) + " " + std::to_string(id) + " " + std::to_string(w) + " " +
                           std::to_string(l));
    }
};

TEST(SkinButtonWindow, MouseSinkHearsMovesAndButtonsButNoLeave) {
    HostWindow& host = skintest::Host();
    CSkinButton button;
    button.Create("", kChildStyle, CRect(5, 5, 25, 25), &host, 206);
    RecordingSink sink;
    button.SetMouseSink(&sink);
    const LPARAM at = MAKELPARAM(4, 5);
    button.SendMessage(WM_MOUSEMOVE, MK_SHIFT, at);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    button.SendMessage(WM_LBUTTONUP, 0, at);
    button.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, at);
    button.SendMessage(WM_RBUTTONUP, 0, at);
    button.SendMessage(WM_MOUSELEAVE);
    button.SendMessage(WM_KEYDOWN, VK_SPACE, 0);
    ::ReleaseCapture();
    const std::string tail = " " + std::to_string(at);
    const std::vector<std::string> expected = {
        "move 206 " + std::to_string(MK_SHIFT) + tail, "ldown 206 " + std::to_string(MK_LBUTTON) + tail,
        "lup 206 0" + tail, "rdown 206 " + std::to_string(MK_RBUTTON) + tail, "rup 206 0" + tail};
    EXPECT_EQ(expected, sink.m_events);
}

TEST(SkinButtonWindow, ClickReachesTheParentAsACommand) {
    struct CommandHost : HostWindow {
        BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
            m_commands.push_back(wParam);
            return TRUE;
        }
        std::vector<WPARAM> m_commands;
    } host;
    CSkinButton button;
    button.Create("", kChildStyle, CRect(5, 5, 25, 25), &host, 205);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    skintest::PumpMessages();
    EXPECT_EQ(std::vector<WPARAM>{MAKEWPARAM(205, BN_CLICKED)}, host.m_commands);
}

// --- The class-wide attribute object -------------------------------------------------------------

TEST(SkinButtonAttribute, IsTheSkinObjectOfClassCSkinButton) {
    EXPECT_STREQ("CSkinButton", g_skinButtonAttribute.GetClassName());
    EXPECT_EQ(g_skinFont.GetSafeHandle(), g_skinButtonAttribute.GetFont());
    bool registered = false;
    for (ISkinObject* entry : g_skinRegistry) registered |= entry == static_cast<ISkinObject*>(&g_skinButtonAttribute);
    EXPECT_TRUE(registered);
}

TEST(SkinButtonAttribute, PublishesCaptionColourAndBackImage) {
    auto* access = static_cast<IAttributeAccess*>(
        g_skinButtonAttribute.QueryInterface(IID_IAttributeAccess, ATTR_INTERFACE_VERSION));
    ASSERT_NE(nullptr, access);
    IAttribute* colour = access->GetAttributeAt(1);
    IAttribute* image = access->GetAttributeAt(2);
    ASSERT_NE(nullptr, colour);
    ASSERT_NE(nullptr, image);
    EXPECT_STREQ("按钮字体颜色", colour->GetName());
    EXPECT_EQ(ATTR_TYPE_DWORD, colour->GetType());
    EXPECT_FALSE(colour->IsReadOnly());
    EXPECT_STREQ("按钮背景图", image->GetName());
    EXPECT_EQ(ATTR_TYPE_STRING, image->GetType());
    EXPECT_FALSE(image->IsReadOnly());

    const FontColourScope restore(g_skinButtonAttribute.m_crFontColor);
    EXPECT_TRUE(access->SetValue("按钮字体颜色", static_cast<DWORD>(0x00123456)));
    EXPECT_EQ(0x00123456u, g_skinButtonAttribute.m_crFontColor);
    EXPECT_TRUE(access->SetValue("按钮背景图", "skin\\button.bmp"));
    EXPECT_STREQ("skin\\button.bmp", g_skinButtonAttribute.m_strBackImage);
    g_skinButtonAttribute.m_strBackImage.Empty();
}

TEST(SkinButtonAttribute, LoadingWithoutAStoreGivesDefaultsAndTheDefaultStrip) {
    const FontColourScope restore(RGB(9, 9, 9));
    const ClassStripScope cleanUp(0, nullptr);
    EXPECT_TRUE(g_skinButtonAttribute.LoadFromStore());
    EXPECT_EQ(0u, g_skinButtonAttribute.m_crFontColor);
    ASSERT_TRUE(g_skinButtonAttribute.m_image.HasSource());
    CSkinImageRef held(&g_skinButtonAttribute.m_image);
    ASSERT_TRUE(held.HasBitmap());
    EXPECT_EQ(315, held->GetWidth());
    EXPECT_EQ(21, held->GetHeight());
}

TEST(SkinButtonAttribute, SavingWithoutAStoreStillSucceeds) {
    EXPECT_TRUE(g_skinButtonAttribute.SaveToStore());
}
