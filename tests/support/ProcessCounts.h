// What a process holds, counted from outside it in a way Wine answers too: Wine reports 0 for
// GetProcessHandleCount and GetGuiResources, but it does keep the system's handle table and
// every window's owner.
#pragma once

#include <windows.h>

#include <vector>

namespace qvtest {

struct ProcessCounts {
    bool ok = false;          // false when the handle table could not be read
    unsigned long handles = 0;  // kernel object handles the process holds
    unsigned long windows = 0;  // windows its threads own, message-only ones included
    unsigned long gdiObjects = 0;  // GDI objects; 0 where the system does not say (Wine)
};

ProcessCounts CountProcess(DWORD pid);

// Whether a count taken once per cycle grows: the median of the last ten cycles above that of the
// first ten by more than either ten vary among themselves, or a least-squares growth of
// perCycleLimit or more. A transient handle in one cycle is noise, not a leak. Needs at least
// twenty cycles; fewer always count as growth.
bool CountGrows(const std::vector<unsigned long>& counts, double perCycleLimit = 0.05);

}  // namespace qvtest
