// The process entry of the GUI executable. Linked into the exe itself (not a library) so that
// the linker always takes it.
#include "platform/WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) { return AfxWinMain(hInstance); }
