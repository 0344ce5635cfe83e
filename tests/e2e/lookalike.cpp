// Another program's window that carries the tool's title: a plain frame window of a class of its
// own, shown maximised, as a folder window of that name would be. The end-to-end tests check that
// starting the tool again leaves it exactly as it was.
//
//   lookalike TITLE SECONDS   shows the window for that long, printing {"ok": true} once it is up
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc != 3) {
        std::fprintf(stderr, "usage: lookalike TITLE SECONDS\n");
        return 2;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"QuilVaraLookalikeFrame";
    if (!RegisterClassExW(&windowClass)) return 1;
    HWND hWnd = CreateWindowExW(0, windowClass.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!hWnd) return 1;
    ShowWindow(hWnd, SW_SHOWMAXIMIZED);
    UpdateWindow(hWnd);
    std::printf("{\"ok\": true}\n");
    std::fflush(stdout);

    const DWORD end = GetTickCount() + static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10) * 1000);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const LONG left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0 || !IsWindow(hWnd)) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
    if (IsWindow(hWnd)) DestroyWindow(hWnd);
    return 0;
}
