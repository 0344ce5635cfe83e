#include "skin/SkinArt.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <new>

#include "platform/Gdi.h"
#include "skin/Resample.h"

using Microsoft::WRL::ComPtr;

namespace qv {
namespace {

constexpr char kArtType[] = "PNG";
constexpr std::uint32_t kKeyColour = 0xFF00FF;  // magenta, as 0xRRGGBB
constexpr int kBytesPerPixel = 4;
// The pictures made here keep the colour alone: blue, green and red.
constexpr int kColourBytesPerPixel = 3;

// The bytes of resource nID of the type, or null.
const BYTE* ResourceBytes(HINSTANCE hModule, UINT nID, const char* type, DWORD* pSize) {
    const HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(nID), type);
    const HGLOBAL hData = hResource ? ::LoadResource(hModule, hResource) : nullptr;
    *pSize = hData ? ::SizeofResource(hModule, hResource) : 0;
    return hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
}

// The 2x art of a bitmap, opened by the Windows Imaging Component: its decoded frame, empty when
// there is none or it cannot be decoded. WIC comes through COM (windowscodecs is no known DLL: an
// import would be looked for beside the exe first), so COM must be started on this thread.
struct Art {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
};

Art OpenArt(HINSTANCE hModule, UINT nID) {
    Art art;
    DWORD size = 0;
    const BYTE* png = ResourceBytes(hModule, nID, kArtType, &size);
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    if (!png ||
        FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&art.factory))) ||
        FAILED(art.factory->CreateStream(&stream)) || FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png), size)) ||
        // The PNG decoder by its class: asking the factory for one by format or by content looks
        // through every codec's registration first, which costs more than the decoding.
        FAILED(::CoCreateInstance(CLSID_WICPngDecoder, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&decoder))) ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &art.frame)) || FAILED(art.frame->GetSize(&art.width, &art.height)) ||
        art.width == 0 || art.height == 0)
        return Art();
    return art;
}

