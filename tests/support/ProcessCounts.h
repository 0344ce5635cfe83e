// What a process holds, counted from outside it in a way Wine answers too: Wine reports 0 for
// GetProcessHandleCount and GetGuiResources, but it does keep the system's handle table and
// every window's owner.
#pragma once

#include <windows.h>

namespace qvtest {

struct ProcessCounts {
    bool ok = false;          // false when the handle table could not be read
    unsigned long handles = 0;  // kernel object handles the process holds
    unsigned long windows = 0;  // windows its threads own, message-only ones included
};

ProcessCounts CountProcess(DWORD pid);

}  // namespace qvtest
