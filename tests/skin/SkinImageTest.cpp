// The image class and the reference-counted skin image, on real GDI bitmaps from this test's
// own resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/Image.h"
#include "res/resource.h"
#include "skin/SkinImage.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/TestStrips.h"

using skintest::Canvas;
using skintest::kMagenta;
using skintest::kUntouched;
using skintest::StripPixels;

namespace {

HINSTANCE ThisModule() { return ::GetModuleHandleW(nullptr); }

bool IsLiveBitmap(HBITMAP hBitmap) { return ::GetObjectType(hBitmap) == OBJ_BITMAP; }

// A 24-bit bottom-up BMP file, 6 x 4, whose pixel (x, y) is RGB(40x, 60y, 7).
std::string WriteSmallBmp() {
    wchar_t dir[MAX_PATH];
    wchar_t path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"qvi", 0, path);
    const int width = 6, height = 4, stride = 20;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = stride * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string body(static_cast<size_t>(stride) * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* p = &body[static_cast<size_t>(height - 1 - y) * stride + x * 3];
            p[0] = 7;
            p[1] = static_cast<char>(60 * y);
            p[2] = static_cast<char>(40 * x);
        }
    FILE* out = _wfopen(path, L"wb");
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(body.data(), body.size(), 1, out);
    std::fclose(out);
    char narrow[MAX_PATH];
    ::WideCharToMultiByte(936, 0, path, -1, narrow, MAX_PATH, nullptr, nullptr);
    return narrow;
}

class OtherCounted : public IRefCounted {
public:
    int AddRef() override { return ++m_nCalls; }
    int Release() override { return 0; }
    int GetRefCount() override { return 0; }
    int m_nCalls = 0;
};

}  // namespace

// --- CImage -------------------------------------------------------------------------------------

TEST(Image, AttachReadsTheSizeAndDestroyFreesTheBitmap) {
    CImage image;
    EXPECT_TRUE(image.IsNull());
    HBITMAP hBitmap = ::CreateBitmap(13, 7, 1, 32, nullptr);
    image.Attach(hBitmap);
    EXPECT_FALSE(image.IsNull());
    EXPECT_EQ(13, image.GetWidth());
    EXPECT_EQ(7, image.GetHeight());
    image.Destroy();
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(0, image.GetWidth());
    EXPECT_FALSE(IsLiveBitmap(hBitmap));
}

TEST(Image, AttachReplacesAndDestroysThePreviousBitmap) {
    CImage image;
    HBITMAP hFirst = ::CreateBitmap(4, 4, 1, 32, nullptr);
    HBITMAP hSecond = ::CreateBitmap(9, 2, 1, 32, nullptr);
    image.Attach(hFirst);
    image.Attach(hSecond);
    EXPECT_FALSE(IsLiveBitmap(hFirst));
    EXPECT_TRUE(IsLiveBitmap(hSecond));
    EXPECT_EQ(9, image.GetWidth());
}

TEST(Image, DetachHandsOverOwnershipAndTheDestructorFreesWhatItHolds) {
    HBITMAP hKept = ::CreateBitmap(4, 4, 1, 32, nullptr);
    HBITMAP hOwned = ::CreateBitmap(4, 4, 1, 32, nullptr);
    {
        CImage kept;
        kept.Attach(hKept);
        EXPECT_EQ(hKept, kept.Detach());
        EXPECT_TRUE(kept.IsNull());
        CImage owned;
        owned.Attach(hOwned);
    }
    EXPECT_TRUE(IsLiveBitmap(hKept));
    EXPECT_FALSE(IsLiveBitmap(hOwned));
    ::DeleteObject(hKept);
}

TEST(Image, LoadsAFileThroughGdiplus) {
    const std::string path = WriteSmallBmp();
    CImage image;
    ASSERT_EQ(S_OK, image.Load(path.c_str()));
    EXPECT_EQ(6, image.GetWidth());
    EXPECT_EQ(4, image.GetHeight());
    Canvas canvas(6, 4);
    ASSERT_TRUE(image.TransparentBlt(canvas.dc(), 0, 0, 6, 4, 0, 0, 6, 4, kMagenta));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(RGB(40 * x, 60 * y, 7), canvas.At(x, y)) << x << "," << y;
    ::DeleteFileA(path.c_str());
}

TEST(Image, AFailedLoadLeavesTheImageEmpty) {
    CImage image;
    image.Attach(::CreateBitmap(4, 4, 1, 32, nullptr));
    EXPECT_EQ(E_FAIL, image.Load("C:\\no such folder\\no such file.bmp"));
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(E_FAIL, image.Load(""));
}

