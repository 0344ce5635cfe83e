#include "browser/DocumentMode.h"

#include <windows.h>

#include <string>

namespace qv {

namespace {
constexpr wchar_t kEmulationKey[] = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
// Internet Explorer 11's standards mode, or the mode a page asks for with X-UA-Compatible.
constexpr DWORD kInternetExplorer11 = 11000;
// The longest path Windows gives a module, in characters.
constexpr DWORD kLongestPath = 32768;
}  // namespace

void EnsureCurrentDocumentMode() {
    std::wstring path(kLongestPath, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], kLongestPath);
    // A cut path would name another file: then nothing is written.
    if (length == 0 || length >= kLongestPath) return;
    path.resize(length);
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    if (name.empty()) return;

    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                          &hKey, nullptr) != ERROR_SUCCESS)
        return;
    // Only where the value is plainly missing: one that cannot be read may still be there.
    if (::RegQueryValueExW(hKey, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND)
        ::RegSetValueExW(hKey, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kInternetExplorer11),
                         sizeof kInternetExplorer11);
    ::RegCloseKey(hKey);
}

}  // namespace qv
