// The framework's narrow string: bytes in code page 936 (GBK), lengths counted in bytes as an int.
// A text that would not fit that count raises CMemoryException and leaves the string unchanged.
// It holds a single pointer to its heap buffer, so containers may relocate it as raw memory.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/Types.h"  // windows.h first, so its A/W name macros apply everywhere alike

class CString {
public:
    CString() = default;
    CString(const char* text);  // NOLINT: converts like the framework's string
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);
    CString& operator+=(const char* text);

    const char* GetString() const { return m_pszData ? m_pszData : ""; }
    operator const char*() const { return GetString(); }  // NOLINT
    int GetLength() const;
    bool IsEmpty() const { return GetLength() == 0; }
    void Empty();

    // Lower-cases A-Z; the trail byte of a double-byte character is never touched.
    CString& MakeLower();
    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* format, va_list args);

    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }

#ifdef _WIN32
    // Loads a string resource (stored as UTF-16) and converts it to code page 936.
    bool LoadString(unsigned id);
#endif

private:
    // Throws CMemoryException, keeping the old text, when length does not fit an int.
    void Assign(const char* text, size_t length);

    char* m_pszData = nullptr;  // null while empty; otherwise a buffer of GetLength() + 1 bytes
};

// A lead byte of a double-byte character in code page 936.
inline bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