TEST(Image, TransparentBltScalesASubRectangleAndSkipsTheKeyColour) {
    const StripPixels strip(IDB_TEST_KEYED);
    ASSERT_TRUE(strip.IsLoaded());
    CImage image;
    image.Attach(static_cast<HBITMAP>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDB_TEST_KEYED),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    // Frame 2 (columns 20-29) doubled into (3, 1): 20 x 16 pixels.
    Canvas canvas(26, 18);
    ASSERT_TRUE(image.TransparentBlt(canvas.dc(), 3, 1, 20, 16, 20, 0, 10, 8, kMagenta));
    int keyed = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const bool inside = x >= 3 && x < 23 && y >= 1 && y < 17;
            COLORREF expected = kUntouched;
            if (inside) {
                const COLORREF source = strip.At(20 + (x - 3) / 2, (y - 1) / 2);
                if (source == kMagenta) ++keyed;
                else expected = source;
            }
            ASSERT_EQ(expected, canvas.At(x, y)) << x << "," << y;
        }
    EXPECT_GT(keyed, 0) << "the strip should hold magenta pixels in frame 2";
}

// --- CSkinImage ---------------------------------------------------------------------------------

TEST(SkinImage, StartsWithoutSourceAndCannotLoad) {
    CSkinImage image;
    EXPECT_FALSE(image.HasSource());
    EXPECT_EQ(0, image.AddRef());
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
}

TEST(SkinImage, FirstReferenceLoadsAndLastReleaseFrees) {
    CSkinImage image;
    EXPECT_TRUE(image.SetSource(IDB_SHARE_SINA, ThisModule(), false));
    EXPECT_TRUE(image.HasSource());
    EXPECT_TRUE(image.IsNull()) << "nothing is loaded before a reference is taken";

    EXPECT_EQ(1, image.AddRef());
    ASSERT_FALSE(image.IsNull());
    EXPECT_EQ(610, image.GetWidth());
    EXPECT_EQ(31, image.GetHeight());
    const HBITMAP hLoaded = image;
    EXPECT_EQ(2, image.AddRef());
    EXPECT_EQ(hLoaded, static_cast<HBITMAP>(image)) << "a second reference must not reload";

    EXPECT_EQ(1, image.Release());
    EXPECT_TRUE(IsLiveBitmap(hLoaded));
    EXPECT_EQ(0, image.Release());
    EXPECT_TRUE(image.IsNull());
    EXPECT_FALSE(IsLiveBitmap(hLoaded));
}

TEST(SkinImage, LoadsAsDibSectionAtStoredSize) {
    CSkinImage image;
    image.SetSource(IDB_BTN_CLOSE, ThisModule(), false);
    ASSERT_EQ(1, image.AddRef());
    DIBSECTION section{};
    EXPECT_EQ(static_cast<int>(sizeof section),
              ::GetObjectW(static_cast<HBITMAP>(image), sizeof section, &section));
    EXPECT_EQ(105, section.dsBm.bmWidth);
    EXPECT_EQ(19, section.dsBm.bmHeight);
    image.Release();
}

TEST(SkinImage, ReleaseAtZeroChangesNothing) {
    CSkinImage image;
    image.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    EXPECT_EQ(0, image.Release());
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_EQ(1, image.AddRef()) << "the image must still load after a stray release";
    image.Release();
}

TEST(SkinImage, SetSourceReloadsForOutstandingHolders) {
    CSkinImage image;
    image.SetSource(IDB_SHARE_SINA, ThisModule(), false);
    CSkinImageRef first(&image);
    CSkinImageRef second(&image);
    ASSERT_EQ(2, image.GetRefCount());
    const HBITMAP hOld = image;

    image.SetSource(IDB_BTN_CLOSE, ThisModule(), false);
    EXPECT_FALSE(IsLiveBitmap(hOld));
    EXPECT_EQ(2, image.GetRefCount());
    EXPECT_TRUE(first.HasBitmap());
    EXPECT_TRUE(second.HasBitmap());
    EXPECT_EQ(105, image.GetWidth());
    EXPECT_EQ(19, image.GetHeight());
    const HBITMAP hNew = image;

    first.Reset();
    EXPECT_EQ(hNew, static_cast<HBITMAP>(image)) << "the new bitmap is loaded once and shared";
    second.Reset();
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
    EXPECT_FALSE(IsLiveBitmap(hNew));
}

TEST(SkinImage, SetSourceWithoutHoldersLoadsNothing) {
    CSkinImage image;
    image.SetSource(IDB_SHARE_SINA, ThisModule(), false);
    image.SetSource(IDB_BTN_CLOSE, ThisModule(), false);
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
}

TEST(SkinImage, PinnedSourceStaysLoadedWhileHoldersComeAndGo) {
    CSkinImage image;
    image.SetSource(IDB_BTN_MINIMIZE, ThisModule(), true);
    EXPECT_EQ(1, image.GetRefCount());
    ASSERT_FALSE(image.IsNull());
    const HBITMAP hPinned = image;
    {
        CSkinImageRef holder(&image);
        EXPECT_EQ(2, image.GetRefCount());
    }
    EXPECT_EQ(1, image.GetRefCount());
    EXPECT_EQ(hPinned, static_cast<HBITMAP>(image));
    EXPECT_TRUE(IsLiveBitmap(hPinned));
}

TEST(SkinImage, UnpinningWithoutHoldersUnloads) {
    CSkinImage image;
    image.SetSource(IDB_BTN_MINIMIZE, ThisModule(), true);
    const HBITMAP hPinned = image;
    image.SetSource(IDB_BTN_MINIMIZE, ThisModule(), false);
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
    EXPECT_FALSE(IsLiveBitmap(hPinned));
}

