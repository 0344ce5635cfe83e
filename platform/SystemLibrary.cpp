#include "platform/SystemLibrary.h"

namespace qv {

void RestrictDllSearchToSystemFolder() {
    // Present from Windows 8 on, and on Vista and 7 with update KB2533623: looked up, not imported,
    // so the exe still starts where it is missing.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current folder leaves the search.
    ::SetDllDirectoryW(L"");
}

CSystemLibrary::CSystemLibrary(const wchar_t* fileName)
    : m_hModule(::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

CSystemLibrary::~CSystemLibrary() {
    if (m_hModule) ::FreeLibrary(m_hModule);
}

}  // namespace qv
