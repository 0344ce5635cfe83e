#include "skin/SkinArt.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
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

// The art's pixels in format, rows stride bytes apart, into target (bytes long).
bool CopyArt(const Art& art, const GUID& format, UINT stride, UINT bytes, BYTE* target) {
    if (!art.frame) return false;
    WICPixelFormatGUID decoded{};
    if (SUCCEEDED(art.frame->GetPixelFormat(&decoded)) && IsEqualGUID(decoded, format))
        return SUCCEEDED(art.frame->CopyPixels(nullptr, stride, bytes, target));
    ComPtr<IWICFormatConverter> converter;
    return SUCCEEDED(art.factory->CreateFormatConverter(&converter)) &&
           SUCCEEDED(converter->Initialize(art.frame.Get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                           WICBitmapPaletteTypeCustom)) &&
           SUCCEEDED(converter->CopyPixels(nullptr, stride, bytes, target));
}

// The art as pixels; empty when there is none.
Pixels DecodeArt(const Art& art) {
    Pixels pixels;
    if (!art.frame) return pixels;
    pixels.argb.resize(static_cast<size_t>(art.width) * art.height);
    const UINT stride = art.width * kBytesPerPixel;
    if (!CopyArt(art, GUID_WICPixelFormat32bppBGRA, stride, stride * art.height,
                 reinterpret_cast<BYTE*>(pixels.argb.data()))) {
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
    // The context first: the bitmap cannot go while it is selected.
    DeleteDC();
    m_bitmap.DeleteObject();
    m_pBits = nullptr;
    m_nStride = 0;
    m_size = {0, 0};
}

bool CSkinSurface::Create(HDC hdc, SIZE size) {
    Destroy();
    const BITMAPINFO info = TopDownHeader(size.cx, size.cy, 8 * kColourBytesPerPixel);
    void* pBits = nullptr;
    if (size.cx <= 0 || size.cy <= 0 ||
        !m_bitmap.Attach(::CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &pBits, nullptr, 0)) ||
        !CreateCompatibleDC(hdc)) {
        Destroy();
        return false;
    }
    SelectObject(m_bitmap);
    m_pBits = static_cast<BYTE*>(pBits);
    m_nStride = RowBytes(size.cx);
    m_size = size;
    return true;
}

bool CSkinSurface::DrawArt(HINSTANCE hModule, UINT nID, POINT at, SIZE size) const {
    if (!m_pBits || size.cx <= 0 || size.cy <= 0 || at.x < 0 || at.y < 0 || at.x + size.cx > m_size.cx ||
        at.y + size.cy > m_size.cy)
        return false;
    const SIZE own = GetSkinBitmapSize(hModule, nID);
    if (own.cx == size.cx && own.cy == size.cy) {
        // The bitmap itself, copied from the resource's own rows.
        DWORD bytes = 0;
        const auto* info = reinterpret_cast<const BITMAPINFO*>(ResourceBytes(hModule, nID, RT_BITMAP, &bytes));
        const BYTE* bits = PixelsOf(info, bytes);
        return bits && ::SetDIBitsToDevice(m_hDC, at.x, at.y, static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy),
                                           0, 0, 0, static_cast<UINT>(size.cy), bits, info, DIB_RGB_COLORS) != 0;
    }
    try {
        const Art art = OpenArt(hModule, nID);
        if (art.width == static_cast<UINT>(size.cx) && art.height == static_cast<UINT>(size.cy)) {
            // The art at the size wanted: decoded straight into place.
            ::GdiFlush();
            BYTE* target = m_pBits + static_cast<size_t>(at.y) * m_nStride + static_cast<size_t>(at.x) * kColourBytesPerPixel;
            const size_t room = static_cast<size_t>(m_size.cy - at.y) * m_nStride - static_cast<size_t>(at.x) * kColourBytesPerPixel;
            return CopyArt(art, GUID_WICPixelFormat24bppBGR, static_cast<UINT>(m_nStride), static_cast<UINT>(room), target);
        }
        const Pixels picture = ArtAtSize(art, hModule, nID, 1, size);
        if (picture.argb.empty()) return false;
        const BITMAPINFO info = TopDownHeader(picture.width, picture.height, 8 * kBytesPerPixel);
        return ::SetDIBitsToDevice(m_hDC, at.x, at.y, static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy), 0, 0, 0,
                                   static_cast<UINT>(size.cy), picture.argb.data(), &info, DIB_RGB_COLORS) != 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace qv
