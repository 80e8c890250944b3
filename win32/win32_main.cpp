// The program's ordinary entry: everything it is given is read again from the
// process itself by SaverEntry.
#include <windows.h>

#include "win32/win32_entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { SaverEntry(); }
