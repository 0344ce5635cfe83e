// The calls of urlmon the tool makes. urlmon is not one of the system's known DLLs: imported, it
// would be looked for beside the exe first, so it is loaded from the system folder instead
// (CSystemLibrary) and these forward to it. Each fails with ERROR_PROC_NOT_FOUND as its HRESULT
// when urlmon or the function cannot be had.
#pragma once

#include <windows.h>
#include <urlmon.h>

namespace qv {

HRESULT CoInternetSetFeatureEnabled(INTERNETFEATURELIST feature, DWORD dwFlags, BOOL fEnable);
// On failure *ppURI is null.
HRESULT CreateUri(const wchar_t* pwzURI, DWORD dwFlags, IUri** ppURI);

}  // namespace qv
