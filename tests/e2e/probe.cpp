// A small Windows program the end-to-end tests run beside the tool, in the same Wine session, to
// read what a user cannot read off the screen: window and client rectangles, styles, children,
// the foreground window and a process's handle counts. Prints one JSON object.
//
//   probe window TITLE           the top-level window with that title (and its children)
//   probe resources PID          the kernel handles, windows and GDI objects a process holds
//   probe leak PID COUNT         gives the process COUNT more handles it never closes, as a leak would,
//                                then counts its handles
//   probe minimize TITLE         minimises the window as its taskbar button would
//   probe iconify TITLE          minimises the window as Windows' show-desktop keys (Win+M) do, even
//                                while it is disabled
//   probe menu                   the pop-up menu on screen, if any
//   probe holdclipboard SECONDS  keeps the clipboard open, as a busy program would
//   probe shellrestart TITLE     what a restarting shell does: it forgets the window's tray icon
//                                (id 211), then announces itself with "TaskbarCreated"
//   probe endsession TITLE       tells the window that the Windows session ends
//   probe resume TITLE           tells the window that the system resumed from sleep
//   probe windows TITLE          every top-level window with that title: class, process, rectangle
//                                and state; read from the system without a message to the window
//   probe commoncontrols TITLE ID
//                                the DLL that registered the class of the window's child ID, and
//                                the path of each comctl32.dll loaded in the window's process (in
//                                the side-by-side folder of version 6.0 for common controls 6)
//   probe access TITLE           what a screen reader is told of the window's children, each read
//                                as focus tracking reads it (the object of its window's client
//                                area): name, role, state, description and default action
//   probe focus TITLE            the window that has the keyboard focus in the window's thread
//   probe doaction TITLE ID      does the default action of child ID's object, as a screen reader
//                                does when the user asks for it
//   probe classicdialog EXE ID TITLE SECONDS
//                                shows dialog template ID of EXE, made by this program (which
//                                has no manifest, so its controls are the classic ones), titled
//                                TITLE at the screen's bottom left, for SECONDS
#include <windows.h>

#include <oleacc.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/support/ProcessCounts.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') { out += '\\'; out += static_cast<char>(c); }
        else if (c < 0x20) { char buf[8]; std::snprintf(buf, sizeof buf, "\\u%04x", c); out += buf; }
        else out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string Rect(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return buf;
}

std::wstring WindowText(HWND hWnd) {
    wchar_t text[512] = L"";
    GetWindowTextW(hWnd, text, 512);
    return text;
}

std::string Children(HWND hParent) {
    std::string out;
    for (HWND child = GetWindow(hParent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&r), 2);
        wchar_t cls[128] = L"";
        GetClassNameW(child, cls, 128);
        // Built piece by piece: a window's text has no bound that a fixed buffer could keep.
        out += out.empty() ? "{" : ", {";
        out += "\"id\": " + std::to_string(GetDlgCtrlID(child));
        out += ", \"class\": " + Quote(Utf8(cls));
        out += ", \"text\": " + Quote(Utf8(WindowText(child)));
        out += ", \"rect\": " + Rect(r);
        out += std::string(", \"visible\": ") + (IsWindowVisible(child) ? "true" : "false");
        out += ", \"style\": " + std::to_string(static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)));
        out += ", \"children\": " + Children(child) + "}";
    }
    return "[" + out + "]";
}

