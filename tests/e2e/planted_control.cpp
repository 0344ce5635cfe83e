// The control for the planted-DLL test: a program that imports msimg32 by name, as the tool once
// did. Run beside the planted DLLs it must load the planted msimg32.dll; if it does not, the
// test's setting cannot show that the tool stays clear of them.
#include <windows.h>

int main() { return ::TransparentBlt(nullptr, 0, 0, 0, 0, nullptr, 0, 0, 0, 0, 0) ? 1 : 0; }