// The art as pixels in format: a source to copy them from, null when it cannot be had.
ComPtr<IWICBitmapSource> ArtIn(const Art& art, const GUID& format) {
    if (!art.frame) return nullptr;
    WICPixelFormatGUID decoded{};
    if (SUCCEEDED(art.frame->GetPixelFormat(&decoded)) && IsEqualGUID(decoded, format)) return art.frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(art.factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(art.frame.Get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    return converter;
}

// The art as pixels; empty when there is none.
Pixels DecodeArt(const Art& art) {
    Pixels pixels;
    if (!art.frame) return pixels;
    pixels.argb.resize(static_cast<size_t>(art.width) * art.height);
    const UINT stride = art.width * kBytesPerPixel;
    const ComPtr<IWICBitmapSource> source = ArtIn(art, GUID_WICPixelFormat32bppBGRA);
    if (!source || FAILED(source->CopyPixels(nullptr, stride, stride * art.height,
                                              reinterpret_cast<BYTE*>(pixels.argb.data())))) {
        pixels.argb.clear();
        return pixels;
    }
    pixels.width = static_cast<int>(art.width);
    pixels.height = static_cast<int>(art.height);
    return pixels;
}

// A top-down bitmap header for a picture of width x height.
BITMAPINFO TopDownHeader(int width, int height, int bitsPerPixel) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Bitmap nID itself as pixels, for a strip without 2x art.
Pixels ReadBitmap(HINSTANCE hModule, UINT nID) {
    Pixels pixels;
    CBitmap bitmap;
    bitmap.Attach(::LoadImageW(hModule, MAKEINTRESOURCEW(nID), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP header{};
    if (!bitmap.GetSafeHandle() || !bitmap.GetBitmap(&header)) return pixels;
    const int height = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
    pixels.argb.resize(static_cast<size_t>(header.bmWidth) * height);
    BITMAPINFO info = TopDownHeader(header.bmWidth, height, 8 * kBytesPerPixel);
    CDC dc;
    if (!dc.CreateCompatibleDC(nullptr) ||
        ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.argb.data(), &info, DIB_RGB_COLORS) != height) {
        pixels.argb.clear();
        return pixels;
    }
    pixels.width = header.bmWidth;
    pixels.height = height;
    return pixels;
}

// A row of a 24-bit DIB width pixels wide, in bytes: whole 32-bit words, as every DIB has them.
int RowBytes(int width) { return (width * kColourBytesPerPixel + 3) & ~3; }

// How many rows of 2x art are decoded at once: a band of a few hundred kilobytes at most, read
// top to bottom, which every decoder does without starting again.
constexpr int kBandRows = 64;

// The rectangles of a picture size large that none of covered overlaps: a band of rows down to
// the next edge of a covered rectangle, cut where covered rectangles cross all of it, each piece
// joined to the part above where that has the same columns. There are a few covered rectangles
// at most, so each next edge is simply looked for.
std::vector<RECT> UncoveredParts(SIZE size, const std::vector<RECT>& covered) {
    std::vector<RECT> parts;
    const auto keep = [&parts](LONG left, LONG top, LONG right, LONG bottom) {
        if (left >= right) return;
        for (RECT& part : parts)
            if (part.bottom == top && part.left == left && part.right == right) {
                part.bottom = bottom;
                return;
            }
        parts.push_back({left, top, right, bottom});
    };
    for (LONG top = 0, bottom; top < size.cy; top = bottom) {
        bottom = size.cy;
        for (const RECT& rect : covered)
            for (LONG y : {rect.top, rect.bottom})
                if (y > top && y < bottom) bottom = y;
        for (LONG x = 0; x < size.cx;) {
            // The leftmost covered rectangle across the whole band that reaches past x.
            LONG left = size.cx;
            LONG right = size.cx;
            for (const RECT& rect : covered)
                if (rect.top <= top && rect.bottom >= bottom && rect.right > x && rect.left < left) {
                    left = rect.left;
                    right = rect.right;
                }
            keep(x, top, std::clamp(left, x, size.cx), bottom);
            x = std::min(right, size.cx);
        }
    }
    return parts;
}

// The picture as a 24-bit DIB section: the colour alone, which is all a keyed copy compares, in
// three quarters of the room.
HBITMAP ToBitmap(const Pixels& picture) {
    if (picture.argb.empty()) return nullptr;
    const BITMAPINFO info = TopDownHeader(picture.width, picture.height, 8 * kColourBytesPerPixel);
    void* pBits = nullptr;
    CBitmap bitmap;
    if (!bitmap.Attach(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0))) return nullptr;
    const BITMAPINFO source = TopDownHeader(picture.width, picture.height, 8 * kBytesPerPixel);
    if (::SetDIBits(nullptr, bitmap, 0, static_cast<UINT>(picture.height), picture.argb.data(), &source,
                    DIB_RGB_COLORS) != picture.height)
        return nullptr;
    return static_cast<HBITMAP>(bitmap.Detach());
}

// The picture of nFrames frames each frameSize from the art (or, without art, from the bitmap):
// as it is where it has that size, resampled otherwise. The decoded art goes as soon as it has
// been resampled.
Pixels ArtAtSize(const Art& art, HINSTANCE hModule, UINT nID, int nFrames, SIZE frameSize) {
    Pixels source = art.frame ? DecodeArt(art) : Pixels();
    if (source.argb.empty()) source = ReadBitmap(hModule, nID);
    if (source.width / nFrames == frameSize.cx && source.height == frameSize.cy) return source;
    return ResampleFrames(source, nFrames, frameSize.cx, frameSize.cy, kKeyColour);
}

// The rows of an uncompressed packed bitmap (a resource's header, colour table and rows, bytes
// long), or null when it is compressed or they do not fit in it.
const BYTE* PixelsOf(const BITMAPINFO* info, DWORD bytes) {
    if (!info || bytes < sizeof info->bmiHeader || info->bmiHeader.biSize < sizeof info->bmiHeader) return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biBitCount == 0 || (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS))
        return nullptr;
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
    // Bit-field bitmaps with the short header carry their three colour masks where a table would be.
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof header) colours = 3;
    const DWORD stride = ((static_cast<DWORD>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const DWORD height = static_cast<DWORD>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    const DWORD offset = header.biSize + colours * sizeof(RGBQUAD);
    if (header.biWidth <= 0 || offset > bytes || (bytes - offset) / stride < height) return nullptr;
    return reinterpret_cast<const BYTE*>(info) + offset;
}

}  // namespace

SIZE GetSkinBitmapSize(HINSTANCE hModule, UINT nID) {
    DWORD size = 0;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(ResourceBytes(hModule, nID, RT_BITMAP, &size));
    if (!header || size < sizeof *header || header->biSize < sizeof *header) return {0, 0};
    return {header->biWidth, header->biHeight < 0 ? -header->biHeight : header->biHeight};
}

HBITMAP LoadSkinArt(HINSTANCE hModule, UINT nID, int nFrames, SIZE frameSize) {
    if (nFrames <= 0) return nullptr;
    const SIZE own = GetSkinBitmapSize(hModule, nID);
    if (own.cx / nFrames == frameSize.cx && own.cy == frameSize.cy)
        return static_cast<HBITMAP>(::LoadImageW(hModule, MAKEINTRESOURCEW(nID), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    try {
        return ToBitmap(ArtAtSize(OpenArt(hModule, nID), hModule, nID, nFrames, frameSize));
    } catch (const std::bad_alloc&) {
        // Large art and little memory: no picture, as for art that cannot be read.
        return nullptr;
    }
}

void CSkinSurface::Destroy() {
    // Each part's context goes before its bitmap, which cannot go while it is selected.
    m_parts.clear();
    m_size = {0, 0};
}

bool CSkinSurface::Create(HDC hdc, SIZE size, const std::vector<RECT>& covered) {
    Destroy();
    if (size.cx <= 0 || size.cy <= 0) return false;
    try {
        for (const RECT& place : UncoveredParts(size, covered)) {
            auto part = std::make_unique<Part>();
            part->place = place;
            const BITMAPINFO info = TopDownHeader(place.right - place.left, place.bottom - place.top,
                                                  8 * kColourBytesPerPixel);
            void* pBits = nullptr;
            if (!part->bitmap.Attach(::CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &pBits, nullptr, 0)) ||
                !part->dc.CreateCompatibleDC(hdc)) {
                Destroy();
                return false;
            }
            part->dc.SelectObject(part->bitmap);
            // The part's context draws in the whole picture's coordinates.
            ::SetViewportOrgEx(part->dc, -place.left, -place.top, nullptr);
            m_parts.push_back(std::move(part));
        }
    } catch (const std::bad_alloc&) {
        Destroy();
        return false;
    }
    m_size = size;
    return true;
}

std::vector<RECT> CSkinSurface::Parts() const {
    std::vector<RECT> places;
    for (const auto& part : m_parts) places.push_back(part->place);
    return places;
}

void CSkinSurface::CopyTo(HDC hdc) const {
    for (const auto& part : m_parts) {
        const RECT& place = part->place;
        ::BitBlt(hdc, place.left, place.top, place.right - place.left, place.bottom - place.top, part->dc, place.left,
                 place.top, SRCCOPY);
    }
}

bool CSkinSurface::PutRows(const BITMAPINFO& info, const void* bits, POINT at, SIZE size) const {
    bool bPut = true;
    for (const auto& part : m_parts) {
        RECT meet;
        const RECT rows = {at.x, at.y, at.x + size.cx, at.y + size.cy};
        if (!::IntersectRect(&meet, &rows, &part->place)) continue;
        // The context clips the rows to the part.
        bPut = ::SetDIBitsToDevice(part->dc, at.x, at.y, static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy), 0, 0,
                                   0, static_cast<UINT>(size.cy), bits, &info, DIB_RGB_COLORS) != 0 &&
               bPut;
    }
    return bPut;
}

bool CSkinSurface::DrawArt(HINSTANCE hModule, UINT nID, POINT at, SIZE size) const {
    if (m_size.cx <= 0 || size.cx <= 0 || size.cy <= 0 || at.x < 0 || at.y < 0 || at.x + size.cx > m_size.cx ||
        at.y + size.cy > m_size.cy)
        return false;
    const SIZE own = GetSkinBitmapSize(hModule, nID);
    if (own.cx == size.cx && own.cy == size.cy) {
        // The bitmap itself, copied from the resource's own rows.
        DWORD bytes = 0;
        const auto* info = reinterpret_cast<const BITMAPINFO*>(ResourceBytes(hModule, nID, RT_BITMAP, &bytes));
        const BYTE* bits = PixelsOf(info, bytes);
        return bits && PutRows(*info, bits, at, size);
    }
    try {
        const Art art = OpenArt(hModule, nID);
        if (art.width == static_cast<UINT>(size.cx) && art.height == static_cast<UINT>(size.cy)) {
            // The art at the size wanted, decoded a band at a time straight into place.
            const ComPtr<IWICBitmapSource> source = ArtIn(art, GUID_WICPixelFormat24bppBGR);
            if (!source) return false;
            const UINT stride = static_cast<UINT>(RowBytes(size.cx));
            std::vector<BYTE> band(static_cast<size_t>(stride) * kBandRows);
            for (int y = 0; y < size.cy; y += kBandRows) {
                const int rows = std::min<int>(kBandRows, size.cy - y);
                const WICRect rect = {0, y, size.cx, rows};
                const BITMAPINFO info = TopDownHeader(size.cx, rows, 8 * kColourBytesPerPixel);
                if (FAILED(source->CopyPixels(&rect, stride, static_cast<UINT>(band.size()), band.data())) ||
                    !PutRows(info, band.data(), {at.x, at.y + y}, {size.cx, rows}))
                    return false;
            }
            return true;
        }
        const Pixels picture = ArtAtSize(art, hModule, nID, 1, size);
        if (picture.argb.empty()) return false;
        const BITMAPINFO info = TopDownHeader(picture.width, picture.height, 8 * kBytesPerPixel);
        return PutRows(info, picture.argb.data(), at, size);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace qv
