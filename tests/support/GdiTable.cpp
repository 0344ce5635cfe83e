#include "tests/support/GdiTable.h"

#include <winternl.h>

namespace qvtest {
namespace {

// One entry of the 64-bit table: the object's address while the handle is live (else 0), its
// owner, then the upper half of the handle's value, whose lower half is the entry's index.
struct Entry {
    UINT64 object;
    ULONG owner;
    USHORT upper;
    USHORT type;
    UINT64 user;
};
static_assert(sizeof(Entry) == 24, "one handle table entry on 64-bit Windows");
constexpr size_t kPebGdiTableOffset = 0xF8;  // PEB::GdiSharedHandleTable on 64-bit Windows
constexpr size_t kTableEntries = 0x10000;

}  // namespace

std::vector<HGDIOBJ> LiveGdiHandles() {
    std::vector<HGDIOBJ> handles;
    PROCESS_BASIC_INFORMATION basic{};
    if (::NtQueryInformationProcess(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic,
                                    nullptr) != 0)
        return handles;
    const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + kPebGdiTableOffset);
    if (!table) return handles;
    for (size_t i = 0; i < kTableEntries; ++i)
        if (table[i].object)
            handles.push_back(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(i | (ULONG{table[i].upper} << 16))));
    return handles;
}

std::vector<HeldBitmap> HeldBitmaps() {
    std::vector<HeldBitmap> bitmaps;
    for (HGDIOBJ handle : LiveGdiHandles()) {
        if (::GetObjectType(handle) != OBJ_BITMAP) continue;
        DIBSECTION dib{};
        const int size = ::GetObjectW(handle, sizeof dib, &dib);
        if (size < static_cast<int>(sizeof(BITMAP))) continue;
        const BITMAP& header = dib.dsBm;
        const int height = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
        bitmaps.push_back({handle, header.bmWidth, height, header.bmBitsPixel, size == sizeof dib,
                           static_cast<size_t>(header.bmWidthBytes) * height});
    }
    return bitmaps;
}

}  // namespace qvtest
