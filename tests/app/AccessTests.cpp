// What the tool draws itself, in the skin's colours and in the system's under high contrast, which
// Wine cannot switch on: the drawing code is given the state.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/CollapseBar.h"
#include "app/HighContrast.h"
#include "app/Layout.h"
#include "app/Texts.h"
#include "platform/Gdi.h"
#include "skin/FocusMark.h"
#include "tests/skin/SkinTestSupport.h"

using skintest::Canvas;

namespace {

constexpr COLORREF kSkinBarText = RGB(146, 111, 42);
constexpr COLORREF kGround = RGB(60, 60, 60);  // stands for the bar's picture

int Count(const Canvas& canvas, const RECT& rect, COLORREF colour) {
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) count += canvas.At(x, y) == colour;
    return count;
}

// The first pixel where two pictures differ, or "same".
std::string FirstDifference(const Canvas& a, const Canvas& b) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.At(x, y) != b.At(x, y)) return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "same";
}

// The window's surface, kGround standing in for the bar's picture, with the bar's font selected,
// after draw drew on it.
template <typename Draw>
std::unique_ptr<Canvas> Surface(CFont& font, Draw&& draw) {
    auto canvas = std::make_unique<Canvas>(layout::kWindow.cx, layout::kWindow.cy, kGround);
    CDC dc;
    dc.AttachBorrowed(canvas->dc());
    dc.SelectObject(font);
    dc.SetBkMode(TRANSPARENT);
    draw(dc);
    return canvas;
}

}  // namespace

TEST(HighContrast, TheBarsTextTakesTheSystemsButtonColoursInPlaceOfTheSkins) {
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, "宋体", qv::kDefaultDpi));
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE), text = ::GetSysColor(COLOR_BTNTEXT);
    ASSERT_NE(face, text);
    // What each should look like: the collapse text in the skin's colour over the picture, or in the
    // system's button text colour over its button face, which covers the picture.
    const auto textIn = [](COLORREF colour) {
        return [colour](CDC& dc) {
            RECT words = layout::kBarText;
            dc.SetTextColor(colour);
            dc.DrawText(kBarTextCollapse, &words, DT_WORDBREAK);
        };
    };
    const auto skinLook = Surface(font, textIn(kSkinBarText));
    const auto systemLook = Surface(font, [&](CDC& dc) {
        dc.FillSolidRect(layout::kBarImage, face);
        textIn(text)(dc);
    });
    const RECT words = layout::kBarText;
    ASSERT_LT(Count(*skinLook, words, kGround), (words.right - words.left) * (words.bottom - words.top))
        << "the text leaves ink";

    for (const bool bHighContrast : {false, true}) {
        SCOPED_TRACE(bHighContrast ? "high contrast" : "skin");
        const auto drawn = Surface(font, [bHighContrast](CDC& dc) {
            CCollapseBar bar;
            bar.SetHighContrast(bHighContrast);
            bar.DrawFace(dc, qv::kDefaultDpi);
        });
        EXPECT_EQ("same", FirstDifference(*drawn, bHighContrast ? *systemLook : *skinLook));
    }
}

TEST(HighContrast, FocusMarksTakeTheHighlightColourAndThePanelTheWindowColours) {
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const qv::FocusMarkColours system = qv::FocusMarkFor(true), skin = qv::FocusMarkFor(false);
    EXPECT_EQ(highlight, system.crOuter);
    EXPECT_EQ(highlight, system.crInner);
    EXPECT_EQ(qv::kSkinFocusMark.crOuter, skin.crOuter);
    EXPECT_EQ(qv::kSkinFocusMark.crInner, skin.crInner);

    PanelLook look;
    look.hFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    look.crBackground = RGB(55, 55, 57);
    look.crText = RGB(236, 184, 92);
    const PanelLook inSystemColours = qv::PanelLookFor(look, true), asItIs = qv::PanelLookFor(look, false);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), inSystemColours.crBackground);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), inSystemColours.crText);
    EXPECT_EQ(look.hFont, inSystemColours.hFont);
    EXPECT_EQ(look.crBackground, asItIs.crBackground);
    EXPECT_EQ(look.crText, asItIs.crText);
}

TEST(HighContrast, TheFocusedBarIsMarkedInTheHighlightColourAndOnlyWhileItHasTheFocus) {
    skintest::HostWindow host;
    CCollapseBar bar;
    ASSERT_TRUE(bar.Create(&host, 212));
    bar.MoveWindow(10, 20, 23, 100);
    bar.SetHighContrast(true);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    Canvas canvas(60, 140, kGround);
    bar.DrawFocusMark(canvas.dc(), qv::kDefaultDpi);
    EXPECT_EQ(0, Count(canvas, {0, 0, 60, 140}, highlight)) << "no mark without the focus";
    ::SetForegroundWindow(host);
    ::SetFocus(bar);
    ASSERT_EQ(bar.GetSafeHwnd(), ::GetFocus());
    bar.DrawFocusMark(canvas.dc(), qv::kDefaultDpi);
    // Two rings a pixel wide, a pixel inside the bar's edge, all in the highlight colour.
    EXPECT_EQ(highlight, canvas.At(11, 60));
    EXPECT_EQ(highlight, canvas.At(12, 60));
    EXPECT_EQ(kGround, canvas.At(10, 60));
    EXPECT_EQ(kGround, canvas.At(13, 60));
    const int outer = 2 * 21 + 2 * 98 - 4, inner = 2 * 19 + 2 * 96 - 4;
    EXPECT_EQ(outer + inner, Count(canvas, {0, 0, 60, 140}, highlight));
}
