#include "platform/String.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Exceptions.h"

#ifdef _WIN32
#include "platform/Text.h"
#endif

namespace {

// Lengths are ints: a text longer than that cannot be held, as if memory had run out.
void CheckLength(size_t length) {
    if (length > static_cast<size_t>(INT_MAX)) AfxThrowMemoryException();
}

}  // namespace

CString::CString(const char* text) {
    if (text) Assign(text, std::strlen(text));
}

CString::CString(const CString& other) : CString(other.m_pszData) {}

CString::CString(CString&& other) noexcept : m_pszData(other.m_pszData) { other.m_pszData = nullptr; }

CString::~CString() { std::free(m_pszData); }

CString& CString::operator=(const CString& other) {
    if (this != &other) *this = other.m_pszData;
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        std::free(m_pszData);
        m_pszData = other.m_pszData;
        other.m_pszData = nullptr;
    }
    return *this;
}

CString& CString::operator=(const char* text) {
    if (!text || !*text) {
        Empty();
    } else if (text != m_pszData) {
        Assign(text, std::strlen(text));
    }
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (!text || !*text) return *this;
    const size_t oldLength = static_cast<size_t>(GetLength());
    const size_t addLength = std::strlen(text);
    CheckLength(oldLength + addLength);
    char* buffer = static_cast<char*>(std::malloc(oldLength + addLength + 1));
    if (!buffer) AfxThrowMemoryException();
    std::memcpy(buffer, GetString(), oldLength);
    std::memcpy(buffer + oldLength, text, addLength + 1);
    std::free(m_pszData);
    m_pszData = buffer;
    return *this;
}

int CString::GetLength() const { return m_pszData ? static_cast<int>(std::strlen(m_pszData)) : 0; }

void CString::Empty() {
    std::free(m_pszData);
    m_pszData = nullptr;
}

void CString::Assign(const char* text, size_t length) {
    CheckLength(length);
    // Copy first: text may point into our own buffer.
    char* buffer = static_cast<char*>(std::malloc(length + 1));
    if (!buffer) AfxThrowMemoryException();
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    std::free(m_pszData);
    m_pszData = buffer;
}

CString& CString::MakeLower() {
    if (!m_pszData) return *this;
    for (unsigned char* p = reinterpret_cast<unsigned char*>(m_pszData); *p; ++p) {
        if (IsGbkLeadByte(*p)) {
            if (!p[1]) break;
            ++p;  // skip the trail byte: 0x41-0x5A there is not a letter
        } else if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<unsigned char>(*p - 'A' + 'a');
        }
    }
    return *this;
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    errno = 0;
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    const bool bTooLong = length < 0 && errno == EOVERFLOW;
    va_end(measure);
    if (bTooLong) AfxThrowMemoryException();
    if (length <= 0) {
        Empty();
        return;
    }
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (!buffer) AfxThrowMemoryException();
    std::vsnprintf(buffer, static_cast<size_t>(length) + 1, format, args);
    std::free(m_pszData);
    m_pszData = buffer;
}

bool CString::operator==(const char* text) const {
    return std::strcmp(GetString(), text ? text : "") == 0;
}

#ifdef _WIN32
bool CString::LoadString(unsigned id) {
    const wchar_t* resource = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                                     reinterpret_cast<wchar_t*>(&resource), 0);
    if (length <= 0 || !resource) {
        Empty();
        return false;
    }
    *this = qv::GbkFromWide(std::wstring(resource, static_cast<size_t>(length)));
    return true;
}
#endif
