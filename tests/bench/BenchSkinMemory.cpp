// Not a test: the bitmaps the main window holds on this display (their count, sizes, formats and
// bytes) after start, collapsed and expanded again, how long a collapse and an expand take from
// the click to the window painted again, and what one paint of a share button costs. Prints the
// figures; it judges nothing.
// tools/bench-memory runs it in a Wine prefix at each DPI it measures; by hand:
//
//   tools/with-display tools/wine-run build/win64/tests/bench/bench_skin_memory.exe [TOGGLES]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <tuple>
#include <vector>

#include "app/QuilVaraDlg.h"
#include "app/Texts.h"
#include "platform/Dpi.h"
#include "platform/Text.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "tests/support/GdiTable.h"

namespace {

CWinApp g_app;  // the dialog loads its icon through the application
std::set<HGDIOBJ> g_before;  // the bitmaps of the process before the dialog was made
int g_toggles = 5;

// Prints the bitmaps made since g_before, largest first, alike ones on one line, under a line
// with their count and sum.
void PrintBitmaps(const char* state) {
    std::vector<qvtest::HeldBitmap> held;
    for (const qvtest::HeldBitmap& bitmap : qvtest::HeldBitmaps())
        if (!g_before.count(bitmap.handle)) held.push_back(bitmap);
    const auto key = [](const qvtest::HeldBitmap& b) {
        return std::make_tuple(b.bytes, b.width, b.height, b.bitsPerPixel, b.dibSection);
    };
    std::sort(held.begin(), held.end(), [&](const auto& a, const auto& b) { return key(a) > key(b); });
    size_t total = 0;
    for (const qvtest::HeldBitmap& bitmap : held) total += bitmap.bytes;
    std::printf("bitmaps %s: %zu, %zu bytes\n", state, held.size(), total);
    for (size_t i = 0, n = 1; i < held.size(); i += n) {
        for (n = 1; i + n < held.size() && key(held[i + n]) == key(held[i]);) ++n;
        const qvtest::HeldBitmap& bitmap = held[i];
        std::printf("  %2zu x %5d x %-5d %2d bits  %-13s %9zu bytes each\n", n, bitmap.width, bitmap.height,
                    bitmap.bitsPerPixel, bitmap.dibSection ? "DIB section" : "device bitmap", bitmap.bytes);
    }
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1e3 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The processor time this thread has used, in milliseconds.
double ThreadMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

struct Cost {
    double wall;  // milliseconds
    double processor;
};

// A click on the collapse bar, timed until the window has painted what changed: the time that
// passed and the processor time the window's thread spent.
Cost Toggle(HWND hDialog) {
    HWND hBar = ::GetDlgItem(hDialog, IDC_COLLAPSE_BAR);
    LARGE_INTEGER start, end;
    const double before = ThreadMilliseconds();
    ::QueryPerformanceCounter(&start);
    ::SendMessageW(hDialog, WM_COMMAND, MAKEWPARAM(IDC_COLLAPSE_BAR, STN_CLICKED), reinterpret_cast<LPARAM>(hBar));
    ::RedrawWindow(hDialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
    ::QueryPerformanceCounter(&end);
    return {Milliseconds(start, end), ThreadMilliseconds() - before};
}

// One paint of button nID into a picture of its size, as its window's paint would draw it.
double PaintButton(HWND hDialog, int nID) {
    HWND hButton = ::GetDlgItem(hDialog, nID);
    RECT client;
    ::GetClientRect(hButton, &client);
    CClientDC screen(hButton);
    CDC canvas;
    canvas.CreateCompatibleDC(screen);
    CBitmap picture;
    picture.Attach(::CreateCompatibleBitmap(screen, client.right, client.bottom));
    canvas.SelectObject(picture);
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    ::SendMessageW(hButton, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.GetSafeHdc()), PRF_CLIENT);
    ::GdiFlush();
    ::QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void CALLBACK Measure(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND hDialog = ::FindWindowW(nullptr, qv::WideFromGbk(kMainWindowTitle).c_str());
    if (!hDialog) {
        std::printf("no main window\n");
        ::PostQuitMessage(1);
        return;
    }
    std::printf("dpi %u\n", qv::GetWindowDpi(hDialog));
    PrintBitmaps("after start");
    std::vector<double> collapses, expands, collapseWork, expandWork;
    for (int i = 0; i < g_toggles; ++i) {
        const Cost collapse = Toggle(hDialog);
        if (i == 0) PrintBitmaps("collapsed");
        const Cost expand = Toggle(hDialog);
        collapses.push_back(collapse.wall);
        collapseWork.push_back(collapse.processor);
        expands.push_back(expand.wall);
        expandWork.push_back(expand.processor);
    }
    PrintBitmaps("expanded again");
    std::vector<double> paints;
    for (int i = 0; i < 20; ++i) paints.push_back(PaintButton(hDialog, IDC_BTN_SHARE_SINA));
    std::printf("share button paint: %.2f ms (median of %zu)\n", Median(paints), paints.size());
    std::printf("collapse to painted: %.1f ms, expand to painted: %.1f ms (medians of %d)\n", Median(collapses),
                Median(expands), g_toggles);
    std::printf("  processor time of the window's thread: %.0f ms, %.0f ms\n", Median(collapseWork),
                Median(expandWork));
    ::PostMessageW(hDialog, WM_CLOSE, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_toggles = std::max(1, std::atoi(argv[1]));
    // As the tool does: OLE on the window's thread, for the panes and the art's decoder.
    AfxEnableControlContainer();
    for (const qvtest::HeldBitmap& bitmap : qvtest::HeldBitmaps()) g_before.insert(bitmap.handle);
    CQuilVaraDlg dialog;
    ::SetTimer(nullptr, 0, 200, &Measure);
    dialog.DoModal();
    std::fflush(stdout);
    return 0;
}