int ProbeWindow(const wchar_t* title) {
    HWND hWnd = FindWindowW(nullptr, title);
    if (!hWnd) {
        std::printf("{\"found\": false}\n");
        return 0;
    }
    RECT window, client;
    GetWindowRect(hWnd, &window);
    GetClientRect(hWnd, &client);
    MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    HWND hForeground = GetForegroundWindow();
    std::printf("{\"found\": true, \"hwnd\": %llu, \"pid\": %lu, \"title\": %s, \"window\": %s, \"client\": %s, "
                "\"style\": %lu, \"exstyle\": %lu, \"iconic\": %s, \"visible\": %s, \"enabled\": %s, "
                "\"foreground\": %s, \"foreground_title\": %s, \"children\": %s}\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)), pid,
                Quote(Utf8(WindowText(hWnd))).c_str(), Rect(window).c_str(), Rect(client).c_str(),
                static_cast<unsigned long>(GetWindowLongW(hWnd, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(hWnd, GWL_EXSTYLE)),
                IsIconic(hWnd) ? "true" : "false", IsWindowVisible(hWnd) ? "true" : "false",
                IsWindowEnabled(hWnd) ? "true" : "false", hForeground == hWnd ? "true" : "false",
                Quote(Utf8(hForeground ? WindowText(hForeground) : L"")).c_str(),
                Children(hWnd).c_str());
    return 0;
}

// The object a screen reader gets for hWnd's client area, or null.
IAccessible* ClientObject(HWND hWnd) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hWnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

std::string Said(HRESULT hr, BSTR text) {
    std::string out = hr == S_OK && text ? Quote(Utf8(text)) : "null";
    SysFreeString(text);
    return out;
}

std::string Accessible(HWND hParent) {
    std::string out;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (HWND child = GetWindow(hParent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[128] = L"";
        GetClassNameW(child, cls, 128);
        out += out.empty() ? "{" : ", {";
        out += "\"id\": " + std::to_string(GetDlgCtrlID(child)) + ", \"class\": " + Quote(Utf8(cls));
        if (IAccessible* object = ClientObject(child)) {
            BSTR name = nullptr, description = nullptr, action = nullptr;
            VARIANT role, state;
            VariantInit(&role);
            VariantInit(&state);
            const HRESULT named = object->get_accName(self, &name);
            const HRESULT described = object->get_accDescription(self, &description);
            const HRESULT acts = object->get_accDefaultAction(self, &action);
            out += ", \"name\": " + Said(named, name);
            out += ", \"description\": " + Said(described, description);
            out += ", \"default_action\": " + Said(acts, action);
            const bool hasRole = object->get_accRole(self, &role) == S_OK && role.vt == VT_I4;
            wchar_t roleText[128] = L"";
            if (hasRole) GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 128);
            out += ", \"role\": " + (hasRole ? std::to_string(role.lVal) : std::string("null"));
            out += ", \"role_text\": " + Quote(Utf8(roleText));
            const bool hasState = object->get_accState(self, &state) == S_OK && state.vt == VT_I4;
            out += ", \"state\": " + (hasState ? std::to_string(state.lVal) : std::string("null"));
            object->Release();
        }
        out += ", \"children\": " + Accessible(child) + "}";
    }
    return "[" + out + "]";
}

int ProbeAccess(const wchar_t* title) {
    HWND hWnd = FindWindowW(nullptr, title);
    if (!hWnd) {
        std::printf("{\"found\": false}\n");
        return 0;
    }
    std::printf("{\"found\": true, \"children\": %s}\n", Accessible(hWnd).c_str());
    return 0;
}

int ProbeFocus(const wchar_t* title) {
    HWND hWnd = FindWindowW(nullptr, title);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!hWnd || !GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, nullptr), &info) || !info.hwndFocus) {
        std::printf("{\"found\": false}\n");
        return 0;
    }
    // The control of the window that holds the focus: the window's own child the focus is in.
    HWND control = info.hwndFocus;
    while (GetParent(control) && GetParent(control) != hWnd) control = GetParent(control);
    wchar_t cls[128] = L"";
    GetClassNameW(info.hwndFocus, cls, 128);
    std::printf("{\"found\": true, \"control\": %d, \"id\": %d, \"class\": %s, \"text\": %s}\n",
                GetParent(control) == hWnd ? GetDlgCtrlID(control) : 0, GetDlgCtrlID(info.hwndFocus),
                Quote(Utf8(cls)).c_str(), Quote(Utf8(WindowText(info.hwndFocus))).c_str());
    return 0;
}

int DoDefaultAction(const wchar_t* title, int id) {
    IAccessible* object = ClientObject(GetDlgItem(FindWindowW(nullptr, title), id));
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    const bool ok = object && object->accDoDefaultAction(self) == S_OK;
    if (object) object->Release();
    std::printf("{\"ok\": %s}\n", ok ? "true" : "false");
    return 0;
}

