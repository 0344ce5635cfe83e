#include "platform/Debug.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qv {
namespace {
AssertHook g_assertHook = nullptr;
}

AssertHook SetAssertHook(AssertHook hook) {
    AssertHook previous = g_assertHook;
    g_assertHook = hook;
    return previous;
}

const char* UnitFromPath(const char* path, char* buffer, int size) {
    const char* start = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') start = p + 1;
    const char* dot = std::strrchr(start, '.');
    int length = dot ? static_cast<int>(dot - start) : static_cast<int>(std::strlen(start));
    if (length > size - 1) length = size - 1;
    std::memcpy(buffer, start, static_cast<size_t>(length));
    buffer[length] = '\0';
    return buffer;
}

void ReportAssert(const char* file, int line) {
    char unit[64];
    UnitFromPath(file, unit, sizeof unit);
    if (g_assertHook) {
        g_assertHook(unit, line);
        return;
    }
    char text[128];
    std::snprintf(text, sizeof text, "Assertion failed: %s line %d\n", unit, line);
#ifdef _WIN32
    OutputDebugStringA(text);
#else
    std::fputs(text, stderr);
#endif
}

}  // namespace qv
