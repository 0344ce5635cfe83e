#include "platform/Urlmon.h"

namespace qv {

const CSystemLibrary& Urlmon() {
    static const CSystemLibrary library(L"urlmon.dll");
    return library;
}

}  // namespace qv
