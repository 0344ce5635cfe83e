// Skin art drawn in place into a surface, against the pictures LoadSkinArt makes of the same art:
// at its own size, from the 2x art at twice the size, and resampled in between.
#include <windows.h>

#include <gtest/gtest.h>
#include <wincodec.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/Rect.h"
#include "res/resource.h"
#include "skin/SkinArt.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/TestStrips.h"

using skintest::Canvas;
using skintest::kUntouched;

namespace {

HINSTANCE ThisModule() { return ::GetModuleHandleW(nullptr); }

// COM on this thread for the test's length, as the tool has it: the 2x art is decoded through it.
class ComScope {
public:
    ComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }

private:
    HRESULT m_hr;
};

// Whether the image decoder the 2x art needs can be had; without it every test here would only
// see the bitmaps resampled.
bool CanDecodeArt() {
    IWICImagingFactory* pFactory = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&pFactory))))
        return false;
    pFactory->Release();
    return true;
}

// The picture selected into hdc from (x, y), size large, copied into a canvas.
std::unique_ptr<Canvas> CopyOf(HDC hdc, int x, int y, SIZE size) {
    auto canvas = std::make_unique<Canvas>(size.cx, size.cy);
    ::BitBlt(canvas->dc(), 0, 0, size.cx, size.cy, hdc, x, y, SRCCOPY);
    return canvas;
}

// What a surface shows when copied onto a canvas of kUntouched, size large.
std::unique_ptr<Canvas> Shown(const qv::CSkinSurface& surface, SIZE size) {
    auto canvas = std::make_unique<Canvas>(size.cx, size.cy);
    surface.CopyTo(canvas->dc());
    return canvas;
}

// Fills every part of a surface with kUntouched.
void FillUntouched(const qv::CSkinSurface& surface, SIZE size) {
    surface.DrawOnParts([size](const CDC& part) { part.FillSolidRect(CRect(0, 0, size.cx, size.cy), kUntouched); });
}

// The picture LoadSkinArt makes of bitmap nID as one frame of size.
std::unique_ptr<Canvas> LoadedArt(UINT nID, SIZE size) {
    CBitmap art;
    art.Attach(qv::LoadSkinArt(ThisModule(), nID, 1, size));
    if (!art.GetSafeHandle()) return nullptr;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(art);
    return CopyOf(dc, 0, 0, size);
}

// The first pixel where two canvases of size differ, or "" when none does.
std::string FirstDifference(const Canvas& shown, const Canvas& expected, SIZE size) {
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (shown.At(x, y) != expected.At(x, y))
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

// Pixels of a canvas outside rect that are not kUntouched.
int TouchedOutside(const Canvas& canvas, const RECT& rect) {
    int touched = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
            touched += !inside && canvas.At(x, y) != kUntouched;
        }
    return touched;
}

}  // namespace

TEST(SkinSurface, DrawsInPlaceThePictureLoadSkinArtMakesAtEachScale) {
    const ComScope com;
    ASSERT_TRUE(CanDecodeArt());
    CClientDC screen(nullptr);
    // A background with true-colour 2x art, the bar with palette 2x art, and strips without art
    // (24-bit with keyed holes, 8-bit with a palette), drawn off the surface's corner.
    for (UINT id : {IDB_BG_COLLAPSED, IDB_COLLAPSE_BAR, IDB_TEST_HOLES, IDB_TEST_KEYED8}) {
        const SIZE own = qv::GetSkinBitmapSize(ThisModule(), id);
        for (UINT dpi : {96u, 144u, 192u}) {
            SCOPED_TRACE("bitmap " + std::to_string(id) + " at " + std::to_string(dpi) + " DPI");
            const SIZE size = {qv::ScaleToDpi(own.cx, dpi), qv::ScaleToDpi(own.cy, dpi)};
            const POINT at = {3, 1};
            const SIZE whole = {size.cx + 5, size.cy + 3};
            qv::CSkinSurface surface;
            ASSERT_TRUE(surface.Create(screen, whole));
            FillUntouched(surface, whole);
            ASSERT_TRUE(surface.DrawArt(ThisModule(), id, at, size));

            const auto expected = LoadedArt(id, size);
            ASSERT_TRUE(expected);
            const auto shown = Shown(surface, whole);
            EXPECT_EQ("", FirstDifference(*CopyOf(shown->dc(), at.x, at.y, size), *expected, size));
            EXPECT_EQ(0, TouchedOutside(*shown, CRect(at.x, at.y, at.x + size.cx, at.y + size.cy)));
        }
    }
}

