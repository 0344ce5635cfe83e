// Conversions between the tool's code page 936 texts and the wide strings of the system calls.
// Every text leaves the program through a wide call after an explicit conversion from 936, so
// it shows right whatever code page the user's Windows runs.
#pragma once

#include <string>

#include "platform/String.h"

namespace qv {

constexpr unsigned kTextCodePage = 936;

std::wstring WideFromGbk(const char* text);
// The tool's own narrow string: the C++ library's narrow strings stay out of the exe.
CString GbkFromWide(const std::wstring& text);

}  // namespace qv
