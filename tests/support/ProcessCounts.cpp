#include "tests/support/ProcessCounts.h"

#include <algorithm>
#include <vector>

namespace qvtest {
namespace {

// SystemHandleInformation (16) of NtQuerySystemInformation, in its documented layout.
struct HandleEntry {
    USHORT UniqueProcessId;
    USHORT CreatorBackTraceIndex;
    UCHAR ObjectTypeIndex;
    UCHAR HandleAttributes;
    USHORT HandleValue;
    PVOID Object;
    ULONG GrantedAccess;
};
struct HandleTable {
    ULONG NumberOfHandles;
    HandleEntry Handles[1];
};
using QueryFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

bool CountHandles(DWORD pid, unsigned long* count) {
    // Through a generic function pointer: a FARPROC has no parameters to match.
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return false;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           nullptr)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return false;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    *count = 0;
    for (ULONG i = 0; i < table->NumberOfHandles; ++i)
        if (table->Handles[i].UniqueProcessId == static_cast<USHORT>(pid)) ++*count;
    return true;
}

struct WindowCount {
    DWORD pid;
    unsigned long count;
};

BOOL CALLBACK CountChild(HWND hWnd, LPARAM lParam) {
    auto* windows = reinterpret_cast<WindowCount*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == windows->pid) ++windows->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hWnd, LPARAM lParam) {
    CountChild(hWnd, lParam);
    ::EnumChildWindows(hWnd, &CountChild, lParam);
    return TRUE;
}

}  // namespace

ProcessCounts CountProcess(DWORD pid) {
    ProcessCounts counts;
    counts.ok = CountHandles(pid, &counts.handles);
    WindowCount windows{pid, 0};
    ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    for (HWND hWnd = nullptr; (hWnd = ::FindWindowExW(HWND_MESSAGE, hWnd, nullptr, nullptr)) != nullptr;)
        CountTopLevel(hWnd, reinterpret_cast<LPARAM>(&windows));
    counts.windows = windows.count;
    if (HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        counts.gdiObjects = ::GetGuiResources(hProcess, GR_GDIOBJECTS);
        ::CloseHandle(hProcess);
    }
    return counts;
}

bool CountGrows(const std::vector<unsigned long>& counts, double perCycleLimit) {
    const size_t n = counts.size();
    if (n < 20) return true;
    auto median = [](std::vector<unsigned long> part) {
        std::sort(part.begin(), part.end());
        return (part[part.size() / 2 - 1] + part[part.size() / 2]) / 2.0;
    };
    auto spreadOf = [](const std::vector<unsigned long>& part) {
        const auto range = std::minmax_element(part.begin(), part.end());
        return static_cast<double>(*range.second - *range.first);
    };
    const std::vector<unsigned long> first(counts.begin(), counts.begin() + 10);
    const std::vector<unsigned long> last(counts.end() - 10, counts.end());
    const double early = median(first);
    const double late = median(last);
    const double spread = std::max(spreadOf(first), spreadOf(last));
    const double meanX = (n - 1) / 2.0;
    double meanY = 0;
    for (unsigned long c : counts) meanY += c;
    meanY /= n;
    double covariance = 0, variance = 0;
    for (size_t x = 0; x < n; ++x) {
        covariance += (x - meanX) * (counts[x] - meanY);
        variance += (x - meanX) * (x - meanX);
    }
    return late > early + spread || covariance / variance >= perCycleLimit;
}

}  // namespace qvtest
