#include "platform/Urlmon.h"

#include "platform/SystemLibrary.h"

namespace qv {

namespace {

const CSystemLibrary& Urlmon() {
    static const CSystemLibrary library(L"urlmon.dll");
    return library;
}

constexpr HRESULT kNotAvailable = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);

}  // namespace

HRESULT CoInternetSetFeatureEnabled(INTERNETFEATURELIST feature, DWORD dwFlags, BOOL fEnable) {
    const auto call = Urlmon().Find<decltype(&::CoInternetSetFeatureEnabled)>("CoInternetSetFeatureEnabled");
    return call ? call(feature, dwFlags, fEnable) : kNotAvailable;
}

HRESULT CreateUri(const wchar_t* pwzURI, DWORD dwFlags, IUri** ppURI) {
    if (!ppURI) return E_POINTER;
    *ppURI = nullptr;
    const auto call = Urlmon().Find<decltype(&::CreateUri)>("CreateUri");
    return call ? call(pwzURI, dwFlags, 0, ppURI) : kNotAvailable;
}

}  // namespace qv
