#include "platform/SystemLibrary.h"

namespace qv {

void RestrictDllSearchToSystemFolder() {
    // Present from Windows 8 on, and on Vista and 7 with update KB2533623: looked up, not imported,
    // so the exe still starts where it is missing.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    // Without it, at least the current folder leaves the search.
    if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");

    // The theme engine loads msimg32 by name when it first draws a themed control (the About box).
    // Not every loader applies the default folders to such a load by a system DLL (Wine does not,
    // nor does Windows without the call above), and it would look beside the exe first. Loaded
    // from the system folder now, it is found in the process instead.
    static const CSystemLibrary themeDependency(L"msimg32.dll");
}

CSystemLibrary::CSystemLibrary(const wchar_t* fileName)
    : m_hModule(::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

CSystemLibrary::~CSystemLibrary() {
    if (m_hModule) ::FreeLibrary(m_hModule);
}

}  // namespace qv