TEST(SkinSurface, KeepsAndShowsExactlyWhatIsNotCovered) {
    const ComScope com;
    ASSERT_TRUE(CanDecodeArt());
    CClientDC screen(nullptr);
    const SIZE own = qv::GetSkinBitmapSize(ThisModule(), IDB_BG_COLLAPSED);
    // As the panes lie: side by side with a column between, one reaching the bottom edge; and a
    // third over the top edge, across the others' columns.
    const RECT covers[] = {{3, 41, 300, 554}, {320, 41, 553, 600}, {250, -10, 400, 20}};
    for (UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const SIZE size = {qv::ScaleToDpi(own.cx, dpi), qv::ScaleToDpi(own.cy, dpi)};
        std::vector<RECT> covered;
        for (const RECT& cover : covers)
            covered.push_back({qv::ScaleToDpi(cover.left, dpi), qv::ScaleToDpi(cover.top, dpi),
                               qv::ScaleToDpi(cover.right, dpi), qv::ScaleToDpi(cover.bottom, dpi)});
        qv::CSkinSurface surface;
        ASSERT_TRUE(surface.Create(screen, size, covered));
        ASSERT_TRUE(surface.DrawArt(ThisModule(), IDB_BG_COLLAPSED, {0, 0}, size));

        const auto expected = LoadedArt(IDB_BG_COLLAPSED, size);
        ASSERT_TRUE(expected);
        const auto shown = Shown(surface, size);
        const std::vector<RECT> parts = surface.Parts();
        int wrong = 0;
        std::string first;
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                const POINT point = {x, y};
                const bool bCovered = std::any_of(covered.begin(), covered.end(),
                                                  [point](const RECT& rect) { return ::PtInRect(&rect, point); });
                const auto kept = std::count_if(parts.begin(), parts.end(),
                                                [point](const RECT& rect) { return ::PtInRect(&rect, point); });
                const COLORREF want = bCovered ? kUntouched : expected->At(x, y);
                if (kept != (bCovered ? 0 : 1) || shown->At(x, y) != want) {
                    if (!wrong++) first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
                }
            }
        EXPECT_EQ(0, wrong) << "first at " << first;
        // The few parts a frame around the covers takes, not a part for each band of rows.
        EXPECT_LE(parts.size(), 8u);
    }
}

TEST(SkinSurface, ArtThatWouldNotLieInsideOrCannotBeHadDrawsNothing) {
    const ComScope com;
    CClientDC screen(nullptr);
    qv::CSkinSurface surface;
    ASSERT_TRUE(surface.Create(screen, {60, 20}));
    FillUntouched(surface, {60, 20});
    const SIZE pattern = qv::GetSkinBitmapSize(ThisModule(), IDB_TEST_PATTERN);  // 50 x 8
    EXPECT_FALSE(surface.DrawArt(ThisModule(), IDB_TEST_PATTERN, {11, 0}, pattern));
    EXPECT_FALSE(surface.DrawArt(ThisModule(), IDB_TEST_PATTERN, {0, 13}, pattern));
    EXPECT_FALSE(surface.DrawArt(ThisModule(), IDB_TEST_PATTERN, {-1, 0}, pattern));
    EXPECT_FALSE(surface.DrawArt(ThisModule(), 4242, {0, 0}, {10, 10}));
    EXPECT_EQ(0, TouchedOutside(*Shown(surface, {60, 20}), CRect()));
    // Where it fits it is drawn.
    EXPECT_TRUE(surface.DrawArt(ThisModule(), IDB_TEST_PATTERN, {10, 12}, pattern));
    EXPECT_EQ(0, TouchedOutside(*Shown(surface, {60, 20}), CRect(10, 12, 60, 20)));
}

TEST(SkinSurface, AnEmptySurfaceDrawsNothing) {
    qv::CSkinSurface surface;
    CClientDC screen(nullptr);
    EXPECT_FALSE(surface.Create(screen, {0, 5}));
    EXPECT_FALSE(surface.DrawArt(ThisModule(), IDB_TEST_PATTERN, {0, 0}, {50, 8}));
}
