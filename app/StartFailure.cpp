#include "app/StartFailure.h"

#include <string>

#include "app/Texts.h"
#include "platform/Text.h"
#include "platform/Wnd.h"

namespace qv {

void SayStartFailed(DWORD error) {
    std::wstring text = WideFromGbk(kStartFailed);
    wchar_t reason[512] = L"";
    if (error && ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  reason, ARRAYSIZE(reason), nullptr))
        text += std::wstring(L"\r\n\r\n") + reason;
    // No window of the tool's own exists to own it, and the user just started the tool: in front.
    ::MessageBoxW(nullptr, text.c_str(), WideFromGbk(AfxGetAppName()).c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace qv
