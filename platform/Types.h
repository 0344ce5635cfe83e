// The Windows scalar types the portable units use. On Windows they come from <windows.h>; a
// native build (for sanitizer and fuzz runs) gets stand-ins of the same widths.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::uint32_t UINT;
typedef std::uint32_t COLORREF;
typedef int BOOL;
typedef void* HANDLE;
typedef void* HFONT;
typedef void* HINSTANCE;
// The platform's narrow comparison: byte-wise, case-sensitive, 0 when equal.
int lstrcmpA(const char* a, const char* b);
// The platform's bounded copy: copies at most max - 1 bytes and always terminates.
char* lstrcpynA(char* dest, const char* src, int max);
#endif
