// The framework's exceptions: raised by containers for a bad index or count, and when memory
// cannot be had. Everything else in the tool reports failure by its result.
#pragma once

#include <exception>

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
