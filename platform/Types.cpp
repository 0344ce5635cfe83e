#include "platform/Types.h"

#ifndef _WIN32
#include <cstring>

int lstrcmpA(const char* a, const char* b) {
    int c = std::strcmp(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

char* lstrcpynA(char* dest, const char* src, int max) {
    if (max <= 0) return dest;
    int i = 0;
    for (; i < max - 1 && src[i]; ++i) dest[i] = src[i];
    dest[i] = '\0';
    return dest;
}
#endif