int ProbeResources(DWORD pid) {
    // Counted from the system's handle table and window owners: Wine answers neither
    // GetProcessHandleCount nor GetGuiResources.
    const qvtest::ProcessCounts counts = qvtest::CountProcess(pid);
    std::printf("{\"ok\": %s, \"handles\": %lu, \"windows\": %lu, \"gdi_objects\": %lu}\n",
                counts.ok ? "true" : "false", counts.handles, counts.windows, counts.gdiObjects);
    return 0;
}

int LeakHandles(DWORD pid, unsigned long count) {
    HANDLE hProcess = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    unsigned long given = 0;
    while (hProcess && hEvent && given < count &&
           DuplicateHandle(GetCurrentProcess(), hEvent, hProcess, nullptr, 0, FALSE, DUPLICATE_SAME_ACCESS))
        ++given;
    if (hEvent) CloseHandle(hEvent);
    if (hProcess) CloseHandle(hProcess);
    const qvtest::ProcessCounts counts = qvtest::CountProcess(pid);
    std::printf("{\"ok\": %s, \"given\": %lu, \"handles\": %lu}\n", given == count && counts.ok ? "true" : "false",
                given, counts.handles);
    return 0;
}

int ProbeWindows(const wchar_t* title) {
    std::string out = "[";
    for (HWND hWnd = nullptr; (hWnd = FindWindowExW(nullptr, hWnd, nullptr, title));) {
        RECT r;
        GetWindowRect(hWnd, &r);
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        wchar_t cls[128] = L"";
        GetClassNameW(hWnd, cls, 128);
        char item[512];
        std::snprintf(item, sizeof item, "%s{\"hwnd\": %llu, \"pid\": %lu, \"class\": %s, \"window\": %s, "
                      "\"iconic\": %s, \"zoomed\": %s, \"visible\": %s, \"foreground\": %s}",
                      out.size() > 1 ? ", " : "", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)),
                      pid, Quote(Utf8(cls)).c_str(), Rect(r).c_str(), IsIconic(hWnd) ? "true" : "false",
                      IsZoomed(hWnd) ? "true" : "false", IsWindowVisible(hWnd) ? "true" : "false",
                      GetForegroundWindow() == hWnd ? "true" : "false");
        out += item;
    }
    std::printf("{\"windows\": %s]}\n", out.c_str());
    return 0;
}

int ProbeCommonControls(const wchar_t* title, int id) {
    HWND hChild = GetDlgItem(FindWindowW(nullptr, title), id);
    DWORD pid = 0;
    GetWindowThreadProcessId(hChild, &pid);
    HANDLE hProcess = hChild ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid) : nullptr;
    if (!hProcess) {
        std::printf("{\"found\": false}\n");
        return 0;
    }
    // The class's module handle is an address in the window's own process.
    const auto hClassModule = reinterpret_cast<HMODULE>(GetClassLongPtrW(hChild, GCLP_HMODULE));
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameExW(hProcess, hClassModule, path, MAX_PATH);
    std::string comctl32 = "[";
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (EnumProcessModules(hProcess, modules, sizeof modules, &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 1024; ++i) {
            wchar_t modulePath[MAX_PATH] = L"";
            GetModuleFileNameExW(hProcess, modules[i], modulePath, MAX_PATH);
            const wchar_t* name = std::wcsrchr(modulePath, L'\\');
            if (name && _wcsicmp(name + 1, L"comctl32.dll") == 0)
                comctl32 += (comctl32.size() > 1 ? ", " : "") + Quote(Utf8(modulePath));
        }
    }
    CloseHandle(hProcess);
    std::printf("{\"found\": true, \"class_module\": %s, \"comctl32\": %s]}\n",
                Quote(Utf8(path)).c_str(), comctl32.c_str());
    return 0;
}

INT_PTR CALLBACK ClassicDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

