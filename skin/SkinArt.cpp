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

// The bytes of resource nID of the type, or null.
const BYTE* ResourceBytes(HINSTANCE hModule, UINT nID, const char* type, DWORD* pSize) {
    const HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(nID), type);
    const HGLOBAL hData = hResource ? ::LoadResource(hModule, hResource) : nullptr;
    *pSize = hData ? ::SizeofResource(hModule, hResource) : 0;
    return hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
}

// The 2x art of bitmap nID, decoded by the Windows Imaging Component; empty when there is none or
// it cannot be decoded. WIC comes through COM (windowscodecs is no known DLL: an import would be
// looked for beside the exe first), so COM must be started on this thread.
Pixels DecodeArt(HINSTANCE hModule, UINT nID) {
    Pixels art;
    DWORD size = 0;
    const BYTE* png = ResourceBytes(hModule, nID, kArtType, &size);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (!png ||
        FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0)
        return art;
    art.argb.resize(static_cast<size_t>(width) * height);
    const UINT stride = width * kBytesPerPixel;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, reinterpret_cast<BYTE*>(art.argb.data())))) {
        art.argb.clear();
        return art;
    }
    art.width = static_cast<int>(width);
    art.height = static_cast<int>(height);
    return art;
}

// A top-down 32-bit bitmap header for a picture of width x height.
BITMAPINFO TopDownHeader(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 8 * kBytesPerPixel;
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
    BITMAPINFO info = TopDownHeader(header.bmWidth, height);
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

// The picture as a DIB section, its fourth bytes cleared (a keyed copy compares whole pixels).
HBITMAP ToBitmap(const Pixels& picture) {
    if (picture.argb.empty()) return nullptr;
    const BITMAPINFO info = TopDownHeader(picture.width, picture.height);
    void* pBits = nullptr;
    const HBITMAP hBitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (!hBitmap) return nullptr;
    auto* target = static_cast<std::uint32_t*>(pBits);
    for (size_t i = 0; i < picture.argb.size(); ++i) target[i] = picture.argb[i] & 0xFFFFFF;
    return hBitmap;
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
        Pixels art = DecodeArt(hModule, nID);
        if (art.argb.empty()) art = ReadBitmap(hModule, nID);
        if (art.width / nFrames == frameSize.cx && art.height == frameSize.cy) return ToBitmap(art);
        return ToBitmap(ResampleFrames(art, nFrames, frameSize.cx, frameSize.cy, kKeyColour));
    } catch (const std::bad_alloc&) {
        // Large art and little memory: no picture, as for art that cannot be read.
        return nullptr;
    }
}

}  // namespace qv
