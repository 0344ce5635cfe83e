// The process entry of the GUI executable. Linked into the exe itself (not a library) so that
// the linker always takes it.
#include <cstdlib>

#include "platform/SystemLibrary.h"
#include "platform/WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    qv::RestrictDllSearchToSystemFolder();
    return AfxWinMain(hInstance);
}

// An exception nobody catches ends the process. The C++ library's default handler would first
// print its type, demangled, to a console this GUI process does not have; defining it here keeps
// that handler and its demangler out of the exe. The tests keep the library's handler.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