int ShowClassicDialog(const wchar_t* exe, int id, const wchar_t* title, DWORD seconds) {
    HMODULE hExe = LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HWND hDialog = hExe ? CreateDialogParamW(hExe, MAKEINTRESOURCEW(id), nullptr, ClassicDialogProc, 0) : nullptr;
    if (!hDialog) return 1;
    SetWindowTextW(hDialog, title);
    RECT rect;
    GetWindowRect(hDialog, &rect);
    SetWindowPos(hDialog, HWND_TOP, 0, GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top), 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW);
    const DWORD end = GetTickCount() + seconds * 1000;
    MSG msg;
    for (DWORD now = GetTickCount(); static_cast<LONG>(end - now) > 0; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(hDialog, &msg)) DispatchMessageW(&msg);
        }
    }
    DestroyWindow(hDialog);
    FreeLibrary(hExe);
    return 0;
}

}  // namespace

int main() {
    // Wide arguments: the title must survive whatever the system code page is.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 3 && std::wstring(argv[1]) == L"window") return ProbeWindow(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"minimize") {
        HWND hWnd = FindWindowW(nullptr, argv[2]);
        const bool ok = hWnd && PostMessageW(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        std::printf("{\"ok\": %s}\n", ok ? "true" : "false");
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"iconify") {
        HWND hWnd = FindWindowW(nullptr, argv[2]);
        const bool ok = hWnd && ShowWindowAsync(hWnd, SW_MINIMIZE);
        std::printf("{\"ok\": %s}\n", ok ? "true" : "false");
        return 0;
    }
    if (argc == 2 && std::wstring(argv[1]) == L"menu") {
        HWND hMenu = FindWindowW(L"#32768", nullptr);
        RECT r{};
        if (hMenu && IsWindowVisible(hMenu)) GetWindowRect(hMenu, &r);
        std::printf("{\"found\": %s, \"rect\": %s}\n", hMenu && IsWindowVisible(hMenu) ? "true" : "false",
                    Rect(r).c_str());
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"holdclipboard") {
        // Opened for a window of ours, as a program that owns the clipboard holds it.
        HWND hOwner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (!OpenClipboard(hOwner)) return 1;
        std::printf("{\"ok\": true}\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10) * 1000));
        CloseClipboard();
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"shellrestart") {
        HWND hWnd = FindWindowW(nullptr, argv[2]);
        NOTIFYICONDATAW nid{};
        nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
        nid.hWnd = hWnd;
        nid.uID = 211;
        const bool forgotten = hWnd && Shell_NotifyIconW(NIM_DELETE, &nid);
        if (hWnd) SendMessageW(hWnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        std::printf("{\"ok\": %s}\n", forgotten ? "true" : "false");
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"endsession") {
        HWND hWnd = FindWindowW(nullptr, argv[2]);
        if (hWnd) SendMessageW(hWnd, WM_ENDSESSION, TRUE, 0);
        std::printf("{\"ok\": %s}\n", hWnd ? "true" : "false");
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"resume") {
        HWND hWnd = FindWindowW(nullptr, argv[2]);
        if (hWnd) SendMessageW(hWnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        std::printf("{\"ok\": %s}\n", hWnd ? "true" : "false");
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"windows") return ProbeWindows(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"focus") return ProbeFocus(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"access") {
        CoInitialize(nullptr);
        return ProbeAccess(argv[2]);
    }
    if (argc == 4 && std::wstring(argv[1]) == L"doaction") {
        CoInitialize(nullptr);
        return DoDefaultAction(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    }
    if (argc == 4 && std::wstring(argv[1]) == L"commoncontrols")
        return ProbeCommonControls(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    if (argc == 6 && std::wstring(argv[1]) == L"classicdialog")
        return ShowClassicDialog(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)), argv[4],
                                 static_cast<DWORD>(std::wcstoul(argv[5], nullptr, 10)));
    if (argc == 3 && std::wstring(argv[1]) == L"resources")
        return ProbeResources(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    if (argc == 4 && std::wstring(argv[1]) == L"leak")
        return LeakHandles(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)), std::wcstoul(argv[3], nullptr, 10));
    std::fprintf(stderr, "usage: probe window TITLE | probe resources PID\n");
    return 2;
}
