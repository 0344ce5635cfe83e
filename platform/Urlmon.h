// urlmon, where the calls the browser control's host makes of its own live (CreateUri,
// CoInternetSetFeatureEnabled). It is not one of the system's known DLLs: imported, it would be
// looked for beside the exe first, so it is loaded from the system folder instead, once.
#pragma once

#include "platform/SystemLibrary.h"

namespace qv {

const CSystemLibrary& Urlmon();

}  // namespace qv
