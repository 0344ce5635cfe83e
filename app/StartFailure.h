// What a start that cannot make its main window tells the user, who would otherwise see nothing
// and start the tool again and again.
#pragma once

#include <windows.h>

namespace qv {

// Shows, in the tool's language, that it could not start, with the system's words for error
// (none for 0), and returns once the user has read it.
void SayStartFailed(DWORD error);

}  // namespace qv
