#include "platform/Text.h"

#include <windows.h>

#include <vector>

namespace qv {

std::wstring WideFromGbk(const char* text) {
    if (!text || !*text) return std::wstring();
    const int length = ::MultiByteToWideChar(kTextCodePage, 0, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(kTextCodePage, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

CString GbkFromWide(const std::wstring& text) {
    if (text.empty()) return CString();
    const int length = ::WideCharToMultiByte(kTextCodePage, 0, text.c_str(), -1, nullptr, 0,
                                             nullptr, nullptr);
    if (length <= 0) return CString();
    std::vector<char> narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(kTextCodePage, 0, text.c_str(), -1, narrow.data(), length, nullptr, nullptr);
    return CString(narrow.data());
}

}  // namespace qv
