// What one paint of a share button costs when its strip is loaded from the resources and freed
// again each time, and whether many paints leave handles or memory behind. Prints the figures;
// it judges nothing.
//
//   tools/with-display tools/wine-run build/<dir>/tests/skin/bench_skin_button.exe [PAINTS]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Rect.h"
#include "res/resource.h"
#include "skin/SkinButton.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

struct Counts {
    DWORD gdi;
    const char* gdiSource;
    DWORD user;  // 0 with userKnown false when the system cannot tell
    bool userKnown;
    SIZE_T privateBytes;
};

Counts Measure() {
    Counts counts{};
    counts.gdi = skintest::GdiObjectCount(&counts.gdiSource);
    ::SetLastError(0);
    counts.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    counts.userKnown = !(counts.user == 0 && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory)) counts.privateBytes = memory.PagefileUsage;
    return counts;
}

void PrintCounts(const char* when, const Counts& counts) {
    std::printf("%-7s GDI objects %5lu (%s), USER objects ", when, static_cast<unsigned long>(counts.gdi),
                counts.gdiSource);
    if (counts.userKnown) std::printf("%5lu", static_cast<unsigned long>(counts.user));
    else std::printf("n/a (GetGuiResources not implemented)");
    std::printf(", private bytes %llu\n", static_cast<unsigned long long>(counts.privateBytes));
}

}  // namespace

int main(int argc, char** argv) {
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    skintest::HostWindow host;
    CSkinButton button;
    button.Create("", WS_CHILD | WS_VISIBLE, CRect(12, 10, 0, 0), &host, IDC_BTN_SHARE_SINA);
    button.SetBitmap(IDB_SHARE_SINA, ::GetModuleHandleW(nullptr), false);
    skintest::Canvas canvas(122, 31);
    // The whole paint path: the button's owner-draw request, reflected back to DrawItem, which
    // loads the strip, copies one keyed frame and frees the strip.
    const auto paint = [&] {
        button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        ::GdiFlush();
    };
    for (int i = 0; i < 100; ++i) paint();
    skintest::PumpMessages();

    const Counts before = Measure();
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(paints));
    for (int i = 0; i < paints; ++i) {
        ::QueryPerformanceCounter(&start);
        paint();
        ::QueryPerformanceCounter(&end);
        micros.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                         static_cast<double>(frequency.QuadPart));
    }
    skintest::PumpMessages();
    const Counts after = Measure();

    std::sort(micros.begin(), micros.end());
    double total = 0;
    for (double m : micros) total += m;
    std::printf("skin button paint, 122 x 31 share strip 106 loaded from the resources each time\n");
    std::printf("paints  %d\n", paints);
    std::printf("median  %.1f us   p10 %.1f us   p90 %.1f us   mean %.1f us\n", micros[micros.size() / 2],
                micros[micros.size() / 10], micros[micros.size() * 9 / 10], total / static_cast<double>(paints));
    PrintCounts("before", before);
    PrintCounts("after", after);
    std::printf("growth  GDI %+ld, USER %+ld, private bytes %+lld\n",
                static_cast<long>(after.gdi) - static_cast<long>(before.gdi),
                static_cast<long>(after.user) - static_cast<long>(before.user),
                static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes));
    return 0;
}
