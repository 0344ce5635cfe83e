// Loading DLLs from the system folder only. Windows looks for a DLL that is not one of its known
// DLLs in the exe's own folder first; a file of the same name placed beside the exe (a Downloads
// folder is the usual place) would run inside the tool. These calls never look there.
#pragma once

#include <windows.h>

namespace qv {

// Makes every later load of a DLL, static dependencies of loaded DLLs included, search the system
// folder only, and loads from there ahead of time what system DLLs load by name later. The first
// thing the process does, before anything loads a DLL.
void RestrictDllSearchToSystemFolder();

// One DLL loaded from the system folder; freed with the object. Empty when the system has no such
// DLL or cannot restrict the search to its folder (then nothing is loaded at all).
class CSystemLibrary {
public:
    explicit CSystemLibrary(const wchar_t* fileName);
    ~CSystemLibrary();
    CSystemLibrary(const CSystemLibrary&) = delete;
    CSystemLibrary& operator=(const CSystemLibrary&) = delete;

    bool IsLoaded() const { return m_hModule != nullptr; }

    // The exported function procName as a pointer of type Function (declare it with decltype of
    // the header's declaration); null when the DLL is not loaded or lacks it.
    template <typename Function>
    Function Find(const char* procName) const {
        if (!m_hModule) return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(m_hModule, procName)));
    }

private:
    HMODULE m_hModule;
};

}  // namespace qv
