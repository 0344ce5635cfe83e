// The framework's exceptions: raised by containers for a bad index or count, and when memory
// cannot be had. Everything else in the tool reports failure by its result.
#pragma once

#include <exception>

#include "platform/Debug.h"

class CException : public std::exception {};

class CInvalidArgException : public CException {
public:
    const char* what() const noexcept override { return "invalid argument"; }
};

class CMemoryException : public CException {
public:
    const char* what() const noexcept override { return "out of memory"; }
};

[[noreturn]] inline void AfxThrowInvalidArgException() { throw CInvalidArgException(); }
[[noreturn]] inline void AfxThrowMemoryException() { throw CMemoryException(); }

// Runs body where no exception may pass: a window procedure, hook or COM method that the system
// calls. An exception that escapes body is reported as a failed assertion at file:line (in every
// build) and the call answers what fallback gives instead.
template <typename Body, typename Fallback>
auto CallWithoutThrowing(const char* file, int line, Body&& body, Fallback&& fallback) noexcept
    -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        ::qv::ReportAssert(file, line);
    }
    return fallback();
}
