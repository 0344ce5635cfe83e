// Built three times, as msimg32.dll, comctl32.dll and gdiplus.dll: a DLL an attacker places beside
// the exe under a system DLL's name. Loaded into a process, it appends that process's exe path to
// the file "<its own path>.ran", so a test sees whether, and into which program, it was loaded.
#define NOGDI  // this file defines TransparentBlt itself
#include <windows.h>

#include <string>

namespace {

void LeaveMark(HINSTANCE hSelf) {
    wchar_t self[MAX_PATH], exe[MAX_PATH];
    if (!GetModuleFileNameW(hSelf, self, MAX_PATH) || !GetModuleFileNameW(nullptr, exe, MAX_PATH)) return;
    HANDLE hMark = CreateFileW((std::wstring(self) + L".ran").c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (hMark == INVALID_HANDLE_VALUE) return;
    char line[3 * MAX_PATH + 2];
    const int n = WideCharToMultiByte(CP_UTF8, 0, exe, -1, line, sizeof line - 1, nullptr, nullptr);
    if (n > 0) {
        line[n - 1] = '\n';
        DWORD written = 0;
        WriteFile(hMark, line, static_cast<DWORD>(n), &written, nullptr);
    }
    CloseHandle(hMark);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hSelf, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) LeaveMark(hSelf);
    return TRUE;
}

// What a program that imports msimg32 calls, so that such a program starts with this DLL.
extern "C" __declspec(dllexport) BOOL WINAPI TransparentBlt(HDC, int, int, int, int, HDC, int, int, int, int,
                                                           UINT) {
    return FALSE;
}