TEST(SkinImage, PinningWithAHolderAddsTheImagesOwnReference) {
    CSkinImage image;
    image.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    CSkinImageRef holder(&image);
    image.SetSource(IDB_TEST_ODD, ThisModule(), true);
    EXPECT_EQ(2, image.GetRefCount());
    EXPECT_EQ(53, image.GetWidth());
    holder.Reset();
    EXPECT_EQ(1, image.GetRefCount());
    EXPECT_FALSE(image.IsNull());
}

TEST(SkinImage, FailedLoadLeavesCountAtZero) {
    CSkinImage image;
    image.SetSource(4242, ThisModule(), false);
    EXPECT_TRUE(image.HasSource());
    EXPECT_EQ(0, image.AddRef());
    EXPECT_EQ(0, image.AddRef()) << "every later reference tries again and fails again";
    EXPECT_EQ(0, image.GetRefCount());
    CSkinImageRef holder;
    EXPECT_FALSE(holder.Attach(&image));
    EXPECT_FALSE(holder.IsAttached());
    EXPECT_FALSE(holder.HasBitmap());
}

TEST(SkinImage, PinnedSourceThatFailsHoldsNoReference) {
    CSkinImage image;
    image.SetSource(4242, ThisModule(), true);
    EXPECT_EQ(0, image.GetRefCount());
    // Leaving the failed pinned source must not take a reference away from anyone.
    image.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(1, image.AddRef());
    image.Release();
}

TEST(SkinImage, ResourceIdsAboveSixteenBitsUseTheLowWord) {
    CSkinImage image;
    image.SetSource(0x10000 + IDB_TEST_ODD, ThisModule(), false);
    ASSERT_EQ(1, image.AddRef());
    EXPECT_EQ(53, image.GetWidth());
    image.SetSource(0x30000 + IDB_BTN_CLOSE, ThisModule(), false);
    EXPECT_EQ(105, image.GetWidth());
    image.Release();
}

TEST(SkinImage, DestructorFreesALoadedBitmapWhateverTheCount) {
    auto* image = new CSkinImage;
    image->SetSource(IDB_TEST_PATTERN, ThisModule(), true);
    image->AddRef();
    const HBITMAP hLoaded = *image;
    ASSERT_TRUE(IsLiveBitmap(hLoaded));
    delete image;
    EXPECT_FALSE(IsLiveBitmap(hLoaded));
}

// --- CSkinImageRef ------------------------------------------------------------------------------

TEST(SkinImageRef, ConstructionTakesOneReferenceAndDestructionGivesItBack) {
    CSkinImage image;
    image.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    {
        CSkinImageRef holder(&image);
        EXPECT_TRUE(holder.IsAttached());
        EXPECT_TRUE(holder.HasBitmap());
        EXPECT_EQ(1, image.GetRefCount());
        EXPECT_EQ(50, holder->GetWidth());
    }
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
}

TEST(SkinImageRef, ConstructionFromNullOrAFailingImageStaysEmpty) {
    CSkinImageRef none(nullptr);
    EXPECT_FALSE(none.IsAttached());
    CSkinImage image;
    CSkinImageRef unloaded(&image);
    EXPECT_FALSE(unloaded.IsAttached());
    EXPECT_FALSE(unloaded.HasBitmap());
}

TEST(SkinImageRef, AttachMovesTheReferenceToTheNewImage) {
    CSkinImage first, second;
    first.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    second.SetSource(IDB_TEST_ODD, ThisModule(), false);
    CSkinImageRef holder(&first);
    EXPECT_TRUE(holder.Attach(&second));
    EXPECT_EQ(0, first.GetRefCount());
    EXPECT_TRUE(first.IsNull());
    EXPECT_EQ(1, second.GetRefCount());
    EXPECT_EQ(53, holder->GetWidth());
}

TEST(SkinImageRef, AttachNullReleasesAndFails) {
    CSkinImage image;
    image.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    CSkinImageRef holder(&image);
    EXPECT_FALSE(holder.Attach(nullptr));
    EXPECT_FALSE(holder.IsAttached());
    EXPECT_EQ(0, image.GetRefCount());
    EXPECT_TRUE(image.IsNull());
}

TEST(SkinImageRef, AttachToAnotherKindOfCountedObjectIsRefused) {
    OtherCounted other;
    CSkinImageRef holder;
    EXPECT_FALSE(holder.Attach(&other));
    EXPECT_EQ(0, other.m_nCalls) << "no reference may be taken that the holder cannot give back";
}

TEST(SkinImageRef, ResetReportsWhetherItHeldAnImage) {
    CSkinImage image;
    image.SetSource(IDB_TEST_PATTERN, ThisModule(), false);
    CSkinImageRef holder(&image);
    EXPECT_TRUE(holder.Reset());
    EXPECT_FALSE(holder.Reset());
    EXPECT_EQ(0, image.GetRefCount());
}
