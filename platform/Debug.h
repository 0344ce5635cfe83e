// Debug assertions in the framework's manner: a broken precondition is reported with the source
// unit (file name without folder or extension) and the line, and the caller then carries on with
// its failure result. Builds without QV_DEBUG compile the checks away; results stay the same.
#pragma once

namespace qv {

// Receives every assertion report. Tests install one to observe which unit and line fired.
using AssertHook = void (*)(const char* unit, int line);

// Installs a hook and returns the previous one (null restores the default report).
AssertHook SetAssertHook(AssertHook hook);

// Reports a failed assertion at file:line to the hook, or by default to the debugger output
// (Windows) or standard error (elsewhere). Never shows a window and never stops the program.
void ReportAssert(const char* file, int line);

// The unit name of a source path: "C:/x/HtmlBrowser.cpp" -> "HtmlBrowser". Writes into buffer.
const char* UnitFromPath(const char* path, char* buffer, int size);

}  // namespace qv

// ASSERT reports its own line. ASSERT_AT reports the line given: for a check whose reported place
// is part of its unit's documented diagnostics, so that the code around it can move freely.
#if defined(QV_DEBUG) && QV_DEBUG
#define ASSERT(expr) ASSERT_AT(expr, __LINE__)
#define ASSERT_AT(expr, line) ((expr) ? (void)0 : ::qv::ReportAssert(__FILE__, (line)))
#else
#define ASSERT(expr) ((void)0)
#define ASSERT_AT(expr, line) ((void)0)
#endif
